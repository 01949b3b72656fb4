#pragma once
// The console program's eject calls over the real platform.
#include "removal/eject.h"

// The console's entry: the eject procedure, asking for the veto of a refusal.
EjectOutcome EjectDriveWithVeto(unsigned char letter);

// The drives of `letters` as the devices that carry them (GroupLettersByDevice).
std::vector<std::string> GroupDrivesByDevice(const std::vector<char>& letters);
