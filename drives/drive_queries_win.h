#pragma once
// The platform queries behind the drive list and the drive report.
#include <cstdint>
#include <vector>

#include "drives/drive_report.h"
#include "drives/drive_types.h"

// Runs the shell, free-space and volume queries on the drive's root path.
DriveReportInput QueryDriveReportInput(char letter);

// GetDriveType of the drive's root path.
uint32_t QueryDriveType(char letter);

// The logical-drive mask: bit i set for letter 'A' + i.
uint32_t QueryLogicalDrives();

// The drive set as the drive list shows it: one entry per letter of the
// logical-drive mask, A first, each with its drive type.
std::vector<DriveEntry> QueryDrives();
