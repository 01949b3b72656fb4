#pragma once
// The user32 functions that the console program's code calls, bound on
// first use. Under Wine a console program that merely imports user32 takes
// almost twice as long to start, and of QuorlinCmd's commands only watch
// needs a window. Each behaves as the function of the same name; should
// user32 not load, each fails as that function does.
#include <windows.h>

namespace user32 {

ATOM RegisterClassW(const WNDCLASSW* windowClass);
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID parameter);
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
BOOL GetMessageW(MSG* message, HWND window, UINT first, UINT last);
BOOL TranslateMessage(const MSG* message);
LRESULT DispatchMessageW(const MSG* message);
BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
BOOL DestroyIcon(HICON icon);

}  // namespace user32
