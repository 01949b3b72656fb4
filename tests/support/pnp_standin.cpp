#include "support/pnp_standin.h"

#include <winioctl.h>

#include <cstring>

#include "support/process.h"
#include "support/shared_memory.h"
#include "support/wait.h"

const GUID kDiskInterfaceClass = {
    0x53f56307, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};

namespace {

// The build puts the stand-in beside Quorlin.exe and the test programs.
std::wstring StandinDllPath() { return BesideTestProgram(L"quorlin_pnp_standin.dll"); }

std::string ErrorText(const char* what) {
  return what + (" failed, error " + std::to_string(::GetLastError()));
}

// Runs LoadLibraryW(dll) in `process` on a thread of its own. The test and
// the program are of one architecture and kernel32 sits at the same address
// in both, so this process's LoadLibraryW is theirs too.
bool LoadInto(HANDLE process, const std::wstring& dll, std::string* error) {
  size_t bytes = (dll.size() + 1) * sizeof(wchar_t);
  SharedMemory path(process, bytes);
  if (!path.Ok()) {
    *error = ErrorText(path.Failed());
    return false;
  }
  std::memcpy(path.Local(), dll.c_str(), bytes);
  auto* loadLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
  HANDLE thread = ::CreateRemoteThread(process, nullptr, 0, loadLibrary, path.Remote(), 0, nullptr);
  if (!thread) {
    *error = ErrorText("CreateRemoteThread");
    return false;
  }
  bool loaded = false;
  if (::WaitForSingleObject(thread, Scaled(20000)) != WAIT_OBJECT_0) {
    *error = "LoadLibraryW of the stand-in did not return";
    // The thread may still read the path: its view stays mapped there.
    path.Keep();
  } else {
    // The thread's exit code is the module handle (its low half on x64).
    DWORD module = 0;
    ::GetExitCodeThread(thread, &module);
    loaded = module != 0;
    if (!loaded) *error = "the stand-in refused to load (no script, or another layout)";
  }
  ::CloseHandle(thread);
  return loaded;
}

}  // namespace

PnpStandin::~PnpStandin() {
  if (m_shared) ::UnmapViewOfFile(m_shared);
  if (m_mapping) ::CloseHandle(m_mapping);
}

bool PnpStandin::Attach(HANDLE process, DWORD pid, std::string* error) {
  std::wstring name = kStandinMappingPrefix + std::to_wstring(pid);
  m_mapping = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                   sizeof(StandinShared), name.c_str());
  if (!m_mapping) {
    *error = ErrorText("CreateFileMappingW");
    return false;
  }
  m_shared = static_cast<StandinShared*>(
      ::MapViewOfFile(m_mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(StandinShared)));
  if (!m_shared) {
    *error = ErrorText("MapViewOfFile");
    return false;
  }
  std::memset(m_shared, 0, sizeof(StandinShared));
  m_shared->layoutSize = sizeof(StandinShared);
  if (!LoadInto(process, StandinDllPath(), error)) return false;
  LONG hooked = m_shared->hooked;
  if (hooked != static_cast<LONG>(kAllStandinCalls)) {
    *error = "imports taken over: mask " + std::to_string(hooked) + " of " +
             std::to_string(kAllStandinCalls);
    return false;
  }
  return true;
}

void PnpStandin::ClearRecords() { ::InterlockedExchange(&m_shared->recordCount, 0); }

std::vector<StandinRecord> PnpStandin::Records(DWORD threadId) const {
  std::vector<StandinRecord> records;
  LONG count = RecordCount();
  for (LONG i = 0; i < count && i < static_cast<LONG>(kStandinMaxRecords); ++i) {
    const StandinRecord& record = m_shared->records[i];
    if (!record.complete) continue;
    MemoryBarrier();
    if (threadId == 0 || record.threadId == threadId) records.push_back(record);
  }
  return records;
}

LONG PnpStandin::RecordCount() const { return m_shared->recordCount; }

std::int64_t StampNow() {
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return now.QuadPart;
}

double StampMs(std::int64_t from, std::int64_t to) {
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to - from) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

bool StorageNumberOf(const std::wstring& path, DWORD* number) {
  HANDLE device = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  if (device == INVALID_HANDLE_VALUE) return false;
  STORAGE_DEVICE_NUMBER answer{};
  DWORD returned = 0;
  BOOL ok = ::DeviceIoControl(device, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &answer,
                              sizeof answer, &returned, nullptr);
  ::CloseHandle(device);
  if (ok) *number = answer.DeviceNumber;
  return ok != FALSE;
}

void SetInterface(StandinInterface& item, const std::string& path, std::uint32_t devInst,
                  std::uint32_t requiredSize) {
  item = StandinInterface{};
  std::strncpy(item.devicePath, path.c_str(), sizeof item.devicePath - 1);
  item.devInst = devInst;
  item.requiredSize = requiredSize;
}
