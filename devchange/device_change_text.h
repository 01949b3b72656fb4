#pragma once
// The log line of one WM_DEVICECHANGE broadcast: event, device type and, for
// volumes, ports and device interfaces, which one.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// `record` is the broadcast record (null when the message carries none) and
// `recordSize` its dbch_size. Returns code page 932 text without a line end.
std::string FormatDeviceChangeText(uint32_t eventCode, const unsigned char* record,
                                   size_t recordSize);

// The same for a record copied whole (ReadBroadcastRecord); empty: none.
std::string FormatDeviceChangeText(uint32_t eventCode, const std::vector<unsigned char>& record);

// The drive letter of the lowest of bits 0..25 set in a volume's unit mask.
char UnitMaskToLetter(uint32_t unitMask);

// What a broadcast record is about, as its line names it.
struct DeviceChangeSubject {
  int32_t deviceType;  // dbch_devicetype, signed as the line shows it
  // The drive of a volume ("E:", from the lowest letter of its unit mask),
  // the name of a port, the path of a device interface, as the line shows
  // them; none for the other device types.
  std::optional<std::string> name;
};

// The subject of `record` (dbch_size `recordSize`); none when there is no
// record or it is too short to hold its device type.
std::optional<DeviceChangeSubject> ReadDeviceChangeSubject(const unsigned char* record,
                                                           size_t recordSize);
