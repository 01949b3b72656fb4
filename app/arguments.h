#pragma once
// The command-line scan: every argument is echoed, and the exact argument
// "-D583" switches debug mode on.
#include <string>
#include <vector>

struct ArgumentScan {
  bool debugMode = false;
  std::string echo;  // the lines written to the standard output the process started with
};

bool IsDebugSwitch(const std::string& argument);

// `arguments` holds the program's name first, then each argument, as
// SplitCommandLine (framework/command_line_split.h) gives them; the name is
// not scanned.
ArgumentScan ScanArguments(const std::vector<std::string>& arguments);
