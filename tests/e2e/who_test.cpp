// "QuorlinCmd who" end to end under Wine, against real processes: the ones
// holding a file or their current folder on a removable drive are listed,
// with their ids and paths, in text and JSON; a file on another drive and a
// pipe are not, and nothing hangs.
#include <windows.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/text_win.h"
#include "support/holder_process.h"
#include "support/quorlin_cmd.h"
#include "support/wine_mount.h"

namespace {

using nlohmann::json;

struct Held {
  DWORD pid;
  std::string path;
};

TEST(WhoCommand, ListsExactlyTheProcessesHoldingTheDrive) {
  const wchar_t letter = FreeDriveLetter();
  ASSERT_NE(letter, 0);
  ScopedWineDrive drive(letter);
  ASSERT_TRUE(drive.ok());
  const std::string name = {static_cast<char>(letter), ':'};
  const std::wstring root = {letter, L':', L'\\'};
  HANDLE file = ::CreateFileW((root + L"held.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  ::CloseHandle(file);
  ASSERT_TRUE(::CreateDirectoryW((root + L"sub").c_str(), nullptr));

  HolderProcess onFile, inFolder, elsewhere, onPipe;
  ASSERT_TRUE(onFile.Start(L"open " + root + L"held.txt"));
  ASSERT_TRUE(inFolder.Start(L"wait", root + L"sub"));
  ASSERT_TRUE(elsewhere.Start(L"open C:\\windows\\win.ini"));
  ASSERT_TRUE(onPipe.Start(L"pipe \\\\.\\pipe\\quorlin-who-" +
                           std::to_wstring(::GetCurrentProcessId())));
  std::vector<Held> held = {{onFile.Id(), name + "\\held.txt"}, {inFolder.Id(), name + "\\sub"}};
  std::sort(held.begin(), held.end(), [](const Held& a, const Held& b) { return a.pid < b.pid; });

  CmdResult text = RunQuorlinCmd(L"who " + std::wstring(1, letter) + L":");
  EXPECT_EQ(text.exitCode, 0u);
  std::string lines;
  for (const Held& h : held)
    lines += std::to_string(h.pid) + "  quorlin_test_holder.exe  " + h.path + "\r\n";
  EXPECT_EQ(text.out, lines);
  EXPECT_EQ(text.err, "");

  CmdResult object = RunQuorlinCmd(L"who " + std::wstring(1, letter) + L" --json");
  EXPECT_EQ(object.exitCode, 0u);
  json expected = {{"drive", name}, {"holders", json::array()}, {"notInspected", 0}};
  for (const Held& h : held)
    expected["holders"].push_back(
        {{"pid", h.pid}, {"process", "quorlin_test_holder.exe"}, {"path", h.path}});
  EXPECT_EQ(json::parse(object.out), expected);

  // Once they have gone, nothing holds the drive.
  onFile.End();
  inFolder.End();
  CmdResult none = RunQuorlinCmd(L"who " + std::wstring(1, letter) + L":");
  EXPECT_EQ(none.exitCode, 1u);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err, "no process holds files open on " + name + "\r\n");
  CmdResult noneJson = RunQuorlinCmd(L"who " + std::wstring(1, letter) + L": --json");
  EXPECT_EQ(noneJson.exitCode, 1u);
  EXPECT_EQ(noneJson.out, "{\"drive\":\"" + name + "\",\"holders\":[],\"notInspected\":0}\r\n");
}

}  // namespace
