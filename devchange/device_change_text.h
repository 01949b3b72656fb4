#pragma once
// The log line of one WM_DEVICECHANGE broadcast: event, device type and, for
// volumes, ports and device interfaces, which one.
#include <cstddef>
#include <cstdint>
#include <string>

// `record` is the broadcast record (null when the message carries none) and
// `recordSize` its dbch_size. Returns code page 932 text without a line end.
std::string FormatDeviceChangeText(uint32_t eventCode, const unsigned char* record,
                                   size_t recordSize);

// The drive letter of the lowest of bits 0..25 set in a volume's unit mask.
char UnitMaskToLetter(uint32_t unitMask);
