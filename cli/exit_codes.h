#pragma once
// QuorlinCmd's exit codes, as its help lists them. Some values mean one
// thing for one command and another for the next; each meaning has its own
// name here, so that the code says which it returns.

// Every command.
inline constexpr int kExitSuccess = 0;  // done; eject: ejected, or nothing left to eject
inline constexpr int kExitNoDrive = 2;  // no such drive, or no storage device found for it
inline constexpr int kExitUsage = 64;   // the command line was not understood
// The output could not be written, or watch could not open its window.
inline constexpr int kExitOutput = 74;

// eject: a device refused or failed, the medium was not ejected, or Ctrl+C
// ended the wait.
inline constexpr int kExitRefused = 1;

// who: some process holds the drive; no process holds it; the walk ran out
// of time before it found any process holding it, so whether one does is
// not known.
inline constexpr int kExitHeld = 0;
inline constexpr int kExitNotHeld = 1;
inline constexpr int kExitUnfinished = 3;
