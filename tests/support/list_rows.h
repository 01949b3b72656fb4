#pragma once
// A way to know that everything posted to another process's list view has
// been handled, and a click on a row that waits for it.
#include <windows.h>

#include <cstdint>

// Posts a marker to the list view behind whatever is already queued for its
// thread and waits, with sent messages that block while the thread is busy,
// until the marker has been handled. Returns the QueryPerformanceCounter
// stamp of that moment, or 0 when it did not come within `timeoutMs`.
std::int64_t WaitForPostedMessages(HWND listView, DWORD timeoutMs);

// Clicks the middle of row `row` and waits until the click is handled.
bool ClickRowAndWait(HWND listView, int row);
