#include "support/remote_window.h"

#include <commctrl.h>

#include <cstring>
#include <cwchar>

#include "framework/text_win.h"
#include "support/shared_memory.h"
#include "support/wait.h"

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

// A buffer that the process of `window` sees, for messages whose pointers
// the system does not carry across processes (the list view's).
class RemoteBuffer {
 public:
  RemoteBuffer(HWND window, size_t size)
      : m_process{OpenProcessOf(window)}, m_memory(m_process.handle, size) {}
  void* Address() const { return m_memory.Ok() ? m_memory.Remote() : nullptr; }
  void Write(const void* data, size_t size, size_t offset = 0) const {
    std::memcpy(m_memory.Local() + offset, data, size);
  }
  void Read(void* data, size_t size, size_t offset = 0) const {
    std::memcpy(data, m_memory.Local() + offset, size);
  }

 private:
  static HANDLE OpenProcessOf(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return ::OpenProcess(PROCESS_VM_OPERATION, FALSE, pid);
  }
  struct Process {
    HANDLE handle;
    ~Process() {
      if (handle) ::CloseHandle(handle);
    }
  };
  // Declared first, so closed last: the view is unmapped through it.
  Process m_process;
  SharedMemory m_memory;
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
  return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, Scaled(timeoutMs), &reply) != 0;
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

void ClickAt(HWND window, int x, int y) {
  LPARAM at = MAKELPARAM(x, y);
  ::PostMessageW(window, WM_MOUSEMOVE, 0, at);
  ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::PostMessageW(window, WM_LBUTTONUP, 0, at);
}
