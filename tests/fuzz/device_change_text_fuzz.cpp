// The log line of a device-change broadcast from arbitrary input: the first
// four bytes are the event code (little-endian), the rest is the memory that
// lParam points to. Exactly those bytes are readable, whatever the record's
// dbch_size claims, and its names need not end in a NUL.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "devchange/broadcast_record.h"
#include "devchange/device_change_text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const uint32_t code = ReadLittleEndian32(data);
  // A heap block of the exact size, so that AddressSanitizer sees every read
  // past the bytes given.
  const std::vector<unsigned char> memory(data + 4, data + size);
  const unsigned char* at = memory.empty() ? nullptr : memory.data();

  // The record as the log pane takes it.
  const std::vector<unsigned char> record = CopyBroadcastRecord(at, memory.size());
  if (!record.empty()) {
    FUZZ_CHECK(memory.size() >= 4);
    FUZZ_CHECK(record.size() == ReadLittleEndian32(memory.data()));
    FUZZ_CHECK(record.size() >= kMinBroadcastRecordSize);
    FUZZ_CHECK(record.size() <= memory.size());
  }
  const std::string line =
      FormatDeviceChangeText(code, record.empty() ? nullptr : record.data(), record.size());
  FUZZ_CHECK(StartsWith(line, "[wParam:0x"));
  // The device part shows exactly when there is a record.
  FUZZ_CHECK((line.find("DeviceType=") != std::string::npos) == !record.empty());

  // The text itself, bounded by the bytes given alone.
  const std::string raw = FormatDeviceChangeText(code, at, memory.size());
  FUZZ_CHECK(StartsWith(raw, "[wParam:0x"));
  return 0;
}
