#include "removal/eject.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "removal/device_lookup.h"

namespace {

constexpr int kEjectAttempts = 3;
constexpr std::uint32_t kRetryPauseMs = 500;

// Indexed by PNP_VETO_TYPE.
constexpr const char* kVetoTypeNames[] = {
    "PNP_VetoTypeUnknown",
    "PNP_VetoLegacyDevice",
    "PNP_VetoPendingClose",
    "PNP_VetoWindowsApp",
    "PNP_VetoWindowsService",
    "PNP_VetoOutstandingOpen",
    "PNP_VetoDevice",
    "PNP_VetoDriver",
    "PNP_VetoIllegalDeviceRequest",
    "PNP_VetoInsufficientPower",
    "PNP_VetoNonDisableable",
    "PNP_VetoLegacyDriver",
    "PNP_VetoInsufficientRights",
    "PNP_VetoAlreadyRemoved",
};
static_assert(std::size(kVetoTypeNames) == kVetoTypeCount);

}  // namespace

std::string FormatEjectResult(std::uint32_t result) {
  // Upper-case hex, at least two characters, space padded on the left.
  char line[32];
  std::snprintf(line, sizeof line, "Result=0x%2X\n", static_cast<unsigned>(result));
  return line;
}

std::string VetoTypeName(std::uint32_t vetoType) {
  if (vetoType < std::size(kVetoTypeNames)) return kVetoTypeNames[vetoType];
  return "PNP_VetoType(" + std::to_string(vetoType) + ")";
}

EjectOutcome RequestDriveEject(RemovalPlatform& platform, unsigned char letter,
                               EjectNotice notice) {
  EjectOutcome outcome;
  VolumeDevice volume;
  if (!QueryVolumeDevice(platform, letter, &volume)) return outcome;
  DeviceInstance device = FindDeviceInstance(platform, volume.deviceNumber, volume.driveType,
                                             {volume.dosTarget, sizeof volume.dosTarget});
  if (device == 0) return outcome;

  // The parent query's result is deliberately not judged: when it fails, the
  // requests go to whatever it left in `parent` (0 unless it wrote there),
  // and their refusal is what gets reported.
  DeviceInstance parent = 0;
  platform.QueryParent(&parent, device);

  // A refusal is often transient (a file still being closed), hence the
  // retries.
  const bool traced = notice == EjectNotice::kByPlatform;
  outcome.status = EjectStatus::kRefused;
  for (int attempt = 0; attempt < kEjectAttempts; ++attempt) {
    outcome.lastResult =
        platform.RequestEject(parent, notice == EjectNotice::kByCaller ? &outcome.veto : nullptr);
    if (outcome.lastResult == kCrSuccess) {
      if (traced) platform.WriteTrace("Success\n\n");
      outcome.status = EjectStatus::kEjected;
      return outcome;
    }
    platform.Pause(kRetryPauseMs);
  }
  if (traced) {
    platform.WriteTrace("failed\n");
    platform.WriteTrace(FormatEjectResult(outcome.lastResult));
  }
  return outcome;
}

std::vector<std::string> GroupLettersByDevice(RemovalPlatform& platform,
                                              const std::vector<char>& letters) {
  struct Group {
    bool known;
    InterfaceClass cls;
    std::uint32_t number;
    std::string letters;
  };
  std::vector<Group> groups;
  for (char letter : letters) {
    VolumeDevice volume;
    if (!QueryVolumeDevice(platform, static_cast<unsigned char>(letter), &volume)) {
      groups.push_back({false, InterfaceClass::None, 0, std::string(1, letter)});
      continue;
    }
    // Disks, CD-ROM drives and floppies are numbered apart, so the class
    // goes with the number.
    InterfaceClass cls =
        ChooseInterfaceClass(volume.driveType, {volume.dosTarget, sizeof volume.dosTarget});
    auto same = [&](const Group& g) {
      return g.known && g.cls == cls && g.number == volume.deviceNumber;
    };
    auto found = std::find_if(groups.begin(), groups.end(), same);
    if (found != groups.end()) {
      found->letters += letter;
    } else {
      groups.push_back({true, cls, volume.deviceNumber, std::string(1, letter)});
    }
  }
  std::vector<std::string> devices;
  for (const Group& g : groups) devices.push_back(g.letters);
  return devices;
}

int EjectDrive(RemovalPlatform& platform, unsigned char letter) {
  return RequestDriveEject(platform, letter, EjectNotice::kByPlatform).status ==
                 EjectStatus::kEjected
             ? 0
             : 1;
}
