// Taking a device-change record out of the memory a broadcast points to.
#include "devchange/broadcast_record.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// `size` bytes: dbch_size `declared`, then 1, 2, 3, ...
std::vector<unsigned char> Memory(uint32_t declared, size_t size) {
  std::vector<unsigned char> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(i);
  for (size_t i = 0; i < 4 && i < size; ++i)
    bytes[i] = static_cast<unsigned char>(declared >> (8 * i));
  return bytes;
}

TEST(BroadcastRecord, TakesExactlyTheDeclaredSizeWhenAllOfItIsReadable) {
  std::vector<unsigned char> memory = Memory(12, 40);
  EXPECT_EQ(CopyBroadcastRecord(memory.data(), 40),
            std::vector<unsigned char>(memory.begin(), memory.begin() + 12));
  EXPECT_EQ(CopyBroadcastRecord(memory.data(), 12).size(), 12u);

  // Declared in little-endian byte order, at any alignment.
  std::vector<unsigned char> shifted(1);
  std::vector<unsigned char> big = Memory(0x0105, 0x0105);
  shifted.insert(shifted.end(), big.begin(), big.end());
  EXPECT_EQ(CopyBroadcastRecord(shifted.data() + 1, big.size()), big);
}

TEST(BroadcastRecord, NoRecordWhenTheSizeIsUnreadableTooSmallOrTooLarge) {
  struct Case {
    const char* what;
    uint32_t declared;
    size_t readable;
  };
  const Case cases[] = {
      {"size field not readable", 8, 3},
      {"nothing readable", 8, 0},
      {"declared 0", 0, 16},
      {"declared 0, and so nothing readable", 0, 0},
      {"declared below the header", 7, 16},
      {"declared below the header, all of it readable", 7, 7},
      {"declared past the readable", 17, 16},
      {"declared far past", 0xFFFFFFFF, 16},
  };
  for (const Case& c : cases) {
    std::vector<unsigned char> memory = Memory(c.declared, 16);
    EXPECT_TRUE(CopyBroadcastRecord(memory.data(), c.readable).empty()) << c.what;
  }
  EXPECT_TRUE(CopyBroadcastRecord(nullptr, 100).empty());
}

}  // namespace
