#include "removal/media_eject.h"

#include "removal/device_lookup.h"

namespace {

bool IsNoMedium(std::uint32_t error) {
  return error == kErrorNotReady || error == kErrorNoMediaInDrive;
}

// What a lock refusal looks like while files are open on the volume.
bool IsInUse(std::uint32_t error) {
  return error == kErrorAccessDenied || error == kErrorSharingViolation ||
         error == kErrorLockViolation;
}

bool IsUnsupported(std::uint32_t error) {
  return error == kErrorInvalidFunction || error == kErrorNotSupported;
}

MediaEjectOutcome Outcome(MediaEjectStatus status, MediaStep step, std::uint32_t error) {
  MediaEjectOutcome outcome;
  outcome.status = status;
  outcome.step = step;
  outcome.error = error;
  return outcome;
}

// A step after the lock that failed: an empty drive, a medium that cannot
// come out (only the removal and eject steps can tell), or a plain failure.
MediaEjectOutcome StepFailure(MediaStep step, std::uint32_t error) {
  if (IsNoMedium(error)) return Outcome(MediaEjectStatus::kNoMedium, step, error);
  if (step != MediaStep::kDismount && IsUnsupported(error))
    return Outcome(MediaEjectStatus::kNotEjectable, step, error);
  return Outcome(MediaEjectStatus::kFailed, step, error);
}

}  // namespace

MediaEjectOutcome EjectDriveMedium(RemovalPlatform& platform, unsigned char letter) {
  DriveNames names;
  if (!BuildDriveNames(letter, &names)) return {};
  // Only removable and CD-ROM drives have a medium that can come out; a
  // fixed or network drive is not even opened.
  const std::uint32_t type = platform.QueryDriveType(names.rootPath);
  if (type != kDriveRemovable && type != kDriveCdRom)
    return Outcome(MediaEjectStatus::kNotEjectable, MediaStep::kOpen, 0);

  std::uint32_t error = 0;
  const PlatformHandle volume = platform.OpenVolume(names.volumePath, &error);
  if (volume == kInvalidPlatformHandle)
    return IsNoMedium(error) ? Outcome(MediaEjectStatus::kNoMedium, MediaStep::kOpen, error)
                             : Outcome(MediaEjectStatus::kFailed, MediaStep::kOpen, error);

  const std::uint64_t start = platform.NowMs();
  while ((error = platform.LockVolume(volume)) != 0) {
    MediaEjectOutcome outcome;
    if (IsNoMedium(error)) {
      outcome = Outcome(MediaEjectStatus::kNoMedium, MediaStep::kLock, error);
    } else if (!IsInUse(error)) {
      outcome = Outcome(MediaEjectStatus::kFailed, MediaStep::kLock, error);
    } else {
      outcome = Outcome(MediaEjectStatus::kLockRefused, MediaStep::kLock, error);
      if (platform.NowMs() - start + kLockRetryMs <= kLockWaitMs) {
        if (platform.PauseUnlessCancelled(kLockRetryMs)) continue;
        outcome.cancelled = true;
      }
    }
    platform.CloseDevice(volume);
    return outcome;
  }

  // From here on the volume is locked; a failure unlocks it before the
  // close, and a dismounted volume is mounted again at its next use.
  struct Step {
    MediaStep step;
    std::uint32_t (*run)(RemovalPlatform&, PlatformHandle);
  };
  static constexpr Step kSteps[] = {
      {MediaStep::kDismount,
       [](RemovalPlatform& p, PlatformHandle v) { return p.DismountVolume(v); }},
      {MediaStep::kAllowRemoval,
       [](RemovalPlatform& p, PlatformHandle v) { return p.PreventMediaRemoval(v, false); }},
      {MediaStep::kEject, [](RemovalPlatform& p, PlatformHandle v) { return p.EjectMedia(v); }},
  };
  for (const Step& step : kSteps) {
    if ((error = step.run(platform, volume)) == 0) continue;
    platform.UnlockVolume(volume);
    platform.CloseDevice(volume);
    return StepFailure(step.step, error);
  }
  platform.CloseDevice(volume);
  return Outcome(MediaEjectStatus::kEjected, MediaStep::kEject, 0);
}
