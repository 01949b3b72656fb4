#include "removal/eject.h"

#include <cstdio>

#include "removal/device_lookup.h"

namespace {

constexpr int kEjectAttempts = 3;
constexpr std::uint32_t kRetryPauseMs = 500;
constexpr std::uint32_t kCrSuccess = 0;

}  // namespace

std::string FormatEjectResult(std::uint32_t result) {
  // Upper-case hex, at least two characters, space padded on the left.
  char line[32];
  std::snprintf(line, sizeof line, "Result=0x%2X\n", static_cast<unsigned>(result));
  return line;
}

int EjectDrive(RemovalPlatform& platform, unsigned char letter) {
  VolumeDevice volume;
  if (!QueryVolumeDevice(platform, letter, &volume)) return 1;
  DeviceInstance device = FindDeviceInstance(platform, volume.deviceNumber, volume.driveType,
                                             {volume.dosTarget, sizeof volume.dosTarget});
  if (device == 0) return 1;

  // The parent query's result is deliberately not judged: when it fails, the
  // requests go to whatever it left in `parent` (0 unless it wrote there),
  // and their refusal is what gets traced.
  DeviceInstance parent = 0;
  platform.QueryParent(&parent, device);

  // No veto outputs are asked for, so the platform itself tells the user why
  // a removal was refused; a refusal is often transient, hence the retries.
  std::uint32_t result = kCrSuccess;
  for (int attempt = 0; attempt < kEjectAttempts; ++attempt) {
    result = platform.RequestEject(parent);
    if (result == kCrSuccess) {
      platform.WriteTrace("Success\n\n");
      return 0;
    }
    platform.Pause(kRetryPauseMs);
  }
  platform.WriteTrace("failed\n");
  platform.WriteTrace(FormatEjectResult(result));
  return 1;
}
