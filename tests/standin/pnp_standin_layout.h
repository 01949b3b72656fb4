#pragma once
// The shared memory between a test and the plug-and-play stand-in loaded into
// Quorlin.exe: the test's script, and the stand-in's record of every call the
// program made through the imports it took over. Both sides are built for the
// same architecture from this one header, so the layout is plain structs.
#include <windows.h>

#include <cstdint>

// The mapping of process `pid` is named with this prefix and the decimal pid.
inline constexpr wchar_t kStandinMappingPrefix[] = L"Local\\QuorlinPnpStandin-";

// The imports the stand-in takes over (one bit each in `hooked`).
enum StandinCall : std::uint32_t {
  kCallGetClassDevs,       // SetupDiGetClassDevsA: answered from the script
  kCallEnumInterfaces,     // SetupDiEnumDeviceInterfaces: answered from the script
  kCallGetDetail,          // SetupDiGetDeviceInterfaceDetailA: answered from the script
  kCallDestroyList,        // SetupDiDestroyDeviceInfoList: answered from the script
  kCallGetParent,          // CM_Get_Parent: answered from the script
  kCallRequestEject,       // CM_Request_Device_EjectW: answered from the script
  kCallSleep,              // Sleep: recorded, then the real one
  kCallVolumeInformation,  // GetVolumeInformationW: recorded, then the real one
  kCallWriteConsole,       // WriteConsoleW (the debug console): recorded, then the real one
  kCallCreateFile,         // CreateFileA: recorded when it opens a device for writing
  kCallDeviceIoControl,    // DeviceIoControl: the medium's calls recorded (see the script)
  kCallCloseHandle,        // CloseHandle: recorded for the handles of recorded opens
  kCallCount
};
inline constexpr std::uint32_t kAllStandinCalls = (1u << kCallCount) - 1;

// One device interface of the scripted set.
struct StandinInterface {
  char devicePath[240];
  // What the size query reports; 0 for the detail record's true size.
  std::uint32_t requiredSize;
  std::uint32_t devInst;
};

struct StandinScript {
  // The class whose enumeration lists `interfaces`; any other class is empty.
  GUID interfaceClass;
  // Nonzero: SetupDiGetClassDevsA fails with INVALID_HANDLE_VALUE.
  std::uint32_t classDevsFails;
  std::uint32_t interfaceCount;
  StandinInterface interfaces[4];
  // CM_Get_Parent returns `parentResult`, and writes `parent` when
  // `parentWrites` is nonzero.
  std::uint32_t parentResult;
  std::uint32_t parentWrites;
  std::uint32_t parent;
  // Request n (from 0) returns ejectResults[n]; requests beyond the list
  // return its last entry (CR_REMOVE_VETOED, 0x17, when the list is empty).
  std::uint32_t ejectResultCount;
  std::uint32_t ejectResults[4];
  // A request that passes veto outputs gets vetoTypes[n] and vetoNames[n]
  // (NUL-terminated; cut to the length the request gives) written into them,
  // n counted as for ejectResults.
  std::uint32_t vetoTypes[4];
  wchar_t vetoNames[4][300];
  // While another process holds this file open (it cannot be opened without
  // sharing), every eject request is refused with CR_REMOVE_VETOED, veto type
  // 5 and vetoNames[0]; once it is free the requests succeed. Empty: the
  // answers above decide.
  wchar_t heldFile[260];
  // Nonzero: the volume's lock, unlock, dismount, removal and eject calls
  // succeed here rather than in Wine, but for the first lockRefusals locks,
  // refused with ERROR_ACCESS_DENIED.
  std::uint32_t volumeScripted, lockRefusals;
  // Nonzero renumberTo: a storage device number that Wine gives as
  // renumberFrom is reported as renumberTo (two drives on one device).
  std::uint32_t renumberFrom, renumberTo;
};

// One call, with every argument as the program passed it. Pointers are kept
// as numbers (0 is a null pointer); sizes are read from the records they
// point to at the call's entry. Fields a call does not have stay 0.
struct StandinRecord {
  volatile LONG complete;  // set last, once the call has returned
  std::uint32_t call;      // StandinCall
  std::uint32_t threadId;
  std::int64_t enteredAt;   // QueryPerformanceCounter at entry
  std::int64_t returnedAt;  // and just before the return
  std::uint64_t result;     // the return value as the program got it
  std::uint32_t lastError;  // GetLastError at the return
  // SetupDiGetClassDevsA / SetupDiEnumDeviceInterfaces.
  GUID classGuid;
  std::uint64_t classGuidPointer;
  std::uint64_t enumerator;
  std::uint64_t parentWindow;
  std::uint32_t flags;  // also CM_Get_Parent's and CM_Request_Device_EjectW's
  std::uint32_t index;
  // The set handle passed in (or returned by SetupDiGetClassDevsA).
  std::uint64_t set;
  // SP_DEVINFO_DATA pointer and its cbSize.
  std::uint64_t deviceInfo;
  std::uint32_t deviceInfoSize;
  // SP_DEVICE_INTERFACE_DATA pointer and its cbSize.
  std::uint64_t interfaceData;
  std::uint32_t interfaceDataSize;
  // SP_DEVICE_INTERFACE_DETAIL_DATA_A pointer, its cbSize, the buffer size,
  // the required-size pointer and what the call wrote through it.
  std::uint64_t detail;
  std::uint32_t detailSize;
  std::uint32_t detailBufferSize;
  std::uint64_t requiredSizePointer;
  std::uint32_t requiredSizeWritten;
  // CM_Get_Parent: the output pointer, what it held at entry, the device
  // asked about, what it held at the return. CM_Request_Device_EjectW:
  // `devInst` is the device.
  std::uint64_t parentPointer;
  std::uint32_t parentBefore;
  std::uint32_t devInst;
  std::uint32_t parentWritten;
  std::uint64_t vetoType;
  std::uint64_t vetoName;
  std::uint32_t nameLength;
  // What the veto outputs held at entry (0 where there is no output).
  std::uint32_t vetoTypeBefore;
  wchar_t vetoNameBefore;
  // Sleep.
  std::uint32_t milliseconds;
  // GetVolumeInformationW: the two buffer sizes.
  std::uint32_t volumeNameSize;
  std::uint32_t fileSystemNameSize;
  // CreateFileA: the access, share mode and disposition; DeviceIoControl:
  // the control code and the first input byte; the handle passed or returned.
  std::uint32_t access, share, disposition;
  std::uint32_t ioControlCode, inputSize, inputFirst;
  std::uint64_t handle;
  // GetVolumeInformationW's root path, CreateFileA's path, or WriteConsoleW's
  // text (cut short).
  std::uint32_t textLength;
  wchar_t text[64];
};

inline constexpr std::uint32_t kStandinMaxRecords = 400;

struct StandinShared {
  std::uint32_t layoutSize;  // sizeof(StandinShared), written by the test
  volatile LONG hooked;      // bits of the imports taken over, written by the stand-in
  StandinScript script;
  // Slots taken so far; a slot's record is valid once `complete` is set.
  volatile LONG recordCount;
  StandinRecord records[kStandinMaxRecords];
};
