// The benchmark's reference: a bare dialog from the same templates as
// Quorlin.exe, with the same two panes created as children of the main
// window, and no work of its own (no enumeration, no timer, no trace, no
// log). What it costs is what any program with these windows costs.
#include <windows.h>

#include <commctrl.h>

#include <initializer_list>

#include "res/resource.h"

namespace {

INT_PTR CALLBACK PaneProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

INT_PTR CALLBACK MainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      HINSTANCE instance = ::GetModuleHandleW(nullptr);
      for (UINT pane : {IDD_CONTROL_PANE, IDD_LOG_PANE}) {
        HWND child = ::CreateDialogParamW(instance, MAKEINTRESOURCEW(pane), hwnd, PaneProc, 0);
        ::ShowWindow(child, SW_SHOW);
      }
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        ::EndDialog(hwnd, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The same common controls as Quorlin.exe registers at its start.
  INITCOMMONCONTROLSEX icc{sizeof(icc),
                           ICC_LISTVIEW_CLASSES | ICC_LINK_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);
  ::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_QUORLIN_DIALOG), nullptr, MainProc, 0);
  return 0;
}
