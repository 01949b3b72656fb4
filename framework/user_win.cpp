#include "framework/user_win.h"

namespace user32 {

namespace {

// The function `name` of user32, of the type of `Declared`, or null. The
// process keeps user32 once it is loaded, as it would an import.
template <typename Declared>
Declared* Bind(const char* name) {
  static HMODULE module = ::LoadLibraryW(L"user32.dll");
  if (!module) return nullptr;
  return reinterpret_cast<Declared*>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace

ATOM RegisterClassW(const WNDCLASSW* windowClass) {
  static auto* bound = Bind<decltype(::RegisterClassW)>("RegisterClassW");
  return bound ? bound(windowClass) : 0;
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID parameter) {
  static auto* bound = Bind<decltype(::CreateWindowExW)>("CreateWindowExW");
  return bound ? bound(exStyle, className, windowName, style, x, y, width, height, parent, menu,
                       instance, parameter)
               : nullptr;
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static auto* bound = Bind<decltype(::DefWindowProcW)>("DefWindowProcW");
  return bound ? bound(window, message, wParam, lParam) : 0;
}

BOOL DestroyWindow(HWND window) {
  static auto* bound = Bind<decltype(::DestroyWindow)>("DestroyWindow");
  return bound ? bound(window) : FALSE;
}

BOOL IsWindow(HWND window) {
  static auto* bound = Bind<decltype(::IsWindow)>("IsWindow");
  return bound ? bound(window) : FALSE;
}

BOOL GetMessageW(MSG* message, HWND window, UINT first, UINT last) {
  static auto* bound = Bind<decltype(::GetMessageW)>("GetMessageW");
  // -1 is the documented error value.
  return bound ? bound(message, window, first, last) : -1;
}

BOOL TranslateMessage(const MSG* message) {
  static auto* bound = Bind<decltype(::TranslateMessage)>("TranslateMessage");
  return bound ? bound(message) : FALSE;
}

LRESULT DispatchMessageW(const MSG* message) {
  static auto* bound = Bind<decltype(::DispatchMessageW)>("DispatchMessageW");
  return bound ? bound(message) : 0;
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static auto* bound = Bind<decltype(::PostMessageW)>("PostMessageW");
  return bound ? bound(window, message, wParam, lParam) : FALSE;
}

void PostQuitMessage(int exitCode) {
  static auto* bound = Bind<decltype(::PostQuitMessage)>("PostQuitMessage");
  if (bound) bound(exitCode);
}

BOOL DestroyIcon(HICON icon) {
  static auto* bound = Bind<decltype(::DestroyIcon)>("DestroyIcon");
  return bound ? bound(icon) : FALSE;
}

}  // namespace user32
