#pragma once
// A scripted stand-in for the removal platform that records every call in
// order, so that whole call sequences can be compared.
#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "removal/removal_platform.h"

struct FakeInterface {
  std::string path;
  DeviceInstance instance = 0;
  std::uint32_t requiredSize = 100;  // what the size query reports
  bool detailFails = false;
};

class RecordingRemovalPlatform : public RemovalPlatform {
 public:
  // Script: a path that is not listed cannot be opened; a handle without a
  // number fails the number query; a name without a target fails
  // QueryDosDevice; a class without a list cannot make a set.
  std::map<std::string, PlatformHandle> handles;
  std::map<PlatformHandle, StorageDeviceNumber> numbers;
  std::map<std::string, std::uint32_t> driveTypes;
  std::map<std::string, std::string> dosTargets;
  std::map<InterfaceClass, std::vector<FakeInterface>> interfaces;
  PlatformHandle setHandle = 900;
  std::uint32_t parentResult = 0;
  std::optional<DeviceInstance> parentWritten;
  std::deque<std::uint32_t> ejectResults;  // one per request; refused with 0x17 when used up
  std::deque<EjectVeto> vetoes;            // what each request that asks for them reports, in turn

  // The medium's eject: the volume opens as handle 40 unless `openError`;
  // lock n is answered lockResults[n] (granted when they are used up).
  std::uint32_t openError = 0;
  std::deque<std::uint32_t> lockResults;
  std::uint32_t dismountResult = 0, removalResult = 0, mediaResult = 0;
  // The fake clock, moved on by every pause; pauses from `cancelFromMs` on are cancelled.
  std::uint64_t nowMs = 0;
  std::uint64_t cancelFromMs = ~std::uint64_t{0};

  std::vector<std::string> calls;
  std::string trace;

  // A volume `letter` with device number `number`, `driveType` and a target list.
  void AddVolume(char letter, std::uint32_t number, std::uint32_t driveType,
                 const std::string& target, PlatformHandle handle = 10) {
    std::string l(1, letter);
    handles["\\\\.\\" + l + ":"] = handle;
    numbers[handle] = {7, number, 1};
    driveTypes[l + ":\\"] = driveType;
    dosTargets[l + ":"] = target;
  }

  // An interface of `cls` whose device, opened as `handle`, has `number`.
  void AddInterface(InterfaceClass cls, const FakeInterface& item, PlatformHandle handle,
                    std::optional<std::uint32_t> number, std::uint32_t partition = 0) {
    interfaces[cls].push_back(item);
    handles[item.path] = handle;
    if (number) numbers[handle] = {7, *number, partition};
  }

  PlatformHandle OpenDevice(const char* path) override {
    calls.push_back("open " + std::string(path));
    auto it = handles.find(path);
    return it == handles.end() ? kInvalidPlatformHandle : it->second;
  }
  void CloseDevice(PlatformHandle device) override {
    calls.push_back("close " + std::to_string(device));
  }
  bool QueryDeviceNumber(PlatformHandle device, StorageDeviceNumber* number) override {
    calls.push_back("number " + std::to_string(device));
    auto it = numbers.find(device);
    if (it == numbers.end()) return false;
    *number = it->second;
    return true;
  }
  std::uint32_t QueryDriveType(const char* rootPath) override {
    calls.push_back("drivetype " + std::string(rootPath));
    auto it = driveTypes.find(rootPath);
    return it == driveTypes.end() ? 1 : it->second;
  }
  bool QueryDosTarget(const char* deviceName, char* target) override {
    calls.push_back("dosdevice " + std::string(deviceName));
    auto it = dosTargets.find(deviceName);
    if (it == dosTargets.end() || it->second.size() + 2 > kDosTargetSize) return false;
    std::memset(target, 0, kDosTargetSize);
    std::memcpy(target, it->second.data(), it->second.size());
    return true;
  }

