#include "devchange/device_change_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A broadcast record: header (size, device type, reserved), then `tail` at
// offset 12. dbch_size covers exactly what is built.
std::vector<unsigned char> Record(uint32_t deviceType, const std::string& tail = "",
                                  size_t tailOffset = 12) {
  std::vector<unsigned char> r(tailOffset + tail.size());
  uint32_t size = static_cast<uint32_t>(r.size());
  for (int i = 0; i < 4; ++i) {
    r[i] = static_cast<unsigned char>(size >> (8 * i));
    r[4 + i] = static_cast<unsigned char>(deviceType >> (8 * i));
  }
  std::memcpy(r.data() + tailOffset, tail.data(), tail.size());
  return r;
}

std::string Volume(uint32_t unitMask) {
  std::string t(8, '\0');  // dbcv_unitmask, dbcv_flags
  for (int i = 0; i < 4; ++i) t[i] = static_cast<char>(unitMask >> (8 * i));
  return t;
}

std::string Format(uint32_t code, const std::vector<unsigned char>& r) {
  return FormatDeviceChangeText(code, r.data(), r.size());
}

TEST(DeviceChangeText, WorkedLines) {
  struct Case {
    uint32_t code;
    bool hasRecord;
    std::vector<unsigned char> record;
    const char* line;
  };
  const std::string nul(1, '\0');
  const Case cases[] = {
      {0x0007, false, {}, "[wParam:0x0007]DEVNODES_CHANGED：システムのデバイス状態が変化しました"},
      {0x8000, true, Record(2, Volume(0x10)),
       "[wParam:0x8000]DEVICEARRIVAL：デバイスが使用可能になりました（DeviceType=2）DEVTYP_"
       "VOLUME「E:」"},
      {0x8004, true, Record(3, "COM3" + nul),
       "[wParam:0x8004]DEVICEREMOVECOMPLETE：デバイスが停止されました（DeviceType=3）DEVTYP_"
       "PORT（PORT:COM3）"},
      {0x8000, true, Record(5, "P" + nul, 28),
       "[wParam:0x8000]DEVICEARRIVAL：デバイスが使用可能になりました（DeviceType=5）DEVTYP_"
       "DEVICEINTERFACE（I/F:P）"},
      {0x8006, true, Record(6, std::string(28, '\0')),
       "[wParam:0x8006]CUSTOMEVENT：ドライバー定義のカスタムイベントが発行されました（DeviceType="
       "6）DEVTYP_HANDLE"},
      {0xFFFF, true, Record(0, "user" + nul),
       "[wParam:0xffff]USERDEFINED（DeviceType=0）DEVTYP_OEM"},
      {0x0020, true, Record(9, "abc" + nul), "[wParam:0x0020]（abc）（DeviceType=9）"},
      {0x0020, false, {}, "[wParam:0x0020]"},
      {0x0020, true, Record(1, nul), "[wParam:0x0020]（）（DeviceType=1）DEVTYP_DEVNODE"},
      {0x12345, false, {}, "[wParam:0x12345]"},
      {0x8001, true, Record(0x80000000u),
       "[wParam:0x8001]DEVICEQUERYREMOVE：デバイス停止要求が発行されました（DeviceType=-"
       "2147483648）"},
      {0x0019, true, Record(4),
       "[wParam:0x0019]CONFIGCHANGECANCELED：設定変更要求がキャンセルされました（DeviceType="
       "4）DEVTYP_NET"},
  };
  for (const Case& c : cases) {
    std::string got =
        c.hasRecord ? Format(c.code, c.record) : FormatDeviceChangeText(c.code, nullptr, 0);
    EXPECT_EQ(got, c.line) << std::hex << c.code;
  }
}

TEST(DeviceChangeText, TextsAreCodePage932) {
  std::string line = FormatDeviceChangeText(0x8000, Record(2, Volume(0x10)).data(), 20);
  // "…（DeviceType=2）DEVTYP_VOLUME「E:」": the full-width characters are two bytes each.
  EXPECT_EQ(line.size(), 15u + 13 + 2 + 30 + 16 + 13 + 6);
  const std::string arrival = "DEVICEARRIVAL\x81\x46";  // ：
  EXPECT_EQ(line.compare(15, arrival.size(), arrival), 0);
  EXPECT_NE(line.find("\x81\x69"
                      "DeviceType=2\x81\x6A"),
            std::string::npos);  // （ ）
  EXPECT_EQ(line.substr(line.size() - 6),
            "\x81\x75"
            "E:\x81\x76");  // 「 」
}

