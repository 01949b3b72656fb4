#include "removal/holder_walk.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr std::uint16_t kFile = 37, kEvent = 12;

// One handle's object as the queries see it.
struct FakeObject {
  bool disk = true;
  std::optional<std::string> name;  // none: the name query fails
  std::string dos, guid;
  bool stalls = false;  // the type query stalls
};

FakeObject Named(const char* name) { return {true, name, "", "", false}; }
FakeObject NotDisk() { return {false, std::nullopt, "", "", false}; }

// A scripted walk platform that records its calls in order.
class RecordingWalkPlatform : public HolderWalkPlatform {
 public:
  std::map<char, DriveNames> drives;
  std::vector<ListedHandle> list;
  std::set<std::uint32_t> refused, ending;
  std::map<std::uintptr_t, FakeObject> objects;  // by pid * 0x1000 + value
  std::uint64_t microseconds = 0, perCopy = 0;
  std::vector<std::string> calls;
  int open = 0;  // handles given out and not yet closed

  std::uint32_t OwnProcessId() override { return 1; }
  DriveNames QueryDriveNames(char letter) override { return drives[letter]; }
  HandleList ListHandles() override { return {list, kFile}; }
  PlatformHandle OpenProcess(std::uint32_t pid) override {
    calls.push_back("open " + std::to_string(pid));
    if (refused.count(pid)) return 0;
    ++open;
    return pid;
  }
  std::string ProgramOf(PlatformHandle process) override {
    return "p" + std::to_string(process) + ".exe";
  }
  bool HasEnded(PlatformHandle process) override { return ending.count(process) != 0; }
  PlatformHandle Duplicate(PlatformHandle process, std::uintptr_t value) override {
    calls.push_back("dup " + Id(process * 0x1000 + value));
    microseconds += perCopy;
    ++open;
    return process * 0x1000 + value;
  }
  void Close(PlatformHandle) override { --open; }
  QueryResult QueryIsDiskFile(PlatformHandle copy, bool* disk) override {
    calls.push_back("type " + Id(copy));
    *disk = objects[copy].disk;
    return objects[copy].stalls ? QueryResult::kStalled : QueryResult::kAnswered;
  }
  QueryResult QueryObjectName(PlatformHandle copy, std::string* name) override {
    calls.push_back("name " + Id(copy));
    if (!objects[copy].name) return QueryResult::kFailed;
    *name = *objects[copy].name;
    return QueryResult::kAnswered;
  }
  QueryResult QueryFinalPath(PlatformHandle copy, PathForm form, std::string* path) override {
    calls.push_back((form == PathForm::kDos ? "dos " : "guid ") + Id(copy));
    *path = form == PathForm::kDos ? objects[copy].dos : objects[copy].guid;
    return QueryResult::kAnswered;
  }
  std::uint64_t NowMs() override { return microseconds / 1000; }

  void Add(std::uint32_t pid, std::uintptr_t value, FakeObject object, std::uint16_t type = kFile) {
    list.push_back({pid, value, type});
    objects[pid * 0x1000 + value] = object;
  }
  static std::string Id(std::uintptr_t copy) {
    return std::to_string(copy / 0x1000) + ":" + std::to_string(copy % 0x1000);
  }
};

const DriveNames kE = {'E', "\\Device\\HarddiskVolume1", "\\\\?\\Volume{e}\\",
                       "\\Device\\HarddiskVolume7"};

TEST(HolderWalk, NamesMatchTheDriveInEveryFormAndDevicesOnlyWhole) {
  struct Case {
    const char* name;
    NameMatch match;
    const char* path;
  } const cases[] = {
      {"\\??\\E:\\photos\\\xC3\xA9.jpg", NameMatch::kPath, "E:\\photos\\\xC3\xA9.jpg"},
      {"\\\\?\\e:\\a", NameMatch::kPath, "e:\\a"},
      {"\\??\\E:", NameMatch::kPath, "E:"},
      {"\\??\\F:\\a", NameMatch::kNone, ""},
      {"\\??\\E:a", NameMatch::kNone, ""},
      {"\\Device\\HarddiskVolume1\\a.jpg", NameMatch::kDevice, ""},
      {"\\device\\harddiskvolume1", NameMatch::kDevice, ""},
      {"\\Device\\HarddiskVolume10\\a.jpg", NameMatch::kNone, ""},
      {"\\Device\\HarddiskVolume7\\mounted\\a", NameMatch::kDevice, ""},  // a mounted folder
      {"\\\\?\\Volume{e}\\a", NameMatch::kDevice, ""},
      {"\\??\\Volume{e}", NameMatch::kDevice, ""},
      {"\\\\?\\Volume{ee}\\a", NameMatch::kNone, ""},
      {"\\??\\C:\\mnt\\a", NameMatch::kNone, ""},
      {"\\Device\\NamedPipe\\x", NameMatch::kNone, ""},
      {"", NameMatch::kNone, ""},
  };
  for (const Case& c : cases) {
    std::string path;
    EXPECT_EQ(MatchDriveName(kE, c.name, &path), c.match) << c.name;
    EXPECT_EQ(path, c.path) << c.name;
  }
  std::string path;
  EXPECT_EQ(MatchDriveName({'E', "", "", ""}, "\\Device\\X", &path), NameMatch::kNone);
}

