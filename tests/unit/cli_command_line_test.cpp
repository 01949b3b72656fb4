#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Args = std::vector<std::string>;

std::string Describe(const Args& args) {
  std::string text;
  for (const std::string& a : args) text += "[" + a + "]";
  return text;
}

TEST(CliCommandLine, EveryCommandInTheFormsUsersType) {
  struct Case {
    Args args;
    Command command;
    char letter;
    bool json, cp932;
    bool all = false;
  };
  const Case cases[] = {
      {{"list"}, Command::kList, 0, false, false},
      {{"list", "--json"}, Command::kList, 0, true, false},
      {{"--cp932", "--json", "list"}, Command::kList, 0, true, true},
      {{"report", "E:"}, Command::kReport, 'E', false, false},
      {{"report", "e:", "--json"}, Command::kReport, 'E', true, false},
      {{"report", "E"}, Command::kReport, 'E', false, false},
      {{"report", "z"}, Command::kReport, 'Z', false, false},
      {{"report", "A:\\"}, Command::kReport, 'A', false, false},
      {{"eject", "e:\\", "--cp932"}, Command::kEject, 'E', false, true},
      {{"eject", "--all"}, Command::kEject, 0, false, false, true},
      {{"--all", "eject", "--cp932"}, Command::kEject, 0, false, true, true},
      {{"who", "e"}, Command::kWho, 'E', false, false},
      {{"who", "F:\\", "--json"}, Command::kWho, 'F', true, false},
      {{"watch"}, Command::kWatch, 0, false, false},
      {{"watch", "--json", "--json"}, Command::kWatch, 0, true, false},
      {{"--version"}, Command::kVersion, 0, false, false},
      // Help wins over everything else that is well-formed, even a bad word.
      {{"--help"}, Command::kHelp, 0, false, false},
      {{"-h"}, Command::kHelp, 0, false, false},
      {{"/?"}, Command::kHelp, 0, false, false},
      {{"report", "--help"}, Command::kHelp, 0, false, false},
      {{"frob", "--version", "--help"}, Command::kHelp, 0, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Describe(c.args));
    ParsedCommandLine parsed = ParseCommandLine(c.args);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.line.command, c.command);
    EXPECT_EQ(parsed.line.letter, c.letter);
    EXPECT_EQ(parsed.line.json, c.json);
    EXPECT_EQ(parsed.line.cp932, c.cp932);
    EXPECT_EQ(parsed.line.all, c.all);
  }
}

