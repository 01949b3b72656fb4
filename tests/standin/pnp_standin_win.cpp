// A plug-and-play stand-in for tests. Loaded into a running Quorlin.exe, it
// rewrites the program's import entries of the SetupAPI device walk,
// CM_Get_Parent and CM_Request_Device_EjectW so that they reach the functions
// below, which answer from the test's script (the veto outputs of a request
// included) and record every argument. Sleep,
// GetVolumeInformationW and WriteConsoleW are recorded on their way to the
// real functions, for the pauses, the volume query and the trace lines; so
// are the opens of a volume for writing, the volume's lock, dismount and
// medium calls and the closes of those volumes, whose answers the script may
// give in place of Wine's.
//
// Wine lists no storage device interfaces and its eject call is a stub, so
// this is what lets a test run the program's whole eject path. The program
// itself is not changed: only its import table, in its own memory.
#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>
#include <winioctl.h>

#include <cstddef>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <string>
#include <type_traits>

#include "standin/pnp_standin_layout.h"

namespace {

StandinShared* g_shared = nullptr;

decltype(&::Sleep) g_realSleep = nullptr;
decltype(&::GetVolumeInformationW) g_realVolumeInformation = nullptr;
decltype(&::WriteConsoleW) g_realWriteConsole = nullptr;
decltype(&::CreateFileA) g_realCreateFile = nullptr;
decltype(&::DeviceIoControl) g_realDeviceIoControl = nullptr;
decltype(&::CloseHandle) g_realCloseHandle = nullptr;

// The volumes opened for writing, whose closes are recorded.
HANDLE g_volumes[16];
volatile LONG g_volumeCount = 0;

// The one device information set the stand-in hands out: a value that no
// real handle has, so a stray real call with it fails visibly.
const HDEVINFO kSet = reinterpret_cast<HDEVINFO>(static_cast<ULONG_PTR>(0x5E7D1F0));

// GUID_DEVCLASS_DISKDRIVE, the setup class of the devices behind the
// interfaces.
constexpr GUID kDiskDriveClass = {
    0x4d36e967, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

constexpr DWORD kDetailFixedSize = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);

std::uint64_t Address(const void* pointer) { return reinterpret_cast<ULONG_PTR>(pointer); }

std::int64_t Now() {
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return now.QuadPart;
}

void CopyText(StandinRecord& record, const wchar_t* text, size_t length) {
  record.textLength = static_cast<std::uint32_t>(length);
  size_t kept = length < std::size(record.text) - 1 ? length : std::size(record.text) - 1;
  std::memcpy(record.text, text, kept * sizeof(wchar_t));
  record.text[kept] = L'\0';
}

// One call's record: a slot taken at entry (so slots are in call order) and
// published when the call returns. Past the last slot, calls are counted
// but not kept; the test sees the overflow in the count.
class Recording {
 public:
  explicit Recording(StandinCall call) {
    LONG slot = ::InterlockedIncrement(&g_shared->recordCount) - 1;
    m_record = slot < static_cast<LONG>(kStandinMaxRecords) ? &g_shared->records[slot] : &m_spare;
    *m_record = StandinRecord{};
    m_record->call = call;
    m_record->threadId = ::GetCurrentThreadId();
    m_record->enteredAt = Now();
  }
  Recording(const Recording&) = delete;
  Recording& operator=(const Recording&) = delete;

  StandinRecord* operator->() { return m_record; }
  StandinRecord& operator*() { return *m_record; }

  // Publishes the record with the call's result and the last-error value
  // the caller will see.
  template <typename T>
  T Return(T result) {
    if constexpr (std::is_pointer_v<T>)
      m_record->result = Address(result);
    else
      m_record->result = static_cast<std::uint64_t>(result);
    Publish();
    return result;
  }
  void Publish() {
    DWORD error = ::GetLastError();
    m_record->lastError = error;
    m_record->returnedAt = Now();
    ::InterlockedExchange(&m_record->complete, 1);
    ::SetLastError(error);
  }

