#pragma once
// Rows of another process's list view, by their text, and a way to know that
// everything posted to its thread has been handled.
#include <windows.h>

#include <cstdint>
#include <string>

// The first row whose column-0 text is `text` (code page 932), or -1.
int RowWithText(HWND listView, const std::string& text);

// Posts a marker to the list view behind whatever is already queued for its
// thread and waits, with sent messages that block while the thread is busy,
// until the marker has been handled. Returns the QueryPerformanceCounter
// stamp of that moment, or 0 when it did not come within `timeoutMs`.
std::int64_t WaitForPostedMessages(HWND listView, DWORD timeoutMs);

// Clicks the middle of row `row` and waits until the click is handled.
bool ClickRowAndWait(HWND listView, int row);
