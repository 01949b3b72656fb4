#include "ui/log_dlg_win.h"

#include <dbt.h>

#include "app/trace.h"
#include "devchange/device_change_text.h"
#include "devchange/log_bound.h"
#include "res/resource.h"

namespace {

// Whether [address, address + size) lies in committed, readable memory of
// this process. A broadcast's lParam is not always a record copied for us:
// Wine hands on the sender's raw pointer for most event codes, and nothing
// stops another program from sending any value.
bool IsReadable(const void* address, size_t size) {
  auto p = reinterpret_cast<uintptr_t>(address);
  const uintptr_t end = p + size;
  if (end < p) return false;
  while (p < end) {
    MEMORY_BASIC_INFORMATION info{};
    if (!::VirtualQuery(reinterpret_cast<const void*>(p), &info, sizeof(info))) return false;
    const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                           PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    if (info.State != MEM_COMMIT || !(info.Protect & readable) || (info.Protect & PAGE_GUARD))
      return false;
    p = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
  }
  return true;
}

}  // namespace

CLogDlg::CLogDlg(CWnd* parent)
    : CDialog(IDD_LOG_PANE, parent), m_backBrush(RGB(150, 150, 150)) {}

void CLogDlg::DoDataExchange() { m_logList.Attach(::GetDlgItem(m_hWnd, IDC_LOG_LIST)); }

void CLogDlg::LogDeviceChange(WPARAM wParam, LPARAM lParam) {
  const auto* record = reinterpret_cast<const unsigned char*>(lParam);
  size_t size = 0;
  // The record is read only within its own dbch_size; one that cannot be
  // read at all is logged as no record.
  if (record && IsReadable(record, sizeof(DWORD))) {
    DWORD declared = reinterpret_cast<const DEV_BROADCAST_HDR*>(record)->dbch_size;
    size = declared;
    if (!IsReadable(record, size)) record = nullptr;
  } else {
    record = nullptr;
  }
  std::string line = FormatDeviceChangeText(static_cast<uint32_t>(wParam), record, size);
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
