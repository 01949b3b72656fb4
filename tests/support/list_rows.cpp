#include "support/list_rows.h"

#include <commctrl.h>

#include "support/remote_window.h"
#include "support/wait.h"

std::int64_t WaitForPostedMessages(HWND listView, DWORD timeoutMs) {
  // The hover time means nothing without hover tracking (not used by the
  // program), so a new value is a harmless marker. Posted messages of one
  // thread are handled in order, so once it reads back, everything posted
  // before it has been handled, notifications included.
  static LPARAM marker = 700;
  ++marker;
  if (!::PostMessageW(listView, LVM_SETHOVERTIME, 0, marker)) return 0;
  timeoutMs = Scaled(timeoutMs);
  DWORD start = ::GetTickCount();
  for (;;) {
    // A sent message is answered only when the thread is back in its message
    // loop, so the reply comes as soon as it is free again.
    DWORD_PTR value = 0;
    DWORD left = timeoutMs - (::GetTickCount() - start);
    if (static_cast<LONG>(left) <= 0 ||
        !::SendMessageTimeoutW(listView, LVM_GETHOVERTIME, 0, 0, SMTO_NORMAL, left, &value))
      return 0;
    if (static_cast<LPARAM>(value) == marker) {
      LARGE_INTEGER now;
      ::QueryPerformanceCounter(&now);
      return now.QuadPart;
    }
    ::Sleep(10);
  }
}

bool ClickRowAndWait(HWND listView, int row) {
  RECT rect = ListViewItemRect(listView, row);
  if (rect.bottom <= rect.top) return false;
  ClickAt(listView, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  return WaitForPostedMessages(listView, 10000) != 0;
}
