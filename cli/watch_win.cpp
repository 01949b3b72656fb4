#include "cli/watch_win.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_text.h"
#include "cli/exit_codes.h"
#include "cli/json_output.h"
#include "cli/timestamp.h"
#include "devchange/broadcast_record_win.h"
#include "devchange/device_change_text.h"
#include "framework/text_win.h"
#include "framework/user_win.h"

namespace {

constexpr wchar_t kWindowClass[] = L"QuorlinCmdWatch";

struct Watch {
  ConsoleOutput* out;
  bool json;
  bool failed;
};

// The one watch of the process: its state for the window procedure, and its
// window for the console control handler, which runs on a thread of its own.
// Both are set before the window can get a message or the handler be called.
Watch g_watch{};
HWND g_window = nullptr;

std::int64_t Ticks(const FILETIME& time) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(time.dwHighDateTime) << 32 |
                                   time.dwLowDateTime);
}

// Now, in local time, with the offset that holds at this moment (summer time
// included), taken from the same instant in both clocks.
LocalTime Now() {
  SYSTEMTIME utc, local;
  ::GetSystemTime(&utc);
  if (!::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
  FILETIME utcFile{}, localFile{};
  ::SystemTimeToFileTime(&utc, &utcFile);
  ::SystemTimeToFileTime(&local, &localFile);
  constexpr std::int64_t kTicksPerMinute = 60LL * 10000000;
  const std::int64_t offset = Ticks(localFile) - Ticks(utcFile);
  return {
      local.wYear,
      local.wMonth,
      local.wDay,
      local.wHour,
      local.wMinute,
      local.wSecond,
      local.wMilliseconds,
      static_cast<int>((offset + (offset < 0 ? -1 : 1) * kTicksPerMinute / 2) / kTicksPerMinute)};
}

// The line of one broadcast: the time stamp, a blank and the log line, or
// the same as a JSON object.
std::wstring LineOf(WPARAM wParam, LPARAM lParam) {
  const std::string time = FormatTimestamp(Now());
  const auto code = static_cast<uint32_t>(wParam);
  const std::vector<unsigned char> record = ReadBroadcastRecord(lParam);
  const std::string text = FormatDeviceChangeText(code, record);
  if (!g_watch.json) return Cp932ToWide(time + " " + text + "\r\n");
  return Utf8ToWide(DeviceChangeJson(time, code,
                                     ReadDeviceChangeSubject(record.data(), record.size()), text,
                                     Cp932ToUtf8) +
                    "\r\n");
}

LRESULT CALLBACK WatchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DEVICECHANGE:
      // Written before the default processing replies: the broadcaster
      // waits meanwhile, so lines come in order and none is lost.
      if (!g_watch.failed) {
        bool written = false;
        try {
          written = g_watch.out->Write(LineOf(wParam, lParam));
        } catch (...) {
        }
        if (!written) {
          g_watch.failed = true;
          user32::PostMessageW(window, WM_CLOSE, 0, 0);
        }
      }
      break;
    case WM_CLOSE:
      user32::DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      user32::PostQuitMessage(0);
      return 0;
  }
  return user32::DefWindowProcW(window, message, wParam, lParam);
}

// Ctrl+C and Ctrl+Break end the watch through its message loop, so that the
// process ends as it would after any other command; other events get the
// default handling.
BOOL WINAPI WatchCtrlHandler(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  user32::PostMessageW(g_window, WM_CLOSE, 0, 0);
  return TRUE;
}

}  // namespace

int RunWatch(ConsoleOutput& out, ConsoleOutput& err, bool json) {
  g_watch = {&out, json, false};
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WatchProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWindowClass;
  // Broadcasts reach top-level windows only, so this is one, never shown,
  // rather than a message-only window.
  if (!user32::RegisterClassW(&windowClass) ||
      !(g_window = user32::CreateWindowExW(0, kWindowClass, L"QuorlinCmd watch", WS_OVERLAPPED, 0,
                                           0, 0, 0, nullptr, nullptr, instance, nullptr))) {
    err.Write(Cp932ToWide(kWatchNoWindowLine));
    return kExitOutput;
  }
  ::SetConsoleCtrlHandler(WatchCtrlHandler, TRUE);
  err.Write(Cp932ToWide(kWatchReadyLine));

  MSG message;
  while (user32::GetMessageW(&message, nullptr, 0, 0) > 0) {
    user32::TranslateMessage(&message);
    user32::DispatchMessageW(&message);
  }
  ::SetConsoleCtrlHandler(WatchCtrlHandler, FALSE);
  if (user32::IsWindow(g_window)) user32::DestroyWindow(g_window);
  g_window = nullptr;
  return g_watch.failed ? kExitOutput : kExitSuccess;
}
