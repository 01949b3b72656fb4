#pragma once
// The user32 functions that the console program's code calls, bound on
// first use. Under Wine a console program that merely imports user32 takes
// almost twice as long to start, and of QuorlinCmd's commands only watch
// needs a window. Each behaves as the function of the same name; should
// user32 not load, each fails as that function does. They are inline, so
// that a program links only the ones it calls.
#include <windows.h>

#include "framework/late_bind_win.h"

namespace user32 {

// user32, loaded on first use, or null. The process keeps it once it is
// loaded, as it would an import.
HMODULE Module();

template <typename Declared>
Declared* Bound(const char* name) {
  return LateBound<Declared>(Module(), name);
}

inline ATOM RegisterClassW(const WNDCLASSW* windowClass) {
  static auto* bound = Bound<decltype(::RegisterClassW)>("RegisterClassW");
  return bound ? bound(windowClass) : 0;
}

inline HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style,
                            int x, int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID parameter) {
  static auto* bound = Bound<decltype(::CreateWindowExW)>("CreateWindowExW");
  return bound ? bound(exStyle, className, windowName, style, x, y, width, height, parent, menu,
                       instance, parameter)
               : nullptr;
}

inline LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static auto* bound = Bound<decltype(::DefWindowProcW)>("DefWindowProcW");
  return bound ? bound(window, message, wParam, lParam) : 0;
}

inline BOOL DestroyWindow(HWND window) {
  static auto* bound = Bound<decltype(::DestroyWindow)>("DestroyWindow");
  return bound ? bound(window) : FALSE;
}

inline BOOL IsWindow(HWND window) {
  static auto* bound = Bound<decltype(::IsWindow)>("IsWindow");
  return bound ? bound(window) : FALSE;
}

inline BOOL GetMessageW(MSG* message, HWND window, UINT first, UINT last) {
  static auto* bound = Bound<decltype(::GetMessageW)>("GetMessageW");
  // -1 is the documented error value.
  return bound ? bound(message, window, first, last) : -1;
}

inline BOOL TranslateMessage(const MSG* message) {
  static auto* bound = Bound<decltype(::TranslateMessage)>("TranslateMessage");
  return bound ? bound(message) : FALSE;
}

inline LRESULT DispatchMessageW(const MSG* message) {
  static auto* bound = Bound<decltype(::DispatchMessageW)>("DispatchMessageW");
  return bound ? bound(message) : 0;
}

inline BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static auto* bound = Bound<decltype(::PostMessageW)>("PostMessageW");
  return bound ? bound(window, message, wParam, lParam) : FALSE;
}

inline void PostQuitMessage(int exitCode) {
  static auto* bound = Bound<decltype(::PostQuitMessage)>("PostQuitMessage");
  if (bound) bound(exitCode);
}

inline BOOL DestroyIcon(HICON icon) {
  static auto* bound = Bound<decltype(::DestroyIcon)>("DestroyIcon");
  return bound ? bound(icon) : FALSE;
}

}  // namespace user32
