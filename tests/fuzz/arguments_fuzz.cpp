// The argument scan from arbitrary input: the bytes split at each NUL into
// the arguments after the program path, as the C runtime hands them over.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/arguments.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/split_arguments.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> arguments = {"Quorlin.exe"};
  SplitArguments(data, size, arguments);

  const ArgumentScan scan = ScanArguments(arguments);

  // Every argument gets its line, whole and in order, followed by the mode
  // line exactly when it is the switch; nothing else is written.
  bool anySwitch = false;
  size_t at = 0;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const bool isSwitch = arguments[i] == "-D583";
    FUZZ_CHECK(IsDebugSwitch(arguments[i]) == isSwitch);
    anySwitch = anySwitch || isSwitch;
    const std::string number = std::to_string(i);
    for (const std::string_view part :
         {std::string_view(number), std::string_view("番目の引数="), std::string_view(arguments[i]),
          std::string_view("\n"), std::string_view(isSwitch ? "DEBUGMODE ON\n" : "")}) {
      FUZZ_CHECK(std::string_view(scan.echo).substr(at, part.size()) == part);
      at += part.size();
    }
  }
  FUZZ_CHECK(at == scan.echo.size());
  FUZZ_CHECK(scan.debugMode == anySwitch);
  return 0;
}
