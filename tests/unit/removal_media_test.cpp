#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "removal/eject_wait.h"
#include "removal/media_eject.h"
#include "tests/unit/removal_fake.h"

namespace {

using Calls = std::vector<std::string>;

class MediaEjectTest : public ::testing::Test {
 protected:
  void SetUp() override { fake.driveTypes["E:\\"] = 2; }
  // The calls after n refused locks: a pause of 500 ms after each.
  static Calls LockedAfter(int refusals) {
    Calls calls = {"drivetype E:\\", "openrw \\\\.\\E:"};
    for (int i = 0; i < refusals; ++i) calls.insert(calls.end(), {"lock 40", "wait 500"});
    calls.push_back("lock 40");
    return calls;
  }
  static Calls Then(Calls a, const Calls& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  }
  RecordingRemovalPlatform fake;
};

TEST_F(MediaEjectTest, LockRefusedTwiceThenTheDocumentedSequence) {
  fake.lockResults = {5, 32};
  MediaEjectOutcome outcome = EjectDriveMedium(fake, 'e');
  EXPECT_EQ(outcome.status, MediaEjectStatus::kEjected);
  // No unlock: the close ends the lock.
  EXPECT_EQ(fake.calls,
            Then(LockedAfter(2), {"dismount 40", "prevent 40 false", "ejectmedia 40", "close 40"}));
}

TEST_F(MediaEjectTest, ALockNeverGrantedIsTriedForTenSecondsOrUntilCancelled) {
  fake.lockResults.assign(40, 5);
  MediaEjectOutcome outcome = EjectDriveMedium(fake, 'E');
  EXPECT_EQ(outcome.status, MediaEjectStatus::kLockRefused);
  EXPECT_EQ(outcome.error, 5u);
  EXPECT_FALSE(outcome.cancelled);
  // Tries at 0, 500, ... 10000 ms: 21 locks, 20 pauses; never locked, so no unlock.
  EXPECT_EQ(fake.calls, Then(LockedAfter(20), {"close 40"}));
  EXPECT_EQ(fake.nowMs, 10000u);

  RecordingRemovalPlatform cancelled;
  cancelled.driveTypes["E:\\"] = 2;
  cancelled.lockResults.assign(40, 33);
  cancelled.cancelFromMs = 1000;
  outcome = EjectDriveMedium(cancelled, 'E');
  EXPECT_EQ(outcome.status, MediaEjectStatus::kLockRefused);
  EXPECT_TRUE(outcome.cancelled);
  // The third pause is cancelled at once, and the volume closed.
  EXPECT_EQ(cancelled.calls, Then(LockedAfter(2), {"wait 500", "close 40"}));
}

// A failure after the lock unlocks before the close; what it reports.
TEST_F(MediaEjectTest, AFailedStepLeavesTheVolumeUnlocked) {
  struct Case {
    const char* name;
    std::uint32_t dismount, removal, media;
    MediaEjectStatus status;
    MediaStep step;
    Calls last;
  };
  const Case cases[] = {
      {"dismount fails",
       50,
       0,
       0,
       MediaEjectStatus::kFailed,
       MediaStep::kDismount,
       {"dismount 40", "unlock 40", "close 40"}},
      {"eject fails after the dismount",
       0,
       0,
       31,
       MediaEjectStatus::kFailed,
       MediaStep::kEject,
       {"prevent 40 false", "ejectmedia 40", "unlock 40", "close 40"}},
      {"medium cannot come out",
       0,
       1,
       0,
       MediaEjectStatus::kNotEjectable,
       MediaStep::kAllowRemoval,
       {"prevent 40 false", "unlock 40", "close 40"}},
      {"drive empty",
       0,
       0,
       21,
       MediaEjectStatus::kNoMedium,
       MediaStep::kEject,
       {"ejectmedia 40", "unlock 40", "close 40"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingRemovalPlatform f;
    f.driveTypes["E:\\"] = 5;
    f.dismountResult = c.dismount;
    f.removalResult = c.removal;
    f.mediaResult = c.media;
    MediaEjectOutcome outcome = EjectDriveMedium(f, 'E');
    EXPECT_EQ(outcome.status, c.status);
    EXPECT_EQ(outcome.step, c.step);
    EXPECT_EQ(outcome.error, c.dismount + c.removal + c.media);
    EXPECT_EQ(Calls(f.calls.end() - static_cast<long>(c.last.size()), f.calls.end()), c.last);
  }
}

TEST_F(MediaEjectTest, FailuresBeforeTheLockNeedNoUnlock) {
  fake.lockResults = {21};  // an empty slot: not retried
  EXPECT_EQ(EjectDriveMedium(fake, 'E').status, MediaEjectStatus::kNoMedium);
  EXPECT_EQ(fake.calls, Then(LockedAfter(0), {"close 40"}));

  RecordingRemovalPlatform f;
  f.driveTypes["E:\\"] = 2;
  f.openError = 5;
  MediaEjectOutcome outcome = EjectDriveMedium(f, 'E');
  EXPECT_EQ(outcome.status, MediaEjectStatus::kFailed);
  EXPECT_EQ(outcome.step, MediaStep::kOpen);
  EXPECT_EQ(f.calls.size(), 2u);

  RecordingRemovalPlatform fixed;  // a fixed drive is not even opened
  fixed.driveTypes["C:\\"] = 3;
  EXPECT_EQ(EjectDriveMedium(fixed, 'C').status, MediaEjectStatus::kNotEjectable);
  EXPECT_EQ(fixed.calls, Calls{"drivetype C:\\"});
}

// --wait: refused, refused with other holders, then ejected; only the
// changes are shown, and the pauses are a second each.
TEST(EjectWaitTest, AsksEverySecondAndShowsOnlyTheChanges) {
  EjectReport refused;
  refused.letters = "E";
  refused.device.status = EjectStatus::kRefused;
  refused.holders.holders = {{12, "a.exe", "E:\\a"}};
  EjectReport other = refused;
  other.holders.holders.push_back({13, "b.exe", "E:\\b"});
  EjectReport ejected;
  ejected.letters = "E";
  ejected.device.status = EjectStatus::kEjected;

  RecordingRemovalPlatform clock;
  std::vector<EjectReport> answers = {refused, refused, other, other, ejected};
  size_t next = 0;
  std::vector<std::uint64_t> shownAt;
  EjectWaitEnd end = EjectWithWait(
      clock, 30000, [&] { return answers[next++]; },
      [&](const EjectReport&) { shownAt.push_back(clock.nowMs); });
  EXPECT_EQ(next, answers.size());
  EXPECT_EQ(shownAt, (std::vector<std::uint64_t>{0, 2000}));
  EXPECT_EQ(ResultOf(end.last), EjectResult::kEjected);
  EXPECT_FALSE(end.lastShown);
  EXPECT_EQ(clock.calls, Calls(4, "wait 1000"));

  // Time up: the last refusal was shown already. No wait: one try.
  for (std::uint64_t deadline : {2500u, 0u}) {
    RecordingRemovalPlatform c;
    next = 0;
    shownAt.clear();
    end = EjectWithWait(
        c, deadline, [&] { return ++next, refused; },
        [&](const EjectReport&) { shownAt.push_back(c.nowMs); });
    EXPECT_EQ(next, deadline ? 4u : 1u);
    EXPECT_EQ(shownAt.size(), 1u);
    EXPECT_TRUE(end.lastShown && !end.last.cancelled);
  }
  // Ctrl+C ends the pause at once.
  RecordingRemovalPlatform c;
  c.cancelFromMs = 1000;
  end = EjectWithWait(
      c, 30000, [&] { return refused; }, [](const EjectReport&) {});
  EXPECT_TRUE(end.last.cancelled);
  EXPECT_EQ(c.nowMs, 1000u);
}

TEST(EjectExceptTest, AnExceptedDriveKeepsItsWholeDevice) {
  const std::vector<std::string> devices = {"EG", "F", "H"};
  EXPECT_EQ(DevicesWithout(devices, "G"), (std::vector<std::string>{"F", "H"}));
  EXPECT_EQ(DevicesWithout(devices, "HE"), (std::vector<std::string>{"F"}));
  EXPECT_EQ(DevicesWithout(devices, ""), devices);
  EXPECT_EQ(DeviceLettersOf(devices, 'G'), "EG");
  EXPECT_EQ(DeviceLettersOf(devices, 'Z'), "Z");
}

}  // namespace
