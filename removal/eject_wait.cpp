#include "removal/eject_wait.h"

#include <algorithm>

namespace {

// Whether two answers would read the same: the same outcome, the same holders.
bool SameAnswer(const EjectReport& a, const EjectReport& b) {
  return a.letters == b.letters && a.action == b.action && a.device == b.device &&
         a.medium == b.medium && a.holders.holders == b.holders.holders &&
         a.holders.notInspected == b.holders.notInspected &&
         a.holders.outOfTime == b.holders.outOfTime && a.cancelled == b.cancelled;
}

}  // namespace

std::string DeviceLettersOf(const std::vector<std::string>& devices, char letter) {
  for (const std::string& device : devices)
    if (device.find(letter) != std::string::npos) return device;
  return std::string(1, letter);
}

std::vector<std::string> DevicesWithout(const std::vector<std::string>& devices,
                                        std::string_view except) {
  std::vector<std::string> kept;
  for (const std::string& device : devices)
    if (device.find_first_of(except) == std::string::npos) kept.push_back(device);
  return kept;
}

EjectResult ResultOf(const EjectReport& report) {
  if (report.action == EjectAction::kDevice) {
    switch (report.device.status) {
      case EjectStatus::kEjected:
        return EjectResult::kEjected;
      case EjectStatus::kRefused:
        return EjectResult::kRefused;
      case EjectStatus::kNoDevice:
        break;
    }
    return EjectResult::kFailed;
  }
  switch (report.medium.status) {
    case MediaEjectStatus::kEjected:
      return EjectResult::kEjected;
    case MediaEjectStatus::kLockRefused:
      return EjectResult::kRefused;
    default:
      break;
  }
  return EjectResult::kFailed;
}

EjectWaitEnd EjectWithWait(RemovalPlatform& clock, std::uint64_t deadlineMs,
                           const std::function<EjectReport()>& attempt,
                           const std::function<void(const EjectReport&)>& show) {
  EjectWaitEnd end{attempt(), false};
  EjectReport shown;
  while (ResultOf(end.last) == EjectResult::kRefused) {
    if (!end.lastShown || !SameAnswer(end.last, shown)) {
      show(end.last);
      shown = end.last;
      end.lastShown = true;
    }
    if (end.last.cancelled) break;
    const std::uint64_t now = clock.NowMs();
    if (now >= deadlineMs) break;
    const auto pause =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(kEjectWaitRetryMs, deadlineMs - now));
    if (!clock.PauseUnlessCancelled(pause)) {
      end.last.cancelled = true;
      break;
    }
    EjectReport next = attempt();
    end.lastShown = SameAnswer(next, shown);
    end.last = std::move(next);
  }
  return end;
}