  PlatformHandle OpenInterfaceSet(InterfaceClass cls) override {
    calls.push_back("classdevs " + Name(cls));
    if (!interfaces.count(cls)) return kInvalidPlatformHandle;
    m_class = cls;
    return setHandle;
  }
  bool EnumInterface(PlatformHandle set, InterfaceClass cls, std::uint32_t index) override {
    calls.push_back("enum " + std::to_string(set) + " " + Name(cls) + " " + std::to_string(index));
    m_current = nullptr;
    auto& list = interfaces[m_class];
    if (cls != m_class || index >= list.size()) return false;
    m_current = &list[index];
    return true;
  }
  std::uint32_t QueryInterfaceDetailSize(PlatformHandle set) override {
    calls.push_back("detailsize " + std::to_string(set));
    return m_current ? m_current->requiredSize : 0;
  }
  bool QueryInterfaceDetail(PlatformHandle set, std::uint32_t size, const char** devicePath,
                            DeviceInstance* device) override {
    calls.push_back("detail " + std::to_string(set) + " " + std::to_string(size));
    if (!m_current || m_current->detailFails || size < m_current->requiredSize) return false;
    *devicePath = m_current->path.c_str();
    *device = m_current->instance;
    return true;
  }
  void DestroyInterfaceSet(PlatformHandle set) override {
    calls.push_back("destroy " + std::to_string(set));
  }

  std::uint32_t QueryParent(DeviceInstance* parent, DeviceInstance device) override {
    calls.push_back("parent " + std::to_string(*parent) + " " + std::to_string(device));
    if (parentWritten) *parent = *parentWritten;
    return parentResult;
  }
  std::uint32_t RequestEject(DeviceInstance device, EjectVeto* veto) override {
    calls.push_back("eject " + std::to_string(device) + (veto ? " veto" : ""));
    if (veto && !vetoes.empty()) {
      *veto = vetoes.front();
      vetoes.pop_front();
    }
    if (ejectResults.empty()) return 0x17;
    std::uint32_t result = ejectResults.front();
    ejectResults.pop_front();
    return result;
  }
  void Pause(std::uint32_t milliseconds) override {
    calls.push_back("pause " + std::to_string(milliseconds));
  }
  void WriteTrace(std::string_view text) override {
    calls.push_back("trace " + std::string(text));
    trace += text;
  }

  PlatformHandle OpenVolume(const char* path, std::uint32_t* error) override {
    calls.push_back("openrw " + std::string(path));
    *error = openError;
    return openError ? kInvalidPlatformHandle : 40;
  }
  std::uint32_t LockVolume(PlatformHandle v) override {
    std::uint32_t result = lockResults.empty() ? 0 : lockResults.front();
    if (!lockResults.empty()) lockResults.pop_front();
    return Volume("lock", v, result);
  }
  std::uint32_t UnlockVolume(PlatformHandle v) override { return Volume("unlock", v, 0); }
  std::uint32_t DismountVolume(PlatformHandle v) override {
    return Volume("dismount", v, dismountResult);
  }
  std::uint32_t PreventMediaRemoval(PlatformHandle v, bool prevent) override {
    return Volume(prevent ? "prevent true" : "prevent false", v, removalResult);
  }
  std::uint32_t EjectMedia(PlatformHandle v) override { return Volume("eject", v, mediaResult); }
  std::uint64_t NowMs() override { return nowMs; }
  bool PauseUnlessCancelled(std::uint32_t milliseconds) override {
    calls.push_back("wait " + std::to_string(milliseconds));
    if (nowMs >= cancelFromMs) return false;
    nowMs += milliseconds;
    return true;
  }
  // A call on the volume ("lock 40"), and its answer.
  std::uint32_t Volume(const char* call, PlatformHandle volume, std::uint32_t result) {
    calls.push_back(call + (" " + std::to_string(volume)));
    return result;
  }

  static std::string Name(InterfaceClass cls) {
    switch (cls) {
      case InterfaceClass::Disk:
        return "disk";
      case InterfaceClass::CdRom:
        return "cdrom";
      case InterfaceClass::Floppy:
        return "floppy";
      case InterfaceClass::None:
        break;
    }
    return "none";
  }

 private:
  InterfaceClass m_class = InterfaceClass::None;
  const FakeInterface* m_current = nullptr;
};
