#include "ui/about_dlg_win.h"

#include <commctrl.h>
#include "framework/shell_win.h"
#include "framework/text_win.h"
#include "res/resource.h"
#include "framework/version_text.h"
#include "framework/version_text_win.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

// The version line's control shows m_versionText, whenever the two are
// exchanged: first by CDialog::OnInitDialog, while it is still empty.
void CAboutDlg::DoDataExchange() { GetDlgItem(IDC_VERSION_TEXT).SetWindowText(m_versionText); }

BOOL CAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_versionText = FormatAboutVersionLine(GetVersionText());
  DoDataExchange();
  return TRUE;
}

bool CAboutDlg::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.idFrom != IDC_HOME_LINK || header.code != NM_CLICK) return false;
  OnNMClickHomeLink(&result);
  return true;
}

void CAboutDlg::OnNMClickHomeLink(LRESULT* result) {
  OpenHomePage(m_hWnd);
  *result = 0;
}

void AppendAboutMenuEntry(const CWnd& window) {
  HMENU menu = window.GetSystemMenu(false);
  if (!menu) return;
  // LoadStringW with a zero length hands back a pointer into the resource.
  const wchar_t* text = nullptr;
  int length =
      ::LoadStringW(::GetModuleHandleW(nullptr), IDS_ABOUTBOX, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || !text) return;
  std::wstring entry(text, static_cast<size_t>(length));
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, entry.c_str());
}

void OpenHomePage(HWND owner) {
  shell32::ShellExecuteA(owner, "open", QUORLIN_HOME_URL "/toppage/", nullptr, nullptr,
                         SW_SHOWNORMAL);
}
