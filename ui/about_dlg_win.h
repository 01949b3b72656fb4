#pragma once
// The About box, its entry in the main window's system menu, and what the
// two links to the maker's home page do.
#include <string>

#include "framework/dialog_win.h"

class CAboutDlg : public CDialog {
 public:
  CAboutDlg();

 protected:
  void DoDataExchange() override;
  BOOL OnInitDialog() override;
  bool OnNotify(const NMHDR& header, LRESULT& result) override;

 private:
  void OnNMClickHomeLink(LRESULT* result);

  std::string m_versionText;
};

// Appends a separator and the About entry (command IDM_ABOUTBOX) to the
// window's system menu.
void AppendAboutMenuEntry(const CWnd& window);

// Opens the maker's home page, in the user's browser; what the links of the
// main window and of the About box do.
void OpenHomePage(HWND owner);
