#include "removal/holders_win.h"

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/text_win.h"

namespace {

// NtQuerySystemInformation's classes for the open handles of every process:
// the extended list, and the older one where that is missing (its process
// ids stop at 65535).
constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr ULONG kSystemHandleInformation = 16;
constexpr NTSTATUS kStatusInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);
// The list is asked for again with a bigger buffer while it does not fit,
// starting small (under Wine a few hundred handles, and the server copies
// whatever buffer it is given); beyond the largest size something is wrong.
constexpr ULONG kFirstListBytes = 64u << 10;
constexpr ULONG kMaxListBytes = 256u << 20;

// The lists' records, which the SDK's headers leave out.
struct ExtendedEntry {
  PVOID object;
  ULONG_PTR pid;
  ULONG_PTR handle;
  ULONG access;
  USHORT backTraceIndex;
  USHORT typeIndex;
  ULONG attributes;
  ULONG reserved;
};
struct ExtendedList {
  ULONG_PTR count;
  ULONG_PTR reserved;
  ExtendedEntry entries[1];
};
struct LegacyEntry {
  USHORT pid;
  USHORT backTraceIndex;
  UCHAR typeIndex;
  UCHAR attributes;
  USHORT handle;
  PVOID object;
  ULONG access;
};
struct LegacyList {
  ULONG count;
  LegacyEntry entries[1];
};

struct OpenHandle {
  DWORD pid;
  HANDLE value;
  USHORT typeIndex;
};

bool QueryList(ULONG infoClass, std::vector<unsigned char>& buffer) {
  for (ULONG size = kFirstListBytes; size <= kMaxListBytes;) {
    buffer.assign(size, 0);
    ULONG needed = 0;
    NTSTATUS status = NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(infoClass),
                                               buffer.data(), size, &needed);
    if (status != kStatusInfoLengthMismatch) return NT_SUCCESS(status);
    // The list grows while it is taken: room for what it needed, and more.
    size = std::max(size * 2, needed + needed / 4);
  }
  return false;
}

std::vector<OpenHandle> SystemHandles() {
  std::vector<OpenHandle> handles;
  std::vector<unsigned char> buffer;
  if (QueryList(kSystemExtendedHandleInformation, buffer)) {
    const auto* list = reinterpret_cast<const ExtendedList*>(buffer.data());
    const size_t fit = (buffer.size() - offsetof(ExtendedList, entries)) / sizeof(ExtendedEntry);
    for (size_t i = 0; i < std::min<size_t>(list->count, fit); ++i) {
      const ExtendedEntry& e = list->entries[i];
      handles.push_back(
          {static_cast<DWORD>(e.pid), reinterpret_cast<HANDLE>(e.handle), e.typeIndex});
    }
  } else if (QueryList(kSystemHandleInformation, buffer)) {
    const auto* list = reinterpret_cast<const LegacyList*>(buffer.data());
    const size_t fit = (buffer.size() - offsetof(LegacyList, entries)) / sizeof(LegacyEntry);
    for (size_t i = 0; i < std::min<size_t>(list->count, fit); ++i) {
      const LegacyEntry& e = list->entries[i];
      handles.push_back(
          {e.pid, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(e.handle)), e.typeIndex});
    }
  }
  return handles;
}

// The path of an open file in the form `flags` asks for; empty when it has none.
std::string FinalPath(HANDLE file, DWORD flags) {
  std::wstring path(MAX_PATH, L'\0');
  DWORD length =
      GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()), flags);
  if (length >= path.size()) {
    path.assign(length + 1, L'\0');
    length = GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()), flags);
  }
  if (length == 0 || length >= path.size()) return {};
  path.resize(length);
  return WideToCp932(path);
}

std::string ImageName(HANDLE process) {
  std::wstring image(32768, L'\0');
  DWORD length = static_cast<DWORD>(image.size());
  if (!QueryFullProcessImageNameW(process, 0, image.data(), &length)) return {};
  image.resize(length);
  return ProgramName(WideToCp932(image));
}

// What a walk shares between its worker and the caller, who may give up
// waiting: kept alive by whichever of the two finishes last.
struct Walk {
  char letter = 0;
  std::string volumeName;  // the drive's volume, "\\?\Volume{...}\"
  DWORD self = 0;
  std::vector<std::pair<DWORD, std::vector<HANDLE>>> processes;

  CRITICAL_SECTION lock;
  std::vector<DriveHolder> holders;
  size_t reached = 0;  // processes looked into, or given up on
  std::uint32_t notInspected = 0;
  volatile LONG stop = 0;

