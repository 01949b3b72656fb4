#include "removal/holder_walk_platform_win.h"

#include <winternl.h>

#include <algorithm>
#include <cstddef>
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
// NtQueryObject's class for an object's name.
constexpr ULONG kObjectNameInformation = 1;

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

HANDLE ToHandle(PlatformHandle handle) { return reinterpret_cast<HANDLE>(handle); }
PlatformHandle FromHandle(HANDLE handle) { return reinterpret_cast<PlatformHandle>(handle); }

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

// The system's list as records of its own: the raw list is freed before
// the walk begins.
std::vector<ListedHandle> SystemHandles() {
  std::vector<ListedHandle> handles;
  std::vector<unsigned char> buffer;
  if (QueryList(kSystemExtendedHandleInformation, buffer)) {
    const auto* list = reinterpret_cast<const ExtendedList*>(buffer.data());
    const size_t fit = (buffer.size() - offsetof(ExtendedList, entries)) / sizeof(ExtendedEntry);
    const size_t count = std::min<size_t>(list->count, fit);
    handles.reserve(count);
    for (size_t i = 0; i < count; ++i) {
      const ExtendedEntry& e = list->entries[i];
      handles.push_back({static_cast<std::uint32_t>(e.pid), e.handle, e.typeIndex});
    }
  } else if (QueryList(kSystemHandleInformation, buffer)) {
    const auto* list = reinterpret_cast<const LegacyList*>(buffer.data());
    const size_t fit = (buffer.size() - offsetof(LegacyList, entries)) / sizeof(LegacyEntry);
    const size_t count = std::min<size_t>(list->count, fit);
    handles.reserve(count);
    for (size_t i = 0; i < count; ++i) {
      const LegacyEntry& e = list->entries[i];
      handles.push_back({e.pid, e.handle, e.typeIndex});
    }
  }
  return handles;
}

// The first name of a DOS device's target list ("E:" -> "\Device\HarddiskVolume5").
std::string DosTarget(const std::wstring& device) {
  wchar_t target[1024] = {};
  if (!QueryDosDeviceW(device.c_str(), target, 1024)) return {};
  return WideToUtf8(target);
}

DWORD WINAPI RunGuard(void* platform) {
  static_cast<HolderWalkPlatformWin*>(platform)->Watch();
  return 0;
}

}  // namespace

HolderWalkPlatformWin::HolderWalkPlatformWin(DWORD stallMs) : m_stallMs(stallMs) {
  InitializeCriticalSection(&m_lock);
  QueryPerformanceFrequency(&m_frequency);
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &m_walker, 0, FALSE,
                  DUPLICATE_SAME_ACCESS);
}

HolderWalkPlatformWin::~HolderWalkPlatformWin() {
  if (m_guard) {
    SetEvent(m_quit);
    WaitForSingleObject(m_guard, INFINITE);
    CloseHandle(m_guard);
  }
  if (m_quit) CloseHandle(m_quit);
  if (m_walker) CloseHandle(m_walker);
  DeleteCriticalSection(&m_lock);
}

void HolderWalkPlatformWin::Watch() {
  // Wakes a few times within a stall limit; the walking thread pays only
  // for the lock around each query.
  const DWORD step = std::max<DWORD>(m_stallMs / 4, 10);
  while (WaitForSingleObject(m_quit, step) == WAIT_TIMEOUT) {
    EnterCriticalSection(&m_lock);
    if (m_querySince != 0 && NowMs() - m_querySince >= m_stallMs) {
      // Repeated while the query has not returned: a cancel that came
      // before the query reached its wait misses it.
      CancelSynchronousIo(m_walker);
      m_cancelled = true;
    }
    LeaveCriticalSection(&m_lock);
  }
}

void HolderWalkPlatformWin::Arm() {
  if (!m_guard && m_walker) {
    m_quit = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (m_quit) m_guard = CreateThread(nullptr, 0, RunGuard, this, 0, nullptr);
  }
  EnterCriticalSection(&m_lock);
  m_querySince = NowMs();
  m_cancelled = false;
  LeaveCriticalSection(&m_lock);
}

QueryResult HolderWalkPlatformWin::Disarm(bool answered) {
  EnterCriticalSection(&m_lock);
  m_querySince = 0;
  const bool cancelled = m_cancelled;
  LeaveCriticalSection(&m_lock);
  if (cancelled) return QueryResult::kStalled;
  return answered ? QueryResult::kAnswered : QueryResult::kFailed;
}

std::uint32_t HolderWalkPlatformWin::OwnProcessId() { return GetCurrentProcessId(); }

DriveNames HolderWalkPlatformWin::QueryDriveNames(char letter) {
  DriveNames names;
  names.letter = letter;
  names.letterDevice = DosTarget({static_cast<wchar_t>(letter), L':'});
  const wchar_t root[] = {static_cast<wchar_t>(letter), L':', L'\\', L'\0'};
  wchar_t volume[64] = {};
  if (GetVolumeNameForVolumeMountPointW(root, volume, 64)) {
    std::wstring name = volume;
    names.volumeName = WideToUtf8(name);
    // "\\?\Volume{...}\" is known to QueryDosDevice as "Volume{...}".
    if (name.size() > 5 && name.back() == L'\\')
      names.volumeDevice = DosTarget(name.substr(4, name.size() - 5));
  }
  return names;
}

