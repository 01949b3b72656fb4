#include "removal/eject_win.h"

#include "removal/removal_platform_win.h"

int EjectDrive(unsigned char letter) {
  RemovalPlatformWin platform;
  return EjectDrive(platform, letter);
}
