#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "removal/eject_wait.h"
#include "removal/media_eject.h"
#include "tests/unit/removal_fake.h"

namespace {

using Calls = std::vector<std::string>;
using Status = MediaEjectStatus;
constexpr std::uint64_t kNever = ~std::uint64_t{0};

// The calls up to the lock that decides, after `refusals` refused locks with
// a pause of 500 ms after each; then `rest`.
Calls AfterLocks(int refusals, const Calls& rest) {
  Calls calls = {"drivetype E:\\", "openrw \\\\.\\E:"};
  for (int i = 0; i < refusals; ++i) calls.insert(calls.end(), {"lock 40", "wait 500"});
  calls.push_back("lock 40");
  calls.insert(calls.end(), rest.begin(), rest.end());
  return calls;
}

// The documented order; a lock retried every 500 ms for 10 s while the
// volume is in use; after the lock, a failure unlocks before the close.
TEST(MediaEject, SequenceRetriesAndFailuresOverTheFake) {
  struct Case {
    const char* name;
    int refusals;  // of the lock, with `lockError`
    std::uint32_t lockError, dismount, removal, media;
    Status status;
    MediaStep step;
    Calls calls;
  } const cases[] = {
      {"lock refused twice, then granted; the close ends the lock", 2, 5, 0, 0, 0, Status::kEjected,
       MediaStep::kEject,
       AfterLocks(2, {"dismount 40", "prevent false 40", "eject 40", "close 40"})},
      {"lock never granted: 21 tries in 10 s", 40, 32, 0, 0, 0, Status::kLockRefused,
       MediaStep::kLock, AfterLocks(20, {"close 40"})},
      {"an empty slot is not retried", 1, 21, 0, 0, 0, Status::kNoMedium, MediaStep::kLock,
       AfterLocks(0, {"close 40"})},
      {"dismount fails", 0, 0, 50, 0, 0, Status::kFailed, MediaStep::kDismount,
       AfterLocks(0, {"dismount 40", "unlock 40", "close 40"})},
      {"eject fails after the dismount", 0, 0, 0, 0, 31, Status::kFailed, MediaStep::kEject,
       AfterLocks(0, {"dismount 40", "prevent false 40", "eject 40", "unlock 40", "close 40"})},
      {"a medium that cannot come out", 0, 0, 0, 1, 0, Status::kNotEjectable,
       MediaStep::kAllowRemoval,
       AfterLocks(0, {"dismount 40", "prevent false 40", "unlock 40", "close 40"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingRemovalPlatform fake;
    fake.driveTypes["E:\\"] = 2;
    fake.lockResults.assign(c.refusals, c.lockError);
    fake.dismountResult = c.dismount;
    fake.removalResult = c.removal;
    fake.mediaResult = c.media;
    const MediaEjectOutcome outcome = EjectDriveMedium(fake, 'e');
    EXPECT_EQ(outcome.status, c.status);
    EXPECT_EQ(outcome.step, c.step);
    EXPECT_EQ(fake.calls, c.calls);
  }
}

TEST(MediaEject, ACancelEndsTheRetriesAndFailuresBeforeTheLockNeedNoUnlock) {
  RecordingRemovalPlatform fake;
  fake.driveTypes = {{"E:\\", 2}, {"C:\\", 3}};
  fake.lockResults.assign(40, 33);
  fake.cancelFromMs = 1000;
  const MediaEjectOutcome outcome = EjectDriveMedium(fake, 'E');
  EXPECT_TRUE(outcome.status == Status::kLockRefused && outcome.cancelled);
  EXPECT_EQ(fake.calls, AfterLocks(2, {"wait 500", "close 40"}));  // the third pause cancelled
  fake.calls.clear();
  fake.openError = 5;
  EXPECT_EQ(EjectDriveMedium(fake, 'E').step, MediaStep::kOpen);
  EXPECT_EQ(fake.calls.size(), 2u);
  fake.calls.clear();
  EXPECT_EQ(EjectDriveMedium(fake, 'C').status, Status::kNotEjectable);
  EXPECT_EQ(fake.calls, Calls{"drivetype C:\\"});  // a fixed drive is not even opened
}

// --wait: a try every second until the deadline; a refusal is shown when it
// differs from the one shown before (other holders), so once per change.
TEST(EjectWait, AsksEverySecondAndShowsOnlyTheChanges) {
  EjectReport refused, other, ejected;
  refused.letters = ejected.letters = "E";
  refused.device.status = EjectStatus::kRefused;
  refused.holders.holders = {{12, "a.exe", "E:\\a"}};
  other = refused;
  other.holders.holders.push_back({13, "b.exe", "E:\\b"});
  struct Case {
    const char* name;
    std::uint64_t deadline, cancelFrom;
    const char* answers;  // r refused, o with other holders, e ejected; the last one again
    size_t tries;
    const char* shown;  // each answer shown, at its time in ms
  } const cases[] = {
      {"refused, other holders, ejected", 30000, kNever, "rrooe", 5, "r0 o2000 "},
      {"time up", 2500, kNever, "r", 4, "r0 "},
      {"no wait: one try", 0, kNever, "r", 1, "r0 "},
      {"Ctrl+C ends the pause at once", 30000, 1000, "r", 2, "r0 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingRemovalPlatform clock;
    clock.cancelFromMs = c.cancelFrom;
    const std::string answers = c.answers;
    size_t tries = 0;
    std::string shown;
    const EjectWaitEnd end = EjectWithWait(
        clock, c.deadline,
        [&] {
          const char answer = answers[std::min(tries++, answers.size() - 1)];
          return answer == 'r' ? refused : answer == 'o' ? other : ejected;
        },
        [&](const EjectReport& report) {
          shown += report.holders.holders.size() == 1 ? 'r' : 'o';
          shown += std::to_string(clock.nowMs) + " ";
        });
    EXPECT_EQ(tries, c.tries);
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(end.last.cancelled, c.cancelFrom != kNever);
    EXPECT_EQ(end.lastShown, ResultOf(end.last) == EjectResult::kRefused);
  }
}

TEST(EjectExcept, AnExceptedDriveKeepsItsWholeDevice) {
  const std::vector<std::string> devices = {"EG", "F", "H"};
  EXPECT_EQ(DevicesWithout(devices, "G"), (std::vector<std::string>{"F", "H"}));
  EXPECT_EQ(DevicesWithout(devices, "HE"), (std::vector<std::string>{"F"}));
  EXPECT_EQ(DeviceLettersOf(devices, 'G'), "EG");
  EXPECT_EQ(DeviceLettersOf(devices, 'Z'), "Z");
}

}  // namespace
