#pragma once
// Reading a console's screen: the test's own, or another process's.
#include <windows.h>

#include <string>
#include <vector>

// The rows of a console screen up to the cursor's, right blanks trimmed;
// empty when `screen` is not one.
std::vector<std::wstring> ScreenRows(HANDLE screen);
// The screen of process `pid`'s console, one string per row up to the
// cursor, right blanks trimmed; empty when the process has no console.
std::vector<std::wstring> ConsoleRows(DWORD pid);
// The console's non-blank rows (the cursor row is blank), as code page 932.
std::vector<std::string> ConsoleLines(DWORD pid);
