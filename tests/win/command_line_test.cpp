// The check that lets a start without arguments skip the command-line
// splitter, against the splitter itself: it must find arguments exactly
// when CommandLineToArgvW gives more than the program name.
#include <windows.h>

#include <shellapi.h>
#include <gtest/gtest.h>

#include "app/arguments.h"
#include "framework/text_win.h"

namespace {

TEST(CommandLine, HasArgumentsExactlyWhenTheSplitterFindsThem) {
  const wchar_t* lines[] = {
      L"",
      L"Quorlin.exe",
      L"Quorlin.exe ",
      L"Quorlin.exe\t",
      L"Quorlin.exe \t  ",
      L"Quorlin.exe -D583",
      L"Quorlin.exe\t-D583",
      L"Quorlin.exe  a b",
      L"\"C:\\Program Files\\Quorlin\\Quorlin.exe\"",
      L"\"C:\\Program Files\\Quorlin\\Quorlin.exe\"   ",
      L"\"C:\\Program Files\\Quorlin\\Quorlin.exe\" -D583",
      L"\"C:\\Quorlin.exe\"-D583",
      L"\"C:\\Quorlin.exe\"\"\"",
      L"\"C:\\no closing quote\\Quorlin.exe -D583",
      L"\"\"",
      L"\"\" a",
      L"Quorlin.exe \"\"",
      L"Quorlin.exe \"",
      L" Quorlin.exe",
      L"\tQuorlin.exe",
      L"C:\\dir\\\"quoted\"\\Quorlin.exe",
      L"C:\\dir\\\"quoted part\"\\Quorlin.exe",
      L"Quorlin.exe\x3000-D583",  // an ideographic space is no blank
      L"クオーリン.exe -D583",
  };
  for (const wchar_t* line : lines) {
    int count = 0;
    LPWSTR* argv = ::CommandLineToArgvW(line, &count);
    ASSERT_NE(argv, nullptr);
    ::LocalFree(argv);
    EXPECT_EQ(CommandLineHasArguments(line), count > 1)
        << WideToCp932(line) << " splits into " << count;
  }
}

}  // namespace
