#pragma once
// Drive letters and drive types as the drive list shows them.
#include <cstdint>
#include <string>
#include <vector>

// GetDriveType's DRIVE_REMOVABLE: the only type the remove button acts on.
constexpr uint32_t kDriveRemovable = 2;

struct DriveEntry {
  char letter;    // 'A'..'Z'
  uint32_t type;  // GetDriveType code, 0..6
};

// Display name of a drive type code; unknown codes read "Unknown".
const char* DriveTypeName(uint32_t type);

// One entry per letter in a logical-drive mask, A first, types still 0.
std::vector<DriveEntry> DrivesFromMask(uint32_t mask);

// "E:\", the path every drive query takes.
std::string DriveRootPath(char letter);