 private:
  StandinRecord* m_record;
  StandinRecord m_spare{};
};

const StandinScript& Script() { return g_shared->script; }

bool ScriptedClass(const GUID* guid) {
  return guid != nullptr && ::IsEqualGUID(*guid, Script().interfaceClass) != FALSE;
}

// The interface behind an interface record that the stand-in filled: its
// Reserved field carries the index plus one.
const StandinInterface* InterfaceOf(const SP_DEVICE_INTERFACE_DATA* data) {
  if (data == nullptr || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) return nullptr;
  ULONG_PTR token = data->Reserved;
  if (token == 0 || token > Script().interfaceCount || token > std::size(Script().interfaces))
    return nullptr;
  return &Script().interfaces[token - 1];
}

HDEVINFO WINAPI StandinGetClassDevs(const GUID* classGuid, PCSTR enumerator, HWND parent,
                                    DWORD flags) {
  Recording record(kCallGetClassDevs);
  record->classGuidPointer = Address(classGuid);
  if (classGuid) record->classGuid = *classGuid;
  record->enumerator = Address(enumerator);
  record->parentWindow = Address(parent);
  record->flags = flags;
  HDEVINFO set = kSet;
  if (Script().classDevsFails) {
    set = INVALID_HANDLE_VALUE;
    ::SetLastError(ERROR_INVALID_PARAMETER);
  } else {
    ::SetLastError(NO_ERROR);
  }
  record->set = Address(set);
  return record.Return(set);
}

WINBOOL WINAPI StandinEnumInterfaces(HDEVINFO set, PSP_DEVINFO_DATA deviceInfo,
                                     const GUID* classGuid, DWORD index,
                                     PSP_DEVICE_INTERFACE_DATA data) {
  Recording record(kCallEnumInterfaces);
  record->set = Address(set);
  record->deviceInfo = Address(deviceInfo);
  if (deviceInfo) record->deviceInfoSize = deviceInfo->cbSize;
  record->classGuidPointer = Address(classGuid);
  if (classGuid) record->classGuid = *classGuid;
  record->index = index;
  record->interfaceData = Address(data);
  if (data) record->interfaceDataSize = data->cbSize;

  // The checks SetupAPI makes, in its order: the set, the record's size,
  // then whether there is an interface at the index.
  if (set != kSet) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return record.Return(FALSE);
  }
  if (data == nullptr || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
    ::SetLastError(ERROR_INVALID_USER_BUFFER);
    return record.Return(FALSE);
  }
  if (!ScriptedClass(classGuid) || index >= Script().interfaceCount ||
      index >= std::size(Script().interfaces)) {
    ::SetLastError(ERROR_NO_MORE_ITEMS);
    return record.Return(FALSE);
  }
  data->InterfaceClassGuid = *classGuid;
  data->Flags = SPINT_ACTIVE;
  data->Reserved = index + 1;
  ::SetLastError(NO_ERROR);
  return record.Return(TRUE);
}

WINBOOL WINAPI StandinGetDetail(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD detailBufferSize,
                                PDWORD requiredSize, PSP_DEVINFO_DATA deviceInfo) {
  Recording record(kCallGetDetail);
  record->set = Address(set);
  record->interfaceData = Address(data);
  if (data) record->interfaceDataSize = data->cbSize;
  record->detail = Address(detail);
  if (detail) record->detailSize = detail->cbSize;
  record->detailBufferSize = detailBufferSize;
  record->requiredSizePointer = Address(requiredSize);
  record->deviceInfo = Address(deviceInfo);
  if (deviceInfo) record->deviceInfoSize = deviceInfo->cbSize;

  const StandinInterface* item = InterfaceOf(data);
  if (set != kSet) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return record.Return(FALSE);
  }
  if (item == nullptr) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return record.Return(FALSE);
  }
  DWORD pathBytes = static_cast<DWORD>(strnlen(item->devicePath, sizeof item->devicePath)) + 1;
  DWORD needed = item->requiredSize ? item->requiredSize : kDetailFixedSize + pathBytes;
  auto reportSize = [&] {
    if (requiredSize) *requiredSize = needed;
    record->requiredSizeWritten = needed;
  };
  if (detail == nullptr ? detailBufferSize != 0
                        : detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
    ::SetLastError(ERROR_INVALID_USER_BUFFER);
    return record.Return(FALSE);
  }
  if (detail == nullptr || detailBufferSize < needed) {
    reportSize();
    ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return record.Return(FALSE);
  }
  if (deviceInfo && deviceInfo->cbSize != sizeof(SP_DEVINFO_DATA)) {
    ::SetLastError(ERROR_INVALID_USER_BUFFER);
    return record.Return(FALSE);
  }
  std::memcpy(detail->DevicePath, item->devicePath, pathBytes - 1);
  detail->DevicePath[pathBytes - 1] = '\0';
  reportSize();
  if (deviceInfo) {
    deviceInfo->ClassGuid = kDiskDriveClass;
    deviceInfo->DevInst = item->devInst;
    deviceInfo->Reserved = 0;
  }
  ::SetLastError(NO_ERROR);
  return record.Return(TRUE);
}

