#include "support/quorlin_process.h"

#include <commctrl.h>
#include <dbt.h>
#include <tlhelp32.h>

#include <cstring>
#include <cwchar>

#include <fstream>
#include <sstream>

#include "framework/text_win.h"

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

QuorlinProcess::~QuorlinProcess() {
  Kill();
  if (m_info.hProcess) ::CloseHandle(m_info.hProcess);
  if (m_info.hThread) ::CloseHandle(m_info.hThread);
}

bool QuorlinProcess::Start(const std::wstring& arguments, DWORD flags,
                           const std::wstring& stdoutFile, const std::wstring& program) {
  std::wstring exe = program.empty() ? QuorlinExePath() : program;
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  HANDLE out = INVALID_HANDLE_VALUE;
  BOOL inherit = FALSE;
  if (!stdoutFile.empty()) {
    out = InheritableFile(stdoutFile);
    if (out == INVALID_HANDLE_VALUE) return false;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    startup.hStdInput = nullptr;
    inherit = TRUE;
  }
  BOOL ok = ::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, inherit, flags,
                             nullptr, nullptr, &startup, &m_info);
  if (out != INVALID_HANDLE_VALUE) ::CloseHandle(out);
  return ok != FALSE;
}

HWND QuorlinProcess::WaitForMainWindow(DWORD timeoutMs) {
  WaitUntil([&] { return (m_main = FindProcessWindow(Id(), L"Velkomir")) != nullptr; }, timeoutMs);
  if (!m_main) return nullptr;
  // The window may be seen while its WM_INITDIALOG (which creates and fills
  // the panes) is still running. A sent message is answered only once the
  // thread pumps messages again, so its reply means the set-up is done.
  ::WaitForInputIdle(m_info.hProcess, 5000);
  Responds(m_main, 5000);
  return m_main;
}

