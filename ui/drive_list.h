#pragma once
// Rebuilding the drive list's rows from the drive set, keeping the selected
// drive selected by its column-0 text (its root path), also when its row
// number changed. The rows always mirror the set: row i shows record i.
#include <string>
#include <vector>

#include "drives/drive_types.h"

// The list view's values that the rebuild uses, as the SDK defines them
// (ui/control_dlg_win.cpp, where the list view is, checks them against it).
// LVIS_SELECTED:
constexpr unsigned kSelectedState = 0x0002;
// The item states that change how a row is drawn: LVIS_FOCUSED,
// LVIS_SELECTED, LVIS_CUT and LVIS_DROPHILITED.
constexpr unsigned kDrawnStates = 0x000F;
// SB_HORZ, the horizontal scroll bar:
constexpr int kHorizontalBar = 0;

// What the drive list shows: the texts of every row (the root path and the
// type; the spacer column is never written), the drawn states of every row,
// the hot row, and how far the list is scrolled down and across. Equal
// faces draw the same pixels.
struct DriveListFace {
  std::vector<std::string> cells;
  std::vector<unsigned> states;
  int hot = -1;
  int top = 0;
  int across = 0;
  bool operator==(const DriveListFace&) const = default;
};

// `List` as below, with GetItemState, GetHotItem, GetTopIndex and
// GetScrollPos (of the horizontal bar) besides.
template <typename List>
DriveListFace ReadDriveListFace(const List& list) {
  DriveListFace face;
  int count = list.GetItemCount();
  for (int row = 0; row < count; ++row) {
    face.cells.push_back(list.GetItemText(row, 0));
    face.cells.push_back(list.GetItemText(row, 1));
    face.states.push_back(list.GetItemState(row, kDrawnStates));
  }
  face.hot = list.GetHotItem();
  face.top = list.GetTopIndex();
  face.across = list.GetScrollPos(kHorizontalBar);
  return face;
}

// What a rebuild left: the drive set it was made from, the face it gave the
// list and the selection mark. A rebuild from the same set, of a list that
// still holds all of this, leaves it as it is: the rows, the selection, the
// hot row and the scroll positions come out the same, and no row keeps the
// focus through a rebuild.
struct DriveListState {
  std::vector<DriveEntry> drives;
  DriveListFace face;
  int mark = -1;
  bool operator==(const DriveListState&) const = default;
};

template <typename List>
DriveListState ReadDriveListState(const List& list, const std::vector<DriveEntry>& drives) {
  return {drives, ReadDriveListFace(list), list.GetSelectionMark()};
}

enum class SelectionRestore { kNothingSelected, kRestored, kGone };

// `List` is the list view (CListCtrl, or a fake in the tests). `onGone` runs
// when the selected drive is no longer listed, while redrawing is still off,
// so that the list never shows without the report and button that go with it.
template <typename List, typename OnGone>
SelectionRestore RebuildDriveRows(List& list, const std::vector<DriveEntry>& drives,
                                  OnGone onGone) {
  int mark = list.GetSelectionMark();
  std::string saved;
  if (mark >= 0) saved = list.GetItemText(mark, 0);

  // Redrawing stays off for the whole rebuild, restore included.
  list.SetRedraw(false);
  list.DeleteAllItems();
  for (size_t i = 0; i < drives.size(); ++i) {
    int row = static_cast<int>(i);
    list.InsertItem(row, DriveRootPath(drives[i].letter));
    list.SetItemText(row, 1, DriveTypeName(drives[i].type));
  }

  SelectionRestore outcome = SelectionRestore::kNothingSelected;
  if (mark >= 0) {
    outcome = SelectionRestore::kGone;
    int count = list.GetItemCount();
    for (int row = 0; row < count; ++row) {
      if (list.GetItemText(row, 0) == saved) {
        list.SetSelectionMark(row);
        list.SetItemState(row, kSelectedState, kSelectedState);  // focus left as it is
        list.SetHotItem(row);
        list.EnsureVisible(row, false);
        outcome = SelectionRestore::kRestored;
        break;
      }
    }
    if (outcome == SelectionRestore::kGone) onGone();
  }
  list.SetRedraw(true);
  return outcome;
}
