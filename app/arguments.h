#pragma once
// The command-line scan: every argument is echoed, and the exact argument
// "-D583" switches debug mode on.
#include <string>
#include <string_view>
#include <vector>

struct ArgumentScan {
  bool debugMode = false;
  std::string echo;  // the lines written to the standard output the process started with
};

bool IsDebugSwitch(const std::string& argument);

// `arguments` holds the program path first, as the C runtime's argv does.
ArgumentScan ScanArguments(const std::vector<std::string>& arguments);

// Whether a command line holds anything after the program name, as
// CommandLineToArgvW splits it: a program name that starts with a double
// quote runs to the next double quote, any other to the first blank (space
// or tab), and the blanks after it belong to no argument. True exactly when
// the splitter would give more than the program name.
bool CommandLineHasArguments(std::wstring_view commandLine);