TEST(DeviceChangeText, UnitMaskLetter) {
  EXPECT_EQ(UnitMaskToLetter(0x1), 'A');
  EXPECT_EQ(UnitMaskToLetter(0x0C), 'C');
  EXPECT_EQ(UnitMaskToLetter(1u << 25), 'Z');
  EXPECT_EQ(UnitMaskToLetter(0), '?');
  EXPECT_EQ(UnitMaskToLetter(0xFC000000u), '?');  // bits 26..31 only
  EXPECT_EQ(Format(0x8004, Record(2, Volume(0))),
            "[wParam:0x8004]DEVICEREMOVECOMPLETE：デバイスが停止されました（DeviceType=2）DEVTYP_"
            "VOLUME「?:」");
}

TEST(DeviceChangeText, VolumeFlagsDoNotMatter) {
  std::string media = Volume(0x10), net = Volume(0x10);
  media[4] = 1;  // DBTF_MEDIA
  net[4] = 2;    // DBTF_NET
  EXPECT_EQ(Format(0x8000, Record(2, media)), Format(0x8000, Record(2, net)));
}

TEST(DeviceChangeText, RecordsAreReadOnlyWithinTheirSize) {
  const char* noRecord = "[wParam:0x0020]";
  const std::string portPrefix = "[wParam:0x0020]（";
  // Shorter than a header: as if there were no record.
  auto tiny = Record(3, "COM1");
  EXPECT_EQ(FormatDeviceChangeText(0x0020, tiny.data(), 7), noRecord);
  EXPECT_EQ(FormatDeviceChangeText(0x0020, tiny.data(), 0), noRecord);
  // Names end at the record's end when they have no NUL inside it.
  EXPECT_EQ(Format(0x0020, Record(3, "COM1")),
            portPrefix + "COM1）（DeviceType=3）DEVTYP_PORT（PORT:COM1）");
  EXPECT_EQ(FormatDeviceChangeText(0x0020, Record(3, "COM1").data(), 14),
            portPrefix + "CO）（DeviceType=3）DEVTYP_PORT（PORT:CO）");
  // A header alone: names and the interface path are absent, the unit mask is 0.
  auto header = Record(5, std::string(40, 'x'));
  EXPECT_EQ(FormatDeviceChangeText(0x0020, header.data(), 8),
            portPrefix + "）（DeviceType=5）DEVTYP_DEVICEINTERFACE（I/F:）");
  EXPECT_EQ(FormatDeviceChangeText(0x8000, Record(2, Volume(0x10)).data(), 15),
            "[wParam:0x8000]DEVICEARRIVAL：デバイスが使用可能になりました（DeviceType=2）DEVTYP_"
            "VOLUME「?:」");
}

// The subject is what the line names after the device type, whole, so that
// the console's JSON carries the same drive, port or path as the line.
TEST(DeviceChangeText, SubjectIsTheRecordsTypeAndTheNameTheLineShows) {
  const std::string nul(1, '\0');
  struct Case {
    std::vector<unsigned char> record;
    int32_t deviceType;
    std::optional<std::string> name;
  };
  const Case cases[] = {
      {Record(2, Volume(0x0C)), 2, "C:"},
      {Record(2, Volume(0)), 2, "?:"},
      {Record(3, "COM3" + nul), 3, "COM3"},
      {Record(3, "COM1"), 3, "COM1"},  // no NUL: up to the record's end
      {Record(3, nul), 3, ""},
      {Record(5, "\\\\?\\USB#表" + nul, 28), 5, "\\\\?\\USB#表"},
      {Record(0, "user" + nul), 0, std::nullopt},
      {Record(6, std::string(28, '\0')), 6, std::nullopt},
      {Record(9, "abc" + nul), 9, std::nullopt},
      {Record(0xFFFFFFFEu), -2, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.deviceType);
    std::optional<DeviceChangeSubject> subject =
        ReadDeviceChangeSubject(c.record.data(), c.record.size());
    ASSERT_TRUE(subject.has_value());
    EXPECT_EQ(subject->deviceType, c.deviceType);
    EXPECT_EQ(subject->name, c.name);
    if (c.name && c.deviceType != 2) {
      EXPECT_NE(Format(0x8000, c.record).find(*c.name), std::string::npos);
    }
  }
  EXPECT_EQ(ReadDeviceChangeSubject(nullptr, 0), std::nullopt);
  EXPECT_EQ(ReadDeviceChangeSubject(Record(3, "COM1").data(), 7), std::nullopt);
  // A record copied whole reads as the same line; an empty copy, as none.
  EXPECT_EQ(FormatDeviceChangeText(0x8004, Record(3, "COM3" + nul)),
            Format(0x8004, Record(3, "COM3" + nul)));
  EXPECT_EQ(FormatDeviceChangeText(0x0007, std::vector<unsigned char>{}),
            FormatDeviceChangeText(0x0007, nullptr, 0));
}

}  // namespace
