#pragma once
// The program's drive vocabulary: drive letters, the names built from them,
// and drive types as the drive list shows them.
#include <cstdint>
#include <string>
#include <vector>

// GetDriveType's codes that the program tells apart (DRIVE_REMOVABLE,
// DRIVE_FIXED, DRIVE_CDROM). Removable is the only type the remove button
// acts on.
constexpr uint32_t kDriveRemovable = 2;
constexpr uint32_t kDriveFixed = 3;
constexpr uint32_t kDriveCdRom = 5;

struct DriveEntry {
  char letter;    // 'A'..'Z'
  uint32_t type;  // GetDriveType code, 0..6
  bool operator==(const DriveEntry&) const = default;
};

// Display name of a drive type code; unknown codes read "Unknown".
const char* DriveTypeName(uint32_t type);

// One entry per letter in a logical-drive mask, A first, types still 0.
std::vector<DriveEntry> DrivesFromMask(uint32_t mask);

// Folds a letter to upper case; 0 unless the byte is one of the 52 ASCII letters.
char FoldDriveLetter(unsigned char letter);

// "E:", the drive as the user names it.
std::string DriveName(char letter);

// "E:\", the path every drive query takes.
std::string DriveRootPath(char letter);
