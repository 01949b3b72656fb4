#pragma once
// The About box, its entry in the main window's system menu, and the handler
// of the two links to the maker's home page.
#include <string>

#include "framework/dialog_win.h"

class CAboutDlg : public CDialog {
 public:
  CAboutDlg();

 protected:
  BOOL OnInitDialog() override;
  bool OnNotify(const NMHDR& header, LRESULT& result) override;

 private:
  std::string m_versionText;
};

// Appends a separator and the About entry (command IDM_ABOUTBOX) to the
// window's system menu.
void AppendAboutMenuEntry(const CWnd& window);

// Opens the maker's home page; serves the links of the main window and of
// the About box alike.
void OnNMClickHomeLink(HWND owner, LRESULT* result);
