#include "support/standin_calls.h"

#include <gtest/gtest.h>

#include <winioctl.h>

#include <cstdio>
#include <iterator>
#include <map>

namespace {

// The sizes the platform's records have on this architecture: the interface
// and device records grow by a pointer, the detail record's fixed part is
// packed on x86 only.
#ifdef _WIN64
constexpr std::uint32_t kRecordSize = 32;
constexpr std::uint32_t kDetailSize = 8;
#else
constexpr std::uint32_t kRecordSize = 28;
constexpr std::uint32_t kDetailSize = 5;
#endif

constexpr std::uint32_t kDigcfPresentInterface = 0x12;
// MAX_PATH, the veto-name buffer's length in characters.
constexpr std::uint32_t kVetoNameChars = 260;

}  // namespace

void AddStandinDrive(StandinDrive* added) {
  wchar_t letter = FreeDriveLetter();
  ASSERT_NE(letter, 0);
  added->wine = std::make_unique<ScopedWineDrive>(letter, kWineDriveRemovable);
  ASSERT_TRUE(added->wine->ok());
  added->root = {static_cast<char>(letter), ':', '\\'};
  const wchar_t volume[] = {L'\\', L'\\', L'.', L'\\', letter, L':', L'\0'};
  ASSERT_TRUE(StorageNumberOf(volume, &added->number));
  added->diskPath = "\\\\.\\PhysicalDrive" + std::to_string(added->number);
  DWORD diskNumber = 0;
  ASSERT_TRUE(
      StorageNumberOf(std::wstring(added->diskPath.begin(), added->diskPath.end()), &diskNumber));
  ASSERT_EQ(diskNumber, added->number);
}

void OfferDisk(StandinScript& script, const std::string& diskPath, std::uint32_t device,
               std::uint32_t parent) {
  script.interfaceClass = kDiskInterfaceClass;
  script.interfaceCount = 1;
  SetInterface(script.interfaces[0], diskPath, device);
  script.parentWrites = 1;
  script.parent = parent;
}

void ScriptRequests(StandinScript& script, const std::vector<std::uint32_t>& results) {
  script.ejectResultCount = static_cast<std::uint32_t>(results.size());
  for (size_t i = 0; i < results.size() && i < std::size(script.ejectResults); ++i)
    script.ejectResults[i] = results[i];
}

