#pragma once
// Ejects drives with the real platform calls.
#include "removal/eject.h"
#include "removal/eject_wait.h"
#include "removal/media_eject.h"

// The remove button's entry: 0 when the drive's device was ejected, 1 on any
// failure; the platform tells the user, the trace output gets the outcome.
int EjectDrive(unsigned char letter);

// The console's entry: the same procedure, asking for the veto of a refusal.
EjectOutcome EjectDriveWithVeto(unsigned char letter);

// The drives of `letters` as the devices that carry them (GroupLettersByDevice).
std::vector<std::string> GroupDrivesByDevice(const std::vector<char>& letters);

// The medium's eject of drive `letter` (EjectDriveMedium).
MediaEjectOutcome EjectMediumOf(unsigned char letter);

// The platform's steady clock in milliseconds, for a wait's deadline.
std::uint64_t RemovalClockMs();

// EjectWithWait over the platform's clock and its cancellable pause.
EjectWaitEnd EjectWithWaitUntil(std::uint64_t deadlineMs,
                                const std::function<EjectReport()>& attempt,
                                const std::function<void(const EjectReport&)>& show);

// Ends every PauseUnlessCancelled of the process, now and later: the waits
// and the lock's retries. Safe to call from a console control handler.
void CancelRemovalPauses();
