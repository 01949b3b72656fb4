// Reading a broadcast record through lParam, against memory that ends where
// the record claims to go on: a readable page followed by one that is not.
#include "devchange/broadcast_record_win.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class BroadcastRecordMemory : public ::testing::Test {
 protected:
  void SetUp() override {
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    page = info.dwPageSize;
    base = static_cast<unsigned char*>(
        ::VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(base, nullptr);
    DWORD old = 0;
    ASSERT_TRUE(::VirtualProtect(base + page, page, PAGE_NOACCESS, &old));
  }
  void TearDown() override {
    if (base) ::VirtualFree(base, 0, MEM_RELEASE);
  }

  // Writes a record of `declared` bytes (header only where it fits) whose
  // readable memory ends `room` bytes after its start.
  LPARAM RecordWithRoom(DWORD declared, size_t room) {
    unsigned char* at = base + page - room;
    std::memset(at, 0x41, room);
    std::memcpy(at, &declared, room < sizeof declared ? room : sizeof declared);
    return reinterpret_cast<LPARAM>(at);
  }

  size_t page = 0;
  unsigned char* base = nullptr;
};

TEST_F(BroadcastRecordMemory, RecordInsideReadableMemoryIsCopiedAtAnyAlignment) {
  for (size_t room : {size_t{32}, size_t{33}, size_t{35}, size_t{20}}) {
    SCOPED_TRACE(room);
    LPARAM lParam = RecordWithRoom(20, room);
    std::vector<unsigned char> record = ReadBroadcastRecord(lParam);
    ASSERT_EQ(record.size(), 20u);
    EXPECT_EQ(std::memcmp(record.data(), reinterpret_cast<const void*>(lParam), 20), 0);
  }
}

TEST_F(BroadcastRecordMemory, RecordReachingUnreadableMemoryIsNone) {
  EXPECT_TRUE(ReadBroadcastRecord(RecordWithRoom(21, 20)).empty());
  EXPECT_TRUE(ReadBroadcastRecord(RecordWithRoom(0x7FFFFFFF, 64)).empty());
  // Not even the size field is readable.
  EXPECT_TRUE(ReadBroadcastRecord(RecordWithRoom(8, 3)).empty());
  EXPECT_TRUE(ReadBroadcastRecord(reinterpret_cast<LPARAM>(base + page)).empty());
}

// A record shorter than its header is none as the portable copy judges it
// (tests/unit/broadcast_record_test.cpp, with the sizes this reader hands
// on); without a pointer there is nothing to look at.
TEST_F(BroadcastRecordMemory, NoPointerIsNoRecord) { EXPECT_TRUE(ReadBroadcastRecord(0).empty()); }

TEST_F(BroadcastRecordMemory, GuardPagesAreNotTouched) {
  DWORD old = 0;
  ASSERT_TRUE(::VirtualProtect(base + page, page, PAGE_READWRITE | PAGE_GUARD, &old));
  EXPECT_TRUE(ReadBroadcastRecord(RecordWithRoom(64, 16)).empty());
  // The guard is still armed: the record reader did not trip it.
  MEMORY_BASIC_INFORMATION info{};
  ASSERT_NE(::VirtualQuery(base + page, &info, sizeof info), 0u);
  EXPECT_TRUE(info.Protect & PAGE_GUARD);
}

}  // namespace
