#pragma once
// Safe removal of a drive: its storage device's parent is asked to eject.
#include <cstdint>
#include <string>

#include "removal/removal_platform.h"

// The failure trace line for the last eject result: "Result=0x%2X\n".
std::string FormatEjectResult(std::uint32_t result);

// Looks the drive up and asks for its parent device to be ejected, up to
// three times. Returns 0 when the device was ejected, 1 on any failure; only
// the outcome of the requests is traced.
int EjectDrive(RemovalPlatform& platform, unsigned char letter);
