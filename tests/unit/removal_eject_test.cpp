#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "removal/eject.h"
#include "tests/unit/removal_fake.h"

using Calls = std::vector<std::string>;

namespace {

// The lookup part of a run on removable drive E: (device number 1), which
// finds the disk interface of device instance 300 at the second index.
const Calls kLookup = {
    R"(open \\.\E:)", "number 10",       "close 10",        R"(drivetype E:\)", "dosdevice E:",
    "classdevs disk", "enum 900 disk 0", "detailsize 900",  "detail 900 100",   "open disk0",
    "number 20",      "close 20",        "enum 900 disk 1", "detailsize 900",   "detail 900 100",
    "open disk1",     "number 21",       "close 21",        "destroy 900",
};

Calls Concat(Calls a, const Calls& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class EjectDriveTest : public ::testing::Test {
 protected:
  void SetUp() override { SetUpDrive(fake); }
  static void SetUpDrive(RecordingRemovalPlatform& fake) {
    // "\\Floppy" only in the second target string: still a disk.
    fake.AddVolume('E', 1, 2, std::string("\\Device\\Harddisk1\0\\Floppy0", 26));
    fake.AddInterface(InterfaceClass::Disk, {"disk0", 299}, 20, 0);
    fake.AddInterface(InterfaceClass::Disk, {"disk1", 300}, 21, 1);
    fake.parentWritten = 600;
  }
  RecordingRemovalPlatform fake;
};

TEST_F(EjectDriveTest, SuccessTracesOnlyTheSuccessAfterOnePausePerRefusal) {
  const Calls request = {"eject 600"}, refused = {"eject 600", "pause 500"};
  for (int refusals = 0; refusals < 3; ++refusals) {
    SCOPED_TRACE(refusals);
    RecordingRemovalPlatform f;
    SetUpDrive(f);
    f.ejectResults.assign(refusals, 0x17);
    f.ejectResults.push_back(0);
    Calls expected = Concat(kLookup, {"parent 0 300"});
    for (int i = 0; i < refusals; ++i) expected = Concat(expected, refused);
    expected = Concat(Concat(expected, request), {"trace Success\n\n"});
    EXPECT_EQ(EjectDrive(f, 'e'), 0);
    EXPECT_EQ(f.calls, expected);
    EXPECT_EQ(f.trace, "Success\n\n");
  }
}

TEST_F(EjectDriveTest, ThreeRefusalsTraceTheLastResult) {
  struct Row {
    std::uint32_t first, second, third;
    const char* line;
  };
  const Row rows[] = {
      {0x17, 0x17, 0x17, "Result=0x17\n"},
      {0x17, 0x17, 5, "Result=0x 5\n"},
      {5, 0x17, 0x1AB, "Result=0x1AB\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    RecordingRemovalPlatform f;
    SetUpDrive(f);
    f.ejectResults = {row.first, row.second, row.third, 0};
    EXPECT_EQ(EjectDrive(f, 'E'), 1);
    EXPECT_EQ(f.calls, Concat(kLookup, {"parent 0 300", "eject 600", "pause 500", "eject 600",
                                        "pause 500", "eject 600", "pause 500", "trace failed\n",
                                        std::string("trace ") + row.line}));
    EXPECT_EQ(f.trace, std::string("failed\n") + row.line);
  }
}

TEST_F(EjectDriveTest, FailedParentQuerySendsTheRequestsToZero) {
  fake.parentWritten.reset();
  fake.parentResult = 0x0D;  // CR_NO_SUCH_DEVNODE
  fake.ejectResults = {5, 5, 5};
  EXPECT_EQ(EjectDrive(fake, 'E'), 1);
  EXPECT_EQ(fake.calls,
            Concat(kLookup, {"parent 0 300", "eject 0", "pause 500", "eject 0", "pause 500",
                             "eject 0", "pause 500", "trace failed\n", "trace Result=0x 5\n"}));
}

TEST_F(EjectDriveTest, ParentResultIsNotJudged) {
  fake.parentResult = 0x0D;  // failure reported, yet a parent was written
  fake.ejectResults = {0};
  EXPECT_EQ(EjectDrive(fake, 'E'), 0);
  EXPECT_EQ(fake.calls, Concat(kLookup, {"parent 0 300", "eject 600", "trace Success\n\n"}));
}

TEST_F(EjectDriveTest, LookupFailuresWriteNothing) {
  struct Row {
    const char* name;
    unsigned char letter;
    void (*script)(RecordingRemovalPlatform&);
  };
  const Row rows[] = {
      {"not a letter", '5', [](RecordingRemovalPlatform&) {}},
      {"volume cannot be opened", 'F', [](RecordingRemovalPlatform&) {}},
      {"no matching device", 'E',
       [](RecordingRemovalPlatform& f) { f.numbers[21].deviceNumber = 2; }},
      {"remote drive", 'E', [](RecordingRemovalPlatform& f) { f.driveTypes["E:\\"] = 4; }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RecordingRemovalPlatform f;
    f.AddVolume('E', 1, 2, "\\Device\\Harddisk1\\DR1");
    f.AddInterface(InterfaceClass::Disk, {"disk1", 300}, 21, 1);
    row.script(f);
    EXPECT_EQ(EjectDrive(f, row.letter), 1);
    EXPECT_EQ(f.trace, "");
    for (const std::string& call : f.calls) {
      EXPECT_NE(call.rfind("parent", 0), 0u) << call;
      EXPECT_NE(call.rfind("eject", 0), 0u) << call;
    }
  }
}

TEST(EjectOtherDrivesTest, FixedAndCdRomDrivesAreEjectedLikeRemovableOnes) {
  for (std::uint32_t type : {3u, 5u}) {
    SCOPED_TRACE(type);
    InterfaceClass cls = type == 3 ? InterfaceClass::Disk : InterfaceClass::CdRom;
    RecordingRemovalPlatform f;
    f.AddVolume('D', 0, type, "\\Device\\Floppy0");
    f.AddInterface(cls, {"dev0", 700}, 30, 0);
    f.parentWritten = 701;
    f.ejectResults = {0};
    EXPECT_EQ(EjectDrive(f, 'D'), 0);
    ASSERT_GE(f.calls.size(), 6u);
    EXPECT_EQ(f.calls[5], "classdevs " + RecordingRemovalPlatform::Name(cls));
    EXPECT_EQ(Calls(f.calls.end() - 3, f.calls.end()),
              (Calls{"parent 0 700", "eject 701", "trace Success\n\n"}));
  }
}

// The console's variant: the same calls, but every request asks for the
// veto, nothing is traced, and the caller gets the outcome of the last request.
TEST_F(EjectDriveTest, ForTheCallerEveryRequestAsksForTheVetoAndNothingIsTraced) {
  const Calls refused = {"eject 600 veto", "pause 500"};
  struct Row {
    std::deque<std::uint32_t> results;
    EjectStatus status;
    std::uint32_t lastResult;
    Calls requests;
  };
  const Row rows[] = {
      {{0}, EjectStatus::kEjected, 0, {"eject 600 veto"}},
      {{0x17, 0}, EjectStatus::kEjected, 0, Concat(refused, {"eject 600 veto"})},
      {{0x17, 0x17, 0x123, 0},
       EjectStatus::kRefused,
       0x123,
       Concat(Concat(refused, refused), refused)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.lastResult);
    RecordingRemovalPlatform f;
    SetUpDrive(f);
    f.ejectResults = row.results;
    f.vetoes = {{5, "first"}, {6, "second"}, {7, "\\Device\\Third"}};
    EjectOutcome outcome = RequestDriveEject(f, 'e', EjectNotice::kByCaller);
    EXPECT_EQ(outcome.status, row.status);
    EXPECT_EQ(outcome.lastResult, row.lastResult);
    EXPECT_EQ(f.calls, Concat(Concat(kLookup, {"parent 0 300"}), row.requests));
    EXPECT_EQ(f.trace, "");
    if (row.status == EjectStatus::kRefused) {
      // The veto of the last request, not of the first.
      EXPECT_EQ(outcome.veto.type, 7u);
      EXPECT_EQ(outcome.veto.name, "\\Device\\Third");
    }
  }
}

TEST_F(EjectDriveTest, TheOutcomeTellsALookupFailureFromARefusal) {
  RecordingRemovalPlatform noDevice;
  noDevice.AddVolume('E', 1, 4, "\\Device\\LanmanRedirector");  // a remote drive: no class
  for (EjectNotice notice : {EjectNotice::kByPlatform, EjectNotice::kByCaller}) {
    EjectOutcome outcome = RequestDriveEject(noDevice, 'E', notice);
    EXPECT_EQ(outcome.status, EjectStatus::kNoDevice);
    EXPECT_EQ(outcome.lastResult, 0u);
    EXPECT_EQ(noDevice.trace, "");
  }
  // The window's procedure says 1 for both, and traces only the refusal.
  fake.ejectResults = {0x17, 0x17, 0x17};
  EjectOutcome refused = RequestDriveEject(fake, 'E', EjectNotice::kByPlatform);
  EXPECT_EQ(refused.status, EjectStatus::kRefused);
  EXPECT_EQ(refused.lastResult, 0x17u);
  EXPECT_EQ(fake.trace, "failed\nResult=0x17\n");
  EXPECT_EQ(EjectDrive(noDevice, 'E'), 1);
}

TEST(VetoTypeNameTest, ThePlatformsNamesAndANumberForOthers) {
  EXPECT_EQ(VetoTypeName(0), "PNP_VetoTypeUnknown");
  EXPECT_EQ(VetoTypeName(5), "PNP_VetoOutstandingOpen");
  EXPECT_EQ(VetoTypeName(6), "PNP_VetoDevice");
  EXPECT_EQ(VetoTypeName(13), "PNP_VetoAlreadyRemoved");
  EXPECT_EQ(VetoTypeName(14), "PNP_VetoType(14)");
  EXPECT_EQ(VetoTypeName(0xFFFFFFFF), "PNP_VetoType(4294967295)");
}

TEST(FormatEjectResultTest, UpperCaseHexInAtLeastTwoColumns) {
  EXPECT_EQ(FormatEjectResult(0), "Result=0x 0\n");
  EXPECT_EQ(FormatEjectResult(5), "Result=0x 5\n");
  EXPECT_EQ(FormatEjectResult(0xF), "Result=0x F\n");
  EXPECT_EQ(FormatEjectResult(0x17), "Result=0x17\n");
  EXPECT_EQ(FormatEjectResult(0xab), "Result=0xAB\n");
  EXPECT_EQ(FormatEjectResult(0x1AB), "Result=0x1AB\n");
  EXPECT_EQ(FormatEjectResult(0xFFFFFFFF), "Result=0xFFFFFFFF\n");
}

}  // namespace

// eject --all asks once per storage device: volumes on one device number of
// one class are one device, in the order of their first letters; a letter
// whose volume cannot be looked up stands alone.
TEST(GroupLettersByDeviceTest, LettersOfOneDeviceAreOneEject) {
  RecordingRemovalPlatform f;
  f.AddVolume('E', 1, 2, "\\Device\\Harddisk1\\DR1", 11);
  f.AddVolume('F', 2, 2, "\\Device\\Harddisk2\\DR2", 12);
  f.AddVolume('G', 1, 2, "\\Device\\Harddisk1\\DR1", 13);  // E:'s second partition
  f.AddVolume('H', 1, 5, "\\Device\\CdRom1", 14);          // CD-ROM number 1: another device
  f.AddVolume('I', 2, 2, "\\Device\\Floppy2", 15);         // floppy number 2: another device
  EXPECT_EQ(GroupLettersByDevice(f, {'E', 'F', 'G', 'H', 'I', 'J'}),
            (std::vector<std::string>{"EG", "F", "H", "I", "J"}));
}
