#include "removal/removal_platform_win.h"

#include <winioctl.h>
#include <cfgmgr32.h>

#include <cstddef>
#include <cwchar>

#include "framework/trace.h"
#include "framework/text_win.h"
#include "removal/eject_win.h"

namespace {

// The device-interface class GUIDs, spelled out so that no GUID library or
// initguid.h trick is needed.
constexpr GUID kDiskInterface = {
    0x53f56307, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};
constexpr GUID kCdRomInterface = {
    0x53f56308, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};
constexpr GUID kFloppyInterface = {
    0x53f56311, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};

const GUID* ClassGuid(InterfaceClass cls) {
  switch (cls) {
    case InterfaceClass::Disk:
      return &kDiskInterface;
    case InterfaceClass::CdRom:
      return &kCdRomInterface;
    case InterfaceClass::Floppy:
      return &kFloppyInterface;
    case InterfaceClass::None:
      break;
  }
  return nullptr;
}

// The event that cancels the pauses: manual reset, so that once set it
// stays set. Made on first use by whichever thread comes first; no
// function-local static, whose guard would link a threads library into
// both programs.
PVOID g_cancelEvent = nullptr;

HANDLE CancelEvent() {
  if (PVOID event = InterlockedCompareExchangePointer(&g_cancelEvent, nullptr, nullptr))
    return event;
  HANDLE made = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (made == nullptr) return nullptr;
  if (PVOID earlier = InterlockedCompareExchangePointer(&g_cancelEvent, made, nullptr)) {
    CloseHandle(made);
    return earlier;
  }
  return made;
}

HANDLE ToHandle(PlatformHandle handle) { return reinterpret_cast<HANDLE>(handle); }
PlatformHandle FromHandle(HANDLE handle) { return reinterpret_cast<PlatformHandle>(handle); }

// SetupAPI checks cbSize against its own layout: the fixed part of the detail
// record is a DWORD and one CHAR, 5 bytes on x86 (packed) but 8 on x64, and
// the other two records grow by the pointer-sized Reserved field.
static_assert(sizeof(void*) != 4 || sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 5);
static_assert(sizeof(void*) != 8 || sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 8);
static_assert(sizeof(void*) != 4 || sizeof(SP_DEVINFO_DATA) == 28);
static_assert(sizeof(void*) != 4 || sizeof(SP_DEVICE_INTERFACE_DATA) == 28);
static_assert(sizeof(STORAGE_DEVICE_NUMBER) == 12);

}  // namespace

// The portable code's copies of the platform's values. INVALID_HANDLE_VALUE
// is a pointer, which no constant expression can compare; the Windows-side
// tests check kInvalidPlatformHandle against it.
static_assert(sizeof(PlatformHandle) == sizeof(HANDLE));
static_assert(kCrSuccess == CR_SUCCESS);
static_assert(kVetoTypeCount == PNP_VetoAlreadyRemoved + 1 && PNP_VetoTypeUnknown == 0);
static_assert(kErrorInvalidFunction == ERROR_INVALID_FUNCTION &&
              kErrorAccessDenied == ERROR_ACCESS_DENIED && kErrorNotReady == ERROR_NOT_READY &&
              kErrorSharingViolation == ERROR_SHARING_VIOLATION &&
              kErrorLockViolation == ERROR_LOCK_VIOLATION &&
              kErrorNotSupported == ERROR_NOT_SUPPORTED &&
              kErrorNoMediaInDrive == ERROR_NO_MEDIA_IN_DRIVE);
static_assert(kDosTargetSize == MAX_PATH && kVetoNameChars == MAX_PATH);
static_assert(sizeof(StorageDeviceNumber) == sizeof(STORAGE_DEVICE_NUMBER) &&
              offsetof(StorageDeviceNumber, deviceNumber) ==
                  offsetof(STORAGE_DEVICE_NUMBER, DeviceNumber) &&
              offsetof(StorageDeviceNumber, partitionNumber) ==
                  offsetof(STORAGE_DEVICE_NUMBER, PartitionNumber));