WINBOOL WINAPI StandinDestroyList(HDEVINFO set) {
  Recording record(kCallDestroyList);
  record->set = Address(set);
  if (set != kSet) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return record.Return(FALSE);
  }
  ::SetLastError(NO_ERROR);
  return record.Return(TRUE);
}

CONFIGRET WINAPI StandinGetParent(PDEVINST parent, DEVINST device, ULONG flags) {
  Recording record(kCallGetParent);
  record->parentPointer = Address(parent);
  if (parent) record->parentBefore = *parent;
  record->devInst = device;
  record->flags = flags;
  if (parent && Script().parentWrites) *parent = Script().parent;
  if (parent) record->parentWritten = *parent;
  return record.Return(static_cast<CONFIGRET>(Script().parentResult));
}

// Whether another process holds the script's file open: it cannot be
// opened without sharing.
bool HeldFileIsHeld() {
  const wchar_t* path = Script().heldFile;
  if (path[0] == L'\0') return false;
  HANDLE file = ::CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_SHARING_VIOLATION;
  ::CloseHandle(file);
  return false;
}

// The earlier records of `call` (with control code `code`, for DeviceIoControl).
std::uint32_t EarlierCalls(StandinCall call, std::uint32_t code = 0) {
  std::uint32_t earlier = 0;
  LONG count = g_shared->recordCount;
  for (LONG i = 0; i < count && i < static_cast<LONG>(kStandinMaxRecords); ++i)
    if (g_shared->records[i].call == call && g_shared->records[i].ioControlCode == code) ++earlier;
  return earlier;
}

CONFIGRET WINAPI StandinRequestEject(DEVINST device, PPNP_VETO_TYPE vetoType, LPWSTR vetoName,
                                     ULONG nameLength, ULONG flags) {
  // Requests are counted in the record itself, so a reset of the records
  // starts the script's answers again.
  const std::uint32_t earlier = EarlierCalls(kCallRequestEject);
  Recording record(kCallRequestEject);
  record->devInst = device;
  record->vetoType = Address(vetoType);
  record->vetoName = Address(vetoName);
  record->nameLength = nameLength;
  record->flags = flags;
  if (vetoType) record->vetoTypeBefore = static_cast<std::uint32_t>(*vetoType);
  if (vetoName && nameLength > 0) record->vetoNameBefore = vetoName[0];
  const StandinScript& script = Script();
  std::uint32_t answers = script.ejectResultCount < std::size(script.ejectResults)
                              ? script.ejectResultCount
                              : std::size(script.ejectResults);
  CONFIGRET result = CR_REMOVE_VETOED;
  std::uint32_t answer = 0;
  if (answers > 0) {
    answer = earlier < answers ? earlier : answers - 1;
    result = script.ejectResults[answer];
  }
  if (script.heldFile[0] != L'\0') {
    answer = 0;
    result = HeldFileIsHeld() ? CR_REMOVE_VETOED : CR_SUCCESS;
  }
  if (vetoType)
    *vetoType =
        static_cast<PNP_VETO_TYPE>(script.heldFile[0] != L'\0' ? 5 : script.vetoTypes[answer]);
  if (vetoName && nameLength > 0) {
    const wchar_t* name = script.vetoNames[answer];
    size_t length = wcsnlen(name, std::size(script.vetoNames[answer]));
    if (length > nameLength - 1) length = nameLength - 1;
    std::memcpy(vetoName, name, length * sizeof(wchar_t));
    vetoName[length] = L'\0';
  }
  return record.Return(result);
}

void WINAPI StandinSleep(DWORD milliseconds) {
  Recording record(kCallSleep);
  record->milliseconds = milliseconds;
  g_realSleep(milliseconds);
  record.Publish();
}

