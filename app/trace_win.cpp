#include <windows.h>

#include <io.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#include "app/trace.h"
#include "framework/text_win.h"

namespace {

// The console's own code page cannot be relied on to show code page 932
// bytes (Wine's console decodes printf output byte by byte), so text bound
// for a console goes through the wide console API instead.
HANDLE ConsoleOf(FILE* stream) {
  int fd = _fileno(stream);
  if (fd < 0) return nullptr;
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  DWORD mode = 0;
  if (handle == INVALID_HANDLE_VALUE || !::GetConsoleMode(handle, &mode)) return nullptr;
  return handle;
}

}  // namespace

void TraceWrite(std::string_view text) {
  if (text.empty()) return;
  if (HANDLE console = ConsoleOf(stdout)) {
    std::fflush(stdout);
    std::wstring wide = Cp932ToWide(text);
    DWORD written = 0;
    ::WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void TracePrintf(const char* format, ...) {
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
