#pragma once
// The console program's standard output and standard error. A console gets
// UTF-16 through WriteConsoleW, which reads right whatever its code page; a
// file or a pipe gets UTF-8 without a byte order mark, or code page 932
// bytes for older tools.
#include <windows.h>

#include <string_view>

class ConsoleOutput {
 public:
  // `stream` is STD_OUTPUT_HANDLE or STD_ERROR_HANDLE; `cp932` chooses code
  // page 932 over UTF-8 when the stream is not a console.
  ConsoleOutput(DWORD stream, bool cp932);

  // Writes all of `text`, at once where it can; false when it could not.
  bool Write(std::wstring_view text);

 private:
  HANDLE m_handle;
  bool m_console;
  bool m_cp932;
};
