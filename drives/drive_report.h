#pragma once
// The plain-text information report of one drive, built from the results of
// its shell, free-space and volume queries.
#include <cstdint>
#include <string>

// What the queries left in their outputs, zero where they wrote nothing.
// Texts are code page 932 and need not be NUL-terminated inside their buffers.
struct DriveReportInput {
  uint32_t iconHandle = 0;
  int32_t iconIndex = 0;
  uint32_t attributes = 0;
  char displayName[260] = {};
  char typeName[80] = {};
  bool freeSpaceResult = false;
  uint64_t freeBytesAvailableToCaller = 0;
  uint64_t totalBytes = 0;
  uint64_t totalFreeBytes = 0;
  bool volumeResult = false;
  char volumeName[260] = {};
  uint32_t volumeSerialNumber = 0;
  uint32_t maximumComponentLength = 0;
  uint32_t fileSystemFlags = 0;
  char fileSystemName[260] = {};
};

// The report text; every line ends in "\r\n".
std::string BuildDriveReport(const DriveReportInput& input);

// Decimal digits with a comma between groups of three: 1234567 -> "1,234,567".
std::string GroupThousands(uint64_t value);
