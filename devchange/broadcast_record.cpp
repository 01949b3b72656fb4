#include "devchange/broadcast_record.h"

#include <cstdint>

std::vector<unsigned char> CopyBroadcastRecord(const unsigned char* bytes, size_t readable) {
  if (!bytes || readable < 4) return {};
  // dbch_size, little-endian, read byte by byte: the record need not be aligned.
  const uint32_t declared = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                            static_cast<uint32_t>(bytes[2]) << 16 |
                            static_cast<uint32_t>(bytes[3]) << 24;
  if (declared < kMinBroadcastRecordSize || declared > readable) return {};
  return std::vector<unsigned char>(bytes, bytes + declared);
}
