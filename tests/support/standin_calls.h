#pragma once
// What the tests of the eject make of the plug-and-play stand-in: a drive
// whose disk the stand-in can offer, the script's eject answers, the recorded
// calls as lines, and the checks of every argument the program passed.
#include <windows.h>
#include <cfgmgr32.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/pnp_standin.h"
#include "support/wine_mount.h"

// A removable drive of the mount manager and a device path that opens, under
// Wine, to its storage device number: the disk a scripted interface offers.
struct StandinDrive {
  std::unique_ptr<ScopedWineDrive> wine;
  std::string root;      // "Y:\"
  DWORD number = 0;      // its storage device number under Wine
  std::string diskPath;  // a device path that opens to the same number
};

// Adds the drive at the highest free letter (fails the test when it cannot).
void AddStandinDrive(StandinDrive* added);

// The script of a drive whose disk is there: `diskPath` is the one interface
// of the disk class, with device instance `device`, and the parent query
// writes `parent`.
void OfferDisk(StandinScript& script, const std::string& diskPath, std::uint32_t device,
               std::uint32_t parent);

// Request n is answered with results[n], the last one over and over after.
void ScriptRequests(StandinScript& script, const std::vector<std::uint32_t>& results);

std::string Hex(std::uint64_t value);
// ASCII of a recorded text; other characters as "?".
std::string Narrow(const wchar_t* text);

// One line per recorded call, with what decides the path through the
// procedure; the arguments themselves are checked by ExpectPlatformArguments.
std::vector<std::string> Sequence(const std::vector<StandinRecord>& records);

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b);

std::vector<StandinRecord> OfCall(const std::vector<StandinRecord>& records, StandinCall call);

// What the eject requests must pass for the veto: nothing (the window, which
// leaves the notice to the platform) or a veto type and a 260-character name
// buffer, both cleared before each request (the console).
enum class VetoOutputs { kNone, kAsked };

// Every argument of the walk and the requests, as the program must pass them
// on this architecture (see the definition).
void ExpectPlatformArguments(const std::vector<StandinRecord>& records,
                             std::uint32_t expectedDevice, VetoOutputs veto);

// Request i+1 comes at least 500 ms after request i returned, and a pause of
// 500 ms lies between them; after a refused last request, its pause comes
// before the first trace line.
void ExpectPausesBetweenRequests(const std::vector<StandinRecord>& records);
