#include "ui/control_dlg_win.h"

#include "drives/drive_queries_win.h"
#include "drives/drive_report.h"
#include "drives/drive_types.h"
#include "removal/eject.h"
#include "removal/removal_platform_win.h"
#include "res/resource.h"
#include "ui/drive_list.h"

static_assert(kSelectedState == LVIS_SELECTED);
static_assert(kDrawnStates == (LVIS_FOCUSED | LVIS_SELECTED | LVIS_CUT | LVIS_DROPHILITED));
static_assert(kHorizontalBar == SB_HORZ);

namespace {
constexpr UINT kRefreshMs = 3000;
}  // namespace

CControlDlg::CControlDlg(CWnd* parent)
    : CDialog(IDD_CONTROL_PANE, parent),
      m_backBrush(RGB(150, 150, 150)),
      m_reportBrush(RGB(255, 255, 255)) {}

void CControlDlg::DoDataExchange() {
  m_reportEdit.Attach(::GetDlgItem(m_hWnd, IDC_REPORT_EDIT));
  m_driveList.Attach(::GetDlgItem(m_hWnd, IDC_DRIVE_LIST));
}

BOOL CControlDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_driveList.SetExtendedStyle(LVS_EX_FULLROWSELECT);
  m_driveList.InsertColumn(0, "Drive", LVCFMT_CENTER, 50);
  m_driveList.InsertColumn(1, "Type", LVCFMT_LEFT, 100);
  m_driveList.InsertColumn(2, "    ", LVCFMT_LEFT, 50);
  EnumerateDrives();
  FillDriveList();
  m_driveList.LayOutOffScreen();
  UpdateRemoveButton(0);
  SetTimer(IDT_DRIVE_REFRESH, kRefreshMs);
  return TRUE;
}

void CControlDlg::EnumerateDrives() { m_drives = QueryDrives(); }

void CControlDlg::FillDriveList() {
  // Turning the list's redraw back on repaints its scroll bar at once and
  // the whole list after, which on an X display costs most of a tick. On
  // nearly every tick the rebuilt list shows just what it showed before, and
  // that drawing would put the same pixels on the screen: the list draws
  // nothing during the rebuild, and is repainted only when what it shows
  // has changed.
  DriveListFace before = ReadDriveListFace(m_driveList);
  CDrawingPause pause(m_driveList);
  RebuildDriveRows(m_driveList, m_drives, [this] {
    m_reportEdit.SetWindowText("");
    UpdateRemoveButton(0);
  });
  m_built = ReadDriveListState(m_driveList, m_drives);
  pause.End(m_built.face != before);
}

void CControlDlg::UpdateRemoveButton(uint32_t driveType) {
  GetDlgItem(IDC_REMOVE_BUTTON).EnableWindow(driveType == kDriveRemovable);
}

void CControlDlg::ShowDriveReport(char letter) {
  m_reportEdit.SetWindowText(BuildDriveReport(QueryDriveReportInput(letter)));
}

const DriveEntry* CControlDlg::DriveAt(int row) const {
  if (row < 0 || static_cast<size_t>(row) >= m_drives.size()) return nullptr;
  return &m_drives[static_cast<size_t>(row)];
}

void CControlDlg::OnTimer(UINT_PTR id) {
  // Every tick enumerates the drives. The rows are rebuilt from scratch
  // unless the rebuild would leave the list as it is: the same drives, and
  // the list still as the last rebuild left it. Under Wine the rebuild's
  // messages move the list's header once per row and cost about as much CPU
  // as the drive queries; FillDriveList repaints only what changed.
  if (id != IDT_DRIVE_REFRESH) return;
  EnumerateDrives();
  if (ReadDriveListState(m_driveList, m_drives) == m_built) return;
  FillDriveList();
}

bool CControlDlg::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.idFrom != IDC_DRIVE_LIST || header.code != NM_CLICK) return false;
  OnNMClickDriveList(&result);
  return true;
}

void CControlDlg::OnNMClickDriveList(LRESULT* result) {
  // The selection mark, not the row under the mouse: a click on an empty
  // part of the list reports the marked row again.
  if (const DriveEntry* drive = DriveAt(m_driveList.GetSelectionMark())) {
    ShowDriveReport(drive->letter);
    UpdateRemoveButton(drive->type);
  }
  *result = 0;
}

bool CControlDlg::OnCommand(WORD id, WORD code) {
  if (id != IDC_REMOVE_BUTTON || code != BN_CLICKED) return false;
  OnBnClickedRemove();
  return true;
}

void CControlDlg::OnBnClickedRemove() {
  // The outcome goes to the trace output only; the list shows the removal
  // at the next tick.
  if (const DriveEntry* drive = DriveAt(m_driveList.GetSelectionMark())) {
    RemovalPlatformWin platform;
    EjectDrive(platform, static_cast<unsigned char>(drive->letter));
  }
}

HBRUSH CControlDlg::OnCtlColor(HDC dc, HWND control, UINT kind) {
  HBRUSH brush = CDialog::OnCtlColor(dc, control, kind);
  switch (kind) {
    case CTLCOLOR_BTN:
    case CTLCOLOR_DLG:
      return m_backBrush;
    case CTLCOLOR_STATIC:
      ::SetBkMode(dc, TRANSPARENT);
      // The read-only report edit asks as a static control: black on white.
      if (::GetDlgCtrlID(control) == IDC_REPORT_EDIT) return m_reportBrush;
      ::SetTextColor(dc, RGB(255, 255, 255));
      return m_backBrush;
    default:
      return brush;
  }
}
