#pragma once
// Reading the record that a WM_DEVICECHANGE's lParam points to.
#include <windows.h>

#include <vector>

// A copy of the broadcast record at `lParam`, or an empty vector when there
// is none: lParam zero, memory that cannot be read as far as the record's
// dbch_size, or a record shorter than its header.
std::vector<unsigned char> ReadBroadcastRecord(LPARAM lParam);
