// What a plain start of the real Quorlin.exe loads. Shell32 (and with it
// shcore and shlwapi) is bound on first use: the window comes up without
// it, and the first drive report brings it in.
#include <windows.h>

#include <psapi.h>
#include <gtest/gtest.h>

#include <cwchar>

#include "res/resource.h"
#include "support/list_rows.h"
#include "support/process.h"
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

}  // namespace
