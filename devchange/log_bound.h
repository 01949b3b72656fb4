#pragma once
// The log keeps the newest lines only. The bound is applied after each
// addition, one deletion per addition, and the newest line is kept in view.
#include <string>

constexpr int kMaxLogLines = 200;

// `List` is the log's list box: AddString, GetCount, DeleteString (returning
// the count left) and SetTopIndex.
template <typename List>
void AddBoundedLine(List& list, const std::string& line) {
  list.AddString(line);
  int count = list.GetCount();
  if (count > kMaxLogLines) count = list.DeleteString(0);
  // Asking for the last line as the top line scrolls as far down as the list
  // box allows, so the newest line is in view.
  list.SetTopIndex(count - 1);
}