  Walk() { InitializeCriticalSection(&lock); }
  ~Walk() { DeleteCriticalSection(&lock); }
  Walk(const Walk&) = delete;
  Walk& operator=(const Walk&) = delete;
};

// The drive's files and folders among one process's handles; false when the
// process could not be looked into.
bool InspectProcess(const Walk& walk, DWORD pid, const std::vector<HANDLE>& handles,
                    std::vector<DriveHolder>* found) {
  HANDLE process = OpenProcess(PROCESS_DUP_HANDLE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return false;
  const std::string name = ImageName(process);
  for (HANDLE value : handles) {
    HANDLE copy = nullptr;
    if (!DuplicateHandle(process, value, GetCurrentProcess(), &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
      continue;
    // Only a disk file is asked for its name: a pipe can keep such a
    // question waiting for ever.
    if (GetFileType(copy) == FILE_TYPE_DISK) {
      std::string path = UserPath(FinalPath(copy, VOLUME_NAME_DOS));
      bool on = IsOnDrive(path, walk.letter);
      if (!on && !walk.volumeName.empty()) {
        std::string volumePath = FinalPath(copy, VOLUME_NAME_GUID);
        on = IsOnVolume(volumePath, walk.volumeName);
        if (on && path.empty()) path = volumePath;
      }
      if (on) found->push_back({pid, name, path});
    }
    CloseHandle(copy);
  }
  // A process that ended meanwhile holds nothing now, yet was not seen whole.
  DWORD exitCode = 0;
  const bool gone = GetExitCodeProcess(process, &exitCode) && exitCode != STILL_ACTIVE;
  CloseHandle(process);
  return !gone;
}

DWORD WINAPI RunWalk(void* parameter) {
  std::unique_ptr<std::shared_ptr<Walk>> owner(static_cast<std::shared_ptr<Walk>*>(parameter));
  Walk& walk = **owner;
  for (const auto& [pid, handles] : walk.processes) {
    if (walk.stop) break;
    std::vector<DriveHolder> found;
    bool inspected = false;
    try {
      inspected = InspectProcess(walk, pid, handles, &found);
    } catch (...) {
      // Out of memory: the process counts as not inspected.
    }
    EnterCriticalSection(&walk.lock);
    walk.holders.insert(walk.holders.end(), found.begin(), found.end());
    if (!inspected) ++walk.notInspected;
    ++walk.reached;
    LeaveCriticalSection(&walk.lock);
  }
  return 0;
}

}  // namespace

DriveHolders FindDriveHolders(char letter, unsigned timeoutMs) {
  auto walk = std::make_shared<Walk>();
  walk->letter = letter;
  walk->self = GetCurrentProcessId();
  const wchar_t root[] = {static_cast<wchar_t>(letter), L':', L'\\', L'\0'};
  wchar_t volume[64] = {};
  if (GetVolumeNameForVolumeMountPointW(root, volume, 64)) walk->volumeName = WideToCp932(volume);

  // A handle of a file object of this process's own tells which of the
  // list's object types are files; other objects are never copied.
  HANDLE probe = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  const std::vector<OpenHandle> handles = SystemHandles();
  if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);
  int fileType = -1;
  for (const OpenHandle& h : handles)
    if (h.pid == walk->self && h.value == probe) fileType = h.typeIndex;
  // This process is left out: it only looks, and what it holds (a console's
  // folder that it inherited) goes when it ends.
  std::map<DWORD, std::vector<HANDLE>> byProcess;
  for (const OpenHandle& h : handles)
    if (h.pid != walk->self && (fileType < 0 || h.typeIndex == fileType))
      byProcess[h.pid].push_back(h.value);
  walk->processes.assign(byProcess.begin(), byProcess.end());

  DriveHolders result;
  auto* share = new std::shared_ptr<Walk>(walk);
  HANDLE worker = CreateThread(nullptr, 0, RunWalk, share, 0, nullptr);
  if (worker) {
    WaitForSingleObject(worker, timeoutMs);
    CloseHandle(worker);
  } else {
    delete share;
  }
  InterlockedExchange(&walk->stop, 1);
  EnterCriticalSection(&walk->lock);
  result.holders = walk->holders;
  // What the walk did not reach in time (or at all) was not looked into.
  result.notInspected =
      walk->notInspected + static_cast<std::uint32_t>(walk->processes.size() - walk->reached);
  LeaveCriticalSection(&walk->lock);
  SortHolders(result.holders);
  return result;
}
