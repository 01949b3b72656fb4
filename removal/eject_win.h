#pragma once
// The console program's eject calls over the real platform.
#include "removal/eject.h"
#include "removal/eject_wait.h"
#include "removal/media_eject.h"

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
