#pragma once
// One eject as the console reports it, and the wait for holders to let go:
// a refused eject is asked again every second until the time is up.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "removal/eject.h"
#include "removal/holders.h"
#include "removal/media_eject.h"

enum class EjectAction { kDevice, kMedium };
enum class EjectResult { kEjected, kRefused, kFailed };

struct EjectReport {
  std::string letters;  // every drive of the device, in letter order; the one drive for a medium
  EjectAction action = EjectAction::kDevice;
  EjectOutcome device;       // EjectAction::kDevice
  MediaEjectOutcome medium;  // EjectAction::kMedium
  DriveHolders holders;      // who holds the drives, after a refusal
  bool cancelled = false;    // a cancel request ended the wait
};

// The letters of the device among `devices` (as GroupLettersByDevice gives
// them) that carries drive `letter`; the letter alone when none does.
std::string DeviceLettersOf(const std::vector<std::string>& devices, char letter);

// eject --all --except: the devices that carry none of the drives of
// `except`, since ejecting one of the others would take those drives too.
std::vector<std::string> DevicesWithout(const std::vector<std::string>& devices,
                                        std::string_view except);

// ejected; refused (a device's veto, a medium's volume in use); failed (all else).
EjectResult ResultOf(const EjectReport& report);

// The pause between two tries.
inline constexpr std::uint32_t kEjectWaitRetryMs = 1000;

struct EjectWaitEnd {
  EjectReport last;        // the last answer
  bool lastShown = false;  // whether `show` has had it already
};

// Runs `attempt`, and again every second while it is refused and
// `deadlineMs` (of `clock`'s NowMs) has not passed. `show` gets the first
// refusal and each one that differs from the one before (another veto, other
// holders). A cancel request ends the wait at once, with the last refusal
// marked cancelled.
EjectWaitEnd EjectWithWait(RemovalPlatform& clock, std::uint64_t deadlineMs,
                           const std::function<EjectReport()>& attempt,
                           const std::function<void(const EjectReport&)>& show);
