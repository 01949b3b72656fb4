#pragma once
// The trace output: the process's standard output, rebound at start-up to
// the debug console or to the null device. Every trace line of the program
// goes through here, unconditionally; whether it is seen was decided by the
// binding.
#include <string_view>

// Writes code page 932 text as it stands (no newline is added).
void TraceWrite(std::string_view text);

// printf-style formatting into the trace output.
void TracePrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// True while the trace output is the null device of normal mode, where a
// line would show nowhere: writers may then skip the work.
bool TraceIsDiscarded();

// Rebinds standard output and input: to a new console window when
// `debugConsole` is set, to the null device otherwise. Before this call the
// trace output is the standard output the process was started with.
void BindTraceOutput(bool debugConsole);
