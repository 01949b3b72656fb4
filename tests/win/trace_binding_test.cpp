// The trace output's binding in normal mode, in-process: the writer must
// know that its sink is the null device (it then skips each write, which
// costs a server round trip under Wine), and only while it is.
#include <windows.h>

#include <io.h>
#include <gtest/gtest.h>

#include <string>

#include "framework/trace.h"
#include "support/process.h"

namespace {

TEST(TraceBinding, NormalModeKnowsItsSinkIsTheNullDeviceAndNoOther) {
  // The binding takes over this process's standard streams; they are put
  // back before anything is checked, so that the test's own output shows.
  const int savedOut = _dup(1);
  const int savedIn = _dup(0);
  HANDLE savedOutHandle = ::GetStdHandle(STD_OUTPUT_HANDLE);
  HANDLE savedInHandle = ::GetStdHandle(STD_INPUT_HANDLE);

  BindTraceOutput(false);
  const bool nullBound = TraceIsDiscarded();

  std::wstring path = TempPath(L"trace.txt");
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              0, nullptr);
  ::SetStdHandle(STD_OUTPUT_HANDLE, file);
  const bool fileDiscarded = TraceIsDiscarded();
  TraceWrite("WM_DEVICECHANGE\n");
  TracePrintf("%s=%d\n", "n", 7);
  ::CloseHandle(file);

  _dup2(savedOut, 1);
  _dup2(savedIn, 0);
  ::SetStdHandle(STD_OUTPUT_HANDLE, savedOutHandle);
  ::SetStdHandle(STD_INPUT_HANDLE, savedInHandle);

  EXPECT_TRUE(nullBound);
  EXPECT_FALSE(fileDiscarded);
  EXPECT_EQ(ReadWholeFile(path), "WM_DEVICECHANGE\nn=7\n");
  ::DeleteFileW(path.c_str());
}

}  // namespace
