#include "removal/device_lookup.h"

#include "drives/drive_types.h"

namespace {

constexpr std::uint32_t kNoDeviceNumber = 0xFFFFFFFF;

// The detail record lives in a fixed buffer of this size; an interface whose
// record would need more is skipped rather than read into a bigger one.
constexpr std::uint32_t kMaxDetailSize = 1024;

}  // namespace

bool BuildDriveNames(unsigned char letter, DriveNames* names) {
  char l = FoldDriveLetter(letter);
  if (l == 0) return false;
  *names = DriveNames{{'\\', '\\', '.', '\\', l, ':', '\0'}, {l, ':', '\0'}, {l, ':', '\\', '\0'}};
  return true;
}

bool QueryVolumeDevice(RemovalPlatform& platform, unsigned char letter, VolumeDevice* volume) {
  DriveNames names;
  if (!BuildDriveNames(letter, &names)) return false;

  PlatformHandle handle = platform.OpenDevice(names.volumePath);
  if (handle == kInvalidPlatformHandle) return false;
  std::uint32_t number = kNoDeviceNumber;
  StorageDeviceNumber reported{};
  if (platform.QueryDeviceNumber(handle, &reported)) number = reported.deviceNumber;
  platform.CloseDevice(handle);
  // A volume that reports the "none" value is as good as a failed query.
  if (number == kNoDeviceNumber) return false;

  VolumeDevice result{};
  result.deviceNumber = number;
  result.driveType = platform.QueryDriveType(names.rootPath);
  if (!platform.QueryDosTarget(names.deviceName, result.dosTarget)) return false;
  // QueryDosDevice ends its list in NULs; the last byte is forced to one so
  // that a short platform answer can never leave the first string open-ended.
  result.dosTarget[kDosTargetSize - 1] = '\0';
  *volume = result;
  return true;
}

InterfaceClass ChooseInterfaceClass(std::uint32_t driveType, std::string_view dosTarget) {
  switch (driveType) {
    case kDriveRemovable: {
      // Only the first string of the target list counts, case-sensitively.
      std::string_view first = dosTarget.substr(0, dosTarget.find('\0'));
      return first.find("\\Floppy") != std::string_view::npos ? InterfaceClass::Floppy
                                                              : InterfaceClass::Disk;
    }
    case kDriveFixed:
      return InterfaceClass::Disk;
    case kDriveCdRom:
      return InterfaceClass::CdRom;
    default:
      return InterfaceClass::None;
  }
}

DeviceInstance FindDeviceInstance(RemovalPlatform& platform, std::uint32_t deviceNumber,
                                  std::uint32_t driveType, std::string_view dosTarget) {
  InterfaceClass cls = ChooseInterfaceClass(driveType, dosTarget);
  if (cls == InterfaceClass::None) return 0;
  PlatformHandle set = platform.OpenInterfaceSet(cls);
  if (set == kInvalidPlatformHandle) return 0;

  // Disks, CD-ROM drives and floppies are numbered separately, so only the
  // class keeps them apart; the partition number is never compared.
  for (std::uint32_t index = 0; platform.EnumInterface(set, cls, index); ++index) {
    std::uint32_t size = platform.QueryInterfaceDetailSize(set);
    if (size == 0 || size > kMaxDetailSize) continue;
    const char* path = nullptr;
    DeviceInstance instance = 0;
    if (!platform.QueryInterfaceDetail(set, size, &path, &instance)) continue;
    PlatformHandle device = platform.OpenDevice(path);
    if (device == kInvalidPlatformHandle) continue;
    StorageDeviceNumber number{};
    bool matches =
        platform.QueryDeviceNumber(device, &number) && number.deviceNumber == deviceNumber;
    platform.CloseDevice(device);
    if (matches) {
      platform.DestroyInterfaceSet(set);
      return instance;
    }
  }
  platform.DestroyInterfaceSet(set);
  return 0;
}
