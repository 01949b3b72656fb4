#include "drives/drive_types.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DriveTypes, Names) {
  const char* expected[] = {"Unknown", "NoRootDir", "Removable", "Fixed",
                            "Remote",  "CD-ROM",    "RAMDisk"};
  for (uint32_t t = 0; t < 7; ++t) EXPECT_STREQ(DriveTypeName(t), expected[t]) << t;
  EXPECT_STREQ(DriveTypeName(7), "Unknown");
  EXPECT_STREQ(DriveTypeName(0xFFFFFFFFu), "Unknown");
}

TEST(DriveTypes, LettersFromMask) {
  auto letters = [](uint32_t mask) {
    std::string s;
    for (const DriveEntry& d : DrivesFromMask(mask)) {
      s += d.letter;
      EXPECT_EQ(d.type, 0u);
    }
    return s;
  };
  EXPECT_EQ(letters(0), "");
  EXPECT_EQ(letters(0b1101), "ACD");
  EXPECT_EQ(letters(0xFC000000u | (1u << 25) | 1u), "AZ");
  EXPECT_EQ(letters(0x03FFFFFFu), "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
}

TEST(DriveTypes, RootPath) {
  EXPECT_EQ(DriveRootPath('E'), "E:\\");
  EXPECT_EQ(DriveRootPath('C').size(), 3u);
}

}  // namespace
