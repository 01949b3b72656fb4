#include "ui/about_dlg_win.h"

#include <commctrl.h>
#include "framework/shell_win.h"
#include "framework/text_win.h"
#include "res/resource.h"
#include "ui/version_text.h"
#include "ui/version_text_win.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  GetDlgItem(IDC_VERSION_TEXT).SetWindowText(m_versionText);
  m_versionText = FormatAboutVersionLine(GetVersionText());
  GetDlgItem(IDC_VERSION_TEXT).SetWindowText(m_versionText);
  return TRUE;
}

bool CAboutDlg::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.idFrom != IDC_HOME_LINK || header.code != NM_CLICK) return false;
  OnNMClickHomeLink(m_hWnd, &result);
  return true;
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

void OnNMClickHomeLink(HWND owner, LRESULT* result) {
  shell32::ShellExecuteA(owner, "open", QUORLIN_HOME_URL "/toppage/", nullptr, nullptr,
                         SW_SHOWNORMAL);
  *result = 0;
}
