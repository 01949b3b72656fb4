// The console's eject entries, in a file of their own so that the window
// program, which uses none of them, links none of their code.
#include "removal/eject_win.h"
#include "removal/removal_platform_win.h"

MediaEjectOutcome EjectMediumOf(unsigned char letter) {
  RemovalPlatformWin platform;
  return EjectDriveMedium(platform, letter);
}

std::uint64_t RemovalClockMs() { return RemovalPlatformWin().NowMs(); }

EjectWaitEnd EjectWithWaitUntil(std::uint64_t deadlineMs,
                                const std::function<EjectReport()>& attempt,
                                const std::function<void(const EjectReport&)>& show) {
  RemovalPlatformWin platform;
  return EjectWithWait(platform, deadlineMs, attempt, show);
}
