#pragma once
// The remove button's entry: ejects the drive with the real platform calls.

// Returns 0 when the drive's device was ejected, 1 on any failure.
int EjectDrive(unsigned char letter);
