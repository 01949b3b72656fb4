// The log's 200-line bound, over a list box stand-in that behaves like the
// real one: DeleteString returns the count left, SetTopIndex scrolls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devchange/log_bound.h"

namespace {

struct FakeListBox {
  std::vector<std::string> lines;
  int topIndex = -1;
  int deletions = 0;

  int AddString(const std::string& line) {
    lines.push_back(line);
    return static_cast<int>(lines.size()) - 1;
  }
  int GetCount() const { return static_cast<int>(lines.size()); }
  int DeleteString(int index) {
    lines.erase(lines.begin() + index);
    ++deletions;
    return GetCount();
  }
  int SetTopIndex(int index) {
    topIndex = index;
    return 0;
  }
};

TEST(LogBound, FirstLineIsInView) {
  FakeListBox list;
  AddBoundedLine(list, "first");
  EXPECT_EQ(list.lines, std::vector<std::string>{"first"});
  EXPECT_EQ(list.topIndex, 0);
}

TEST(LogBound, NothingIsRemovedUpTo200Lines) {
  FakeListBox list;
  for (int i = 0; i < 200; ++i) AddBoundedLine(list, std::to_string(i));
  EXPECT_EQ(list.GetCount(), 200);
  EXPECT_EQ(list.deletions, 0);
  EXPECT_EQ(list.topIndex, 199);
}

TEST(LogBound, EachLineBeyond200PushesOutExactlyTheOldest) {
  FakeListBox list;
  for (int i = 0; i < 205; ++i) AddBoundedLine(list, std::to_string(i));
  ASSERT_EQ(list.GetCount(), 200);
  EXPECT_EQ(list.deletions, 5);
  EXPECT_EQ(list.lines.front(), "5");
  EXPECT_EQ(list.lines.back(), "204");
  EXPECT_EQ(list.topIndex, 199);
}

TEST(LogBound, IdenticalLinesAreKeptApart) {
  FakeListBox list;
  AddBoundedLine(list, "same");
  AddBoundedLine(list, "same");
  EXPECT_EQ(list.GetCount(), 2);
}

}  // namespace
