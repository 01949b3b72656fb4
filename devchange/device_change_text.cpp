#include "devchange/device_change_text.h"

#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

struct EventText {
  uint32_t code;
  const char* text;
};

constexpr EventText kEvents[] = {
    {0x0007, "DEVNODES_CHANGED：システムのデバイス状態が変化しました"},
    {0x0017, "QUERYCHANGECONFIG：設定変更要求が発行されました"},
    {0x0018, "CONFIGCHANGED：設定が変更されました"},
    {0x0019, "CONFIGCHANGECANCELED：設定変更要求がキャンセルされました"},
    {0x8000, "DEVICEARRIVAL：デバイスが使用可能になりました"},
    {0x8001, "DEVICEQUERYREMOVE：デバイス停止要求が発行されました"},
    {0x8002, "DEVICEQUERYREMOVEFAILED：デバイス停止要求が失敗されました"},
    {0x8003, "DEVICEREMOVEPENDING：デバイスを停止中です"},
    {0x8004, "DEVICEREMOVECOMPLETE：デバイスが停止されました"},
    {0x8005, "DEVICETYPESPECIFIC：デバイスの独自イベントが発行されました"},
    {0x8006, "CUSTOMEVENT：ドライバー定義のカスタムイベントが発行されました"},
    {0xFFFF, "USERDEFINED"},
};

// Indexed by dbch_devicetype.
constexpr const char* kDeviceTypes[] = {
    "DEVTYP_OEM", "DEVTYP_DEVNODE",         "DEVTYP_VOLUME", "DEVTYP_PORT",
    "DEVTYP_NET", "DEVTYP_DEVICEINTERFACE", "DEVTYP_HANDLE",
};

constexpr uint32_t kDevTypVolume = 2;
constexpr uint32_t kDevTypPort = 3;
constexpr uint32_t kDevTypDeviceInterface = 5;

// Offsets into the broadcast records (DEV_BROADCAST_HDR and its variants).
constexpr size_t kDeviceTypeOffset = 4;
constexpr size_t kHeaderSize = 8;
constexpr size_t kUnitMaskOffset = 12;       // dbcv_unitmask
constexpr size_t kNameOffset = 12;           // dbcp_name, dbud_szName
constexpr size_t kInterfaceNameOffset = 28;  // dbcc_name, after the class GUID

// A field that does not fit inside the record reads as zero: the record comes
// from another process and its size is all that bounds it.
uint32_t ReadU32(const unsigned char* record, size_t size, size_t offset) {
  if (size < offset + 4) return 0;
  const unsigned char* p = record + offset;
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// A name ends at its NUL or, lacking one, at the end of the record.
std::string ReadName(const unsigned char* record, size_t size, size_t offset) {
  if (offset >= size) return {};
  const unsigned char* start = record + offset;
  const void* nul = std::memchr(start, 0, size - offset);
  size_t length =
      nul ? static_cast<size_t>(static_cast<const unsigned char*>(nul) - start) : size - offset;
  return std::string(reinterpret_cast<const char*>(start), length);
}

}  // namespace

char UnitMaskToLetter(uint32_t unitMask) {
  for (int n = 0; n < 26; ++n) {
    if (unitMask & (uint32_t{1} << n)) return static_cast<char>('A' + n);
  }
  // No drive bit at all: a visible placeholder rather than the byte after Z.
  return '?';
}

std::optional<DeviceChangeSubject> ReadDeviceChangeSubject(const unsigned char* record,
                                                           size_t recordSize) {
  // Too short to hold even its device type: treated as no record at all.
  if (!record || recordSize < kHeaderSize) return std::nullopt;
  DeviceChangeSubject subject{static_cast<int32_t>(ReadU32(record, recordSize, kDeviceTypeOffset)),
                              std::nullopt};
  switch (static_cast<uint32_t>(subject.deviceType)) {
    case kDevTypVolume:
      subject.name =
          std::string{UnitMaskToLetter(ReadU32(record, recordSize, kUnitMaskOffset)), ':'};
      break;
    case kDevTypPort:
      subject.name = ReadName(record, recordSize, kNameOffset);
      break;
    case kDevTypDeviceInterface:
      subject.name = ReadName(record, recordSize, kInterfaceNameOffset);
      break;
  }
  return subject;
}

std::string FormatDeviceChangeText(uint32_t eventCode, const unsigned char* record,
                                   size_t recordSize) {
  const std::optional<DeviceChangeSubject> subject = ReadDeviceChangeSubject(record, recordSize);

  char buf[32];
  std::snprintf(buf, sizeof buf, "[wParam:0x%04x]", static_cast<unsigned>(eventCode));
  std::string line = buf;

  const EventText* event = nullptr;
  for (const EventText& e : kEvents) {
    if (e.code == eventCode) event = &e;
  }
  if (event) {
    line += event->text;
  } else if (subject) {
    line += "（" + ReadName(record, recordSize, kNameOffset) + "）";
  }
  if (!subject) return line;

  std::snprintf(buf, sizeof buf, "（DeviceType=%d）", static_cast<int>(subject->deviceType));
  line += buf;
  const auto deviceType = static_cast<uint32_t>(subject->deviceType);
  if (deviceType >= std::size(kDeviceTypes)) return line;
  line += kDeviceTypes[deviceType];

  if (deviceType == kDevTypVolume) {
    line += "「" + *subject->name + "」";
  } else if (deviceType == kDevTypPort) {
    line += "（PORT:" + *subject->name + "）";
  } else if (deviceType == kDevTypDeviceInterface) {
    line += "（I/F:" + *subject->name + "）";
  }
  return line;
}

std::string FormatDeviceChangeText(uint32_t eventCode, const std::vector<unsigned char>& record) {
  return FormatDeviceChangeText(eventCode, record.empty() ? nullptr : record.data(), record.size());
}
