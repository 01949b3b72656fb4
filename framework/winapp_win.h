#pragma once
// CWinApp: the program's entry. The single application object registers
// itself on construction; WinMain calls its InitInstance, whose return value
// (FALSE for a dialog program) ends the process.
#include <atomic>

#include "framework/wnd_win.h"

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual BOOL InitInstance() { return FALSE; }

  // Set while the main window runs; read by the console control thread.
  std::atomic<CWnd*> m_pMainWnd{nullptr};
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
