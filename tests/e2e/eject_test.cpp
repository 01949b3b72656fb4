// The eject, end to end through the remove button of the real Quorlin.exe.
// Wine lists no storage device interfaces and only stubs the eject call, so
// the program's plug-and-play calls are taken over by the stand-in
// (tests/standin), loaded into the running program. Its interfaces have
// device paths that Wine opens to the removable test drives, so the program's
// own CreateFile and device number query still decide which one matches. The
// stand-in records every argument with a time stamp and answers the parent
// query and each request from the script; the trace is read back from the
// debug console.
#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "res/resource.h"
#include "support/console.h"
#include "support/list_rows.h"
#include "support/pnp_standin.h"
#include "support/process.h"
#include "support/remote_window.h"
#include "support/standin_calls.h"
#include "support/wine_mount.h"

namespace {

constexpr std::uint32_t kCrNoSuchDevnode = 0x0D;

// Device instances the script hands out; the stand-in's values, not Wine's.
constexpr std::uint32_t kDevice = 0x4711;
constexpr std::uint32_t kParent = 0x0815;

// The wait for one press: three refused requests and their pauses, on a
// loaded machine.
constexpr DWORD kPressTimeoutMs = 20000;

class EjectThroughButton : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(AddStandinDrive(&drive));
    ASSERT_TRUE(quorlin.Start(L"-D583", DETACHED_PROCESS));
    ASSERT_NE(quorlin.WaitForMainWindow(), nullptr);
    list = quorlin.Control(IDC_DRIVE_LIST);
    report = quorlin.Control(IDC_REPORT_EDIT);
    button = quorlin.Control(IDC_REMOVE_BUTTON);
    ASSERT_TRUE(list && report && button);
    uiThread = ::GetWindowThreadProcessId(quorlin.MainWindow(), nullptr);

    std::string error;
    ASSERT_TRUE(standin.Attach(quorlin.Handle(), quorlin.Id(), &error)) << error;
    OfferDisk(standin.Script(), drive.diskPath, kDevice, kParent);
    standin.Script().parentResult = CR_SUCCESS;
    ScriptRequests(standin.Script(), {CR_SUCCESS});

