#pragma once
// The record of a device-change broadcast as the log takes it. The record
// comes from another process, so it is taken whole, as long as its own
// dbch_size says, or not at all.
#include <cstddef>
#include <vector>

// A record must hold at least its size and device type fields.
constexpr size_t kMinBroadcastRecordSize = 8;

// Copies the record at `bytes`, of which the first `readable` bytes can be
// read: dbch_size bytes when all of them are readable and they hold at least
// the size and the device type. Otherwise the result is empty: no record.
std::vector<unsigned char> CopyBroadcastRecord(const unsigned char* bytes, size_t readable);
