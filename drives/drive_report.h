#pragma once
// The plain-text information report of one drive, built from the results of
// its shell, free-space and volume queries.
#include <cstdint>
#include <span>
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

// The file-system feature flags that the report explains, as the SDK defines
// them (FILE_*; drive_queries_win.cpp checks them against it).
constexpr uint32_t kFileCaseSensitiveSearch = 0x00000001;
constexpr uint32_t kFileCasePreservedNames = 0x00000002;
constexpr uint32_t kFileUnicodeOnDisk = 0x00000004;
constexpr uint32_t kFilePersistentAcls = 0x00000008;
constexpr uint32_t kFileFileCompression = 0x00000010;
constexpr uint32_t kFileVolumeQuotas = 0x00000020;
constexpr uint32_t kFileSupportsSparseFiles = 0x00000040;
constexpr uint32_t kFileSupportsReparsePoints = 0x00000080;
constexpr uint32_t kFileVolumeIsCompressed = 0x00008000;
constexpr uint32_t kFileSupportsObjectIds = 0x00010000;
constexpr uint32_t kFileSupportsEncryption = 0x00020000;
constexpr uint32_t kFileNamedStreams = 0x00040000;

// A file-system feature flag that the report explains in a line of its own.
struct FileSystemFlag {
  uint32_t bit;
  const char* name;  // the platform's name, such as "FILE_CASE_PRESERVED_NAMES"
  const char* line;  // the report's line for it, "\r\n" included
};

// The twelve flags, in the order the report lists them (not bit order).
std::span<const FileSystemFlag> FileSystemFlagTable();

// The report text; every line ends in "\r\n".
std::string BuildDriveReport(const DriveReportInput& input);

// Decimal digits with a comma between groups of three: 1234567 -> "1,234,567".
std::string GroupThousands(uint64_t value);
