#include "ui/log_dlg_win.h"

#include "framework/trace.h"
#include "devchange/broadcast_record_win.h"
#include "devchange/device_change_text.h"
#include "devchange/log_bound.h"
#include "res/resource.h"

CLogDlg::CLogDlg(CWnd* parent) : CDialog(IDD_LOG_PANE, parent), m_backBrush(RGB(150, 150, 150)) {}

void CLogDlg::DoDataExchange() { m_logList.Attach(::GetDlgItem(m_hWnd, IDC_LOG_LIST)); }

void CLogDlg::LogDeviceChange(WPARAM wParam, LPARAM lParam) {
  std::string line =
      FormatDeviceChangeText(static_cast<uint32_t>(wParam), ReadBroadcastRecord(lParam));
  TracePrintf("%s\n", line.c_str());
  AddLogLine(line);
}

void CLogDlg::AddLogLine(std::string line) { AddBoundedLine(m_logList, line); }

HBRUSH CLogDlg::OnCtlColor(HDC dc, HWND control, UINT kind) {
  HBRUSH brush = CDialog::OnCtlColor(dc, control, kind);
  switch (kind) {
    case CTLCOLOR_STATIC:  // the caption label: white on the pane's grey
      ::SetBkMode(dc, TRANSPARENT);
      ::SetTextColor(dc, RGB(255, 255, 255));
      return m_backBrush;
    case CTLCOLOR_BTN:
    case CTLCOLOR_DLG:
      return m_backBrush;
    default:
      return brush;  // the list box keeps the platform's colours
  }
}