WINBOOL WINAPI StandinVolumeInformation(LPCWSTR rootPath, LPWSTR volumeName, DWORD volumeNameSize,
                                        LPDWORD serial, LPDWORD maxComponent, LPDWORD flags,
                                        LPWSTR fileSystemName, DWORD fileSystemNameSize) {
  Recording record(kCallVolumeInformation);
  if (rootPath) CopyText(*record, rootPath, wcslen(rootPath));
  record->volumeNameSize = volumeNameSize;
  record->fileSystemNameSize = fileSystemNameSize;
  return record.Return(g_realVolumeInformation(rootPath, volumeName, volumeNameSize, serial,
                                               maxComponent, flags, fileSystemName,
                                               fileSystemNameSize));
}

WINBOOL WINAPI StandinWriteConsole(HANDLE output, const VOID* buffer, DWORD length, LPDWORD written,
                                   LPVOID reserved) {
  Recording record(kCallWriteConsole);
  if (buffer) CopyText(*record, static_cast<const wchar_t*>(buffer), length);
  return record.Return(g_realWriteConsole(output, buffer, length, written, reserved));
}

HANDLE WINAPI StandinCreateFile(LPCSTR path, DWORD access, DWORD share,
                                LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                                HANDLE templateFile) {
  HANDLE result = g_realCreateFile(path, access, share, security, disposition, flags, templateFile);
  if (!path || !(access & GENERIC_WRITE) || std::strncmp(path, "\\\\.\\", 4) != 0) return result;
  Recording record(kCallCreateFile);
  wchar_t wide[64] = {};
  for (size_t i = 0; i + 1 < std::size(wide) && path[i]; ++i)
    wide[i] = static_cast<unsigned char>(path[i]);
  CopyText(*record, wide, wcslen(wide));
  record->access = access;
  record->share = share;
  record->disposition = disposition;
  record->handle = Address(result);
  LONG slot = ::InterlockedIncrement(&g_volumeCount) - 1;
  if (result != INVALID_HANDLE_VALUE && slot < static_cast<LONG>(std::size(g_volumes)))
    g_volumes[slot] = result;
  return record.Return(result);
}

bool IsMediumCall(DWORD code) {
  return code == FSCTL_LOCK_VOLUME || code == FSCTL_UNLOCK_VOLUME ||
         code == FSCTL_DISMOUNT_VOLUME || code == IOCTL_STORAGE_MEDIA_REMOVAL ||
         code == IOCTL_STORAGE_EJECT_MEDIA;
}

WINBOOL WINAPI StandinDeviceIoControl(HANDLE device, DWORD code, LPVOID input, DWORD inputSize,
                                      LPVOID output, DWORD outputSize, LPDWORD returned,
                                      LPOVERLAPPED overlapped) {
  if (!IsMediumCall(code)) {
    WINBOOL ok = g_realDeviceIoControl(device, code, input, inputSize, output, outputSize, returned,
                                       overlapped);
    auto* number = static_cast<STORAGE_DEVICE_NUMBER*>(output);
    if (ok && code == IOCTL_STORAGE_GET_DEVICE_NUMBER && Script().renumberTo != 0 && number &&
        number->DeviceNumber == Script().renumberFrom)
      number->DeviceNumber = Script().renumberTo;
    return ok;
  }
  const std::uint32_t earlierLocks = EarlierCalls(kCallDeviceIoControl, FSCTL_LOCK_VOLUME);
  Recording record(kCallDeviceIoControl);
  record->handle = Address(device);
  record->ioControlCode = code;
  record->inputSize = inputSize;
  if (input && inputSize > 0) record->inputFirst = *static_cast<const BYTE*>(input);
  if (!Script().volumeScripted)
    return record.Return(g_realDeviceIoControl(device, code, input, inputSize, output, outputSize,
                                               returned, overlapped));
  const DWORD error =
      code == FSCTL_LOCK_VOLUME && earlierLocks < Script().lockRefusals ? ERROR_ACCESS_DENIED : 0;
  if (returned) *returned = 0;
  ::SetLastError(error);
  return record.Return(error == 0 ? TRUE : FALSE);
}

WINBOOL WINAPI StandinCloseHandle(HANDLE handle) {
  bool volume = false;
  for (LONG i = 0; i < g_volumeCount && i < static_cast<LONG>(std::size(g_volumes)); ++i)
    volume = volume || g_volumes[i] == handle;
  if (!volume) return g_realCloseHandle(handle);
  Recording record(kCallCloseHandle);
  record->handle = Address(handle);
  return record.Return(g_realCloseHandle(handle));
}

