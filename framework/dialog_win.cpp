#include "framework/dialog_win.h"

#include <exception>

#include "framework/trace.h"
#include "framework/winapp_win.h"

namespace {

// A handler's exception, in the trace output (shown in debug mode only). The
// trace may itself fail for want of memory: that is left unsaid.
void TraceCaught(UINT message, const char* what) noexcept {
  try {
    TracePrintf("exception in the handler of message 0x%04X: %s\n", message, what);
  } catch (...) {
  }
}

}  // namespace

CDialog::~CDialog() {
  // A pane whose window outlives its object would call into freed memory.
  if (m_hWnd) {
    ::SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
    ::DestroyWindow(m_hWnd);
  }
}

INT_PTR CDialog::DoModal() {
  // Without a parent the main window owns the dialog, so it is disabled
  // while the dialog is up.
  HWND owner = m_parent ? m_parent->GetSafeHwnd() : nullptr;
  if (!owner && AfxGetMainWnd() && AfxGetMainWnd() != this) owner = AfxGetMainWnd()->GetSafeHwnd();
  m_modal = true;
  return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), owner,
                           DialogProc, reinterpret_cast<LPARAM>(this));
}

bool CDialog::Create(CWnd* parent) {
  m_parent = parent;
  m_modal = false;
  return ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId),
                              parent ? parent->GetSafeHwnd() : nullptr, DialogProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

BOOL CDialog::OnInitDialog() {
  DoDataExchange();
  return TRUE;
}

void CDialog::OnOK() {
  if (m_modal) ::EndDialog(m_hWnd, IDOK);
}

void CDialog::OnCancel() {
  if (m_modal) ::EndDialog(m_hWnd, IDCANCEL);
}

bool CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_INITDIALOG:
      result = OnInitDialog();
      return true;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      // The colour kind (CTLCOLOR_*) is the message's offset in this range.
      HBRUSH brush = OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam),
                                message - WM_CTLCOLORMSGBOX);
      result = reinterpret_cast<LRESULT>(brush);
      return brush != nullptr;
    }
    case WM_TIMER:
      OnTimer(wParam);
      return false;  // the default handling runs for every timer
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result);
    case WM_COMMAND:
      if (OnCommand(LOWORD(wParam), HIWORD(wParam))) return true;
      if (HIWORD(wParam) == BN_CLICKED || lParam == 0) {
        if (LOWORD(wParam) == IDOK) {
          OnOK();
          return true;
        }
        if (LOWORD(wParam) == IDCANCEL) {
          OnCancel();
          return true;
        }
      }
      return false;
    case WM_SYSCOMMAND:
      return OnSysCommand(static_cast<UINT>(wParam), lParam);
    case WM_PAINT:
      return OnPaint();
    case WM_QUERYDRAGICON: {
      HICON icon = OnQueryDragIcon();
      result = reinterpret_cast<LRESULT>(icon);
      return icon != nullptr;
    }
    case WM_DESTROY:
      OnDestroy();
      return false;
    default:
      return false;
  }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CDialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<CDialog*>(lParam);
    self->m_hWnd = hwnd;
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
  } else {
    self = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  }
  if (!self) return FALSE;

  // Nothing may unwind into the system's dispatcher, which cannot pass an
  // exception on. A handler that fails, running out of memory included,
  // leaves its message to the default processing, and the window runs on.
  LRESULT result = 0;
  bool handled = false;
  try {
    handled = self->WindowProc(message, wParam, lParam, result);
  } catch (const std::exception& e) {
    handled = false;
    TraceCaught(message, e.what());
  } catch (...) {
    handled = false;
    TraceCaught(message, "not a standard exception");
  }

  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    self->m_hWnd = nullptr;
    if (AfxGetApp() && AfxGetApp()->m_pMainWnd == self) AfxGetApp()->m_pMainWnd = nullptr;
  }
  if (!handled) return FALSE;

  // These messages take their reply as the procedure's return value; all
  // others take it through DWLP_MSGRESULT.
  if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC)
    return static_cast<INT_PTR>(result);
  switch (message) {
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
      return static_cast<INT_PTR>(result);
    default:
      ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
      return TRUE;
  }
}
