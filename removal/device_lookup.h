#pragma once
// From a drive letter to the plug-and-play device instance of the disk,
// CD-ROM or floppy drive that carries it. Every failure is silent.
#include <cstdint>
#include <string_view>

#include "drives/drive_types.h"
#include "removal/removal_platform.h"

// The three names built from a folded drive letter, each NUL-terminated.
struct DriveNames {
  char volumePath[7];  // \\.\X:  opened for the storage device number
  char deviceName[3];  // X:     for QueryDosDevice
  char rootPath[4];    // X:\    for GetDriveType
};

// Builds the names of `letter`; false (names untouched) when it is not a letter.
bool BuildDriveNames(unsigned char letter, DriveNames* names);

struct VolumeDevice {
  std::uint32_t deviceNumber;
  std::uint32_t driveType;
  char dosTarget[kDosTargetSize];  // NUL-separated target list
};

// The volume's storage device number, drive type and DOS device target.
bool QueryVolumeDevice(RemovalPlatform& platform, unsigned char letter, VolumeDevice* volume);

// The interface class to search for a drive: by its type, and for removable
// drives by whether the first target string names a floppy device.
InterfaceClass ChooseInterfaceClass(std::uint32_t driveType, std::string_view dosTarget);

// The device instance of the first present interface of the drive's class
// whose storage device number is `deviceNumber`; 0 when there is none.
DeviceInstance FindDeviceInstance(RemovalPlatform& platform, std::uint32_t deviceNumber,
                                  std::uint32_t driveType, std::string_view dosTarget);
