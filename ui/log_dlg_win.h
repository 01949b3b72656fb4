#pragma once
// CLogDlg: the lower pane, one line per device-change broadcast, newest 200.
#include <string>

#include "framework/controls_win.h"
#include "framework/dialog_win.h"

class CLogDlg : public CDialog {
 public:
  explicit CLogDlg(CWnd* parent = nullptr);

  void LogDeviceChange(WPARAM wParam, LPARAM lParam);
  void AddLogLine(std::string line);

 protected:
  void DoDataExchange() override;
  HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind) override;

 private:
  CListBox m_logList;
  CBrush m_backBrush;
};
