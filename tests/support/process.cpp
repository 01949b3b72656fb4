#include "support/process.h"

#include <tlhelp32.h>

#include <cwchar>
#include <fstream>
#include <sstream>

#include "support/remote_window.h"

std::wstring TestProgramPath() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

std::wstring BesideTestProgram(const wchar_t* name) {
  std::wstring dir = TestProgramPath();
  dir.resize(dir.find_last_of(L"\\/") + 1);
  return dir + name;
}

std::wstring QuorlinExePath() { return BesideTestProgram(L"Quorlin.exe"); }

void PauseForScreenshot() {
  wchar_t value[16] = {};
  if (::GetEnvironmentVariableW(L"QUORLIN_SCREENSHOT_PAUSE_MS", value, 16) > 0)
    ::Sleep(static_cast<DWORD>(std::wcstoul(value, nullptr, 10)));
}

bool QuorlinProcess::Start(const std::wstring& arguments, DWORD flags,
                           const std::wstring& stdoutFile, const std::wstring& program) {
  HANDLE out = stdoutFile.empty() ? nullptr : InheritableFile(stdoutFile);
  if (out == INVALID_HANDLE_VALUE) return false;
  const bool ok = m_process.Start(program.empty() ? QuorlinExePath() : program, arguments,
                                  {.flags = flags, .out = out, .err = out});
  if (out) ::CloseHandle(out);
  return ok;
}

HWND QuorlinProcess::WaitForMainWindow(DWORD timeoutMs) {
  WaitUntil([&] { return (m_main = FindProcessWindow(Id(), kMainWindowTitle)) != nullptr; }, timeoutMs);
  if (!m_main) return nullptr;
  // The window may be seen while its WM_INITDIALOG (which creates and fills
  // the panes) is still running. A sent message is answered only once the
  // thread pumps messages again, so its reply means the set-up is done.
  ::WaitForInputIdle(Handle(), Scaled(5000));
  Responds(m_main, 5000);
  return m_main;
}

HWND QuorlinProcess::Control(int id) const { return m_main ? FindDescendant(m_main, id) : nullptr; }

HANDLE InheritableFile(const std::wstring& path) {
  SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
  return ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                       CREATE_ALWAYS, 0, nullptr);
}

std::wstring TempPath(const std::wstring& name) {
  wchar_t dir[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, dir);
  return std::wstring(dir) + std::to_wstring(::GetCurrentProcessId()) + L"-" + name;
}

std::string ReadWholeFile(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool WaitForOtherInstancesToEnd(DWORD timeoutMs) {
  std::wstring path = TestProgramPath();
  const std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
  const DWORD self = ::GetCurrentProcessId();
  return WaitUntil(
      [&] {
        HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE) return false;
        bool others = false;
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL more = ::Process32FirstW(snapshot, &entry); more && !others;
             more = ::Process32NextW(snapshot, &entry))
          others = entry.th32ProcessID != self && _wcsicmp(entry.szExeFile, name.c_str()) == 0;
        ::CloseHandle(snapshot);
        return !others;
      },
      timeoutMs);
}
