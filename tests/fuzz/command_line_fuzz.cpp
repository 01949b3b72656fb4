// The console program's command line from arbitrary input: the bytes split
// at each NUL into the arguments after the program's name.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/split_arguments.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> arguments;
  SplitArguments(data, size, arguments);

  const ParsedCommandLine parsed = ParseCommandLine(arguments);
  if (!parsed.ok) {
    // One short line that names the program, without a control character,
    // whatever was typed.
    FUZZ_CHECK(parsed.error.rfind("QuorlinCmd: ", 0) == 0);
    FUZZ_CHECK(parsed.error.size() < 160);
    for (unsigned char c : parsed.error) FUZZ_CHECK(c >= 0x20 && c != 0x7F);
    return 0;
  }
  FUZZ_CHECK(parsed.error.empty());
  const Command command = parsed.line.command;
  // --all stands in for the drive, with eject only (help and the version
  // take any options along).
  FUZZ_CHECK(!parsed.line.all || command == Command::kEject || command == Command::kHelp ||
             command == Command::kVersion);
  const bool takesDrive = command == Command::kReport || command == Command::kWho ||
                          (command == Command::kEject && !parsed.line.all);
  FUZZ_CHECK(takesDrive ? parsed.line.letter >= 'A' && parsed.line.letter <= 'Z'
                        : parsed.line.letter == 0);
  // The eject forms (help and the version take any options along): --media
  // takes one drive, --except goes with --all only, and the wait and the
  // walk's ceiling stay within their bounds.
  if (command != Command::kHelp && command != Command::kVersion) {
    FUZZ_CHECK(!parsed.line.media || (command == Command::kEject && !parsed.line.all));
    FUZZ_CHECK(parsed.line.except.empty() || (command == Command::kEject && parsed.line.all));
    FUZZ_CHECK(parsed.line.waitSeconds == 0 || command == Command::kEject);
  }
  FUZZ_CHECK(parsed.line.waitSeconds >= 0 && parsed.line.waitSeconds <= kMaxWaitSeconds);
  FUZZ_CHECK(parsed.line.timeoutMs <= kMaxTimeoutMs);
  // A drive that passed is one that the drive argument alone accepts.
  if (takesDrive) {
    bool found = false;
    for (const std::string& argument : arguments)
      found = found || ParseDriveArgument(argument) == parsed.line.letter;
    FUZZ_CHECK(found);
  }
  return 0;
}
