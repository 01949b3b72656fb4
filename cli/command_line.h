#pragma once
// The console program's command line: one command, its drive, and options.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class Command { kHelp, kVersion, kList, kReport, kEject, kWho, kWatch };

struct CommandLine {
  Command command = Command::kHelp;
  char letter = 0;     // 'A'..'Z', for report, eject and who
  bool all = false;    // --all: eject every removable drive (then no letter)
  bool json = false;   // --json: list, report, who and watch
  bool cp932 = false;  // --cp932: code page 932 instead of UTF-8 when redirected
  // --timeout SECONDS: who and eject, the ceiling of the walk of open
  // handles in milliseconds; 0 when not given (scaled to the handles).
  std::uint64_t timeoutMs = 0;
};

// The largest --timeout: a day.
inline constexpr std::uint64_t kMaxTimeoutMs = 24ull * 60 * 60 * 1000;

// SECONDS of --timeout ("30", "0.5", up to three decimals, 0.001 to a day)
// in milliseconds; 0 for anything else.
std::uint64_t ParseTimeoutSeconds(std::string_view text);

struct ParsedCommandLine {
  bool ok = false;
  CommandLine line;
  std::string error;  // when not ok: one line, no line end, code page 932
};

// `arguments` are the ones after the program's name, as code page 932 text.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// A drive as users type it (E, e, E:, e:, E:\) to its upper-case letter;
// 0 for anything else.
char ParseDriveArgument(std::string_view text);
