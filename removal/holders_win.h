#pragma once
// Who holds a drive, from the system's list of open handles.
#include "removal/holders.h"

// How long a walk may take before the processes not yet looked into are
// given up and counted as not inspected.
inline constexpr unsigned kHolderWalkMs = 10000;

// Every other process's open files and folders on drive `letter` ('A'..'Z'):
// files, and folders such as a console's current one, reached by the
// drive's letter or through a folder that its volume is mounted on. The
// handles are copied into this process one at a time, asked what they are
// before anything else, and closed at once; only disk files are asked for
// their names.
DriveHolders FindDriveHolders(char letter, unsigned timeoutMs = kHolderWalkMs);
