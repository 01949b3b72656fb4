// "QuorlinCmd who" end to end under Wine, against real processes: the ones
// holding a file or their current folder on a removable drive are listed,
// with their ids and paths, in text and JSON; a file on another drive and a
// pipe are not, and nothing hangs.
#include <windows.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <tuple>
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

// A busy machine: 5,000 open files in four processes, half on the drive and
// half on C:, and exactly the drive's are listed. Given too little time, the
// walk says that it ran out of it.
TEST(WhoCommand, AmongThousandsOfOpenFilesListsExactlyTheDrives) {
  const wchar_t letter = FreeDriveLetter();
  ASSERT_NE(letter, 0);
  ScopedWineDrive drive(letter);
  ASSERT_TRUE(drive.ok());
  const std::wstring other =
      L"C:\\windows\\temp\\quorlin-who-" + std::to_wstring(::GetCurrentProcessId());
  ASSERT_TRUE(::CreateDirectoryW(other.c_str(), nullptr));
  const std::wstring who = L"who " + std::wstring{letter, L':'};
  HolderProcess holders[4];
  std::vector<Held> held;
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(
        holders[i].Start(L"many " + (i % 2 ? other : std::wstring{letter, L':'}) + L" 1250"));
    for (int n = 0; i % 2 == 0 && n < 1250; ++n)
      held.push_back({holders[i].Id(), std::string{static_cast<char>(letter), ':', '\\'} +
                                           std::to_string(holders[i].Id()) + "-" +
                                           std::to_string(n) + ".txt"});
  }
  std::sort(held.begin(), held.end(), [](const Held& a, const Held& b) {
    return std::tie(a.pid, a.path) < std::tie(b.pid, b.path);
  });
  std::string lines;
  for (const Held& h : held)
    lines += std::to_string(h.pid) + "  quorlin_test_holder.exe  " + h.path + "\r\n";

  CmdResult found = RunQuorlinCmd(who);
  EXPECT_EQ(found.exitCode, 0u);
  EXPECT_TRUE(found.out == lines) << found.out.size() << " bytes, not " << lines.size();
  EXPECT_EQ(found.err, "");
  CmdResult late = RunQuorlinCmd(who + L" --timeout 0.001");
  EXPECT_NE(late.err.find(" not inspected: the walk ran out of time (--timeout SECONDS gives it "
                          "longer)\r\n"),
            std::string::npos)
      << late.err;
  for (HolderProcess& h : holders) h.End();
  EXPECT_TRUE(::RemoveDirectoryW(other.c_str()));  // the holders' files went with them
}

// A name with characters that code page 932 lacks is exact in JSON; with
// --cp932 each of them is one "?".
TEST(WhoCommand, NamesOutsideCodePage932AreExact) {
  const wchar_t letter = FreeDriveLetter();
  ASSERT_NE(letter, 0);
  ScopedWineDrive drive(letter);
  ASSERT_TRUE(drive.ok());
  const std::wstring file = std::wstring{letter, L':', L'\\'} + L"caf\u00e9\xD83D\xDE00.txt";
  HANDLE created = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(created, INVALID_HANDLE_VALUE);
  ::CloseHandle(created);
  HolderProcess holder;
  ASSERT_TRUE(holder.Start(L"open " + file));
  const std::wstring who = L"who " + std::wstring{letter, L':'};
  const std::string exact = WideToUtf8(file);
  EXPECT_EQ(json::parse(RunQuorlinCmd(who + L" --json").out)["holders"][0]["path"], exact);
  EXPECT_EQ(RunQuorlinCmd(who + L" --cp932").out, std::to_string(holder.Id()) +
                                                      "  quorlin_test_holder.exe  " +
                                                      exact.substr(0, 3) + "caf??.txt\r\n");
}

}  // namespace
