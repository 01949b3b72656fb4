#include "cli/console_output_win.h"

#include <string>

#include "framework/text_win.h"

namespace {

// Older console hosts fail a WriteConsoleW that is much bigger than this.
constexpr size_t kConsoleChunk = 8192;

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

}  // namespace

ConsoleOutput::ConsoleOutput(DWORD stream, bool cp932)
    : m_handle(::GetStdHandle(stream)), m_console(false), m_cp932(cp932) {
  DWORD mode = 0;
  m_console = m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE &&
              ::GetConsoleMode(m_handle, &mode) != FALSE;
}

bool ConsoleOutput::Write(std::wstring_view text) {
  if (m_handle == nullptr || m_handle == INVALID_HANDLE_VALUE) return false;
  if (m_console) {
    while (!text.empty()) {
      size_t n = text.size() < kConsoleChunk ? text.size() : kConsoleChunk;
      // A surrogate pair stays in one piece.
      if (n < text.size() && IsHighSurrogate(text[n - 1])) --n;
      DWORD written = 0;
      if (!::WriteConsoleW(m_handle, text.data(), static_cast<DWORD>(n), &written, nullptr) ||
          written == 0)
        return false;
      text.remove_prefix(written);
    }
    return true;
  }
  // A character that code page 932 lacks becomes "?", never a look-alike
  // that names another file.
  const std::string bytes = m_cp932 ? WideToCp932Strict(text) : WideToUtf8(text);
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    if (!::WriteFile(m_handle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                     &written, nullptr) ||
        written == 0)
      return false;
    done += written;
  }
  return true;
}
