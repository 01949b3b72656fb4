#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/command_text.h"

namespace {

TEST(CliTimeout, WhoAndEjectTakeSecondsOthersRefuse) {
  struct Case {
    std::vector<std::string> args;
    std::uint64_t ms;  // 0: refused
  } const cases[] = {
      {{"who", "E:", "--timeout", "30"}, 30000},
      {{"--timeout", "0.5", "eject", "E:"}, 500},
      {{"eject", "--all", "--timeout", "86400"}, 86400000},
      {{"who", "E:", "--timeout", "0.001"}, 1},
      {{"who", "E:", "--timeout", "0"}, 0},
      {{"who", "E:", "--timeout", "0.0001"}, 0},
      {{"who", "E:", "--timeout", "86400.001"}, 0},
      {{"who", "E:", "--timeout", "1."}, 0},
      {{"who", "E:", "--timeout", "-1"}, 0},
      {{"who", "E:", "--timeout", "1e3"}, 0},
      {{"who", "E:", "--timeout"}, 0},
      {{"list", "--timeout", "5"}, 0},
  };
  for (const auto& c : cases) {
    ParsedCommandLine parsed = ParseCommandLine(c.args);
    EXPECT_EQ(parsed.ok, c.ms != 0) << c.args.back();
    EXPECT_EQ(parsed.line.timeoutMs, c.ms) << c.args.back();
  }
  EXPECT_EQ(ParseCommandLine({"list", "--timeout", "5"}).error,
            "QuorlinCmd: list has no --timeout (see QuorlinCmd --help)");
  EXPECT_EQ(ParseCommandLine({"who", "E:", "--timeout", "soon"}).error,
            "QuorlinCmd: --timeout needs seconds from 0.001 to 86400, such as 30, not 'soon' "
            "(see QuorlinCmd --help)");
}

TEST(CliTimeout, AWalkOutOfTimeSaysSoApartFromDeniedAccess) {
  EXPECT_EQ(NotInspectedLines({{}, 3, 2}),
            "1 process could not be inspected; an administrator's console sees more\r\n"
            "2 processes were not inspected: the walk ran out of time (--timeout SECONDS gives "
            "it longer)\r\n");
  EXPECT_EQ(NotInspectedLines({{}, 1, 1}),
            "1 process was not inspected: the walk ran out of time (--timeout SECONDS gives it "
            "longer)\r\n");
  EXPECT_EQ(NotInspectedLines({}), "");
}

}  // namespace
