#pragma once
// The console program's command line: one command, its drive, and options.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class Command { kHelp, kVersion, kList, kReport, kEject, kWho, kWatch };

struct CommandLine {
  Command command = Command::kHelp;
  char letter = 0;      // 'A'..'Z', for report, eject and who
  bool all = false;     // --all: eject every removable drive (then no letter)
  bool media = false;   // --media: eject the drive's medium and keep its device
  std::string except;   // --except X: (for eject --all), the letters in the order given
  int waitSeconds = 0;  // --wait SECONDS: how long a refused eject is asked again
  bool json = false;    // --json: every command but --help and --version
  bool cp932 = false;   // --cp932: code page 932 instead of UTF-8 when redirected
  // --timeout SECONDS: who and eject, the ceiling of each walk of open
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

// The longest --wait: a day.
inline constexpr int kMaxWaitSeconds = 86400;

// A drive as users type it (E, e, E:, e:, E:\) to its upper-case letter;
// 0 for anything else.
char ParseDriveArgument(std::string_view text);
