#pragma once
// The medium's eject: the card out of one slot of a card reader, the disc out
// of an optical drive. The device and its other drives stay.
#include <cstdint>

#include "removal/removal_platform.h"

enum class MediaEjectStatus {
  kEjected,
  kLockRefused,   // the volume stayed in use: files are open on it
  kNoMedium,      // the drive is empty
  kNotEjectable,  // the drive's medium is not one that can be taken out
  kFailed,        // a step failed for another reason: `step` and `error`
};

// The steps of the sequence, in their order.
enum class MediaStep { kOpen, kLock, kDismount, kAllowRemoval, kEject };

struct MediaEjectOutcome {
  MediaEjectStatus status = MediaEjectStatus::kFailed;
  MediaStep step = MediaStep::kOpen;  // the step that decided the outcome
  std::uint32_t error = 0;            // its error code; 0 after an eject
  bool cancelled = false;             // the lock's retries were ended by a cancel request
  bool operator==(const MediaEjectOutcome&) const = default;
};

// The lock is asked for again every kLockRetryMs while files are open, for
// up to kLockWaitMs.
inline constexpr std::uint32_t kLockRetryMs = 500;
inline constexpr std::uint32_t kLockWaitMs = 10000;

// Ejects the medium of drive `letter`: opens its volume, locks it (retrying
// while it is in use), dismounts it, allows the medium's removal, ejects it
// and closes the volume, which ends the lock. A failure after the lock
// unlocks the volume before it is closed, so that it stays usable.
MediaEjectOutcome EjectDriveMedium(RemovalPlatform& platform, unsigned char letter);
