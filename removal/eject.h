#pragma once
// Safe removal of a drive: its storage device's parent is asked to eject.
#include <cstdint>
#include <string>
#include <vector>

#include "removal/removal_platform.h"

// Who tells the user how an eject went.
enum class EjectNotice {
  // The window: the requests ask for no veto outputs, so that the platform
  // shows its own notice of the removal or of the refusal; the outcome of
  // the requests goes to the trace output.
  kByPlatform,
  // The console: the requests ask for the veto type and name, which keeps
  // the platform quiet; nothing is traced, the caller reports the outcome.
  kByCaller,
};

enum class EjectStatus {
  kEjected,   // a request succeeded
  kRefused,   // all three requests failed
  kNoDevice,  // no storage device was found for the letter; nothing was requested
};

struct EjectOutcome {
  EjectStatus status = EjectStatus::kNoDevice;
  // The CONFIGRET of the last request; 0 when none was made.
  std::uint32_t lastResult = 0;
  // What the last request reported as the veto (EjectNotice::kByCaller only).
  EjectVeto veto;
  bool operator==(const EjectOutcome&) const = default;
};

// The failure trace line for the last eject result: "Result=0x%2X\n".
std::string FormatEjectResult(std::uint32_t result);

// The PNP_VETO_TYPE's own name ("PNP_VetoOutstandingOpen"); a value the
// platform does not define reads "PNP_VetoType(<decimal>)".
std::string VetoTypeName(std::uint32_t vetoType);

// The eject procedure that both front ends run: looks the drive up and asks
// for its parent device to be ejected, up to three times, with a pause after
// every refusal.
EjectOutcome RequestDriveEject(RemovalPlatform& platform, unsigned char letter, EjectNotice notice);

// The drives of `letters` as the devices that carry them, in the order of
// their first letters: letters whose volumes share one storage device (two
// partitions of one stick) are one device, and so one eject request. A
// letter whose storage device cannot be told is a device of its own.
std::vector<std::string> GroupLettersByDevice(RemovalPlatform& platform,
                                              const std::vector<char>& letters);

// The remove button's procedure (EjectNotice::kByPlatform): 0 when the
// device was ejected, 1 on any failure.
int EjectDrive(RemovalPlatform& platform, unsigned char letter);
