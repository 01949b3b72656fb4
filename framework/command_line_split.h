#pragma once
// A command line split into the program's name and its arguments by the
// rules of CommandLineToArgvW, without the shell DLLs that the function
// lives in: under Wine, loading them (with user32, which they import) costs
// a console program as much again as its whole start.
#include <string>
#include <string_view>
#include <vector>

// The program's name first, then each argument. An empty command line gives
// one empty name (CommandLineToArgvW would put the program's path there).
std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine);
