// Start-up, the argument echo, the debug console and shut-down of the real
// Quorlin.exe.
#include <gtest/gtest.h>

#include "framework/text_win.h"
#include "support/quorlin_process.h"

namespace {

// Runs Quorlin.exe with `arguments` and its standard output in a file,
// closes it and returns what it wrote there.
std::string EchoOf(const std::wstring& arguments) {
  std::wstring out = TempPath(L"echo.txt");
  QuorlinProcess quorlin;
  // Detached, so that a debug console is the program's own.
  EXPECT_TRUE(quorlin.Start(arguments, DETACHED_PROCESS, out));
  EXPECT_NE(quorlin.WaitForMainWindow(), nullptr);
  ::PostMessageW(quorlin.MainWindow(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(quorlin.WaitForExit(10000));
  std::string text = ReadWholeFile(out);
  ::DeleteFileW(out.c_str());
  return text;
}

bool HasRow(const std::vector<std::wstring>& rows, const std::string& cp932) {
  std::wstring wanted = Cp932ToWide(cp932);
  for (const auto& row : rows)
    if (row == wanted) return true;
  return false;
}

TEST(Startup, EchoesArgumentsToTheInheritedOutputAndSwitchesDebugModeOn) {
  EXPECT_EQ(EchoOf(L"a -D583"), "1番目の引数=a\n2番目の引数=-D583\nDEBUGMODE ON\n");
}

TEST(Startup, OnlyTheExactSwitchCountsAndEveryMatchIsEchoed) {
  // In normal mode the banner goes to the null device, so the file holds the
  // argument lines alone.
  EXPECT_EQ(EchoOf(L"-d583 -D5833 -D58 /D583"),
            "1番目の引数=-d583\n2番目の引数=-D5833\n3番目の引数=-D58\n4番目の引数=/D583\n");
  EXPECT_EQ(EchoOf(L"\"-D583\" -D583"),
            "1番目の引数=-D583\nDEBUGMODE ON\n2番目の引数=-D583\nDEBUGMODE ON\n");
  EXPECT_EQ(EchoOf(L""), "");
}

TEST(Startup, DebugConsoleShowsBannerAndTraceLinesReadably) {
  QuorlinProcess quorlin;
  ASSERT_TRUE(quorlin.Start(L"-D583", DETACHED_PROCESS));
  ASSERT_NE(quorlin.WaitForMainWindow(), nullptr);
  BroadcastDeviceChange(0x0007);

  std::vector<std::wstring> rows;
  WaitUntil([&] {
    rows = ConsoleRows(quorlin.Id());
    return rows.size() >= 4;
  });
  ASSERT_GE(rows.size(), 4u);
  EXPECT_EQ(rows[0], L"********** Start Kestrune DEBUG MODE  *******");
  EXPECT_EQ(rows[1], L"DEBUG_MODE ON");
  EXPECT_TRUE(HasRow(rows, "WM_DEVICECHANGE wParam=0x00000007, lParam=0x00000000"));
  EXPECT_TRUE(
      HasRow(rows, "[wParam:0x0007]DEVNODES_CHANGED：システムのデバイス状態が変化しました"));

  // Shut-down releases the console and ends the process after a second.
  ::PostMessageW(quorlin.MainWindow(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(quorlin.WaitForExit(10000));
}

// Started as `Quorlin.exe -D583 > file`: the argument lines go to the file,
// and the banner and every later trace line to the debug console, where the
// Japanese log line must read right.
TEST(Startup, RedirectedOutputKeepsTheArgumentsAndTheConsoleTheTrace) {
  std::wstring out = TempPath(L"redirected.txt");
  QuorlinProcess quorlin;
  ASSERT_TRUE(quorlin.Start(L"-D583", DETACHED_PROCESS, out));
  ASSERT_NE(quorlin.WaitForMainWindow(), nullptr);
  BroadcastDeviceChange(0x0007);

  std::vector<std::wstring> rows;
  WaitUntil([&] {
    rows = ConsoleRows(quorlin.Id());
    return rows.size() >= 4;
  });
  std::vector<std::string> shown;
  for (const std::wstring& row : rows) shown.push_back(WideToCp932(row));
  const std::vector<std::string> expected = {
      "********** Start Kestrune DEBUG MODE  *******",
      "DEBUG_MODE ON",
      "WM_DEVICECHANGE wParam=0x00000007, lParam=0x00000000",
      "[wParam:0x0007]DEVNODES_CHANGED：システムのデバイス状態が変化しました",
  };
  ASSERT_GE(shown.size(), expected.size());
  shown.resize(expected.size());
  EXPECT_EQ(shown, expected);

  ::PostMessageW(quorlin.MainWindow(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(quorlin.WaitForExit(10000));
  EXPECT_EQ(ReadWholeFile(out), "1番目の引数=-D583\nDEBUGMODE ON\n");
  ::DeleteFileW(out.c_str());
}

TEST(Startup, NormalModeOpensNoConsoleAndCloseEndsTheProcess) {
  QuorlinProcess quorlin;
  ASSERT_TRUE(quorlin.Start(L"", DETACHED_PROCESS));
  ASSERT_NE(quorlin.WaitForMainWindow(), nullptr);
  EXPECT_TRUE(ConsoleRows(quorlin.Id()).empty());
  EXPECT_TRUE(::AttachConsole(quorlin.Id()) == FALSE);

  ::PostMessageW(quorlin.MainWindow(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(quorlin.WaitForExit(10000));
}

}  // namespace
