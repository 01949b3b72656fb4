#include "support/console.h"

#include "framework/text_win.h"

std::vector<std::wstring> ScreenRows(HANDLE screen) {
  std::vector<std::wstring> rows;
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!::GetConsoleScreenBufferInfo(screen, &info)) return rows;
  const SHORT width = info.dwSize.X;
  for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
    std::wstring row(static_cast<size_t>(width), L' ');
    DWORD read = 0;
    ::ReadConsoleOutputCharacterW(screen, row.data(), static_cast<DWORD>(width), COORD{0, y},
                                  &read);
    row.resize(row.find_last_not_of(L' ') + 1);
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::wstring> ConsoleRows(DWORD pid) {
  std::vector<std::wstring> rows;
  ::FreeConsole();
  if (!::AttachConsole(pid)) return rows;
  HANDLE out =
      ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
  if (out != INVALID_HANDLE_VALUE) {
    rows = ScreenRows(out);
    ::CloseHandle(out);
  }
  ::FreeConsole();
  return rows;
}

std::vector<std::string> ConsoleLines(DWORD pid) {
  std::vector<std::string> lines;
  for (const std::wstring& row : ConsoleRows(pid))
    if (!row.empty()) lines.push_back(WideToCp932(row));
  return lines;
}
