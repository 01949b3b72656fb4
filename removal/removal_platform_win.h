#pragma once
// The real platform calls behind drive removal.
#include <windows.h>
#include <setupapi.h>

#include "removal/removal_platform.h"

class RemovalPlatformWin final : public RemovalPlatform {
 public:
  PlatformHandle OpenDevice(const char* path) override;
  void CloseDevice(PlatformHandle device) override;
  bool QueryDeviceNumber(PlatformHandle device, StorageDeviceNumber* number) override;
  std::uint32_t QueryDriveType(const char* rootPath) override;
  bool QueryDosTarget(const char* deviceName, char* target) override;

  PlatformHandle OpenInterfaceSet(InterfaceClass cls) override;
  bool EnumInterface(PlatformHandle set, InterfaceClass cls, std::uint32_t index) override;
  std::uint32_t QueryInterfaceDetailSize(PlatformHandle set) override;
  bool QueryInterfaceDetail(PlatformHandle set, std::uint32_t size, const char** devicePath,
                            DeviceInstance* device) override;
  void DestroyInterfaceSet(PlatformHandle set) override;

  std::uint32_t QueryParent(DeviceInstance* parent, DeviceInstance device) override;
  std::uint32_t RequestEject(DeviceInstance device, EjectVeto* veto) override;
  void Pause(std::uint32_t milliseconds) override;
  void WriteTrace(std::string_view text) override;

  PlatformHandle OpenVolume(const char* path, std::uint32_t* error) override;
  std::uint32_t LockVolume(PlatformHandle volume) override;
  std::uint32_t UnlockVolume(PlatformHandle volume) override;
  std::uint32_t DismountVolume(PlatformHandle volume) override;
  std::uint32_t PreventMediaRemoval(PlatformHandle volume, bool prevent) override;
  std::uint32_t EjectMedia(PlatformHandle volume) override;
  std::uint64_t NowMs() override;
  bool PauseUnlessCancelled(std::uint32_t milliseconds) override;

 private:
  // The walk's records live here, in the object, so that it allocates nothing.
  SP_DEVICE_INTERFACE_DATA m_interface{};
  SP_DEVINFO_DATA m_device{};
  DWORD m_requiredSize = 0;
  union {
    SP_DEVICE_INTERFACE_DETAIL_DATA_A m_detail;
    BYTE m_detailBuffer[1024];
  };
};
