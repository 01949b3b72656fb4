#include "framework/arguments_win.h"

#include <windows.h>

#include "framework/command_line_split.h"

std::vector<std::wstring> WideCommandLineArguments() {
  return SplitCommandLine(::GetCommandLineW());
}