bool QuorlinProcess::WaitForExit(DWORD timeoutMs) {
  return m_info.hProcess && ::WaitForSingleObject(m_info.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

void QuorlinProcess::Kill() {
  if (m_info.hProcess && ::WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(m_info.hProcess, 1);
    ::WaitForSingleObject(m_info.hProcess, 5000);
  }
}

HWND QuorlinProcess::Control(int id) const { return m_main ? FindDescendant(m_main, id) : nullptr; }

namespace {
// A visible window with `title`, or any window of `className`.
struct WindowSearch {
  DWORD pid;
  const wchar_t* title;
  const wchar_t* className;
  HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  wchar_t name[256] = {};
  bool match = false;
  if (search->title) {
    ::GetWindowTextW(hwnd, name, 256);
    match = ::IsWindowVisible(hwnd) && wcscmp(name, search->title) == 0;
  } else {
    ::GetClassNameW(hwnd, name, 256);
    match = wcscmp(name, search->className) == 0;
  }
  if (pid == search->pid && match) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND FindTopLevel(WindowSearch search) {
  ::EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

struct ChildSearch {
  int id;
  HWND found;
};

BOOL CALLBACK MatchChild(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<ChildSearch*>(param);
  if (::GetDlgCtrlID(hwnd) == search->id) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// A buffer in another process's memory, for messages whose pointers the
// system does not carry across processes (the list view's).
class RemoteBuffer {
 public:
  RemoteBuffer(HWND window, size_t size) : m_size(size) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    m_process =
        ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (m_process)
      m_address = ::VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (m_address) ::VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
    if (m_process) ::CloseHandle(m_process);
  }
  void* Address() const { return m_address; }
  void Write(const void* data, size_t size, size_t offset = 0) const {
    ::WriteProcessMemory(m_process, static_cast<char*>(m_address) + offset, data, size, nullptr);
  }
  void Read(void* data, size_t size, size_t offset = 0) const {
    ::ReadProcessMemory(m_process, static_cast<char*>(m_address) + offset, data, size, nullptr);
  }

 private:
  HANDLE m_process = nullptr;
  void* m_address = nullptr;
  size_t m_size;
};
}  // namespace

HWND FindProcessWindow(DWORD pid, const wchar_t* title) {
  return FindTopLevel({pid, title, nullptr, nullptr});
}

HWND FindProcessWindowOfClass(DWORD pid, const wchar_t* className) {
  return FindTopLevel({pid, nullptr, className, nullptr});
}

bool Responds(HWND window, DWORD timeoutMs) {
  DWORD_PTR reply = 0;
  return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &reply) != 0;
}

HWND FindDescendant(HWND parent, int id) {
  ChildSearch search{id, nullptr};
  ::EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<std::string> ListBoxLines(HWND listBox) {
  std::vector<std::string> lines;
  int count = static_cast<int>(::SendMessageW(listBox, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    int len = static_cast<int>(::SendMessageW(listBox, LB_GETTEXTLEN, i, 0));
    std::wstring text(static_cast<size_t>(len > 0 ? len : 0) + 1, L'\0');
    ::SendMessageW(listBox, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcslen(text.c_str()));
    lines.push_back(WideToCp932(text));
  }
  return lines;
}

int ListBoxTopIndex(HWND listBox) {
  return static_cast<int>(::SendMessageW(listBox, LB_GETTOPINDEX, 0, 0));
}

std::wstring WideWindowTextOf(HWND window) {
  int len = static_cast<int>(::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(static_cast<size_t>(len > 0 ? len : 0) + 1, L'\0');
  ::SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(wcslen(text.c_str()));
  return text;
}

std::string WindowTextOf(HWND window) { return WideToCp932(WideWindowTextOf(window)); }

int ListViewCount(HWND listView) {
  return static_cast<int>(::SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
}

int ListViewSelectionMark(HWND listView) {
  return static_cast<int>(::SendMessageW(listView, LVM_GETSELECTIONMARK, 0, 0));
}

std::string ListViewText(HWND listView, int item, int subItem) {
  constexpr size_t kChars = 260;
  RemoteBuffer remote(listView, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
  if (!remote.Address()) return {};
  LVITEMW row{};
  row.iSubItem = subItem;
  row.cchTextMax = kChars;
  row.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote.Address()) + sizeof(LVITEMW));
  wchar_t empty[kChars] = {};
  remote.Write(&row, sizeof(row));
  remote.Write(empty, sizeof(empty), sizeof(LVITEMW));
  ::SendMessageW(listView, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(remote.Address()));
  wchar_t text[kChars] = {};
  remote.Read(text, sizeof(text), sizeof(LVITEMW));
  text[kChars - 1] = L'\0';
  return WideToCp932(text);
}

int ListViewRowOf(HWND listView, const std::string& text) {
  const int count = ListViewCount(listView);
  for (int row = 0; row < count; ++row)
    if (ListViewText(listView, row, 0) == text) return row;
  return -1;
}

bool WaitForListRefresh(HWND listView, DWORD timeoutMs) {
  // A rebuild deletes every row and inserts new ones, which carry no state
  // but the selection it restores: a "cut" mark put on the first row here
  // is gone once a rebuild has run.
  RemoteBuffer remote(listView, sizeof(LVITEMW));
  if (!remote.Address() || ListViewCount(listView) == 0) return false;
  LVITEMW mark{};
  mark.stateMask = LVIS_CUT;
  mark.state = LVIS_CUT;
  remote.Write(&mark, sizeof(mark));
  ::SendMessageW(listView, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(remote.Address()));
  if (!(::SendMessageW(listView, LVM_GETITEMSTATE, 0, LVIS_CUT) & LVIS_CUT)) return false;
  return WaitUntil(
      [&] { return !(::SendMessageW(listView, LVM_GETITEMSTATE, 0, LVIS_CUT) & LVIS_CUT); },
      timeoutMs);
}

RECT ListViewItemRect(HWND listView, int item) {
  RECT rect{LVIR_BOUNDS, 0, 0, 0};
  RemoteBuffer remote(listView, sizeof(RECT));
  if (!remote.Address()) return RECT{};
  remote.Write(&rect, sizeof(rect));
  ::SendMessageW(listView, LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(remote.Address()));
  remote.Read(&rect, sizeof(rect));
  return rect;
}

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

void ClickAt(HWND window, int x, int y) {
  LPARAM at = MAKELPARAM(x, y);
  ::PostMessageW(window, WM_MOUSEMOVE, 0, at);
  ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::PostMessageW(window, WM_LBUTTONUP, 0, at);
}

void BroadcastDeviceChange(WPARAM code, const std::vector<unsigned char>& record) {
  DWORD recipients = BSM_APPLICATIONS;
  LPARAM lParam = record.empty() ? 0 : reinterpret_cast<LPARAM>(record.data());
  ::BroadcastSystemMessageW(BSF_FORCEIFHUNG | BSF_QUERY, &recipients, WM_DEVICECHANGE, code,
                            lParam);
}

std::vector<unsigned char> VolumeRecord(DWORD unitMask) {
  DEV_BROADCAST_VOLUME volume{};
  volume.dbcv_size = sizeof(volume);
  volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
  volume.dbcv_unitmask = unitMask;
  const auto* bytes = reinterpret_cast<const unsigned char*>(&volume);
  return {bytes, bytes + sizeof(volume)};
}

std::vector<unsigned char> RecordWithName(DWORD type, size_t nameOffset,
                                          std::string_view nameBytes) {
  std::vector<unsigned char> record(nameOffset + nameBytes.size() + 1, 0);
  const DWORD header[2] = {static_cast<DWORD>(record.size()), type};
  std::memcpy(record.data(), header, sizeof(header));
  std::memcpy(record.data() + nameOffset, nameBytes.data(), nameBytes.size());
  return record;
}

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
