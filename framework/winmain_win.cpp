// The process entry. It lives in the executable itself rather than in the
// library, so that the C runtime's startup code finds it at link time.
#include "framework/winapp_win.h"

#include <commctrl.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // The list view and the link control come from common controls 6, which
  // the manifest selects.
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_LINK_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);
  if (!AfxGetApp()) return 1;
  AfxGetApp()->InitInstance();
  return 0;
}
