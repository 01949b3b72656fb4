#include "removal/holders.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(HoldersTest, PathsAsTheUserKnowsThemAndTheirDrive) {
  EXPECT_EQ(UserPath("\\\\?\\E:\\photos\\a.jpg"), "E:\\photos\\a.jpg");
  EXPECT_EQ(UserPath("\\\\?\\e:\\"), "e:\\");
  EXPECT_EQ(UserPath("\\\\?\\UNC\\server\\share\\a"), "\\\\?\\UNC\\server\\share\\a");
  EXPECT_EQ(UserPath("\\\\?\\Volume{1}\\a"), "\\\\?\\Volume{1}\\a");
  EXPECT_EQ(UserPath(""), "");

  EXPECT_TRUE(IsOnDrive("E:\\photos\\a.jpg", 'E'));
  EXPECT_TRUE(IsOnDrive("e:\\", 'E'));
  EXPECT_TRUE(IsOnDrive("E:", 'e'));
  EXPECT_FALSE(IsOnDrive("F:\\a", 'E'));
  EXPECT_FALSE(IsOnDrive("E:a", 'E'));  // not a path on the drive's root
  EXPECT_FALSE(IsOnDrive("\\\\?\\UNC\\E:\\a", 'E'));
  EXPECT_FALSE(IsOnDrive("", 'E'));
  EXPECT_FALSE(IsOnDrive("@:\\", '@'));
}

TEST(HoldersTest, AFileThroughAMountedFolderIsOnTheVolume) {
  const std::string volume = "\\\\?\\Volume{5a1c0b2e-0000-0000-0000-000000000043}\\";
  EXPECT_TRUE(IsOnVolume(volume + "photos\\a.jpg", volume));
  EXPECT_TRUE(IsOnVolume("\\\\?\\VOLUME{5A1C0B2E-0000-0000-0000-000000000043}\\a", volume));
  EXPECT_TRUE(IsOnVolume(volume.substr(0, volume.size() - 1), volume));  // its root
  EXPECT_FALSE(IsOnVolume("\\\\?\\Volume{5a1c0b2e-0000-0000-0000-000000000044}\\a", volume));
  EXPECT_FALSE(IsOnVolume(volume + "a", ""));
  EXPECT_FALSE(IsOnVolume("", volume));
}

TEST(HoldersTest, SortedByProcessThenPathEachOnce) {
  std::vector<DriveHolder> holders = {{20, "b.exe", "E:\\b"},
                                      {3, "a.exe", "E:\\z"},
                                      {20, "b.exe", "E:\\a"},
                                      {3, "a.exe", "E:\\z"}};
  SortHolders(holders);
  EXPECT_EQ(holders, (std::vector<DriveHolder>{
                         {3, "a.exe", "E:\\z"}, {20, "b.exe", "E:\\a"}, {20, "b.exe", "E:\\b"}}));
}

TEST(HoldersTest, ProgramNameIsTheImagesFileName) {
  EXPECT_EQ(ProgramName("C:\\Windows\\notepad.exe"), "notepad.exe");
  EXPECT_EQ(ProgramName("notepad.exe"), "notepad.exe");
  EXPECT_EQ(ProgramName(""), "");
  // 表 is 0x95 0x5C in code page 932: its trail byte is no folder's end.
  EXPECT_EQ(ProgramName("C:\\ツール\\表.exe"), "表.exe");
  EXPECT_EQ(ProgramName("C:\\表\\a.exe"), "a.exe");
}

}  // namespace
