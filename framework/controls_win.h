#pragma once
// Thin control wrappers: each adds only the typed messages the program sends.
#include "framework/wnd_win.h"

#include <commctrl.h>

#include <string>
#include <string_view>

class CEdit : public CWnd {};

class CListBox : public CWnd {
 public:
  int AddString(std::string_view text) const;
  int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
  int DeleteString(int index) const {
    return static_cast<int>(SendMessage(LB_DELETESTRING, static_cast<WPARAM>(index)));
  }
  int SetTopIndex(int index) const {
    return static_cast<int>(SendMessage(LB_SETTOPINDEX, static_cast<WPARAM>(index)));
  }
};

class CListCtrl : public CWnd {
 public:
  void SetExtendedStyle(DWORD style) const { SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style); }
  int InsertColumn(int column, std::string_view heading, int format, int width) const;
  int InsertItem(int item, std::string_view text) const;
  bool SetItemText(int item, int subItem, std::string_view text) const;
  std::string GetItemText(int item, int subItem) const;
  bool DeleteAllItems() const { return SendMessage(LVM_DELETEALLITEMS) != FALSE; }
  int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
  int GetSelectionMark() const { return static_cast<int>(SendMessage(LVM_GETSELECTIONMARK)); }
  int SetSelectionMark(int item) const {
    return static_cast<int>(SendMessage(LVM_SETSELECTIONMARK, 0, item));
  }
  bool SetItemState(int item, UINT state, UINT mask) const;
  UINT GetItemState(int item, UINT mask) const {
    return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(item), mask));
  }
  int GetHotItem() const { return static_cast<int>(SendMessage(LVM_GETHOTITEM)); }
  int GetTopIndex() const { return static_cast<int>(SendMessage(LVM_GETTOPINDEX)); }
  int GetScrollPos(int bar) const { return ::GetScrollPos(m_hWnd, bar); }
  int SetHotItem(int item) const {
    return static_cast<int>(SendMessage(LVM_SETHOTITEM, static_cast<WPARAM>(item)));
  }
  bool EnsureVisible(int item, bool partialOk) const {
    return SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), partialOk) != FALSE;
  }
  void SetRedraw(bool redraw) const { SendMessage(WM_SETREDRAW, redraw); }
  void LayOutOffScreen() const;
};
