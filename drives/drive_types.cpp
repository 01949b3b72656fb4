#include "drives/drive_types.h"

#include <iterator>

namespace {
// Indexed by the DRIVE_* code.
constexpr const char* kTypeNames[] = {
    "Unknown", "NoRootDir", "Removable", "Fixed", "Remote", "CD-ROM", "RAMDisk",
};
}  // namespace

const char* DriveTypeName(uint32_t type) {
  return type < std::size(kTypeNames) ? kTypeNames[type] : "Unknown";
}

std::vector<DriveEntry> DrivesFromMask(uint32_t mask) {
  std::vector<DriveEntry> drives;
  // Bits 26..31 name no letter.
  for (int i = 0; i < 26; ++i) {
    if (mask & (uint32_t{1} << i)) drives.push_back({static_cast<char>('A' + i), 0});
  }
  return drives;
}

char FoldDriveLetter(unsigned char letter) {
  // Clearing bit 0x20 maps a..z onto A..Z; the range check then rejects
  // every byte that was not a letter before folding (such as 0x40 or 0x7B).
  unsigned char folded = letter & 0xDF;
  return folded >= 'A' && folded <= 'Z' ? static_cast<char>(folded) : 0;
}

std::string DriveName(char letter) { return std::string{letter, ':'}; }

std::string DriveRootPath(char letter) { return std::string{letter, ':', '\\'}; }
