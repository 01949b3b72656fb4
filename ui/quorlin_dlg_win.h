#pragma once
// CQuorlinDlg: the main window. It hosts the drive list pane above and the
// event log pane below, and receives the device-change broadcasts.
#include "framework/dialog_win.h"
#include "ui/control_dlg_win.h"
#include "ui/log_dlg_win.h"

class CQuorlinDlg : public CDialog {
 public:
  explicit CQuorlinDlg(CWnd* parent = nullptr);

 protected:
  bool WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  BOOL OnInitDialog() override;
  bool OnSysCommand(UINT nID, LPARAM lParam) override;
  bool OnNotify(const NMHDR& header, LRESULT& result) override;
  bool OnPaint() override;
  HICON OnQueryDragIcon() override;
  void OnDestroy() override;

 private:
  void FitPanes();
  void OnNMClickHomeLink(LRESULT* result);

  HICON m_appIcon;
  CControlDlg m_controlPane;
  CLogDlg m_logPane;
};
