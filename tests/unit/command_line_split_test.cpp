// The command line split as CommandLineToArgvW splits it. The Windows-side
// test (tests/win/command_line_test.cpp) holds it against the function
// itself; these cases say the rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/command_line_split.h"

namespace {

using Parts = std::vector<std::wstring>;

TEST(SplitCommandLine, ProgramNameKnowsNoEscapes) {
  EXPECT_EQ(SplitCommandLine(L""), Parts{L""});
  EXPECT_EQ(SplitCommandLine(L"QuorlinCmd.exe \t "), Parts{L"QuorlinCmd.exe"});
  EXPECT_EQ(SplitCommandLine(L"\"C:\\Program Files\\Q.exe\"list"),
            (Parts{L"C:\\Program Files\\Q.exe", L"list"}));
  EXPECT_EQ(SplitCommandLine(L"\"C:\\no end\\Q.exe list"), Parts{L"C:\\no end\\Q.exe list"});
  // A quote in an unquoted name is a letter; the blank still ends the name.
  EXPECT_EQ(SplitCommandLine(L"C:\\a\"b c\"\\Q.exe x"), (Parts{L"C:\\a\"b", L"c\\Q.exe x"}));
  EXPECT_EQ(SplitCommandLine(L" Q.exe"), (Parts{L"", L"Q.exe"}));
}

// The program name follows its own rule: quoted, it runs to the next quote
// whatever follows; unquoted, to the first blank. Only what is left after
// the blanks behind it makes arguments.
TEST(SplitCommandLine, GivesArgumentsOnlyWhenSomethingFollowsTheProgramName) {
  struct Case {
    const wchar_t* line;
    bool hasArguments;
  };
  const Case cases[] = {
      {L"", false},
      {L"Quorlin.exe", false},
      {L"Quorlin.exe \t ", false},
      {L"\"C:\\Program Files\\Quorlin.exe\"", false},
      {L"\"C:\\Program Files\\Quorlin.exe\"  ", false},
      {L"\"C:\\no closing quote\\Quorlin.exe -D583", false},
      {L"Quorlin.exe -D583", true},
      {L"Quorlin.exe\t-D583", true},
      {L"\"C:\\Program Files\\Quorlin.exe\" -D583", true},
      {L"\"C:\\Quorlin.exe\"-D583", true},  // nothing needs to part them
      {L"Quorlin.exe \"\"", true},          // an empty argument is one
      {L" Quorlin.exe", true},              // the name before the blank is empty
  };
  for (const Case& c : cases)
    EXPECT_EQ(SplitCommandLine(c.line).size() > 1, c.hasArguments)
        << testing::PrintToString(c.line);
}

TEST(SplitCommandLine, ArgumentsFollowTheBackslashAndQuoteRules) {
  struct Case {
    const wchar_t* arguments;
    Parts expected;
  };
  const Case cases[] = {
      {L"report  E:\t--json ", {L"report", L"E:", L"--json"}},
      {L"\"a b\" c\"d e\"f", {L"a b", L"cd ef"}},
      {L"\"\" x", {L"", L"x"}},
      {L"a\\\\b \\\\\" c\"", {L"a\\\\b", L"\\ c"}},  // 2n backslashes and a quote
      {L"\\\\\\\"a \\\"", {L"\\\"a", L"\""}},        // 2n + 1 backslashes and a quote
      {L"\"a\"\"b\" c", {L"a\"b c"}},                // a third quote stands, still quoted
      {L"a\"\"\"b c\"", {L"a\"b", L"c"}},
      {L"\"\"\"\"\"\" x", {L"\"\"", L"x"}},
      {L"a\"\"b c", {L"ab", L"c"}},
  };
  for (const Case& c : cases) {
    Parts expected = c.expected;
    expected.insert(expected.begin(), L"Q.exe");
    EXPECT_EQ(SplitCommandLine(std::wstring(L"Q.exe ") + c.arguments), expected)
        << testing::PrintToString(std::wstring(c.arguments));
  }
}

}  // namespace
