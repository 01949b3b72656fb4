#pragma once
// Another process's windows, as a test finds, reads and clicks them: top-level
// windows by title or class, controls by id, and the texts of edits, list
// boxes and list views converted to code page 932.
#include <windows.h>

#include <string>
#include <vector>

// Top-level window of process `pid` with the given title, or null.
HWND FindProcessWindow(DWORD pid, const wchar_t* title);
// Top-level window of process `pid` of the given class, shown or not, or
// null (message-only windows are not top-level).
HWND FindProcessWindowOfClass(DWORD pid, const wchar_t* className);
// A message sent to the window returns within `timeoutMs`: its thread is free.
bool Responds(HWND window, DWORD timeoutMs);
// First descendant of `parent` with control id `id`, or null.
HWND FindDescendant(HWND parent, int id);

std::vector<std::string> ListBoxLines(HWND listBox);
int ListBoxTopIndex(HWND listBox);
std::string WindowTextOf(HWND window);
std::wstring WideWindowTextOf(HWND window);
int ListViewCount(HWND listView);
std::string ListViewText(HWND listView, int item, int subItem);
int ListViewSelectionMark(HWND listView);
// The drive list refreshes every 3 s; a change shows within one period plus
// the time a busy machine needs to deliver the tick.
inline constexpr DWORD kOneRefreshMs = 3000 + 1500;
// The row whose first column reads `text` (a drive's root path), or -1.
int ListViewRowOf(HWND listView, const std::string& text);
// Waits until the program has rebuilt the list's rows (the drive list's
// refresh tick); false when no rebuild came within `timeoutMs`.
bool WaitForListRefresh(HWND listView, DWORD timeoutMs);
// Client rectangle of row `item` of another process's list view.
RECT ListViewItemRect(HWND listView, int item);

// Posts a real left click at client coordinates of `window`.
void ClickAt(HWND window, int x, int y);