TEST(HolderWalk, OnlyOtherProcessesFileHandlesAreCopiedAndEachDiskFileNamedOnce) {
  RecordingWalkPlatform p;
  p.drives['E'] = kE;
  p.Add(1, 4, Named("\\??\\E:\\own"));  // this process: left out
  p.Add(30, 8, Named("\\??\\E:\\b"));
  p.Add(20, 4, Named("\\??\\C:\\windows\\win.ini"));     // another drive
  p.Add(20, 8, NotDisk());                               // a pipe: not named
  p.Add(20, 12, Named("\\Device\\HarddiskVolume1\\a"));  // device form: the final path
  p.objects[20 * 0x1000 + 12].dos = "\\\\?\\E:\\a";
  p.Add(20, 16, {true, std::nullopt, "", "\\\\?\\Volume{e}\\v", false});  // no name: as before
  p.Add(20, 20, NotDisk(), kEvent);
  p.Add(40, 4, NotDisk(), kEvent);  // no file handle: not opened
  DriveHolders found = WalkDriveHolders(p, "E");
  EXPECT_EQ(found.holders, (std::vector<DriveHolder>{{20, "p20.exe", "E:\\a"},
                                                     {20, "p20.exe", "\\\\?\\Volume{e}\\v"},
                                                     {30, "p30.exe", "E:\\b"}}));
  EXPECT_EQ(found.notInspected, 0u);
  EXPECT_EQ(p.calls, (std::vector<std::string>{"open 20", "dup 20:4", "type 20:4", "name 20:4",
                                               "dup 20:8", "type 20:8", "dup 20:12", "type 20:12",
                                               "name 20:12", "dos 20:12", "dup 20:16", "type 20:16",
                                               "name 20:16", "dos 20:16", "guid 20:16", "open 30",
                                               "dup 30:8", "type 30:8", "name 30:8"}));
  EXPECT_EQ(p.open, 0);
}

TEST(HolderWalk, RefusedEndedAndStalledProcessesCountAsNotInspected) {
  RecordingWalkPlatform p;
  p.drives['E'] = kE;
  p.Add(10, 4, Named("\\??\\E:\\a"));
  p.refused.insert(10);
  p.Add(20, 4, Named("\\??\\E:\\b"));
  p.ending.insert(20);
  p.Add(30, 4, {true, std::nullopt, "", "", true});  // its type query never returned
  p.Add(30, 8, Named("\\??\\E:\\c"));
  p.Add(40, 4, Named("\\??\\E:\\d"));
  DriveHolders found = WalkDriveHolders(p, "E");
  // What was seen is listed; the walk went on past the stalled query.
  EXPECT_EQ(found.holders,
            (std::vector<DriveHolder>{
                {20, "p20.exe", "E:\\b"}, {30, "p30.exe", "E:\\c"}, {40, "p40.exe", "E:\\d"}}));
  EXPECT_EQ(found.notInspected, 3u);
  EXPECT_EQ(found.outOfTime, 0u);
  EXPECT_EQ(p.open, 0);
}

TEST(HolderWalk, ACeilingStopsTheWalkWhileWorkInProgressIsNotCutOff) {
  RecordingWalkPlatform p;
  p.drives['E'] = kE;
  for (std::uint32_t pid = 10; pid < 20; ++pid)
    for (std::uintptr_t value = 4; value <= 8; value += 4) p.Add(pid, value, Named("\\??\\E:\\a"));
  p.perCopy = 10'000;
  DriveHolders found = WalkDriveHolders(p, "E", 45);
  // 10 ms a copy: the third process is cut off after its first copy.
  EXPECT_EQ(found.holders.size(), 3u);
  EXPECT_EQ(found.notInspected, 8u);
  EXPECT_EQ(found.outOfTime, 8u);
  EXPECT_EQ(p.open, 0);

  // By default the ceiling grows with the file handles: 20,000 handles at
  // 0.8 ms each take longer than a fixed 10 s, and all are seen.
  RecordingWalkPlatform busy;
  busy.drives['E'] = kE;
  for (std::uintptr_t value = 0; value < 20000; ++value)
    busy.Add(10 + static_cast<std::uint32_t>(value / 1000), 4 + 4 * (value % 1000), NotDisk());
  busy.perCopy = 800;
  EXPECT_EQ(WalkDriveHolders(busy, "E").notInspected, 0u);
  EXPECT_GT(busy.NowMs(), 10'000u);
}

}  // namespace
