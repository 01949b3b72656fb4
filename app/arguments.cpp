#include "app/arguments.h"

#include <cstring>

bool IsDebugSwitch(const std::string& argument) {
  // Comparing six bytes takes in the switch's terminating zero, so only the
  // exact text matches: no prefix, no other case, no other lead character.
  return std::strncmp(argument.c_str(), "-D583", 6) == 0;
}

ArgumentScan ScanArguments(const std::vector<std::string>& arguments) {
  ArgumentScan scan;
  for (size_t i = 1; i < arguments.size(); ++i) {
    scan.echo += std::to_string(i);
    scan.echo += "番目の引数=";
    scan.echo += arguments[i];
    scan.echo += '\n';
    if (IsDebugSwitch(arguments[i])) {
      scan.debugMode = true;
      scan.echo += "DEBUGMODE ON\n";
    }
  }
  return scan;
}
