#include "removal/holder_walk.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr std::uint16_t kFile = 37, kEvent = 12;

// One handle's object as the queries see it; the handle values of a test
// are all different, so that a value names its object.
struct FakeObject {
  bool disk = true;
  std::optional<std::string> name;  // none: the name query fails
  std::string dos, guid;
  bool stalls = false;  // the type query stalls
};

FakeObject Named(const char* name) { return {true, name, "", "", false}; }
FakeObject NotDisk() { return {false, std::nullopt, "", "", false}; }

// A scripted walk platform that records its calls in order, and counts the
// handles it gave out and were not closed.
class RecordingWalkPlatform : public HolderWalkPlatform {
 public:
  std::vector<ListedHandle> list;
  std::set<std::uint32_t> refused, ending;
  std::map<std::uintptr_t, FakeObject> objects;
  std::uint64_t microseconds = 0, perCopy = 0;
  std::vector<std::string> calls;
  int open = 0;

  std::uint32_t OwnProcessId() override { return 1; }
  DriveNames QueryDriveNames(char letter) override {
    return {letter, "\\Device\\HarddiskVolume1", "\\\\?\\Volume{e}\\", "\\Device\\HarddiskVolume7"};
  }
  HandleList ListHandles() override { return {list, kFile}; }
  PlatformHandle OpenProcess(std::uint32_t pid) override {
    calls.push_back("open " + std::to_string(pid));
    open += refused.count(pid) ? 0 : 1;
    return refused.count(pid) ? 0 : pid;
  }
  std::string ProgramOf(PlatformHandle process) override {
    return "p" + std::to_string(process) + ".exe";
  }
  bool HasEnded(PlatformHandle process) override { return ending.count(process) != 0; }
  PlatformHandle Duplicate(PlatformHandle, std::uintptr_t value) override {
    microseconds += perCopy;
    ++open;
    return Call("dup", value);
  }
  void Close(PlatformHandle) override { --open; }
  QueryResult QueryIsDiskFile(PlatformHandle copy, bool* disk) override {
    *disk = objects[Call("type", copy)].disk;
    return objects[copy].stalls ? QueryResult::kStalled : QueryResult::kAnswered;
  }
  QueryResult QueryObjectName(PlatformHandle copy, std::string* name) override {
    if (!objects[Call("name", copy)].name) return QueryResult::kFailed;
    *name = *objects[copy].name;
    return QueryResult::kAnswered;
  }
  QueryResult QueryFinalPath(PlatformHandle copy, PathForm form, std::string* path) override {
    *path =
        form == PathForm::kDos ? objects[Call("dos", copy)].dos : objects[Call("guid", copy)].guid;
    return QueryResult::kAnswered;
  }
  std::uint64_t NowMs() override { return microseconds / 1000; }

  void Add(std::uint32_t pid, std::uintptr_t value, FakeObject object, std::uint16_t type = kFile) {
    list.push_back({pid, value, type});
    objects[value] = object;
  }
  std::uintptr_t Call(const char* call, std::uintptr_t value) {
    calls.push_back(call + (" " + std::to_string(value)));
    return value;
  }
};

TEST(HolderWalk, NamesMatchTheDriveInEveryFormAndDevicesOnlyWhole) {
  const DriveNames e = RecordingWalkPlatform().QueryDriveNames('E');
  struct Case {
    const char* name;
    NameMatch match;
    const char* path;
  } const cases[] = {
      {"\\??\\E:\\photos\\\xC3\xA9.jpg", NameMatch::kPath, "E:\\photos\\\xC3\xA9.jpg"},  // NT
      {"\\\\?\\e:\\a", NameMatch::kPath, "e:\\a"},                                       // DOS
      {"\\??\\F:\\a", NameMatch::kNone, ""},
      {"\\device\\harddiskvolume1\\a.jpg", NameMatch::kDevice, ""},
      {"\\Device\\HarddiskVolume10\\a.jpg", NameMatch::kNone, ""},
      {"\\Device\\HarddiskVolume7\\mounted\\a", NameMatch::kDevice, ""},  // a mounted folder
      {"\\\\?\\Volume{e}\\a", NameMatch::kDevice, ""},                    // volume GUID
      {"\\\\?\\Volume{ee}\\a", NameMatch::kNone, ""},
  };
  for (const Case& c : cases) {
    std::string path;
    EXPECT_EQ(MatchDriveName(e, c.name, &path), c.match) << c.name;
    EXPECT_EQ(path, c.path) << c.name;
  }
  std::string path;
  EXPECT_EQ(MatchDriveName({'E', "", "", ""}, "\\Device\\X", &path), NameMatch::kNone);
}

TEST(HolderWalk, OnlyOtherProcessesFileHandlesAreCopiedAndEachDiskFileNamedOnce) {
  RecordingWalkPlatform p;
  p.Add(1, 1, Named("\\??\\E:\\own"));  // this process: left out
  p.Add(30, 31, Named("\\??\\E:\\b"));
  p.Add(20, 21, Named("\\??\\C:\\windows\\win.ini"));    // another drive
  p.Add(20, 22, NotDisk());                              // a pipe: not named
  p.Add(20, 23, Named("\\Device\\HarddiskVolume1\\a"));  // device form: the final path
  p.objects[23].dos = "\\\\?\\E:\\a";
  p.Add(20, 24, {true, std::nullopt, "", "\\\\?\\Volume{e}\\v", false});  // no name: as before
  p.Add(20, 25, NotDisk(), kEvent);
  p.Add(40, 41, NotDisk(), kEvent);  // no file handle: not opened
  DriveHolders found = WalkDriveHolders(p, "E");
  EXPECT_EQ(found.holders, (std::vector<DriveHolder>{{20, "p20.exe", "E:\\a"},
                                                     {20, "p20.exe", "\\\\?\\Volume{e}\\v"},
                                                     {30, "p30.exe", "E:\\b"}}));
  EXPECT_EQ(found.notInspected, 0u);
  EXPECT_EQ(p.calls, (std::vector<std::string>{"open 20", "dup 21", "type 21", "name 21", "dup 22",
                                               "type 22", "dup 23", "type 23", "name 23", "dos 23",
                                               "dup 24", "type 24", "name 24", "dos 24", "guid 24",
                                               "open 30", "dup 31", "type 31", "name 31"}));
  EXPECT_EQ(p.open, 0);
}

TEST(HolderWalk, RefusedEndedAndStalledProcessesCountAsNotInspected) {
  RecordingWalkPlatform p;
  p.Add(10, 11, Named("\\??\\E:\\a"));
  p.refused.insert(10);
  p.Add(20, 21, Named("\\??\\E:\\b"));
  p.ending.insert(20);
  p.Add(30, 31, {true, std::nullopt, "", "", true});  // its type query never returned
  p.Add(30, 32, Named("\\??\\E:\\c"));
  p.Add(40, 41, Named("\\??\\E:\\d"));
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
  for (std::uint32_t pid = 10; pid < 20; ++pid)
    for (std::uintptr_t n = 0; n < 2; ++n) p.Add(pid, pid * 2 + n, Named("\\??\\E:\\a"));
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
  for (std::uintptr_t value = 0; value < 20000; ++value)
    busy.Add(10 + static_cast<std::uint32_t>(value / 1000), value, NotDisk());
  busy.perCopy = 800;
  EXPECT_EQ(WalkDriveHolders(busy, "E").notInspected, 0u);
  EXPECT_GT(busy.NowMs(), 10'000u);
}

}  // namespace