TEST(CliCommandLine, BadInputGetsOneLineNamingWhatIsWrong) {
  struct Case {
    Args args;
    const char* error;
  };
  const Case cases[] = {
      {{}, "QuorlinCmd: no command given: list, report, eject, who or watch (see QuorlinCmd --help)"},
      {{"--json"},
       "QuorlinCmd: no command given: list, report, eject, who or watch (see QuorlinCmd --help)"},
      {{"frob"}, "QuorlinCmd: unknown command 'frob' (see QuorlinCmd --help)"},
      {{"LIST"}, "QuorlinCmd: unknown command 'LIST' (see QuorlinCmd --help)"},
      {{""}, "QuorlinCmd: unknown command '' (see QuorlinCmd --help)"},
      {{"list", "--jsn"}, "QuorlinCmd: unknown option '--jsn' (see QuorlinCmd --help)"},
      {{"-", "list"}, "QuorlinCmd: unknown option '-' (see QuorlinCmd --help)"},
      // An unknown option is not hidden by --help.
      {{"--help", "-x"}, "QuorlinCmd: unknown option '-x' (see QuorlinCmd --help)"},
      {{"report"}, "QuorlinCmd: report needs a drive, such as E: (see QuorlinCmd --help)"},
      {{"eject", "--cp932"}, "QuorlinCmd: eject needs a drive, such as E: (see QuorlinCmd --help)"},
      {{"list", "E:"}, "QuorlinCmd: list takes no argument, not also 'E:' (see QuorlinCmd --help)"},
      {{"watch", "now", "later"},
       "QuorlinCmd: watch takes no argument, not also 'now' (see QuorlinCmd --help)"},
      {{"report", "E:", "F:"},
       "QuorlinCmd: report takes one drive, not also 'F:' (see QuorlinCmd --help)"},
      {{"who"}, "QuorlinCmd: who needs a drive, such as E: (see QuorlinCmd --help)"},
      {{"who", "--all"}, "QuorlinCmd: who has no --all (see QuorlinCmd --help)"},
      {{"eject", "--all", "E:"},
       "QuorlinCmd: eject --all takes no drive, not also 'E:' (see QuorlinCmd --help)"},
      // --except without --all, --media --all and --wait without a number:
      // the end-to-end cases.
      {{"eject", "--all", "--except"},
       "QuorlinCmd: --except needs a drive, such as E: (see QuorlinCmd --help)"},
      {{"eject", "--all", "--except", "1:"},
       "QuorlinCmd: '1:' is not a drive: give a letter A to Z, such as E: (see QuorlinCmd --help)"},
      {{"eject", "--wait", "E:"},
       "QuorlinCmd: --wait needs a whole number of seconds from 0 to 86400, not 'E:' (see "
       "QuorlinCmd --help)"},
      {{"eject", "E:", "--wait", "-5"},
       "QuorlinCmd: --wait needs a whole number of seconds from 0 to 86400, not '-5' (see "
       "QuorlinCmd --help)"},
      {{"who", "E:", "--wait", "5"}, "QuorlinCmd: who has no --wait (see QuorlinCmd --help)"},
      {{"report", "E:", "--media"}, "QuorlinCmd: report has no --media (see QuorlinCmd --help)"},
      {{"list", "--timeout", "5"}, "QuorlinCmd: list has no --timeout (see QuorlinCmd --help)"},
      {{"who", "E:", "--timeout"},
       "QuorlinCmd: --timeout needs seconds from 0.001 to 86400, such as 30, not nothing (see "
       "QuorlinCmd --help)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Describe(c.args));
    ParsedCommandLine parsed = ParseCommandLine(c.args);
    EXPECT_FALSE(parsed.ok);
    EXPECT_EQ(parsed.error, c.error);
  }
}

TEST(CliCommandLine, EjectsMediaExceptionsWaitAndTimeout) {
  ParsedCommandLine parsed =
      ParseCommandLine({"eject", "--all", "--except", "f", "--wait", "0", "--except", "G:\\",
                        "--except", "F:", "--json", "--timeout", "0.5"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_TRUE(parsed.line.all && parsed.line.json);
  EXPECT_EQ(parsed.line.except, "FG");
  EXPECT_EQ(parsed.line.timeoutMs, 500u);
  parsed = ParseCommandLine({"--timeout", "30", "eject", "--media", "e:", "--wait", "86400"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_TRUE(parsed.line.media && parsed.line.letter == 'E' && parsed.line.timeoutMs == 30000);
  EXPECT_EQ(parsed.line.waitSeconds, 86400);
}

TEST(CliCommandLine, TimeoutIsSecondsWithUpToThreeDecimalsUpToADay) {
  const std::pair<const char*, std::uint64_t> cases[] = {
      {"30", 30000}, {"0.5", 500},     {"86400", 86400000}, {"0.001", 1}, {"0", 0},
      {"0.0001", 0}, {"86400.001", 0}, {"1.", 0},           {"-1", 0},    {"1e3", 0}};
  for (const auto& [text, ms] : cases) EXPECT_EQ(ParseTimeoutSeconds(text), ms) << text;
}

TEST(CliCommandLine, AFailureKeepsTheOptionsSoItsLineIsWrittenAsAsked) {
  for (const Args& args : {Args{"eject", "1:", "--cp932"}, Args{"--bad", "list", "--cp932"},
                           Args{"--cp932", "frob"}}) {
    SCOPED_TRACE(Describe(args));
    ParsedCommandLine parsed = ParseCommandLine(args);
    EXPECT_FALSE(parsed.ok);
    EXPECT_TRUE(parsed.line.cp932);
  }
  EXPECT_FALSE(ParseCommandLine({"eject", "1:"}).line.cp932);
}

TEST(CliCommandLine, OnlyOneAsciiLetterWithAnOptionalColonAndBackslashIsADrive) {
  const std::string rejected[] = {
      "",
      ":",
      "1:",
      "AB:",
      "E::",
      "E:/",
      "E\\",
      "E: ",
      " E:",
      "@:",  // the neighbours of the letters, which masking bit 0x20 would fold
      "[:",
      "`:",
      "{:",
      // What a console may hand in for é: after the strict conversion to code
      // page 932 ("?"), its code page 1252 byte, its UTF-8 bytes; and the
      // full-width Ｅ in code page 932.
      "?:",
      "\xE9:",
      "\xC3\xA9:",
      "\x82\x64:",
      std::string("E\0:", 3),
  };
  for (const std::string& drive : rejected) {
    SCOPED_TRACE(Describe({drive}));
    EXPECT_EQ(ParseDriveArgument(drive), 0);
    ParsedCommandLine parsed = ParseCommandLine({"eject", drive});
    EXPECT_FALSE(parsed.ok);
    EXPECT_NE(parsed.error.find(" is not a drive: give a letter A to Z, such as E:"),
              std::string::npos)
        << parsed.error;
  }
  for (char c = 'A'; c <= 'Z'; ++c) {
    const char lower = static_cast<char>(c - 'A' + 'a');
    for (const std::string& form :
         {std::string{c}, std::string{lower, ':'}, std::string{c, ':', '\\'}})
      EXPECT_EQ(ParseDriveArgument(form), c) << form;
  }
}

TEST(CliCommandLine, ArgumentsInErrorsStayOnOneLineAndShort) {
  ParsedCommandLine parsed = ParseCommandLine({"report", "E:\r\nF:"});
  EXPECT_EQ(parsed.error,
            "QuorlinCmd: 'E:\\x0D\\x0AF:' is not a drive: give a letter A to Z, such as E: (see "
            "QuorlinCmd --help)");

  // Cut after 40 bytes, never inside a double-byte character: 39 ASCII
  // bytes and the lead byte of 表 would be the 40th.
  const std::string hyoo = "表";
  parsed = ParseCommandLine({std::string(39, 'x') + hyoo + "yz"});
  EXPECT_EQ(parsed.error, "QuorlinCmd: unknown command '" + std::string(39, 'x') +
                              "...' (see QuorlinCmd --help)");
  parsed = ParseCommandLine({std::string(38, 'x') + hyoo + "yz"});
  EXPECT_EQ(parsed.error, "QuorlinCmd: unknown command '" + std::string(38, 'x') + hyoo +
                              "...' (see QuorlinCmd --help)");
  parsed = ParseCommandLine({std::string(100000, '-')});
  EXPECT_LT(parsed.error.size(), 100u);
  // Escapes count towards the 40 bytes shown.
  parsed = ParseCommandLine({"list", std::string(30, '\x05')});
  EXPECT_EQ(parsed.error, "QuorlinCmd: list takes no argument, not also '" +
                              std::string("\\x05\\x05\\x05\\x05\\x05\\x05\\x05\\x05\\x05\\x05") +
                              "...' (see QuorlinCmd --help)");
}

}  // namespace
