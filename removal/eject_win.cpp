#include "removal/eject_win.h"

#include "removal/removal_platform_win.h"

int EjectDrive(unsigned char letter) {
  RemovalPlatformWin platform;
  return EjectDrive(platform, letter);
}

std::vector<std::string> GroupDrivesByDevice(const std::vector<char>& letters) {
  RemovalPlatformWin platform;
  return GroupLettersByDevice(platform, letters);
}

EjectOutcome EjectDriveWithVeto(unsigned char letter) {
  RemovalPlatformWin platform;
  return RequestDriveEject(platform, letter, EjectNotice::kByCaller);
}

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
