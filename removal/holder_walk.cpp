#include "removal/holder_walk.h"

#include <algorithm>
#include <new>
#include <optional>
#include <span>
#include <vector>

#include "drives/drive_types.h"

namespace {

// Whether `name` is `device` itself or lies below it.
bool IsOnDevice(std::string_view name, std::string_view device) {
  return !device.empty() && StartsWithIgnoringCase(name, device) &&
         (name.size() == device.size() || name[device.size()] == '\\');
}

// The DOS device prefixes: "\??\" of an object's name, "\\?\" of a final path.
std::optional<std::string_view> AfterDosPrefix(std::string_view name) {
  if (name.starts_with("\\??\\") || name.starts_with("\\\\?\\")) return name.substr(4);
  return std::nullopt;
}

enum class Inspection { kWhole, kNotWhole, kOutOfTime };

// A process or a copy of its handle, closed whatever happens.
class Held {
 public:
  Held(HolderWalkPlatform& platform, PlatformHandle handle)
      : m_platform(platform), m_handle(handle) {}
  ~Held() {
    if (m_handle) m_platform.Close(m_handle);
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  PlatformHandle get() const { return m_handle; }

 private:
  HolderWalkPlatform& m_platform;
  PlatformHandle m_handle;
};

struct Walker {
  HolderWalkPlatform& platform;
  std::vector<DriveNames> drives;
  std::uint64_t deadline = 0;

  // The user's path of a copy that its object's name placed on `drive` in
  // another form, or that has no name: today's final paths decide, as the
  // user knows them. False when a query stalled.
  bool FinalPathOnDrive(PlatformHandle copy, const DriveNames& drive, std::string* path, bool* on) {
    std::string dos;
    if (platform.QueryFinalPath(copy, PathForm::kDos, &dos) == QueryResult::kStalled) return false;
    *path = UserPath(dos);
    *on = IsOnDrive(*path, drive.letter);
    if (*on || drive.volumeName.empty()) return true;
    std::string volumePath;
    if (platform.QueryFinalPath(copy, PathForm::kVolumeGuid, &volumePath) == QueryResult::kStalled)
      return false;
    *on = IsOnVolume(volumePath, drive.volumeName);
    if (*on && path->empty()) *path = volumePath;
    return true;
  }

  // False when a query stalled: the process was not seen whole.
  bool InspectHandle(PlatformHandle copy, std::uint32_t pid, const std::string& program,
                     std::vector<DriveHolder>* found) {
    // Only a disk file is asked for its name.
    bool disk = false;
    QueryResult asked = platform.QueryIsDiskFile(copy, &disk);
    if (asked == QueryResult::kStalled) return false;
    if (asked == QueryResult::kFailed || !disk) return true;
    std::string name;
    asked = platform.QueryObjectName(copy, &name);
    if (asked == QueryResult::kStalled) return false;
    for (const DriveNames& drive : drives) {
      std::string path;
      bool on = false;
      NameMatch match =
          asked == QueryResult::kAnswered ? MatchDriveName(drive, name, &path) : NameMatch::kDevice;
      if (match == NameMatch::kNone) continue;
      if (match == NameMatch::kPath) {
        on = true;
      } else if (!FinalPathOnDrive(copy, drive, &path, &on)) {
        return false;
      }
      if (on) {
        found->push_back({pid, program, path});
        return true;
      }
    }
    return true;
  }

  Inspection InspectProcess(std::span<const ListedHandle> handles,
                            std::vector<DriveHolder>* found) {
    const std::uint32_t pid = handles.front().pid;
    const Held process(platform, platform.OpenProcess(pid));
    if (!process.get()) return Inspection::kNotWhole;
    const std::string program = platform.ProgramOf(process.get());
    bool whole = true, late = false;
    for (const ListedHandle& h : handles) {
      if (platform.NowMs() >= deadline) {
        late = true;
        break;
      }
      const Held copy(platform, platform.Duplicate(process.get(), h.value));
      if (copy.get()) whole = InspectHandle(copy.get(), pid, program, found) && whole;
    }
    // A process that ended meanwhile holds nothing now, yet was not seen whole.
    whole = !platform.HasEnded(process.get()) && whole;
    if (late) return Inspection::kOutOfTime;
    return whole ? Inspection::kWhole : Inspection::kNotWhole;
  }
};

}  // namespace

NameMatch MatchDriveName(const DriveNames& drive, std::string_view name, std::string* userPath) {
  if (std::optional<std::string_view> rest = AfterDosPrefix(name)) {
    const char letter = FoldDriveLetter(static_cast<unsigned char>(drive.letter));
    if (letter != 0 && IsOnDrive(*rest, letter)) {
      *userPath = std::string(*rest);
      return NameMatch::kPath;
    }
    // A volume's own name: the platform's "\\?\Volume{...}\" for both prefixes.
    if (!drive.volumeName.empty() && IsOnVolume("\\\\?\\" + std::string(*rest), drive.volumeName))
      return NameMatch::kDevice;
    return NameMatch::kNone;
  }
  return IsOnDevice(name, drive.letterDevice) || IsOnDevice(name, drive.volumeDevice)
             ? NameMatch::kDevice
             : NameMatch::kNone;
}

DriveHolders WalkDriveHolders(HolderWalkPlatform& platform, std::string_view letters,
                              std::uint64_t ceilingMs) {
  Walker walker{platform, {}, 0};
  for (char letter : letters) walker.drives.push_back(platform.QueryDriveNames(letter));
  const std::uint64_t start = platform.NowMs();
  HandleList list = platform.ListHandles();
  // This process is left out: it only looks, and what it holds (a console's
  // folder that it inherited) goes when it ends. Other objects than files
  // are never copied.
  const std::uint32_t self = platform.OwnProcessId();
  std::vector<ListedHandle>& handles = list.handles;
  std::erase_if(handles, [&](const ListedHandle& h) {
    return h.pid == self || (list.fileType >= 0 && h.typeIndex != list.fileType);
  });
  std::stable_sort(handles.begin(), handles.end(),
                   [](const ListedHandle& a, const ListedHandle& b) { return a.pid < b.pid; });
  walker.deadline = start + (ceilingMs ? ceilingMs : WalkCeilingMs(handles.size()));

  DriveHolders result;
  bool late = false;
  for (size_t first = 0; first < handles.size();) {
    size_t end = first;
    while (end < handles.size() && handles[end].pid == handles[first].pid) ++end;
    const std::span<const ListedHandle> process(handles.data() + first, end - first);
    first = end;
    Inspection inspection = Inspection::kOutOfTime;
    if (!late) {
      try {
        inspection = walker.InspectProcess(process, &result.holders);
      } catch (const std::bad_alloc&) {
        inspection = Inspection::kNotWhole;  // its handles are closed by then
      }
    }
    if (inspection == Inspection::kWhole) continue;
    ++result.notInspected;
    if (inspection == Inspection::kOutOfTime) {
      late = true;
      ++result.outOfTime;
    }
  }
  SortHolders(result.holders);
  return result;
}
