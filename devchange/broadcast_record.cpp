#include "devchange/broadcast_record.h"

std::vector<unsigned char> CopyBroadcastRecord(const unsigned char* bytes, size_t readable) {
  if (!bytes || readable < 4) return {};
  const uint32_t declared = ReadLittleEndian32(bytes);  // dbch_size
  if (declared < kMinBroadcastRecordSize || declared > readable) return {};
  return std::vector<unsigned char>(bytes, bytes + declared);
}
