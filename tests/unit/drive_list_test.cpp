// Rebuilding the drive rows and restoring the selection by the drive's text,
// over a list view stand-in that records what is done to it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/drive_list.h"

namespace {

struct FakeListView {
  std::vector<std::vector<std::string>> rows;
  int mark = -1;
  int selected = -1;
  int hot = -1;
  int visible = -1;
  std::vector<std::string> calls;

  int GetSelectionMark() const { return mark; }
  std::string GetItemText(int row, int column) const {
    return column < static_cast<int>(rows[static_cast<size_t>(row)].size())
               ? rows[static_cast<size_t>(row)][static_cast<size_t>(column)]
               : "";
  }
  void SetRedraw(bool on) { calls.push_back(on ? "redraw on" : "redraw off"); }
  bool DeleteAllItems() {
    calls.push_back("delete all");
    rows.clear();
    mark = -1;  // the list view drops its mark with its items
    selected = -1;
    return true;
  }
  int InsertItem(int row, const std::string& text) {
    rows.insert(rows.begin() + row, {text});
    return row;
  }
  bool SetItemText(int row, int column, const std::string& text) {
    auto& cells = rows[static_cast<size_t>(row)];
    cells.resize(static_cast<size_t>(column) + 1);
    cells[static_cast<size_t>(column)] = text;
    return true;
  }
  int GetItemCount() const { return static_cast<int>(rows.size()); }
  int SetSelectionMark(int row) {
    calls.push_back("mark " + std::to_string(row));
    mark = row;
    return -1;
  }
  bool SetItemState(int row, unsigned state, unsigned mask) {
    EXPECT_EQ(state, kSelectedState);
    EXPECT_EQ(mask, kSelectedState);
    selected = row;
    return true;
  }
  int SetHotItem(int row) {
    hot = row;
    return -1;
  }
  bool EnsureVisible(int row, bool partialOk) {
    EXPECT_FALSE(partialOk);
    visible = row;
    return true;
  }
  unsigned GetItemState(int row, unsigned mask) const {
    return (row == selected ? kSelectedState : 0u) & mask;
  }
  int GetHotItem() const { return hot; }
  int GetTopIndex() const { return visible < 0 ? 0 : visible; }
  int GetScrollPos(int bar) const { return bar == 0 ? across : 0; }
  int across = 0;
};

const std::vector<DriveEntry> kCEZ = {{'C', 3}, {'E', 2}, {'Z', 3}};

// The pane empties its report and disables its button when the selected
// drive is gone; here that is one more recorded call.
SelectionRestore Rebuild(FakeListView& list, const std::vector<DriveEntry>& drives) {
  return RebuildDriveRows(list, drives, [&list] { list.calls.push_back("gone"); });
}

TEST(DriveRows, MirrorTheDriveSetInOrder) {
  FakeListView list;
  EXPECT_EQ(Rebuild(list, kCEZ), SelectionRestore::kNothingSelected);
  ASSERT_EQ(list.rows.size(), 3u);
  EXPECT_EQ(list.rows[0], (std::vector<std::string>{"C:\\", "Fixed"}));
  EXPECT_EQ(list.rows[1], (std::vector<std::string>{"E:\\", "Removable"}));
  EXPECT_EQ(list.rows[2], (std::vector<std::string>{"Z:\\", "Fixed"}));
  EXPECT_EQ(list.calls, (std::vector<std::string>{"redraw off", "delete all", "redraw on"}));
}

TEST(DriveRows, SelectedDriveFollowsItsTextWhenALetterAppearsBefore) {
  FakeListView list;
  Rebuild(list, kCEZ);
  list.mark = 1;  // E:
  std::vector<DriveEntry> withD = {{'C', 3}, {'D', 5}, {'E', 2}, {'Z', 3}};
  EXPECT_EQ(Rebuild(list, withD), SelectionRestore::kRestored);
  EXPECT_EQ(list.mark, 2);
  EXPECT_EQ(list.selected, 2);
  EXPECT_EQ(list.hot, 2);
  EXPECT_EQ(list.visible, 2);
  // Redrawing stays off until the selection is back.
  EXPECT_EQ(list.calls.back(), "redraw on");
  EXPECT_EQ(list.calls[list.calls.size() - 2], "mark 2");
}

TEST(DriveRows, SelectedDriveThatVanishedIsReportedGone) {
  FakeListView list;
  Rebuild(list, kCEZ);
  list.mark = 1;
  list.calls.clear();
  EXPECT_EQ(Rebuild(list, {{'C', 3}, {'Z', 3}}), SelectionRestore::kGone);
  EXPECT_EQ(list.mark, -1);
  EXPECT_EQ(list.rows.size(), 2u);
  // Report and button are dealt with before the list draws again.
  EXPECT_EQ(list.calls,
            (std::vector<std::string>{"redraw off", "delete all", "gone", "redraw on"}));

  list.mark = 0;
  list.calls.clear();
  EXPECT_EQ(Rebuild(list, {}), SelectionRestore::kGone);  // empty mask
  EXPECT_TRUE(list.rows.empty());
  EXPECT_EQ(list.calls,
            (std::vector<std::string>{"redraw off", "delete all", "gone", "redraw on"}));
}

// The pane skips the repaint of a rebuild whose face did not change, so the
// face must tell every change of what a row shows.
TEST(DriveRows, FaceChangesExactlyWhenWhatTheListShowsChanges) {
  FakeListView list;
  Rebuild(list, kCEZ);
  list.mark = 1;
  Rebuild(list, kCEZ);  // the selection is drawn from here on
  DriveListFace face = ReadDriveListFace(list);
  ASSERT_EQ(face.cells.size(), 6u);
  EXPECT_EQ(face.cells[2], "E:\\");
  EXPECT_EQ(face.cells[3], "Removable");
  EXPECT_EQ(face.states, (std::vector<unsigned>{0, kSelectedState, 0}));

  Rebuild(list, kCEZ);
  EXPECT_EQ(ReadDriveListFace(list), face);  // an ordinary tick

  Rebuild(list, {{'C', 3}, {'E', 5}, {'Z', 3}});
  EXPECT_NE(ReadDriveListFace(list), face);  // a type changed under the same letter
  Rebuild(list, kCEZ);
  EXPECT_EQ(ReadDriveListFace(list), face);

  Rebuild(list, {{'C', 3}, {'D', 2}, {'E', 2}, {'Z', 3}});
  EXPECT_NE(ReadDriveListFace(list), face);  // a row more, and the selection moved down
  Rebuild(list, kCEZ);
  EXPECT_EQ(ReadDriveListFace(list), face);

  list.selected = -1;  // the user cleared the selection; the next tick selects again
  EXPECT_NE(ReadDriveListFace(list), face);
  list.selected = 1;
  list.hot = 0;  // the mouse went over another row
  EXPECT_NE(ReadDriveListFace(list), face);
  list.hot = 1;
  list.across = 8;  // scrolled to the right
  EXPECT_NE(ReadDriveListFace(list), face);
}

// A tick skips the rebuild while the state reads as the last rebuild left
// it: a rebuild from that state must leave it so, and a change of the drives
// or by the user must show in it.
TEST(DriveRows, ARebuildOfWhatTheLastRebuildLeftChangesNothing) {
  FakeListView list;
  Rebuild(list, kCEZ);
  for (int mark : {-1, 1}) {  // nothing selected; E: selected
    list.mark = mark;
    Rebuild(list, kCEZ);
    const DriveListState built = ReadDriveListState(list, kCEZ);
    Rebuild(list, kCEZ);
    EXPECT_EQ(ReadDriveListState(list, kCEZ), built);
  }
  const DriveListState built = ReadDriveListState(list, kCEZ);
  EXPECT_NE(ReadDriveListState(list, {{'C', 3}, {'Z', 3}}), built);
  list.mark = 2;  // the mark moved, the selection not
  EXPECT_NE(ReadDriveListState(list, kCEZ), built);
  list.mark = 1;
  list.hot = 2;
  EXPECT_NE(ReadDriveListState(list, kCEZ), built);
}

TEST(DriveRows, UnknownTypesReadUnknown) {
  FakeListView list;
  Rebuild(list, {{'A', 0}, {'B', 7}});
  EXPECT_EQ(list.rows[0][1], "Unknown");
  EXPECT_EQ(list.rows[1][1], "Unknown");
}

}  // namespace
