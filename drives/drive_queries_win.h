#pragma once
// The platform queries behind the drive list and the drive report.
#include <cstdint>

#include "drives/drive_report.h"

// Runs the shell, free-space and volume queries on the drive's root path.
DriveReportInput QueryDriveReportInput(char letter);

// GetDriveType of the drive's root path.
uint32_t QueryDriveType(char letter);

// The logical-drive mask: bit i set for letter 'A' + i.
uint32_t QueryLogicalDrives();
