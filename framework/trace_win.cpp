#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#include "framework/trace.h"
#include "framework/text_win.h"

// The trace output is kept as the process's standard output handle rather
// than the C runtime's stdout stream: a windowed program started without
// standard handles has a stdout that cannot be reopened (freopen fails on
// it under Wine), and a handle lets console output go through the wide
// console API.

namespace {

HANDLE OpenDevice(const wchar_t* name, DWORD access) {
  return ::CreateFileW(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                       nullptr);
}

// The null device that normal mode binds the trace output to. A write there
// shows nowhere, yet under Wine the console check before it costs a round
// trip to the server, twice per broadcast; so while the trace output is this
// handle, lines are neither formatted nor written.
HANDLE g_nullSink = nullptr;

bool IsDiscarded(HANDLE out) { return g_nullSink && out == g_nullSink; }

}  // namespace

bool TraceIsDiscarded() { return IsDiscarded(::GetStdHandle(STD_OUTPUT_HANDLE)); }

void TraceWrite(std::string_view text) {
  HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (text.empty() || !out || out == INVALID_HANDLE_VALUE || IsDiscarded(out)) return;
  DWORD written = 0;
  DWORD mode = 0;
  if (::GetConsoleMode(out, &mode)) {
    // A console decodes narrow output in its own code page; Wine's even byte
    // by byte. The wide call shows code page 932 text as it is meant.
    std::wstring wide = Cp932ToWide(text);
    ::WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  ::WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void TracePrintf(const char* format, ...) {
  if (TraceIsDiscarded()) return;
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (n > 0) {
    std::string text(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(n));
    TraceWrite(text);
  }
  va_end(args);
}

void BindTraceOutput(bool debugConsole) {
  // Nothing here is checked: a binding that fails loses trace lines
  // silently and the program runs on.
  if (debugConsole) ::AllocConsole();

  // The C runtime's streams are kept in step, where they can be reopened.
  // That comes before the handles are set: reopening stdout makes Wine's
  // runtime install its own handle as the standard output, a write-only one
  // on which GetConsoleMode fails, so trace lines would reach the console as
  // raw code page 932 bytes, decoded in whatever code page it has. (Where
  // the process started without a standard output the reopen fails and
  // changed nothing, which is why only a redirected start showed it.)
  std::fflush(stdout);
  std::freopen(debugConsole ? "CONOUT$" : "NUL", "w", stdout);
  std::freopen(debugConsole ? "CONIN$" : "NUL", "r", stdin);

  HANDLE out = nullptr;
  HANDLE in = nullptr;
  if (debugConsole) {
    out = OpenDevice(L"CONOUT$", GENERIC_READ | GENERIC_WRITE);
    in = OpenDevice(L"CONIN$", GENERIC_READ | GENERIC_WRITE);
  } else {
    out = OpenDevice(L"NUL", GENERIC_WRITE);
    in = OpenDevice(L"NUL", GENERIC_READ);
  }
  ::SetStdHandle(STD_OUTPUT_HANDLE, out);
  ::SetStdHandle(STD_INPUT_HANDLE, in);
  // In normal mode the handle bound now is the null device.
  if (!debugConsole && out != INVALID_HANDLE_VALUE) g_nullSink = out;
}
