#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "removal/device_lookup.h"
#include "tests/unit/removal_fake.h"

using Calls = std::vector<std::string>;

namespace {

bool IsAsciiLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

TEST(DriveLetterTest, OnlyTheAsciiLettersPassAndAreFolded) {
  int accepted = 0;
  for (int c = 0; c < 256; ++c) {
    SCOPED_TRACE(c);
    DriveNames names{};
    bool ok = BuildDriveNames(static_cast<unsigned char>(c), &names);
    ASSERT_EQ(ok, IsAsciiLetter(c));
    ASSERT_EQ(FoldDriveLetter(static_cast<unsigned char>(c)) != 0, ok);
    if (!ok) continue;
    ++accepted;
    std::string upper(1, static_cast<char>(c & 0xDF));
    EXPECT_EQ(std::string(names.volumePath), "\\\\.\\" + upper + ":");
    EXPECT_EQ(std::string(names.deviceName), upper + ":");
    EXPECT_EQ(std::string(names.rootPath), upper + ":\\");
  }
  EXPECT_EQ(accepted, 52);
}

TEST(DriveLetterTest, NamesOfLowerCaseQ) {
  DriveNames names{};
  ASSERT_TRUE(BuildDriveNames('q', &names));
  EXPECT_STREQ(names.volumePath, R"(\\.\Q:)");
  EXPECT_STREQ(names.deviceName, "Q:");
  EXPECT_STREQ(names.rootPath, R"(Q:\)");
}

TEST(DriveLetterTest, NeighboursOfTheLetterRangesAreRejected) {
  for (int c : {0x40, 0x5B, 0x60, 0x7B, int{'0'}, int{'9'}, 0x80, 0xC1, 0xE1, 0xFF}) {
    SCOPED_TRACE(c);
    DriveNames names{};
    EXPECT_FALSE(BuildDriveNames(static_cast<unsigned char>(c), &names));
  }
}

TEST(InterfaceClassTest, ChoiceByDriveTypeAndFirstTargetString) {
  using namespace std::string_literals;
  struct Row {
    std::uint32_t type;
    std::string target;
    InterfaceClass expected;
  };
  const Row rows[] = {
      {2, "\\Device\\Floppy0\0"s, InterfaceClass::Floppy},
      {2, "\\Device\\Harddisk1\\DR1\0"s, InterfaceClass::Disk},
      {2, "\\Device\\floppy0\0"s, InterfaceClass::Disk},               // case-sensitive
      {2, "Floppy\0"s, InterfaceClass::Disk},                          // no backslash
      {2, "\\Device\\Harddisk1\0\\Floppy0\0"s, InterfaceClass::Disk},  // second string only
      {2, ""s, InterfaceClass::Disk},
      {3, "\\Device\\Floppy0\0"s, InterfaceClass::Disk},
      {3, "\\Device\\HarddiskVolume1\0"s, InterfaceClass::Disk},
      {5, "\\Device\\Floppy0\0"s, InterfaceClass::CdRom},
      {5, "\\Device\\CdRom0\0"s, InterfaceClass::CdRom},
      {0, "\\Device\\Harddisk1\0"s, InterfaceClass::None},
      {1, "\\Device\\Harddisk1\0"s, InterfaceClass::None},
      {4, "\\Device\\Floppy0\0"s, InterfaceClass::None},  // remote
      {6, "\\Device\\Ramdisk\0"s, InterfaceClass::None},
      {7, "\\Device\\Harddisk1\0"s, InterfaceClass::None},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.type) + " " + row.target);
    EXPECT_EQ(ChooseInterfaceClass(row.type, row.target), row.expected);
  }
}

// QueryVolumeDevice, in the order of its calls.
TEST(QueryVolumeDeviceTest, SuccessReadsNumberTypeAndTarget) {
  RecordingRemovalPlatform fake;
  fake.AddVolume('Q', 4, 2, "\\Device\\Harddisk4\\DR4");
  VolumeDevice volume{};
  ASSERT_TRUE(QueryVolumeDevice(fake, 'q', &volume));
  EXPECT_EQ(volume.deviceNumber, 4u);
  EXPECT_EQ(volume.driveType, 2u);
  EXPECT_STREQ(volume.dosTarget, "\\Device\\Harddisk4\\DR4");
  EXPECT_EQ(fake.calls,
            (Calls{R"(open \\.\Q:)", "number 10", "close 10", R"(drivetype Q:\)", "dosdevice Q:"}));
}