    // Nothing after the banner may be missed: the console is read from the
    // row where the banner left the cursor.
    std::vector<std::wstring> console;
    ASSERT_TRUE(WaitUntil([&] {
      console = ConsoleRows(quorlin.Id());
      return ConsoleText(console, 0).find("DEBUG_MODE ON\n") != std::string::npos;
    }));
    consoleRow = console.size() - 1;
  }

  // The console's text from row `from` of `rows` on, rows joined with "\n":
  // exactly what was written there, as long as no line wrapped.
  static std::string ConsoleText(const std::vector<std::wstring>& rows, size_t from) {
    std::string text;
    for (size_t i = from; i < rows.size(); ++i)
      text += Narrow(rows[i].c_str()) + (i + 1 < rows.size() ? "\n" : "");
    return text;
  }

  // What the user sees of the pane: every row, the selection, the report
  // and whether the button is enabled.
  std::vector<std::string> PaneState() {
    std::vector<std::string> state;
    for (int i = 0; i < ListViewCount(list); ++i)
      state.push_back(ListViewText(list, i, 0) + " " + ListViewText(list, i, 1));
    state.push_back("mark " + std::to_string(ListViewSelectionMark(list)));
    state.push_back("report " + WindowTextOf(report));
    state.push_back(::IsWindowEnabled(button) ? "button on" : "button off");
    return state;
  }

  // Clicks the drive's row: the report is built (the volume query recorded)
  // and the button enabled.
  void Select(const StandinDrive& target) {
    standin.ClearRecords();
    int row = ListViewRowOf(list, target.root);
    ASSERT_GE(row, 0) << target.root;
    ASSERT_TRUE(ClickRowAndWait(list, row));
    ASSERT_EQ(ListViewSelectionMark(list), row);
    ASSERT_TRUE(::IsWindowEnabled(button));
    ASSERT_NE(WindowTextOf(report), "");
    std::vector<StandinRecord> volume = OfCall(standin.Records(uiThread), kCallVolumeInformation);
    ASSERT_EQ(volume.size(), 1u);
    EXPECT_EQ(Narrow(volume[0].text), target.root);
    EXPECT_EQ(volume[0].volumeNameSize, 260u);
    EXPECT_EQ(volume[0].fileSystemNameSize, 260u);
  }

  struct Press {
    std::vector<StandinRecord> calls;  // of the window's thread, in order
    std::string trace;                 // what appeared on the console
  };

  // A user's click on the remove button. Afterwards the window must answer
  // within a second of the last recorded call, and the list, the report and
  // the button must be as before.
  void PressRemove(Press* press) {
    ASSERT_TRUE(::IsWindowEnabled(button));
    std::vector<std::string> before = PaneState();

    standin.ClearRecords();
    RECT client;
    ::GetClientRect(button, &client);
    ClickAt(button, client.right / 2, client.bottom / 2);
    std::int64_t answered = WaitForPostedMessages(list, kPressTimeoutMs);
    ASSERT_NE(answered, 0) << "the window did not answer after the press";

    press->calls = standin.Records(uiThread);
    ASSERT_EQ(standin.RecordCount(), static_cast<LONG>(standin.Records().size()));
    ASSERT_FALSE(press->calls.empty()) << "the press reached none of the taken-over calls";
    EXPECT_LE(StampMs(press->calls.back().returnedAt, answered), 1000.0);

    // The banner rows are there whenever the console can be read, so a
    // short read is a failure to read, not a press that wrote nothing.
    std::vector<std::wstring> console = ConsoleRows(quorlin.Id());
    ASSERT_GT(console.size(), consoleRow) << "the debug console could not be read";
    press->trace = ConsoleText(console, consoleRow);
    consoleRow = console.size() - 1;

    EXPECT_EQ(PaneState(), before);
  }

  // The walk over one interface that matches.
  static std::vector<std::string> WalkToFirst() {
    return {"classdevs", "enum 0", "size", "detail", "destroy"};
  }

  StandinDrive drive;
  QuorlinProcess quorlin;
  PnpStandin standin;
  HWND list = nullptr, report = nullptr, button = nullptr;
  DWORD uiThread = 0;
  size_t consoleRow = 0;
};

TEST_F(EjectThroughButton, SuccessAtTheFirstSecondOrThirdRequestTracesOnlySuccess) {
  ASSERT_NO_FATAL_FAILURE(Select(drive));
  const std::string parentQuery = "parent of " + Hex(kDevice);
  const std::string refused = "eject " + Hex(kParent) + " = " + Hex(CR_REMOVE_VETOED);
  const std::string granted = "eject " + Hex(kParent) + " = 0x0";
  for (int refusals = 0; refusals < 3; ++refusals) {
    SCOPED_TRACE(refusals);
    std::vector<std::uint32_t> results(static_cast<size_t>(refusals), CR_REMOVE_VETOED);
    results.push_back(CR_SUCCESS);
    ScriptRequests(standin.Script(), results);

    Press press;
    ASSERT_NO_FATAL_FAILURE(PressRemove(&press));
    std::vector<std::string> expected = Concat(WalkToFirst(), {parentQuery});
    for (int i = 0; i < refusals; ++i) expected = Concat(expected, {refused, "sleep 500"});
    expected = Concat(expected, {granted, "write Success\n\n"});
    EXPECT_EQ(Sequence(press.calls), expected);
    ExpectPlatformArguments(press.calls, kDevice, VetoOutputs::kNone);
    ExpectPausesBetweenRequests(press.calls);
    EXPECT_EQ(press.trace, "Success\n\n");
  }
}

