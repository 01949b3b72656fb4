#include "cli/command_line.h"

#include <cstdio>

#include "drives/drive_types.h"
#include "framework/cp932.h"

namespace {

// An argument as an error line shows it: quoted, control characters as
// \xNN so that the line stays one line, and cut after 40 bytes of that.
std::string Quoted(std::string_view argument) {
  constexpr size_t kShown = 40;
  std::string escaped;
  for (unsigned char c : argument) {
    if (escaped.size() > kShown) break;
    if (c < 0x20 || c == 0x7F) {
      char code[8];
      std::snprintf(code, sizeof code, "\\x%02X", c);
      escaped += code;
    } else {
      escaped += static_cast<char>(c);
    }
  }
  const size_t keep = Cp932FittingPrefix(escaped, kShown);
  std::string quoted = "'";
  quoted.append(escaped, 0, keep);
  quoted += keep < escaped.size() ? "...'" : "'";
  return quoted;
}

// The options stay with a failure, so that its line is written as asked
// (--cp932).
ParsedCommandLine Failure(const CommandLine& line, const std::string& what) {
  ParsedCommandLine parsed;
  parsed.line = line;
  parsed.error = "QuorlinCmd: " + what + " (see QuorlinCmd --help)";
  return parsed;
}

bool CommandOf(std::string_view name, Command* command) {
  struct Name {
    const char* text;
    Command command;
  };
  static constexpr Name kCommands[] = {
      {"list", Command::kList}, {"report", Command::kReport}, {"eject", Command::kEject},
      {"who", Command::kWho},   {"watch", Command::kWatch},
  };
  for (const Name& entry : kCommands) {
    if (name == entry.text) {
      *command = entry.command;
      return true;
    }
  }
  return false;
}

}  // namespace

char ParseDriveArgument(std::string_view text) {
  if (text.empty() || text.size() > 3) return 0;
  char letter = FoldDriveLetter(static_cast<unsigned char>(text[0]));
  if (letter == 0) return 0;
  std::string_view rest = text.substr(1);
  return rest.empty() || rest == ":" || rest == ":\\" ? letter : 0;
}