std::string Hex(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

std::string Narrow(const wchar_t* text) {
  std::string narrow;
  for (; *text; ++text) narrow += *text < 0x80 ? static_cast<char>(*text) : '?';
  return narrow;
}

// One line per recorded call, with what decides the path through the
// procedure; the arguments themselves are checked by ExpectPlatformArguments.
std::vector<std::string> Sequence(const std::vector<StandinRecord>& records) {
  std::vector<std::string> lines;
  for (const StandinRecord& r : records) {
    switch (r.call) {
      case kCallGetClassDevs:
        lines.push_back("classdevs");
        break;
      case kCallEnumInterfaces:
        lines.push_back("enum " + std::to_string(r.index) + (r.result ? "" : " none"));
        break;
      case kCallGetDetail:
        lines.push_back(r.detail ? "detail" : "size");
        break;
      case kCallDestroyList:
        lines.push_back("destroy");
        break;
      case kCallGetParent:
        lines.push_back("parent of " + Hex(r.devInst));
        break;
      case kCallRequestEject:
        lines.push_back("eject " + Hex(r.devInst) + " = " + Hex(r.result));
        break;
      case kCallSleep:
        lines.push_back("sleep " + std::to_string(r.milliseconds));
        break;
      case kCallWriteConsole:
        lines.push_back("write " + Narrow(r.text));
        break;
      case kCallVolumeInformation:
        lines.push_back("volume " + Narrow(r.text));
        break;
      case kCallCreateFile:
        lines.push_back("openrw " + Narrow(r.text));
        break;
      case kCallDeviceIoControl: {
        const std::map<std::uint32_t, std::string> names = {
            {FSCTL_LOCK_VOLUME, "lock"},
            {FSCTL_UNLOCK_VOLUME, "unlock"},
            {FSCTL_DISMOUNT_VOLUME, "dismount"},
            {IOCTL_STORAGE_MEDIA_REMOVAL, "prevent " + std::to_string(r.inputFirst)},
            {IOCTL_STORAGE_EJECT_MEDIA, "ejectmedia"}};
        lines.push_back(names.at(r.ioControlCode) + " = " +
                        (r.result ? "0" : std::to_string(r.lastError)));
        break;
      }
      case kCallCloseHandle:
        lines.push_back("close");
        break;
      default:
        lines.push_back("call " + std::to_string(r.call));
    }
  }
  return lines;
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<StandinRecord> OfCall(const std::vector<StandinRecord>& records, StandinCall call) {
  std::vector<StandinRecord> found;
  for (const StandinRecord& r : records)
    if (r.call == call) found.push_back(r);
  return found;
}

// The disk class with flags 0x12 and no enumerator or window; one interface
// record for the whole walk; the size query without a buffer and the detail
// call with exactly the size it reported, both with the one required-size
// variable; the device record with the detail call only; the set destroyed;
// the parent query with flags 0 into a variable cleared to 0, for the device
// found; each request for what the parent query left there, with flags 0
// and the veto outputs that `veto` says.
void ExpectPlatformArguments(const std::vector<StandinRecord>& records,
                             std::uint32_t expectedDevice, VetoOutputs veto) {
  std::uint64_t set = 0, interfaceRecord = 0, requiredSize = 0;
  std::uint32_t reportedSize = 0, nextIndex = 0, parentLeft = 0;
  bool parentQueried = false;
  for (const StandinRecord& r : records) {
    SCOPED_TRACE(Sequence({r})[0]);
    switch (r.call) {
      case kCallGetClassDevs:
        EXPECT_NE(r.classGuidPointer, 0u);
        EXPECT_TRUE(IsEqualGUID(r.classGuid, kDiskInterfaceClass));
        EXPECT_EQ(r.enumerator, 0u);
        EXPECT_EQ(r.parentWindow, 0u);
        EXPECT_EQ(r.flags, kDigcfPresentInterface);
        set = r.set;
        break;
      case kCallEnumInterfaces:
        EXPECT_EQ(r.set, set);
        EXPECT_EQ(r.deviceInfo, 0u);
        EXPECT_TRUE(IsEqualGUID(r.classGuid, kDiskInterfaceClass));
        EXPECT_EQ(r.index, nextIndex++);
        EXPECT_EQ(r.interfaceDataSize, kRecordSize);
        if (interfaceRecord == 0) interfaceRecord = r.interfaceData;
        EXPECT_EQ(r.interfaceData, interfaceRecord);
        break;
      case kCallGetDetail:
        EXPECT_EQ(r.set, set);
        EXPECT_EQ(r.interfaceData, interfaceRecord);
        EXPECT_NE(r.requiredSizePointer, 0u);
        if (r.detail == 0) {
          EXPECT_EQ(r.detailBufferSize, 0u);
          EXPECT_EQ(r.deviceInfo, 0u);
          requiredSize = r.requiredSizePointer;
          reportedSize = r.requiredSizeWritten;
        } else {
          EXPECT_EQ(r.detailSize, kDetailSize);
          EXPECT_EQ(r.detailBufferSize, reportedSize);
          EXPECT_EQ(r.requiredSizePointer, requiredSize);
          EXPECT_NE(r.deviceInfo, 0u);
          EXPECT_EQ(r.deviceInfoSize, kRecordSize);
          EXPECT_TRUE(r.result);
        }
        break;
      case kCallDestroyList:
        EXPECT_EQ(r.set, set);
        EXPECT_TRUE(r.result);
        break;
      case kCallGetParent:
        parentQueried = true;
        EXPECT_NE(r.parentPointer, 0u);
        EXPECT_EQ(r.parentBefore, 0u);
        EXPECT_EQ(r.devInst, expectedDevice);
        EXPECT_EQ(r.flags, 0u);
        parentLeft = r.parentWritten;
        break;
      case kCallRequestEject:
        EXPECT_TRUE(parentQueried);
        EXPECT_EQ(r.devInst, parentLeft);
        if (veto == VetoOutputs::kNone) {
          EXPECT_EQ(r.vetoType, 0u);
          EXPECT_EQ(r.vetoName, 0u);
          EXPECT_EQ(r.nameLength, 0u);
        } else {
          EXPECT_NE(r.vetoType, 0u);
          EXPECT_NE(r.vetoName, 0u);
          EXPECT_EQ(r.nameLength, kVetoNameChars);
          EXPECT_EQ(r.vetoTypeBefore, 0u);
          EXPECT_EQ(r.vetoNameBefore, L'\0');
        }
        EXPECT_EQ(r.flags, 0u);
        break;
    }
  }
}

void ExpectPausesBetweenRequests(const std::vector<StandinRecord>& records) {
  const StandinRecord* lastRequest = nullptr;
  for (const StandinRecord& r : records) {
    if (r.call == kCallRequestEject || r.call == kCallWriteConsole) {
      if (lastRequest && lastRequest->result != CR_SUCCESS) {
        EXPECT_GE(StampMs(lastRequest->returnedAt, r.enteredAt), 500.0) << Sequence({r})[0];
      }
      lastRequest = r.call == kCallRequestEject ? &r : nullptr;
    }
    if (r.call == kCallSleep) {
      EXPECT_GE(StampMs(r.enteredAt, r.returnedAt), 500.0);
    }
  }
}
