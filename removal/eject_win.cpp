#include "removal/eject_win.h"

#include "removal/removal_platform_win.h"

std::vector<std::string> GroupDrivesByDevice(const std::vector<char>& letters) {
  RemovalPlatformWin platform;
  return GroupLettersByDevice(platform, letters);
}

EjectOutcome EjectDriveWithVeto(unsigned char letter) {
  RemovalPlatformWin platform;
  return RequestDriveEject(platform, letter, EjectNotice::kByCaller);
}
