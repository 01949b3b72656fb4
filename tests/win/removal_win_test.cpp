// The drive lookup with the real platform calls, under Wine: C: is a fixed
// disk volume and a removable drive can be added through the mount manager,
// but Wine lists no storage device interfaces, so no device is ever found.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "removal/device_lookup.h"
#include "removal/eject.h"
#include "removal/removal_platform_win.h"
#include "support/wine_mount.h"

namespace {

std::string FirstTarget(const VolumeDevice& volume) {
  return std::string(volume.dosTarget, strnlen(volume.dosTarget, sizeof volume.dosTarget));
}

// The portable code's failure value is the platform's, which is a pointer
// and so cannot be checked at compile time.
TEST(RemovalWinTest, InvalidHandleIsThePlatformsOwn) {
  EXPECT_EQ(kInvalidPlatformHandle, reinterpret_cast<PlatformHandle>(INVALID_HANDLE_VALUE));
}

TEST(RemovalWinTest, SystemDriveIsFixedDiskZero) {
  RemovalPlatformWin platform;
  VolumeDevice volume{};
  ASSERT_TRUE(QueryVolumeDevice(platform, 'c', &volume));
  EXPECT_EQ(volume.deviceNumber, 0u);
  EXPECT_EQ(volume.driveType, 3u);
  EXPECT_EQ(FirstTarget(volume), "\\Device\\HarddiskVolume1");
  EXPECT_EQ(FindDeviceInstance(platform, volume.deviceNumber, volume.driveType,
                               {volume.dosTarget, sizeof volume.dosTarget}),
            0u);
}

TEST(RemovalWinTest, RemovableDriveIsANumberedDiskWithoutDevice) {
  wchar_t letter = FreeDriveLetter();
  ASSERT_NE(letter, 0);
  unsigned char narrow = static_cast<unsigned char>(letter);
  RemovalPlatformWin platform;
  {
    ScopedWineDrive drive(letter);
    ASSERT_TRUE(drive.ok());
    VolumeDevice volume{};
    ASSERT_TRUE(QueryVolumeDevice(platform, narrow, &volume));
    // Wine numbers the disks in order and takes the lowest number free, so a
    // disk that another program's drive still holds moves this one on.
    EXPECT_GE(volume.deviceNumber, 1u);
    EXPECT_EQ(volume.driveType, 2u);
    EXPECT_EQ(FirstTarget(volume), "\\Device\\Harddisk" + std::to_string(volume.deviceNumber));
    EXPECT_EQ(ChooseInterfaceClass(volume.driveType, {volume.dosTarget, sizeof volume.dosTarget}),
              InterfaceClass::Disk);
    EXPECT_EQ(FindDeviceInstance(platform, volume.deviceNumber, volume.driveType,
                                 {volume.dosTarget, sizeof volume.dosTarget}),
              0u);
    EXPECT_EQ(EjectDrive(platform, narrow), 1);
  }
  // Gone again: the volume can no longer be opened.
  VolumeDevice volume{};
  EXPECT_FALSE(QueryVolumeDevice(platform, narrow, &volume));
  EXPECT_EQ(GetDriveTypeW((std::wstring(1, letter) + L":\\").c_str()), 1u);
}

TEST(RemovalWinTest, InterfaceSetsOpenEnumerateAndClose) {
  RemovalPlatformWin platform;
  for (InterfaceClass cls : {InterfaceClass::Disk, InterfaceClass::CdRom, InterfaceClass::Floppy}) {
    SCOPED_TRACE(static_cast<int>(cls));
    PlatformHandle set = platform.OpenInterfaceSet(cls);
    ASSERT_NE(set, kInvalidPlatformHandle);
    EXPECT_FALSE(platform.EnumInterface(set, cls, 0));
    platform.DestroyInterfaceSet(set);
  }
  EXPECT_EQ(platform.OpenInterfaceSet(InterfaceClass::None), kInvalidPlatformHandle);
}

TEST(RemovalWinTest, UnixRootCannotBeOpenedAsAVolume) {
  RemovalPlatformWin platform;
  VolumeDevice volume{};
  EXPECT_FALSE(QueryVolumeDevice(platform, 'Z', &volume));
}

TEST(WineMountTest, LabelAndSerialComeFromTheDirectory) {
  wchar_t letter = FreeDriveLetter();
  ASSERT_NE(letter, 0);
  ScopedWineDrive drive(letter, kWineDriveRemovable, "QTEST", "1234abcd");
  ASSERT_TRUE(drive.ok());
  wchar_t label[MAX_PATH + 1] = {};
  DWORD serial = 0;
  std::wstring root = std::wstring(1, letter) + L":\\";
  ASSERT_TRUE(GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, &serial, nullptr, nullptr,
                                    nullptr, 0));
  EXPECT_EQ(std::wstring(label), L"QTEST");
  EXPECT_EQ(serial, 0x1234abcdu);
}

}  // namespace
