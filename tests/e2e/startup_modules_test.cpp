// What a plain start of the real Quorlin.exe loads, and what QuorlinCmd.exe
// loads for a command. Shell32 (and with it shcore and shlwapi) is bound on
// first use: the window comes up without it, and the first drive report
// brings it in. QuorlinCmd.exe binds user32 on first use: only watch and
// the report (through shell32) load it.
#include <windows.h>

#include <psapi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

#include "framework/text_win.h"
#include "res/resource.h"
#include "support/launcher.h"
#include "support/list_rows.h"
#include "support/process.h"
#include "support/quorlin_cmd.h"
#include "support/remote_window.h"

namespace {

bool HasModule(HANDLE process, const wchar_t* name) {
  HMODULE modules[512];
  DWORD bytes = 0;
  if (!::EnumProcessModules(process, modules, sizeof(modules), &bytes)) return false;
  for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i) {
    wchar_t base[MAX_PATH] = {};
    if (::GetModuleBaseNameW(process, modules[i], base, MAX_PATH) && _wcsicmp(base, name) == 0)
      return true;
  }
  return false;
}

TEST(StartupModules, ShellIsLoadedOnlyWhenAReportNeedsIt) {
  QuorlinProcess quorlin;
  ASSERT_TRUE(quorlin.Start());
  ASSERT_NE(quorlin.WaitForMainWindow(), nullptr);
  ASSERT_TRUE(HasModule(quorlin.Handle(), L"comctl32.dll"));  // the check itself works
  EXPECT_FALSE(HasModule(quorlin.Handle(), L"shell32.dll"));

  HWND list = quorlin.Control(IDC_DRIVE_LIST);
  ASSERT_NE(list, nullptr);
  ASSERT_TRUE(ClickRowAndWait(list, 0));
  EXPECT_NE(WindowTextOf(quorlin.Control(IDC_REPORT_EDIT)), "");
  EXPECT_TRUE(HasModule(quorlin.Handle(), L"shell32.dll"));
}

// The file names, in lower case, of the DLLs that QuorlinCmd.exe loads
// while running with `arguments`, as a debugger hears of them: a process
// that has ended can no longer be asked.
std::vector<std::wstring> DllsLoadedByQuorlinCmd(const std::wstring& arguments) {
  std::vector<std::wstring> dlls;
  HANDLE nul = InheritableFile(L"NUL");
  ChildProcess cmd;
  const bool started = cmd.Start(QuorlinCmdExePath(), arguments,
                                 {.flags = DEBUG_ONLY_THIS_PROCESS, .out = nul, .err = nul});
  ::CloseHandle(nul);
  if (!started) return dlls;
  for (bool ended = false; !ended;) {
    DEBUG_EVENT event{};
    if (!::WaitForDebugEvent(&event, 20000)) {
      ADD_FAILURE() << "QuorlinCmd " << WideToCp932(arguments) << " hangs";
      ::TerminateProcess(cmd.Process(), 1);
      break;
    }
    DWORD status = DBG_CONTINUE;
    if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT) {
      wchar_t path[MAX_PATH] = {};
      if (::GetFinalPathNameByHandleW(event.u.LoadDll.hFile, path, MAX_PATH, 0)) {
        std::wstring name = std::wcsrchr(path, L'\\') ? std::wcsrchr(path, L'\\') + 1 : path;
        std::transform(name.begin(), name.end(), name.begin(), ::towlower);
        dlls.push_back(name);
      }
      if (event.u.LoadDll.hFile) ::CloseHandle(event.u.LoadDll.hFile);
    } else if (event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT) {
      if (event.u.CreateProcessInfo.hFile) ::CloseHandle(event.u.CreateProcessInfo.hFile);
    } else if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) {
      ended = true;
    } else if (event.dwDebugEventCode == EXCEPTION_DEBUG_EVENT &&
               event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
      status = DBG_EXCEPTION_NOT_HANDLED;
    }
    ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
  }
  return dlls;
}

bool Holds(const std::vector<std::wstring>& dlls, const wchar_t* name) {
  return std::find(dlls.begin(), dlls.end(), name) != dlls.end();
}

TEST(StartupModules, TheConsoleProgramLoadsUser32OnlyForAWindowOrTheShell) {
  // The eject of a letter with no drive, and a command line not understood.
  wchar_t noDrive = L'Q';
  while (::GetLogicalDrives() & (1u << (noDrive - L'A'))) ++noDrive;
  const std::wstring eject = std::wstring(L"eject ") + noDrive + L":";
  for (const std::wstring& arguments :
       {std::wstring(L"list --json"), std::wstring(L"--version"), eject, std::wstring(L"report")}) {
    std::vector<std::wstring> dlls = DllsLoadedByQuorlinCmd(arguments);
    ASSERT_TRUE(Holds(dlls, L"kernelbase.dll"));  // the check itself works
    EXPECT_FALSE(Holds(dlls, L"user32.dll")) << WideToCp932(arguments);
    EXPECT_FALSE(Holds(dlls, L"shell32.dll")) << WideToCp932(arguments);
  }
  // The report's shell query draws an icon: shell32 brings user32 in.
  std::vector<std::wstring> report = DllsLoadedByQuorlinCmd(L"report C:");
  EXPECT_TRUE(Holds(report, L"shell32.dll"));
  EXPECT_TRUE(Holds(report, L"user32.dll"));
}

}  // namespace
