#pragma once
// The program's command line, split into arguments as CommandLineToArgvW
// splits it, fetched wide so that no code page comes in between.
#include <string>
#include <vector>

// The program's name first, then each argument.
std::vector<std::wstring> WideCommandLineArguments();
