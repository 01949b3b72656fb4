#include "framework/controls_win.h"

#include "framework/text_win.h"

int CListBox::AddString(std::string_view text) const {
  std::wstring wide = Cp932ToWide(text);
  return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str())));
}

int CListCtrl::InsertColumn(int column, std::string_view heading, int format, int width) const {
  std::wstring wide = Cp932ToWide(heading);
  LVCOLUMNW col{};
  col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
  col.fmt = format;
  col.cx = width;
  col.pszText = wide.data();
  return static_cast<int>(
      SendMessage(LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&col)));
}

int CListCtrl::InsertItem(int item, std::string_view text) const {
  std::wstring wide = Cp932ToWide(text);
  LVITEMW row{};
  row.mask = LVIF_TEXT;
  row.iItem = item;
  row.pszText = wide.data();
  return static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&row)));
}

bool CListCtrl::SetItemText(int item, int subItem, std::string_view text) const {
  std::wstring wide = Cp932ToWide(text);
  LVITEMW row{};
  row.iSubItem = subItem;
  row.pszText = wide.data();
  return SendMessage(LVM_SETITEMTEXTW, static_cast<WPARAM>(item),
                     reinterpret_cast<LPARAM>(&row)) != FALSE;
}

std::string CListCtrl::GetItemText(int item, int subItem) const {
  wchar_t buffer[260] = {};
  LVITEMW row{};
  row.iSubItem = subItem;
  row.pszText = buffer;
  row.cchTextMax = static_cast<int>(std::size(buffer));
  SendMessage(LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&row));
  return WideToCp932(buffer);
}

// Under Wine a list view works out the size of its rows at its first paint
// and only then sets its scroll bars, and each setting draws a shown bar on
// the screen at once: the drive list's horizontal bar is drawn three times
// over inside that paint, a fifth of it (x86_64, bench/profile_win.cpp). A
// paint into a memory DC does that work while the list is still hidden. For
// a list not shown yet; elsewhere it costs a paint that nobody sees.
void CListCtrl::LayOutOffScreen() const {
  HDC memory = ::CreateCompatibleDC(nullptr);
  if (!memory) return;
  SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
  ::DeleteDC(memory);
}

bool CListCtrl::SetItemState(int item, UINT state, UINT mask) const {
  LVITEMW row{};
  row.state = state;
  row.stateMask = mask;
  return SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(item),
                     reinterpret_cast<LPARAM>(&row)) != FALSE;
}
