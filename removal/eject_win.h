#pragma once
// Ejects drives with the real platform calls.
#include "removal/eject.h"

// The remove button's entry: 0 when the drive's device was ejected, 1 on any
// failure; the platform tells the user, the trace output gets the outcome.
int EjectDrive(unsigned char letter);

// The console's entry: the same procedure, asking for the veto of a refusal.
EjectOutcome EjectDriveWithVeto(unsigned char letter);

// The drives of `letters` as the devices that carry them (GroupLettersByDevice).
std::vector<std::string> GroupDrivesByDevice(const std::vector<char>& letters);
