#include "devchange/broadcast_record_win.h"

#include <dbt.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "devchange/broadcast_record.h"

// The portable reader's copies of the platform's values.
static_assert(kEventDevNodesChanged == DBT_DEVNODES_CHANGED);
static_assert(kEventQueryChangeConfig == DBT_QUERYCHANGECONFIG);
static_assert(kEventConfigChanged == DBT_CONFIGCHANGED);
static_assert(kEventConfigChangeCanceled == DBT_CONFIGCHANGECANCELED);
static_assert(kEventDeviceArrival == DBT_DEVICEARRIVAL);
static_assert(kEventDeviceQueryRemove == DBT_DEVICEQUERYREMOVE);
static_assert(kEventDeviceQueryRemoveFailed == DBT_DEVICEQUERYREMOVEFAILED);
static_assert(kEventDeviceRemovePending == DBT_DEVICEREMOVEPENDING);
static_assert(kEventDeviceRemoveComplete == DBT_DEVICEREMOVECOMPLETE);
static_assert(kEventDeviceTypeSpecific == DBT_DEVICETYPESPECIFIC);
static_assert(kEventCustomEvent == DBT_CUSTOMEVENT);
static_assert(kEventUserDefined == DBT_USERDEFINED);
static_assert(kDevTypOem == DBT_DEVTYP_OEM);
static_assert(kDevTypDevNode == DBT_DEVTYP_DEVNODE);
static_assert(kDevTypVolume == DBT_DEVTYP_VOLUME);
static_assert(kDevTypPort == DBT_DEVTYP_PORT);
static_assert(kDevTypNet == DBT_DEVTYP_NET);
static_assert(kDevTypDeviceInterface == DBT_DEVTYP_DEVICEINTERFACE);
static_assert(kDevTypHandle == DBT_DEVTYP_HANDLE);
static_assert(kDeviceTypeOffset == offsetof(DEV_BROADCAST_HDR, dbch_devicetype));
static_assert(kMinBroadcastRecordSize == offsetof(DEV_BROADCAST_HDR, dbch_reserved));
static_assert(kUnitMaskOffset == offsetof(DEV_BROADCAST_VOLUME, dbcv_unitmask));
static_assert(kNameOffset == offsetof(DEV_BROADCAST_PORT_A, dbcp_name));
static_assert(kNameOffset == offsetof(_DEV_BROADCAST_USERDEFINED, dbud_szName));
static_assert(kInterfaceNameOffset == offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name));

namespace {

// How many of the `wanted` bytes from `address` on lie in committed,
// readable memory of this process. A broadcast's lParam is not always a
// record copied for us: Wine hands on the sender's raw pointer for most event
// codes, and nothing stops another program from sending any value.
size_t ReadableBytes(const void* address, size_t wanted) {
  const auto start = reinterpret_cast<uintptr_t>(address);
  uintptr_t end = start + wanted;
  if (end < start) end = UINTPTR_MAX;
  uintptr_t p = start;
  while (p < end) {
    MEMORY_BASIC_INFORMATION info{};
    if (!::VirtualQuery(reinterpret_cast<const void*>(p), &info, sizeof(info))) break;
    const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                           PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    if (info.State != MEM_COMMIT || !(info.Protect & readable) || (info.Protect & PAGE_GUARD))
      break;
    const uintptr_t regionEnd = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
    if (regionEnd <= p) break;
    p = regionEnd;
  }
  return p >= end ? wanted : static_cast<size_t>(p - start);
}

}  // namespace

std::vector<unsigned char> ReadBroadcastRecord(LPARAM lParam) {
  const auto* record = reinterpret_cast<const unsigned char*>(lParam);
  if (!record) return {};
  size_t readable = ReadableBytes(record, sizeof(DWORD));
  if (readable == sizeof(DWORD)) {
    // The pointer need not be aligned for a DWORD.
    DWORD declared = 0;
    std::memcpy(&declared, record, sizeof declared);
    readable = ReadableBytes(record, declared);
  }
  return CopyBroadcastRecord(record, readable);
}
