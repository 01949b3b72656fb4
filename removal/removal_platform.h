#pragma once
// The platform calls behind drive removal, and nothing else. The lookup and
// the eject sequence run over this interface, so the exact order of the calls
// can be checked with a recording fake; RemovalPlatformWin makes the real ones.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// An open device, or a device information set, as the platform's handle value.
using PlatformHandle = std::uintptr_t;
// INVALID_HANDLE_VALUE, the failure value of CreateFile and SetupDiGetClassDevs.
inline constexpr PlatformHandle kInvalidPlatformHandle = ~PlatformHandle{0};

// DEVINST; 0 means no device.
using DeviceInstance = std::uint32_t;

// CR_SUCCESS, the CONFIGRET of a plug-and-play call that succeeded.
inline constexpr std::uint32_t kCrSuccess = 0;

// The PNP_VETO_TYPE values, PNP_VetoTypeUnknown (0) to PNP_VetoAlreadyRemoved.
inline constexpr std::uint32_t kVetoTypeCount = 14;

// Device-interface classes that carry drives (GUID_DEVINTERFACE_DISK, _CDROM, _FLOPPY).
enum class InterfaceClass { None, Disk, CdRom, Floppy };

// STORAGE_DEVICE_NUMBER, the answer of IOCTL_STORAGE_GET_DEVICE_NUMBER.
struct StorageDeviceNumber {
  std::uint32_t deviceType;
  std::uint32_t deviceNumber;
  std::uint32_t partitionNumber;
};

// MAX_PATH: the buffer that receives the DOS device target list.
inline constexpr std::size_t kDosTargetSize = 260;

// MAX_PATH: the wide characters of the buffer that receives a veto name.
inline constexpr std::size_t kVetoNameChars = 260;

// What an eject request reports about a refusal, when it is asked to.
struct EjectVeto {
  std::uint32_t type = 0;  // PNP_VETO_TYPE; 0 is PNP_VetoTypeUnknown
  std::string name;        // UTF-8, exact; what vetoed, e.g. a device or a program
  bool operator==(const EjectVeto&) const = default;
};

// The platform's error codes (GetLastError) that the medium's eject tells apart.
inline constexpr std::uint32_t kErrorInvalidFunction = 1;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorNotReady = 21;
inline constexpr std::uint32_t kErrorSharingViolation = 32;
inline constexpr std::uint32_t kErrorLockViolation = 33;
inline constexpr std::uint32_t kErrorNotSupported = 50;
inline constexpr std::uint32_t kErrorNoMediaInDrive = 1112;

class RemovalPlatform {
 public:
  virtual ~RemovalPlatform() = default;

  // CreateFile with no access (queries only), shared read and write, OPEN_EXISTING.
  virtual PlatformHandle OpenDevice(const char* path) = 0;
  virtual void CloseDevice(PlatformHandle device) = 0;
  // IOCTL_STORAGE_GET_DEVICE_NUMBER; true with `number` filled on success.
  virtual bool QueryDeviceNumber(PlatformHandle device, StorageDeviceNumber* number) = 0;
  // GetDriveType of a root path.
  virtual std::uint32_t QueryDriveType(const char* rootPath) = 0;
  // QueryDosDevice into a kDosTargetSize-byte buffer; false when it returns 0.
  virtual bool QueryDosTarget(const char* deviceName, char* target) = 0;

  // SetupDiGetClassDevs for the present devices with an interface of `cls`.
  virtual PlatformHandle OpenInterfaceSet(InterfaceClass cls) = 0;
  // SetupDiEnumDeviceInterfaces at `index`; the platform keeps the interface
  // record for the two detail calls that follow.
  virtual bool EnumInterface(PlatformHandle set, InterfaceClass cls, std::uint32_t index) = 0;
  // The size query of SetupDiGetDeviceInterfaceDetail: the required size, or 0
  // when the call left it unset.
  virtual std::uint32_t QueryInterfaceDetailSize(PlatformHandle set) = 0;
  // The detail call with `size` bytes of detail buffer. On success `devicePath`
  // points into storage the platform keeps until its next detail call.
  virtual bool QueryInterfaceDetail(PlatformHandle set, std::uint32_t size, const char** devicePath,
                                    DeviceInstance* device) = 0;
  virtual void DestroyInterfaceSet(PlatformHandle set) = 0;

  // CM_Get_Parent with flags 0; returns the CONFIGRET.
  virtual std::uint32_t QueryParent(DeviceInstance* parent, DeviceInstance device) = 0;
  // CM_Request_Device_EjectW with flags 0; returns the CONFIGRET. With a null
  // `veto` it asks for no veto outputs; otherwise it passes a veto type and a
  // kVetoNameChars-character name buffer, both cleared before the request,
  // and `veto` receives what the request left in them.
  virtual std::uint32_t RequestEject(DeviceInstance device, EjectVeto* veto) = 0;
  virtual void Pause(std::uint32_t milliseconds) = 0;
  // Writes to the trace output as it stands.
  virtual void WriteTrace(std::string_view text) = 0;

  // The medium's eject, on the volume "\\.\X:". Each call returns 0 when
  // it succeeded and the platform's error code otherwise.
  // CreateFile for reading and writing, shared read and write, OPEN_EXISTING.
  virtual PlatformHandle OpenVolume(const char* path, std::uint32_t* error) = 0;
  // FSCTL_LOCK_VOLUME, FSCTL_UNLOCK_VOLUME and FSCTL_DISMOUNT_VOLUME.
  virtual std::uint32_t LockVolume(PlatformHandle volume) = 0;
  virtual std::uint32_t UnlockVolume(PlatformHandle volume) = 0;
  virtual std::uint32_t DismountVolume(PlatformHandle volume) = 0;
  // IOCTL_STORAGE_MEDIA_REMOVAL with PreventMediaRemoval set to `prevent`.
  virtual std::uint32_t PreventMediaRemoval(PlatformHandle volume, bool prevent) = 0;
  // IOCTL_STORAGE_EJECT_MEDIA.
  virtual std::uint32_t EjectMedia(PlatformHandle volume) = 0;

  // A steady clock in milliseconds, for the waits.
  virtual std::uint64_t NowMs() = 0;
  // A pause that a cancel request (Ctrl+C on the console) ends at once:
  // false when it was cancelled, then and at every later call.
  virtual bool PauseUnlessCancelled(std::uint32_t milliseconds) = 0;
};
