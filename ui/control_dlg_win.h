#pragma once
// CControlDlg: the upper pane. It lists the drives, refreshes the list every
// 3 seconds, shows the report of the clicked drive and carries the remove
// button.
#include <vector>

#include "drives/drive_types.h"
#include "framework/controls_win.h"
#include "framework/dialog_win.h"
#include "ui/drive_list.h"

class CControlDlg : public CDialog {
 public:
  explicit CControlDlg(CWnd* parent = nullptr);

 protected:
  void DoDataExchange() override;
  BOOL OnInitDialog() override;
  HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind) override;
  void OnTimer(UINT_PTR id) override;
  bool OnNotify(const NMHDR& header, LRESULT& result) override;
  bool OnCommand(WORD id, WORD code) override;

 private:
  void EnumerateDrives();
  void FillDriveList();
  void UpdateRemoveButton(uint32_t driveType);
  void ShowDriveReport(char letter);
  void OnNMClickDriveList(LRESULT* result);
  void OnBnClickedRemove();
  // The record behind a row of the list, or null for a row outside the set.
  const DriveEntry* DriveAt(int row) const;

  CEdit m_reportEdit;
  CListCtrl m_driveList;
  CBrush m_backBrush;
  CBrush m_reportBrush;
  std::vector<DriveEntry> m_drives;
  DriveListState m_built;  // what the last rebuild left
};
