// The application object: start-up, the trace output's binding, the debug
// console and shut-down.
#include <windows.h>

#include <string>
#include <vector>

#include "app/arguments.h"
#include "framework/trace.h"
#include "framework/arguments_win.h"
#include "framework/text_win.h"
#include "framework/winapp_win.h"
#include "ui/quorlin_dlg_win.h"

namespace {

// The first trace line of every start, in both modes; only debug mode shows it.
constexpr char kDebugBanner[] = "********** Start Kestrune DEBUG MODE  *******\n";

class CQuorlinApp : public CWinApp {
 public:
  BOOL InitInstance() override;
};

CQuorlinApp theApp;

// The arguments, fetched wide and converted, so they read the same whatever
// the ANSI code page is.
std::vector<std::string> CommandLineArguments() {
  std::vector<std::string> arguments;
  for (const std::wstring& argument : WideCommandLineArguments())
    arguments.push_back(WideToCp932(argument));
  return arguments;
}

// Runs on a thread of the console's own. Every event counts as handled, so
// Ctrl+C and Ctrl+Break in the console do not end the program. Nothing may
// unwind into the system's caller.
BOOL WINAPI ConsoleCtrlHandler(DWORD ctrlType) {
  try {
    if (ctrlType == CTRL_SHUTDOWN_EVENT) {
      if (CWnd* main = AfxGetMainWnd()) ::SendMessageW(main->GetSafeHwnd(), WM_CLOSE, 0, 0);
    }
  } catch (...) {
  }
  return TRUE;
}

BOOL CQuorlinApp::InitInstance() {
  // Echoed to the standard output the process was started with, before it
  // is rebound.
  ArgumentScan scan = ScanArguments(CommandLineArguments());
  TraceWrite(scan.echo);

  BindTraceOutput(scan.debugMode);
  if (scan.debugMode) ::SetConsoleCtrlHandler(ConsoleCtrlHandler, TRUE);
  TraceWrite(kDebugBanner);
  if (scan.debugMode) TraceWrite("DEBUG_MODE ON\n");

  {
    CQuorlinDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    // Cleared also when the window never came to exist.
    m_pMainWnd = nullptr;

    if (scan.debugMode) {
      ::FreeConsole();
      ::Sleep(1000);
    }
  }
  return FALSE;
}

}  // namespace
