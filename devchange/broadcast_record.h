#pragma once
// The record of a device-change broadcast as the log takes it. The record
// comes from another process, so it is taken whole, as long as its own
// dbch_size says, or not at all.
#include <cstddef>
#include <cstdint>
#include <vector>

// The four bytes at `bytes` as a little-endian 32-bit value, read byte by
// byte: a record from another process need not be aligned.
constexpr uint32_t ReadLittleEndian32(const unsigned char* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// The platform's values that the log reads, as the SDK's dbt.h defines them
// (broadcast_record_win.cpp checks them against it).
// Event codes, the broadcast's wParam (DBT_*).
constexpr uint32_t kEventDevNodesChanged = 0x0007;
constexpr uint32_t kEventQueryChangeConfig = 0x0017;
constexpr uint32_t kEventConfigChanged = 0x0018;
constexpr uint32_t kEventConfigChangeCanceled = 0x0019;
constexpr uint32_t kEventDeviceArrival = 0x8000;
constexpr uint32_t kEventDeviceQueryRemove = 0x8001;
constexpr uint32_t kEventDeviceQueryRemoveFailed = 0x8002;
constexpr uint32_t kEventDeviceRemovePending = 0x8003;
constexpr uint32_t kEventDeviceRemoveComplete = 0x8004;
constexpr uint32_t kEventDeviceTypeSpecific = 0x8005;
constexpr uint32_t kEventCustomEvent = 0x8006;
constexpr uint32_t kEventUserDefined = 0xFFFF;

// Device types, the record's dbch_devicetype (DBT_DEVTYP_*), in order.
constexpr uint32_t kDevTypOem = 0;
constexpr uint32_t kDevTypDevNode = 1;
constexpr uint32_t kDevTypVolume = 2;
constexpr uint32_t kDevTypPort = 3;
constexpr uint32_t kDevTypNet = 4;
constexpr uint32_t kDevTypDeviceInterface = 5;
constexpr uint32_t kDevTypHandle = 6;

// Offsets into the records (DEV_BROADCAST_HDR and its variants).
constexpr size_t kDeviceTypeOffset = 4;      // dbch_devicetype
constexpr size_t kUnitMaskOffset = 12;       // dbcv_unitmask
constexpr size_t kNameOffset = 12;           // dbcp_name, dbud_szName
constexpr size_t kInterfaceNameOffset = 28;  // dbcc_name, after the class GUID

// A record must hold at least its size and device type fields.
constexpr size_t kMinBroadcastRecordSize = 8;

// Copies the record at `bytes`, of which the first `readable` bytes can be
// read: dbch_size bytes when all of them are readable and they hold at least
// the size and the device type. Otherwise the result is empty: no record.
std::vector<unsigned char> CopyBroadcastRecord(const unsigned char* bytes, size_t readable);
