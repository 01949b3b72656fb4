// Start-up, the argument echo, the debug console and shut-down of the real
// Quorlin.exe.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/broadcast.h"
#include "support/console.h"
#include "support/process.h"
#include "support/remote_window.h"

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

bool HasLine(const std::vector<std::string>& lines, const std::string& wanted) {
  return std::find(lines.begin(), lines.end(), wanted) != lines.end();
}

// Broadcasts one device change and returns the lines of the program's debug
// console once the banner and the broadcast's two trace lines can be there.
std::vector<std::string> TraceAfterOneBroadcast(const QuorlinProcess& quorlin) {
  BroadcastDeviceChange(0x0007);
  std::vector<std::string> lines;
  WaitUntil([&] {
    lines = ConsoleLines(quorlin.Id());
    return lines.size() >= 4;
  });
  return lines;
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

  std::vector<std::string> lines = TraceAfterOneBroadcast(quorlin);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], kDebugBannerLine);
  EXPECT_EQ(lines[1], "DEBUG_MODE ON");
  EXPECT_TRUE(HasLine(lines, "WM_DEVICECHANGE wParam=0x00000007, lParam=0x00000000"));
  EXPECT_TRUE(
      HasLine(lines, "[wParam:0x0007]DEVNODES_CHANGED：システムのデバイス状態が変化しました"));

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

  std::vector<std::string> shown = TraceAfterOneBroadcast(quorlin);
  const std::vector<std::string> expected = {
      kDebugBannerLine,
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

TEST(Startup, CtrlCInTheDebugConsoleChangesNothing) {
  QuorlinProcess quorlin;
  ASSERT_TRUE(quorlin.Start(L"-D583", DETACHED_PROCESS));
  ASSERT_NE(quorlin.WaitForMainWindow(), nullptr);
  ASSERT_TRUE(WaitUntil([&] { return ConsoleLines(quorlin.Id()).size() >= 2; }));

  // The event goes to every process on the console, this one included while
  // it is attached, which ignores it. (Wine refuses Ctrl+Break for group 0.)
  ::FreeConsole();
  ASSERT_TRUE(::AttachConsole(quorlin.Id()));
  ::SetConsoleCtrlHandler(nullptr, TRUE);
  EXPECT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
  ::FreeConsole();

  EXPECT_FALSE(quorlin.WaitForExit(2000));
  EXPECT_TRUE(Responds(quorlin.MainWindow(), 2000));
  ::PostMessageW(quorlin.MainWindow(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(quorlin.WaitForExit(10000));
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
