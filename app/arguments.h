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

// `arguments` holds the program path first, as the C runtime's argv does.
ArgumentScan ScanArguments(const std::vector<std::string>& arguments);
