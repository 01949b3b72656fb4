#include "devchange/broadcast_record_win.h"

#include <cstdint>
#include <cstring>

#include "devchange/broadcast_record.h"

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