// The device and volume paths are plain ASCII, so the A calls see the same
// bytes whatever the system's code page is.
PlatformHandle RemovalPlatformWin::OpenDevice(const char* path) {
  // No access rights: the storage number query needs none, and asking for
  // none works without administrator rights and while the volume is in use.
  return FromHandle(
      CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
}

void RemovalPlatformWin::CloseDevice(PlatformHandle device) { CloseHandle(ToHandle(device)); }

bool RemovalPlatformWin::QueryDeviceNumber(PlatformHandle device, StorageDeviceNumber* number) {
  STORAGE_DEVICE_NUMBER record{};
  DWORD returned = 0;
  if (!DeviceIoControl(ToHandle(device), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &record,
                       sizeof record, &returned, nullptr))
    return false;
  *number = {record.DeviceType, record.DeviceNumber, record.PartitionNumber};
  return true;
}

std::uint32_t RemovalPlatformWin::QueryDriveType(const char* rootPath) {
  return GetDriveTypeA(rootPath);
}

bool RemovalPlatformWin::QueryDosTarget(const char* deviceName, char* target) {
  return QueryDosDeviceA(deviceName, target, kDosTargetSize) != 0;
}

PlatformHandle RemovalPlatformWin::OpenInterfaceSet(InterfaceClass cls) {
  const GUID* guid = ClassGuid(cls);
  if (guid == nullptr) return kInvalidPlatformHandle;
  // One interface record serves every index of the walk.
  m_interface = SP_DEVICE_INTERFACE_DATA{};
  m_interface.cbSize = sizeof m_interface;
  return FromHandle(
      SetupDiGetClassDevsA(guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
}

bool RemovalPlatformWin::EnumInterface(PlatformHandle set, InterfaceClass cls,
                                       std::uint32_t index) {
  const GUID* guid = ClassGuid(cls);
  return guid != nullptr &&
         SetupDiEnumDeviceInterfaces(ToHandle(set), nullptr, guid, index, &m_interface) != FALSE;
}

std::uint32_t RemovalPlatformWin::QueryInterfaceDetailSize(PlatformHandle set) {
  // Fails by design (no buffer); only the required size is of interest.
  m_requiredSize = 0;
  SetupDiGetDeviceInterfaceDetailA(ToHandle(set), &m_interface, nullptr, 0, &m_requiredSize,
                                   nullptr);
  return m_requiredSize;
}

bool RemovalPlatformWin::QueryInterfaceDetail(PlatformHandle set, std::uint32_t size,
                                              const char** devicePath, DeviceInstance* device) {
  if (size > sizeof m_detailBuffer) return false;
  m_device = SP_DEVINFO_DATA{};
  m_device.cbSize = sizeof m_device;
  m_detail.cbSize = sizeof m_detail;
  // The size query's required-size variable goes along here as well; the
  // call writes into it the size the record took.
  if (!SetupDiGetDeviceInterfaceDetailA(ToHandle(set), &m_interface, &m_detail, size,
                                        &m_requiredSize, &m_device))
    return false;
  // The path is NUL-terminated within `size`; the last byte guards the rest.
  m_detailBuffer[sizeof m_detailBuffer - 1] = 0;
  *devicePath = m_detail.DevicePath;
  *device = m_device.DevInst;
  return true;
}

void RemovalPlatformWin::DestroyInterfaceSet(PlatformHandle set) {
  SetupDiDestroyDeviceInfoList(ToHandle(set));
}

std::uint32_t RemovalPlatformWin::QueryParent(DeviceInstance* parent, DeviceInstance device) {
  DEVINST value = *parent;
  CONFIGRET result = CM_Get_Parent(&value, device, 0);
  *parent = value;
  return result;
}

std::uint32_t RemovalPlatformWin::RequestEject(DeviceInstance device, EjectVeto* veto) {
  // Without a veto-name buffer the plug-and-play manager shows the user its
  // own notice of the removal or of the reason for a refusal.
  if (veto == nullptr) return CM_Request_Device_EjectW(device, nullptr, nullptr, 0, 0);

  PNP_VETO_TYPE type = PNP_VetoTypeUnknown;
  wchar_t name[kVetoNameChars] = {};
  CONFIGRET result = CM_Request_Device_EjectW(device, &type, name, kVetoNameChars, 0);
  veto->type = static_cast<std::uint32_t>(type);
  // Read within the buffer, also if the call left it without a terminator;
  // UTF-8, so that the name stays exact.
  veto->name = WideToUtf8(std::wstring_view(name, wcsnlen(name, kVetoNameChars)));
  return result;
}

void RemovalPlatformWin::Pause(std::uint32_t milliseconds) { Sleep(milliseconds); }

void RemovalPlatformWin::WriteTrace(std::string_view text) { TraceWrite(text); }

PlatformHandle RemovalPlatformWin::OpenVolume(const char* path, std::uint32_t* error) {
  HANDLE volume =
      CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, 0, nullptr);
  *error = volume == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  return FromHandle(volume);
}

namespace {

std::uint32_t Control(PlatformHandle volume, DWORD code, void* input = nullptr,
                      DWORD inputSize = 0) {
  DWORD returned = 0;
  return DeviceIoControl(ToHandle(volume), code, input, inputSize, nullptr, 0, &returned, nullptr)
             ? 0
             : GetLastError();
}

}  // namespace

std::uint32_t RemovalPlatformWin::LockVolume(PlatformHandle volume) {
  return Control(volume, FSCTL_LOCK_VOLUME);
}

std::uint32_t RemovalPlatformWin::UnlockVolume(PlatformHandle volume) {
  return Control(volume, FSCTL_UNLOCK_VOLUME);
}

std::uint32_t RemovalPlatformWin::DismountVolume(PlatformHandle volume) {
  return Control(volume, FSCTL_DISMOUNT_VOLUME);
}

std::uint32_t RemovalPlatformWin::PreventMediaRemoval(PlatformHandle volume, bool prevent) {
  PREVENT_MEDIA_REMOVAL input{};
  input.PreventMediaRemoval = prevent ? TRUE : FALSE;
  return Control(volume, IOCTL_STORAGE_MEDIA_REMOVAL, &input, sizeof input);
}

std::uint32_t RemovalPlatformWin::EjectMedia(PlatformHandle volume) {
  return Control(volume, IOCTL_STORAGE_EJECT_MEDIA);
}

std::uint64_t RemovalPlatformWin::NowMs() { return GetTickCount64(); }

bool RemovalPlatformWin::PauseUnlessCancelled(std::uint32_t milliseconds) {
  HANDLE cancel = CancelEvent();
  if (cancel == nullptr) {
    Sleep(milliseconds);
    return true;
  }
  return WaitForSingleObject(cancel, milliseconds) == WAIT_TIMEOUT;
}

void CancelRemovalPauses() {
  if (HANDLE cancel = CancelEvent()) SetEvent(cancel);
}