TEST(QueryVolumeDeviceTest, FailuresStopAtTheirStep) {
  struct Row {
    const char* name;
    void (*script)(RecordingRemovalPlatform&);
    unsigned char letter;
    Calls calls;
  };
  const Row rows[] = {
      {"not a letter", [](RecordingRemovalPlatform& f) { f.AddVolume('Q', 4, 2, "x"); }, '[', {}},
      {"volume cannot be opened", [](RecordingRemovalPlatform&) {}, 'Q', {R"(open \\.\Q:)"}},
      {"number query fails",
       [](RecordingRemovalPlatform& f) {
         f.AddVolume('Q', 4, 2, "x");
         f.numbers.clear();
       },
       'Q',
       {R"(open \\.\Q:)", "number 10", "close 10"}},
      {"number is none",
       [](RecordingRemovalPlatform& f) { f.AddVolume('Q', 0xFFFFFFFF, 2, "x"); },
       'Q',
       {R"(open \\.\Q:)", "number 10", "close 10"}},
      {"no DOS target",
       [](RecordingRemovalPlatform& f) {
         f.AddVolume('Q', 4, 2, "x");
         f.dosTargets.clear();
       },
       'Q',
       {R"(open \\.\Q:)", "number 10", "close 10", R"(drivetype Q:\)", "dosdevice Q:"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RecordingRemovalPlatform fake;
    row.script(fake);
    VolumeDevice volume{};
    volume.deviceNumber = 12345;
    EXPECT_FALSE(QueryVolumeDevice(fake, row.letter, &volume));
    EXPECT_EQ(volume.deviceNumber, 12345u);  // left untouched
    EXPECT_EQ(fake.calls, row.calls);
    EXPECT_EQ(fake.trace, "");
  }
}

TEST(QueryVolumeDeviceTest, DeviceNumberZeroIsANumber) {
  RecordingRemovalPlatform fake;
  fake.AddVolume('C', 0, 3, "\\Device\\HarddiskVolume1");
  VolumeDevice volume{};
  ASSERT_TRUE(QueryVolumeDevice(fake, 'C', &volume));
  EXPECT_EQ(volume.deviceNumber, 0u);
}

// FindDeviceInstance: the walk over the interfaces of the chosen class.
class FindDeviceInstanceTest : public ::testing::Test {
 protected:
  DeviceInstance Find(std::uint32_t number, std::uint32_t type = 2,
                      std::string_view target = "\\Device\\Harddisk1\\DR1") {
    return FindDeviceInstance(fake, number, type, target);
  }
  RecordingRemovalPlatform fake;
};

TEST_F(FindDeviceInstanceTest, FirstMatchWinsAndTheRestIsNotLookedAt) {
  fake.AddInterface(InterfaceClass::Disk, {"disk0", 300}, 20, 0);
  fake.AddInterface(InterfaceClass::Disk, {"disk1a", 301}, 21, 1);
  fake.AddInterface(InterfaceClass::Disk, {"disk1b", 302}, 22, 1);
  EXPECT_EQ(Find(1), 301u);
  EXPECT_EQ(fake.calls,
            (Calls{"classdevs disk", "enum 900 disk 0", "detailsize 900", "detail 900 100",
                   "open disk0", "number 20", "close 20", "enum 900 disk 1", "detailsize 900",
                   "detail 900 100", "open disk1a", "number 21", "close 21", "destroy 900"}));
}

TEST_F(FindDeviceInstanceTest, PartitionAndDeviceTypeAreNotCompared) {
  fake.AddInterface(InterfaceClass::Disk, {"disk3", 303}, 20, 3, /*partition=*/9);
  EXPECT_EQ(Find(3), 303u);
}

TEST_F(FindDeviceInstanceTest, DetailSizeLimits) {
  // 0 and 1025 bytes are skipped unread even though they match; 1024 is read.
  fake.AddInterface(InterfaceClass::Disk, {"none", 300, 0}, 20, 1);
  fake.AddInterface(InterfaceClass::Disk, {"big", 301, 1025}, 21, 1);
  fake.AddInterface(InterfaceClass::Disk, {"huge", 302, 0xFFFFFFFF}, 22, 1);
  fake.AddInterface(InterfaceClass::Disk, {"max", 303, 1024}, 23, 1);
  EXPECT_EQ(Find(1), 303u);
  EXPECT_EQ(fake.calls,
            (Calls{"classdevs disk", "enum 900 disk 0", "detailsize 900", "enum 900 disk 1",
                   "detailsize 900", "enum 900 disk 2", "detailsize 900", "enum 900 disk 3",
                   "detailsize 900", "detail 900 1024", "open max", "number 23", "close 23",
                   "destroy 900"}));
}

TEST_F(FindDeviceInstanceTest, BrokenInterfacesAreSkippedAndEveryHandleClosed) {
  fake.AddInterface(InterfaceClass::Disk, {"nodetail", 300, 100, true}, 20, 1);
  fake.AddInterface(InterfaceClass::Disk, {"noopen", 301}, 21, 1);
  fake.handles.erase("noopen");
  fake.AddInterface(InterfaceClass::Disk, {"nonumber", 302}, 22, std::nullopt);
  fake.AddInterface(InterfaceClass::Disk, {"other", 303}, 23, 2);
  EXPECT_EQ(Find(1), 0u);
  EXPECT_EQ(fake.calls,
            (Calls{"classdevs disk",  "enum 900 disk 0", "detailsize 900",  "detail 900 100",
                   "enum 900 disk 1", "detailsize 900",  "detail 900 100",  "open noopen",
                   "enum 900 disk 2", "detailsize 900",  "detail 900 100",  "open nonumber",
                   "number 22",       "close 22",        "enum 900 disk 3", "detailsize 900",
                   "detail 900 100",  "open other",      "number 23",       "close 23",
                   "enum 900 disk 4", "destroy 900"}));
}

TEST_F(FindDeviceInstanceTest, EmptyClassDestroysTheSet) {
  fake.interfaces[InterfaceClass::Disk];
  EXPECT_EQ(Find(0), 0u);
  EXPECT_EQ(fake.calls, (Calls{"classdevs disk", "enum 900 disk 0", "destroy 900"}));
}

TEST_F(FindDeviceInstanceTest, SetThatCannotBeMadeIsNotDestroyed) {
  EXPECT_EQ(Find(0), 0u);
  EXPECT_EQ(fake.calls, (Calls{"classdevs disk"}));
}

TEST_F(FindDeviceInstanceTest, DriveTypesWithoutClassMakeNoCall) {
  fake.AddInterface(InterfaceClass::Disk, {"disk0", 300}, 20, 0);
  for (std::uint32_t type : {0u, 1u, 4u, 6u, 7u}) {
    SCOPED_TRACE(type);
    EXPECT_EQ(Find(0, type), 0u);
  }
  EXPECT_TRUE(fake.calls.empty());
}

TEST_F(FindDeviceInstanceTest, EachClassIsSearchedOnItsOwn) {
  // Device number 0 exists in every class; only the chosen one is walked.
  fake.AddInterface(InterfaceClass::Disk, {"disk0", 300}, 20, 0);
  fake.AddInterface(InterfaceClass::CdRom, {"cdrom0", 400}, 30, 0);
  fake.AddInterface(InterfaceClass::Floppy, {"floppy0", 500}, 40, 0);
  EXPECT_EQ(Find(0, 5, "\\Device\\Floppy0"), 400u);
  EXPECT_EQ(Find(0, 2, "\\Device\\Floppy0"), 500u);
  EXPECT_EQ(Find(0, 3, "\\Device\\Floppy0"), 300u);
  EXPECT_EQ(fake.calls[0], "classdevs cdrom");
  EXPECT_EQ(fake.calls[1], "enum 900 cdrom 0");
}

}  // namespace
