#include "devchange/device_change_text.h"

#include <cstdio>
#include <cstring>
#include <iterator>

#include "devchange/broadcast_record.h"
#include "drives/drive_types.h"

namespace {

struct EventText {
  uint32_t code;
  const char* text;
};

constexpr EventText kEvents[] = {
    {kEventDevNodesChanged, "DEVNODES_CHANGED：システムのデバイス状態が変化しました"},
    {kEventQueryChangeConfig, "QUERYCHANGECONFIG：設定変更要求が発行されました"},
    {kEventConfigChanged, "CONFIGCHANGED：設定が変更されました"},
    {kEventConfigChangeCanceled, "CONFIGCHANGECANCELED：設定変更要求がキャンセルされました"},
    {kEventDeviceArrival, "DEVICEARRIVAL：デバイスが使用可能になりました"},
    {kEventDeviceQueryRemove, "DEVICEQUERYREMOVE：デバイス停止要求が発行されました"},
    {kEventDeviceQueryRemoveFailed, "DEVICEQUERYREMOVEFAILED：デバイス停止要求が失敗されました"},
    {kEventDeviceRemovePending, "DEVICEREMOVEPENDING：デバイスを停止中です"},
    {kEventDeviceRemoveComplete, "DEVICEREMOVECOMPLETE：デバイスが停止されました"},
    {kEventDeviceTypeSpecific, "DEVICETYPESPECIFIC：デバイスの独自イベントが発行されました"},
    {kEventCustomEvent, "CUSTOMEVENT：ドライバー定義のカスタムイベントが発行されました"},
    {kEventUserDefined, "USERDEFINED"},
};

// Indexed by dbch_devicetype, kDevTypOem to kDevTypHandle.
constexpr const char* kDeviceTypes[] = {
    "DEVTYP_OEM", "DEVTYP_DEVNODE",         "DEVTYP_VOLUME", "DEVTYP_PORT",
    "DEVTYP_NET", "DEVTYP_DEVICEINTERFACE", "DEVTYP_HANDLE",
};
static_assert(std::size(kDeviceTypes) == kDevTypHandle + 1);

// A field that does not fit inside the record reads as zero: the record comes
// from another process and its size is all that bounds it.
uint32_t ReadU32(const unsigned char* record, size_t size, size_t offset) {
  return size < offset + 4 ? 0 : ReadLittleEndian32(record + offset);
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
  if (!record || recordSize < kMinBroadcastRecordSize) return std::nullopt;
  DeviceChangeSubject subject{static_cast<int32_t>(ReadU32(record, recordSize, kDeviceTypeOffset)),
                              std::nullopt};
  switch (static_cast<uint32_t>(subject.deviceType)) {
    case kDevTypVolume:
      subject.name = DriveName(UnitMaskToLetter(ReadU32(record, recordSize, kUnitMaskOffset)));
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
