#pragma once
// `watch`: a time-stamped line for every device-change broadcast, until
// Ctrl+C or Ctrl+Break.
#include "cli/console_output_win.h"

// Runs until Ctrl+C or Ctrl+Break (exit code 0) or until a line cannot be
// written (kExitOutput). `json` writes one JSON object per line.
int RunWatch(ConsoleOutput& out, ConsoleOutput& err, bool json);