TEST_F(EjectThroughButton, ThreeRefusalsTraceFailedAndTheLastResultAfterThreePauses) {
  ASSERT_NO_FATAL_FAILURE(Select(drive));
  struct Case {
    std::vector<std::uint32_t> results;
    const char* lastLine;
  };
  const Case cases[] = {
      {{0x17, 0x17, 0x17}, "Result=0x17\n"},
      {{0x17, 0x123, 5}, "Result=0x 5\n"},
      {{5, 0x17, 0x123}, "Result=0x123\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lastLine);
    ScriptRequests(standin.Script(), c.results);
    Press press;
    ASSERT_NO_FATAL_FAILURE(PressRemove(&press));
    std::vector<std::string> expected = Concat(WalkToFirst(), {"parent of " + Hex(kDevice)});
    for (std::uint32_t result : c.results)
      expected = Concat(expected, {"eject " + Hex(kParent) + " = " + Hex(result), "sleep 500"});
    expected = Concat(expected, {"write failed\n", std::string("write ") + c.lastLine});
    EXPECT_EQ(Sequence(press.calls), expected);
    ExpectPlatformArguments(press.calls, kDevice, VetoOutputs::kNone);
    ExpectPausesBetweenRequests(press.calls);
    EXPECT_EQ(press.trace, std::string("failed\n") + c.lastLine);
  }
}

TEST_F(EjectThroughButton, FailingParentQueryStillSendsTheRequestsToParentZero) {
  ASSERT_NO_FATAL_FAILURE(Select(drive));
  standin.Script().parentWrites = 0;
  standin.Script().parentResult = kCrNoSuchDevnode;
  ScriptRequests(standin.Script(), {kCrNoSuchDevnode});

  Press press;
  ASSERT_NO_FATAL_FAILURE(PressRemove(&press));
  const std::string toZero = "eject 0x0 = " + Hex(kCrNoSuchDevnode);
  EXPECT_EQ(
      Sequence(press.calls),
      Concat(WalkToFirst(), {"parent of " + Hex(kDevice), toZero, "sleep 500", toZero, "sleep 500",
                             toZero, "sleep 500", "write failed\n", "write Result=0x D\n"}));
  ExpectPlatformArguments(press.calls, kDevice, VetoOutputs::kNone);
  std::vector<StandinRecord> parent = OfCall(press.calls, kCallGetParent);
  ASSERT_EQ(parent.size(), 1u);
  EXPECT_EQ(parent[0].result, kCrNoSuchDevnode);
  EXPECT_EQ(parent[0].parentWritten, 0u);
  ExpectPausesBetweenRequests(press.calls);
  EXPECT_EQ(press.trace, "failed\nResult=0x D\n");
}

TEST_F(EjectThroughButton, FirstMatchingInterfaceWinsAndAnOversizedOneIsSkippedUnread) {
  ASSERT_NO_FATAL_FAILURE(Select(drive));
  DWORD systemDisk = 0;
  ASSERT_TRUE(StorageNumberOf(L"\\\\.\\PhysicalDrive0", &systemDisk));
  ASSERT_NE(systemDisk, drive.number);
  // 0: the drive's own disk, but its record would need 1025 bytes; 1: the
  // system disk, read in a buffer of exactly 1024 bytes; 2 and 3: the
  // drive's disk again.
  StandinScript& script = standin.Script();
  script.interfaceCount = 4;
  SetInterface(script.interfaces[0], drive.diskPath, 0x1000, 1025);
  SetInterface(script.interfaces[1], "\\\\.\\PhysicalDrive0", 0x1001, 1024);
  SetInterface(script.interfaces[2], drive.diskPath, 0x1002);
  SetInterface(script.interfaces[3], drive.diskPath, 0x1003);

  Press press;
  ASSERT_NO_FATAL_FAILURE(PressRemove(&press));
  EXPECT_EQ(Sequence(press.calls),
            (std::vector<std::string>{"classdevs", "enum 0", "size", "enum 1", "size", "detail",
                                      "enum 2", "size", "detail", "destroy", "parent of 0x1002",
                                      "eject " + Hex(kParent) + " = 0x0", "write Success\n\n"}));
  ExpectPlatformArguments(press.calls, 0x1002, VetoOutputs::kNone);
  std::vector<StandinRecord> details = OfCall(press.calls, kCallGetDetail);
  ASSERT_EQ(details.size(), 5u);
  EXPECT_EQ(details[0].requiredSizeWritten, 1025u);
  EXPECT_EQ(details[2].detailBufferSize, 1024u);
  EXPECT_EQ(press.trace, "Success\n\n");
}

TEST_F(EjectThroughButton, TheSelectedRowsDriveIsTheOneLookedUp) {
  StandinDrive second;
  ASSERT_NO_FATAL_FAILURE(AddStandinDrive(&second));
  ASSERT_NE(second.number, drive.number);
  // Both drives listed, the one in the earlier row first.
  ASSERT_TRUE(WaitUntil([&] { return ListViewRowOf(list, second.root) >= 0; }));
  const StandinDrive* rows[2] = {&drive, &second};
  if (ListViewRowOf(list, drive.root) > ListViewRowOf(list, second.root))
    std::swap(rows[0], rows[1]);
  StandinScript& script = standin.Script();
  script.interfaceCount = 2;
  SetInterface(script.interfaces[0], rows[0]->diskPath, 0x2000);
  SetInterface(script.interfaces[1], rows[1]->diskPath, 0x2001);

  // The later row first: its disk is the second interface.
  ASSERT_NO_FATAL_FAILURE(Select(*rows[1]));
  Press press;
  ASSERT_NO_FATAL_FAILURE(PressRemove(&press));
  EXPECT_EQ(Sequence(press.calls),
            (std::vector<std::string>{"classdevs", "enum 0", "size", "detail", "enum 1", "size",
                                      "detail", "destroy", "parent of 0x2001",
                                      "eject " + Hex(kParent) + " = 0x0", "write Success\n\n"}));
  ExpectPlatformArguments(press.calls, 0x2001, VetoOutputs::kNone);
  EXPECT_EQ(press.trace, "Success\n\n");

  ASSERT_NO_FATAL_FAILURE(Select(*rows[0]));
  ASSERT_NO_FATAL_FAILURE(PressRemove(&press));
  EXPECT_EQ(Sequence(press.calls),
            Concat(WalkToFirst(),
                   {"parent of 0x2000", "eject " + Hex(kParent) + " = 0x0", "write Success\n\n"}));
  ExpectPlatformArguments(press.calls, 0x2000, VetoOutputs::kNone);
  EXPECT_EQ(press.trace, "Success\n\n");
}

TEST_F(EjectThroughButton, WithoutAMatchingInterfaceNothingIsRequestedOrWritten) {
  ASSERT_NO_FATAL_FAILURE(Select(drive));
  StandinScript& script = standin.Script();
  struct Case {
    const char* name;
    void (*set)(StandinScript&, const StandinDrive&);
    std::vector<std::string> walk;
  };
  const Case cases[] = {
      {"only the system disk",
       [](StandinScript& s, const StandinDrive&) {
         s.interfaceCount = 1;
         SetInterface(s.interfaces[0], "\\\\.\\PhysicalDrive0", 0x3000);
       },
       {"classdevs", "enum 0", "size", "detail", "enum 1 none", "destroy"}},
      {"the drive's disk only among CD-ROM interfaces",
       [](StandinScript& s, const StandinDrive& d) {
         s.interfaceClass.Data1 = 0x53f56308;  // GUID_DEVINTERFACE_CDROM
         SetInterface(s.interfaces[0], d.diskPath, 0x3001);
       },
       {"classdevs", "enum 0 none", "destroy"}},
      {"no interface at all",
       [](StandinScript& s, const StandinDrive&) {
         s.interfaceClass = kDiskInterfaceClass;
         s.interfaceCount = 0;
       },
       {"classdevs", "enum 0 none", "destroy"}},
      {"no set",
       [](StandinScript& s, const StandinDrive&) { s.classDevsFails = 1; },
       {"classdevs"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.set(script, drive);
    Press press;
    ASSERT_NO_FATAL_FAILURE(PressRemove(&press));
    EXPECT_EQ(Sequence(press.calls), c.walk);
    ExpectPlatformArguments(press.calls, 0, VetoOutputs::kNone);
    EXPECT_EQ(press.trace, "");
  }
}

}  // namespace
