// The program's own command-line splitter against CommandLineToArgvW: it
// must find arguments exactly when CommandLineToArgvW gives more than the
// program name, and split them the same.
#include <windows.h>

#include <shellapi.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/command_line_split.h"
#include "framework/text_win.h"

namespace {

// What CommandLineToArgvW makes of `line`.
std::vector<std::wstring> ShellSplit(const std::wstring& line) {
  int count = 0;
  LPWSTR* argv = ::CommandLineToArgvW(line.c_str(), &count);
  std::vector<std::wstring> parts(argv, argv ? argv + count : argv);
  ::LocalFree(argv);
  return parts;
}

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
    EXPECT_EQ(SplitCommandLine(line).size() > 1, count > 1)
        << WideToCp932(line) << " splits into " << count;
    // The name of an empty line is the program's path there.
    if (*line) {
      EXPECT_EQ(SplitCommandLine(line), ShellSplit(line)) << WideToCp932(line);
    }
  }
}

// Every line of up to seven characters drawn from a letter, the two blanks,
// the double quote and the backslash: each rule and each way they meet.
TEST(CommandLine, SplitsEveryShortLineAsCommandLineToArgvW) {
  const wchar_t alphabet[] = L"a \t\"\\";
  std::wstring line;
  int mismatches = 0;
  auto visit = [&](auto&& self, size_t length) -> void {
    if (!line.empty() && SplitCommandLine(line) != ShellSplit(line) && ++mismatches <= 5)
      ADD_FAILURE() << "splits otherwise: [" << WideToCp932(line) << "]";
    if (length == 7) return;
    for (size_t k = 0; k + 1 < std::size(alphabet); ++k) {
      line.push_back(alphabet[k]);
      self(self, length + 1);
      line.pop_back();
    }
  };
  visit(visit, 0);
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