HandleList HolderWalkPlatformWin::ListHandles() {
  // A handle of a file object of this process's own tells which of the
  // list's object types are files.
  HANDLE probe = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  HandleList list;
  list.handles = SystemHandles();
  if (probe == INVALID_HANDLE_VALUE) return list;
  CloseHandle(probe);
  const std::uint32_t self = GetCurrentProcessId();
  for (const ListedHandle& h : list.handles)
    if (h.pid == self && h.value == reinterpret_cast<std::uintptr_t>(probe))
      list.fileType = h.typeIndex;
  return list;
}

PlatformHandle HolderWalkPlatformWin::OpenProcess(std::uint32_t pid) {
  return FromHandle(
      ::OpenProcess(PROCESS_DUP_HANDLE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
}

std::string HolderWalkPlatformWin::ProgramOf(PlatformHandle process) {
  std::wstring image(32768, L'\0');
  DWORD length = static_cast<DWORD>(image.size());
  if (!QueryFullProcessImageNameW(ToHandle(process), 0, image.data(), &length)) return {};
  image.resize(length);
  const size_t slash = image.find_last_of(L"\\/");
  return WideToUtf8(slash == std::wstring::npos ? image : image.substr(slash + 1));
}

bool HolderWalkPlatformWin::HasEnded(PlatformHandle process) {
  DWORD exitCode = 0;
  return GetExitCodeProcess(ToHandle(process), &exitCode) && exitCode != STILL_ACTIVE;
}

PlatformHandle HolderWalkPlatformWin::Duplicate(PlatformHandle process, std::uintptr_t value) {
  HANDLE copy = nullptr;
  if (!DuplicateHandle(ToHandle(process), reinterpret_cast<HANDLE>(value), GetCurrentProcess(),
                       &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
    return 0;
  return FromHandle(copy);
}

void HolderWalkPlatformWin::Close(PlatformHandle handle) { CloseHandle(ToHandle(handle)); }

// GetFileType itself can wait for ever: on a file opened for synchronous
// I/O, such as a pipe with a read pending in its process, every query waits
// for that read to end, the type query as much as the name queries. Hence
// the guard around each of them.
QueryResult HolderWalkPlatformWin::QueryIsDiskFile(PlatformHandle copy, bool* disk) {
  Arm();
  const DWORD type = GetFileType(ToHandle(copy));
  const bool answered = type != FILE_TYPE_UNKNOWN || GetLastError() == NO_ERROR;
  *disk = type == FILE_TYPE_DISK;
  return Disarm(answered);
}

QueryResult HolderWalkPlatformWin::QueryObjectName(PlatformHandle copy, std::string* name) {
  // Room for any name (a UNICODE_STRING holds up to 32767 characters),
  // which follows its UNICODE_STRING; taken once for the whole walk.
  if (m_nameBuffer.empty()) m_nameBuffer.resize(sizeof(UNICODE_STRING) / sizeof(ULONGLONG) + 8192);
  Arm();
  ULONG returned = 0;
  NTSTATUS status = NtQueryObject(
      ToHandle(copy), static_cast<OBJECT_INFORMATION_CLASS>(kObjectNameInformation),
      m_nameBuffer.data(), static_cast<ULONG>(m_nameBuffer.size() * sizeof(ULONGLONG)), &returned);
  const auto* text = reinterpret_cast<const UNICODE_STRING*>(m_nameBuffer.data());
  const bool answered = NT_SUCCESS(status) && text->Buffer != nullptr;
  QueryResult result = Disarm(answered);
  if (result == QueryResult::kAnswered)
    *name = WideToUtf8(std::wstring_view(text->Buffer, text->Length / sizeof(wchar_t)));
  return result;
}

QueryResult HolderWalkPlatformWin::QueryFinalPath(PlatformHandle copy, PathForm form,
                                                  std::string* path) {
  const DWORD flags = form == PathForm::kDos ? VOLUME_NAME_DOS : VOLUME_NAME_GUID;
  std::wstring wide(MAX_PATH, L'\0');
  Arm();
  DWORD length = GetFinalPathNameByHandleW(ToHandle(copy), wide.data(),
                                           static_cast<DWORD>(wide.size()), flags);
  if (length >= wide.size()) {
    wide.assign(length + 1, L'\0');
    length = GetFinalPathNameByHandleW(ToHandle(copy), wide.data(), static_cast<DWORD>(wide.size()),
                                       flags);
  }
  const bool answered = length != 0 && length < wide.size();
  QueryResult result = Disarm(answered);
  path->clear();
  if (result == QueryResult::kAnswered) *path = WideToUtf8(std::wstring_view(wide.data(), length));
  return result;
}

std::uint64_t HolderWalkPlatformWin::NowMs() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<std::uint64_t>(now.QuadPart) * 1000 /
         static_cast<std::uint64_t>(m_frequency.QuadPart);
}
