#include "ui/quorlin_dlg_win.h"

#include <commctrl.h>

#include <algorithm>

#include "framework/program_names.h"
#include "framework/trace.h"
#include "res/resource.h"
#include "ui/about_dlg_win.h"
#include "ui/icon_layout.h"

CQuorlinDlg::CQuorlinDlg(CWnd* parent)
    : CDialog(IDD_QUORLIN_DIALOG, parent),
      m_appIcon(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))) {}

BOOL CQuorlinDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  AppendAboutMenuEntry(*this);

  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_appIcon));
  SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_appIcon));
  SetWindowText(kWindowTitle);

  m_controlPane.Create(this);
  m_controlPane.ShowWindow(SW_SHOW);
  m_logPane.Create(this);
  m_logPane.ShowWindow(SW_SHOW);
  FitPanes();
  return TRUE;
}

// The panes place themselves in dialog units of their own fonts, the drive
// list pane in a monospaced one. Where the fonts' metrics make a pane reach
// past the main window's client area (as with the fonts Wine substitutes),
// the window grows to hold it, keeping its left margin on the right and
// below, rather than cutting off the remove button and the report.
void CQuorlinDlg::FitPanes() {
  RECT client;
  GetClientRect(&client);
  RECT margin{3, 3, 3, 3};
  ::MapDialogRect(m_hWnd, &margin);
  LONG needRight = client.right;
  LONG needBottom = client.bottom;
  for (const CWnd* pane :
       {static_cast<const CWnd*>(&m_controlPane), static_cast<const CWnd*>(&m_logPane)}) {
    if (!pane->GetSafeHwnd()) continue;
    RECT r;
    ::GetWindowRect(pane->GetSafeHwnd(), &r);
    ::MapWindowPoints(HWND_DESKTOP, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    needRight = std::max(needRight, r.right + margin.right);
    needBottom = std::max(needBottom, r.bottom + margin.bottom);
  }
  if (needRight == client.right && needBottom == client.bottom) return;

  // The link keeps its place in the top right corner.
  HWND link = ::GetDlgItem(m_hWnd, IDC_HOME_LINK);
  RECT at;
  if (link && ::GetWindowRect(link, &at)) {
    ::MapWindowPoints(HWND_DESKTOP, m_hWnd, reinterpret_cast<POINT*>(&at), 2);
    ::SetWindowPos(link, nullptr, at.left + needRight - client.right, at.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  RECT frame{0, 0, needRight, needBottom};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_EXSTYLE)));
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CQuorlinDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_DEVICECHANGE) {
    // Traced and logged before the default processing replies to the
    // broadcaster, which waits meanwhile. Pointer-sized values are shown
    // whole on 64-bit builds.
    TracePrintf("WM_DEVICECHANGE wParam=0x%08llx, lParam=0x%08llx\n",
                static_cast<unsigned long long>(wParam),
                static_cast<unsigned long long>(static_cast<ULONG_PTR>(lParam)));
    m_logPane.LogDeviceChange(wParam, lParam);
  }
  return CDialog::WindowProc(message, wParam, lParam, result);
}

bool CQuorlinDlg::OnSysCommand(UINT nID, LPARAM) {
  if ((nID & 0xFFF0) != IDM_ABOUTBOX) return false;  // default processing
  CAboutDlg about;
  about.DoModal();
  return true;
}

bool CQuorlinDlg::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.idFrom != IDC_HOME_LINK || header.code != NM_CLICK) return false;
  OnNMClickHomeLink(&result);
  return true;
}

void CQuorlinDlg::OnNMClickHomeLink(LRESULT* result) {
  OpenHomePage(m_hWnd);
  *result = 0;
}

bool CQuorlinDlg::OnPaint() {
  if (!IsIconic()) return false;  // the dialog paints itself

  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(m_hWnd, &ps);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(&client);
  IconOrigin at = CenteredIconOrigin(client.right - client.left, client.bottom - client.top,
                                     ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON));
  ::DrawIcon(dc, at.x, at.y, m_appIcon);
  ::EndPaint(m_hWnd, &ps);
  return true;
}

HICON CQuorlinDlg::OnQueryDragIcon() { return m_appIcon; }

void CQuorlinDlg::OnDestroy() {
  CDialog::OnDestroy();
  m_controlPane.DestroyWindow();
  m_logPane.DestroyWindow();
}
