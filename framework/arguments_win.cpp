#include "framework/arguments_win.h"

#include <windows.h>

#include "framework/shell_win.h"

std::vector<std::wstring> WideCommandLineArguments() {
  std::vector<std::wstring> arguments;
  int count = 0;
  LPWSTR* wide = shell32::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (!wide) return arguments;
  for (int i = 0; i < count; ++i) arguments.emplace_back(wide[i]);
  ::LocalFree(wide);
  return arguments;
}