struct Hook {
  const char* name;
  void* replacement;
  void** original;  // where the real function goes, for the recorded ones
};

const Hook kHooks[kCallCount] = {
    {"SetupDiGetClassDevsA", reinterpret_cast<void*>(&StandinGetClassDevs), nullptr},
    {"SetupDiEnumDeviceInterfaces", reinterpret_cast<void*>(&StandinEnumInterfaces), nullptr},
    {"SetupDiGetDeviceInterfaceDetailA", reinterpret_cast<void*>(&StandinGetDetail), nullptr},
    {"SetupDiDestroyDeviceInfoList", reinterpret_cast<void*>(&StandinDestroyList), nullptr},
    {"CM_Get_Parent", reinterpret_cast<void*>(&StandinGetParent), nullptr},
    {"CM_Request_Device_EjectW", reinterpret_cast<void*>(&StandinRequestEject), nullptr},
    {"Sleep", reinterpret_cast<void*>(&StandinSleep), reinterpret_cast<void**>(&g_realSleep)},
    {"GetVolumeInformationW", reinterpret_cast<void*>(&StandinVolumeInformation),
     reinterpret_cast<void**>(&g_realVolumeInformation)},
    {"WriteConsoleW", reinterpret_cast<void*>(&StandinWriteConsole),
     reinterpret_cast<void**>(&g_realWriteConsole)},
    {"CreateFileA", reinterpret_cast<void*>(&StandinCreateFile),
     reinterpret_cast<void**>(&g_realCreateFile)},
    {"DeviceIoControl", reinterpret_cast<void*>(&StandinDeviceIoControl),
     reinterpret_cast<void**>(&g_realDeviceIoControl)},
    {"CloseHandle", reinterpret_cast<void*>(&StandinCloseHandle),
     reinterpret_cast<void**>(&g_realCloseHandle)},
};

bool Replace(ULONG_PTR* slot, const Hook& hook) {
  DWORD protection = 0;
  if (!::VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection)) return false;
  if (hook.original) *hook.original = reinterpret_cast<void*>(*slot);
  *slot = reinterpret_cast<ULONG_PTR>(hook.replacement);
  ::VirtualProtect(slot, sizeof *slot, protection, &protection);
  return true;
}

// Rewrites the import entries of `module` that name a hooked function,
// whichever DLL they are bound to (MinGW binds the CM_ calls to SETUPAPI).
// Returns the bits of the hooks placed.
LONG HookImports(HMODULE module) {
  auto* base = reinterpret_cast<BYTE*>(module);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return 0;
  LONG hooked = 0;
  for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       dll->Name != 0; ++dll) {
    // The name table; without it the bound addresses hide the names.
    if (dll->OriginalFirstThunk == 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      const char* name = reinterpret_cast<const char*>(byName->Name);
      for (std::uint32_t call = 0; call < kCallCount; ++call) {
        if (std::strcmp(name, kHooks[call].name) != 0) continue;
        if (Replace(reinterpret_cast<ULONG_PTR*>(&slots->u1.Function), kHooks[call]))
          hooked |= 1L << call;
      }
    }
  }
  return hooked;
}

bool Attach() {
  std::wstring name = kStandinMappingPrefix + std::to_wstring(::GetCurrentProcessId());
  HANDLE mapping = ::OpenFileMappingW(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, name.c_str());
  if (mapping == nullptr) return false;
  // The view stays mapped for the life of the process: the hooks use it
  // until the end. The handle is not needed to keep it.
  void* view =
      ::MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(StandinShared));
  ::CloseHandle(mapping);
  if (view == nullptr) return false;
  auto* shared = static_cast<StandinShared*>(view);
  if (shared->layoutSize != sizeof(StandinShared)) {
    ::UnmapViewOfFile(view);
    return false;
  }
  g_shared = shared;
  ::InterlockedExchange(&g_shared->hooked, HookImports(::GetModuleHandleW(nullptr)));
  return true;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  ::DisableThreadLibraryCalls(instance);
  // Without its script the stand-in must not take anything over; refusing
  // the load tells the test so.
  return Attach() ? TRUE : FALSE;
}