std::uint64_t ParseTimeoutSeconds(std::string_view text) {
  std::uint64_t ms = 0;
  size_t i = 0, digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
    if (digits >= 6) return 0;  // past a day already
    ms = ms * 10 + static_cast<unsigned>(text[i] - '0');
  }
  if (digits == 0) return 0;
  ms *= 1000;
  if (i < text.size() && text[i] == '.') {
    if (i + 1 == text.size()) return 0;
    std::uint64_t scale = 100;
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9' && scale > 0; ++i, scale /= 10)
      ms += scale * static_cast<unsigned>(text[i] - '0');
  }
  return i == text.size() && ms <= kMaxTimeoutMs ? ms : 0;
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  bool help = false, version = false;
  CommandLine line;
  std::vector<std::string_view> words;
  const std::string* unknown = nullptr;
  // The options that take a value, with the value left out when it is missing.
  std::vector<std::string_view> excepts;
  const std::string* wait = nullptr;
  const std::string* timeout = nullptr;
  bool waitMissing = false, exceptMissing = false, timeoutGiven = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--help" || argument == "-h" || argument == "/?") {
      help = true;
    } else if (argument == "--version") {
      version = true;
    } else if (argument == "--json") {
      line.json = true;
    } else if (argument == "--cp932") {
      line.cp932 = true;
    } else if (argument == "--all") {
      line.all = true;
    } else if (argument == "--media") {
      line.media = true;
    } else if (argument == "--except" || argument == "--wait" || argument == "--timeout") {
      const bool hasValue = i + 1 < arguments.size();
      if (argument == "--timeout") {
        timeoutGiven = true;
        if (hasValue) timeout = &arguments[i + 1];
      } else if (argument == "--wait") {
        waitMissing = waitMissing || !hasValue;
        if (hasValue) wait = &arguments[i + 1];
      } else {
        exceptMissing = exceptMissing || !hasValue;
        if (hasValue) excepts.push_back(arguments[i + 1]);
      }
      i += hasValue ? 1 : 0;
    } else if (!argument.empty() && argument[0] == '-') {
      if (!unknown) unknown = &argument;
    } else {
      words.push_back(argument);
    }
  }
  if (unknown) return Failure(line, "unknown option " + Quoted(*unknown));
  if (help || version) {
    line.command = help ? Command::kHelp : Command::kVersion;
    return {true, line, {}};
  }

  if (words.empty()) return Failure(line, "no command given: list, report, eject, who or watch");
  if (!CommandOf(words[0], &line.command))
    return Failure(line, "unknown command " + Quoted(words[0]));
  const std::string name(words[0]);
  if (line.all && line.command != Command::kEject) return Failure(line, name + " has no --all");
  const bool eject = line.command == Command::kEject;
  if (!eject && (line.media || !excepts.empty() || exceptMissing || wait || waitMissing)) {
    const char* option = line.media                          ? "--media"
                         : !excepts.empty() || exceptMissing ? "--except"
                                                             : "--wait";
    return Failure(line, name + " has no " + option);
  }
  if (line.media && line.all) return Failure(line, "eject --media takes one drive, not --all");
  if ((!excepts.empty() || exceptMissing) && !line.all)
    return Failure(line, "eject --except goes with --all");
  if (exceptMissing) return Failure(line, "--except needs a drive, such as E:");
  for (std::string_view drive : excepts) {
    const char letter = ParseDriveArgument(drive);
    if (letter == 0)
      return Failure(line, Quoted(drive) + " is not a drive: give a letter A to Z, such as E:");
    if (line.except.find(letter) == std::string::npos) line.except += letter;
  }
  if (waitMissing) return Failure(line, "--wait needs a number of seconds, such as --wait 30");
  if (wait) {
    // Digits only: no sign, no blank, no fraction.
    const bool digits = !wait->empty() && wait->size() <= 6 &&
                        wait->find_first_not_of("0123456789") == std::string::npos;
    line.waitSeconds = digits ? std::stoi(*wait) : -1;
    if (line.waitSeconds < 0 || line.waitSeconds > kMaxWaitSeconds)
      return Failure(line, "--wait needs a whole number of seconds from 0 to " +
                               std::to_string(kMaxWaitSeconds) + ", not " + Quoted(*wait));
  }
  // eject --all stands for every removable drive, in place of one.
  const bool takesDrive = line.command == Command::kReport || line.command == Command::kWho ||
                          (line.command == Command::kEject && !line.all);
  const size_t expected = takesDrive ? 2 : 1;
  if (line.all && words.size() > 1)
    return Failure(line, "eject --all takes no drive, not also " + Quoted(words[1]));
  if (words.size() > expected)
    return Failure(line, name + " takes " + (takesDrive ? "one drive" : "no argument") +
                             ", not also " + Quoted(words[expected]));
  if (takesDrive) {
    if (words.size() < 2) return Failure(line, name + " needs a drive, such as E:");
    line.letter = ParseDriveArgument(words[1]);
    if (line.letter == 0)
      return Failure(line, Quoted(words[1]) + " is not a drive: give a letter A to Z, such as E:");
  }
  if (timeoutGiven) {
    // Only who and eject walk the open handles.
    if (line.command != Command::kWho && line.command != Command::kEject)
      return Failure(line, name + " has no --timeout");
    line.timeoutMs = timeout ? ParseTimeoutSeconds(*timeout) : 0;
    if (line.timeoutMs == 0)
      return Failure(line, "--timeout needs seconds from 0.001 to 86400, such as 30, not " +
                               (timeout ? Quoted(*timeout) : std::string("nothing")));
  }
  return {true, line, {}};
}
