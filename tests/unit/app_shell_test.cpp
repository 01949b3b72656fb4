// The command-line scan and the minimised icon's position.
#include <gtest/gtest.h>

#include "app/arguments.h"
#include "ui/icon_layout.h"

namespace {

TEST(ArgumentScan, OnlyTheExactSwitchTurnsDebugModeOn) {
  struct Case {
    const char* argument;
    bool matches;
  };
  const Case cases[] = {
      {"-D583", true},  {"-d583", false}, {"-D5833", false}, {"-D58", false},
      {"/D583", false}, {"D583", false},  {"", false},       {"-D583 ", false},
  };
  for (const Case& c : cases) {
    ArgumentScan scan = ScanArguments({"Quorlin.exe", c.argument});
    EXPECT_EQ(scan.debugMode, c.matches) << c.argument;
    EXPECT_EQ(scan.echo,
              std::string("1番目の引数=") + c.argument + "\n" + (c.matches ? "DEBUGMODE ON\n" : ""))
        << c.argument;
  }
}

TEST(ArgumentScan, EchoesEveryArgumentInOrderAndEveryMatch) {
  ArgumentScan scan = ScanArguments({"Quorlin.exe", "a", "-D583", "b", "-D583"});
  EXPECT_TRUE(scan.debugMode);
  EXPECT_EQ(scan.echo,
            "1番目の引数=a\n2番目の引数=-D583\nDEBUGMODE ON\n3番目の引数=b\n"
            "4番目の引数=-D583\nDEBUGMODE ON\n");
  // The label is code page 932: 番 is 0x94 0xD4.
  EXPECT_EQ(scan.echo.substr(1, 2), "\x94\xD4");
}

TEST(ArgumentScan, NoArgumentsMeansNormalModeAndNoOutput) {
  ArgumentScan scan = ScanArguments({"Quorlin.exe"});
  EXPECT_FALSE(scan.debugMode);
  EXPECT_EQ(scan.echo, "");
  EXPECT_EQ(ScanArguments({}).echo, "");
}

TEST(ArgumentScan, LongArgumentsAreWrittenWhole) {
  std::string longArgument(1000, 'x');
  EXPECT_EQ(ScanArguments({"Quorlin.exe", longArgument}).echo,
            "1番目の引数=" + longArgument + "\n");
}

TEST(IconOrigin, CentresWithDivisionTruncatingTowardZero) {
  struct Case {
    int client;
    int expected;
  };
  const Case cases[] = {{37, 3}, {36, 2}, {35, 2}, {32, 0}, {20, -5}, {0, -15}};
  for (const Case& c : cases) {
    IconOrigin at = CenteredIconOrigin(c.client, c.client, 32, 32);
    EXPECT_EQ(at.x, c.expected) << c.client;
    EXPECT_EQ(at.y, c.expected) << c.client;
  }
  IconOrigin wide = CenteredIconOrigin(100, 20, 32, 32);
  EXPECT_EQ(wide.x, 34);
  EXPECT_EQ(wide.y, -5);
}

}  // namespace
