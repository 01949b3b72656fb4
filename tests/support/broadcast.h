#pragma once
// Device-change broadcasts as another program sends them.
#include <windows.h>

#include <string_view>
#include <vector>

// Broadcasts WM_DEVICECHANGE to every top-level window. `record` (may be
// empty) is sent as the broadcast record; its dbch_size must be right.
void BroadcastDeviceChange(WPARAM code, const std::vector<unsigned char>& record = {});
// Broadcast records: a volume record for the drives of `unitMask`, and a
// record of device type `type` whose name (`nameBytes` and one NUL byte)
// starts at `nameOffset`, zeros before it.
std::vector<unsigned char> VolumeRecord(DWORD unitMask);
std::vector<unsigned char> RecordWithName(DWORD type, size_t nameOffset,
                                          std::string_view nameBytes);
