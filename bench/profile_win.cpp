// Where the drive list's refresh tick, the drive list pane's first frame and
// a logged broadcast spend their time: the real panes, from the program's
// own templates, in this process on the display, with each step timed on
// its own. CPU is this thread's (in 10 ms steps under Wine, hence many
// rounds), wall time from the performance counter.
//
//   quorlin_profile.exe [rounds]
#include <windows.h>

#include <algorithm>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <commctrl.h>
#include <dbt.h>

#include "devchange/device_change_text.h"
#include "framework/text_win.h"
#include "framework/trace.h"
#include "framework/controls_win.h"
#include "res/resource.h"
#include "support/broadcast.h"
#include "support/pane_host.h"
#include "ui/control_dlg_win.h"
#include "ui/log_dlg_win.h"

namespace {

// The report goes to a copy of the standard output: the log section binds
// the trace output as the program does, which rebinds stdout to the null
// device.
FILE* g_out = nullptr;

double WallMs() {
  LARGE_INTEGER count, frequency;
  ::QueryPerformanceCounter(&count);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double CpuMs() {
  FILETIME created, exited, kernel, user;
  ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user);
  auto ticks = [](const FILETIME& t) {
    return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
  };
  return (ticks(kernel) + ticks(user)) / 1e4;
}

template <typename Step>
void Time(const char* what, int rounds, HWND host, Step step) {
  PaintAll(host);
  double wall = WallMs(), cpu = CpuMs();
  for (int i = 0; i < rounds; ++i) {
    step();
    PaintAll(host);
  }
  std::fprintf(g_out, "| %-52s | %8.2f | %8.2f |\n", what, (CpuMs() - cpu) / rounds,
               (WallMs() - wall) / rounds);
}

// The reference dialog's pane procedure: the dialog manager does the rest.
INT_PTR CALLBACK BarePaneProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// A list view as the drive list pane's, with its columns and three rows,
// hidden in `parent`.
HWND MakeDriveListLike(HWND parent) {
  HWND list = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_BORDER | LVS_REPORT, 8, 8, 190,
                                80, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  CListCtrl control;
  control.Attach(list);
  control.SetExtendedStyle(LVS_EX_FULLROWSELECT);
  control.InsertColumn(0, "Drive", LVCFMT_CENTER, 50);
  control.InsertColumn(1, "Type", LVCFMT_LEFT, 100);
  control.InsertColumn(2, "    ", LVCFMT_LEFT, 50);
  const char* rows[][2] = {{"C:\\", "Fixed"}, {"E:\\", "Removable"}, {"Z:\\", "Fixed"}};
  for (int row = 0; row < 3; ++row) {
    control.InsertItem(row, rows[row][0]);
    control.SetItemText(row, 1, rows[row][1]);
  }
  return list;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  g_out = _fdopen(_dup(1), "w");
  if (!g_out) return 2;
  HWND host = CreatePaneHost(L"profile host");
  CWnd parent(host);
  CControlDlg pane;
  if (!host || !pane.Create(&parent)) {
    std::fprintf(stderr, "quorlin_refresh_profile: cannot create the pane\n");
    return 2;
  }
  pane.ShowWindow(SW_SHOW);
  HWND list = ::GetDlgItem(pane.GetSafeHwnd(), IDC_DRIVE_LIST);
  auto tick = [&] { ::SendMessageW(pane.GetSafeHwnd(), WM_TIMER, IDT_DRIVE_REFRESH, 0); };

  std::fprintf(g_out, "| %-52s | %8s | %8s |\n", "step, then whatever it left to paint", "CPU ms",
               "wall ms");
  std::fprintf(g_out, "|%s|---------:|---------:|\n", std::string(54, '-').c_str());
  Time("refresh tick, pane shown", rounds, host, tick);
  // The hot row moved makes the tick rebuild the rows, as a drive that came
  // or went would.
  Time("refresh tick that rebuilds the rows, pane shown", rounds, host, [&] {
    ::SendMessageW(list, LVM_SETHOTITEM, 1, 0);
    tick();
  });
  Time("drive queries alone (mask and one type per drive)", rounds, host, [] {
    DWORD mask = ::GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
      wchar_t root[] = {static_cast<wchar_t>(L'A' + i), L':', L'\\', 0};
      if (mask & (1u << i)) ::GetDriveTypeW(root);
    }
  });
  Time("list redraw switched off and on alone", rounds, host, [&] {
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  });
  Time("list's horizontal scroll bar set to what it is", rounds, host, [&] {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    ::GetScrollInfo(list, SB_HORZ, &info);
    info.fMask = SIF_RANGE | SIF_PAGE;
    ::SetScrollInfo(list, SB_HORZ, &info, TRUE);
  });
  Time("whole list invalidated and repainted", rounds, host,
       [&] { ::InvalidateRect(list, nullptr, TRUE); });
  pane.ShowWindow(SW_HIDE);
  Time("refresh tick, pane hidden", rounds, host, tick);
  pane.DestroyWindow();

  // What the window program does before its first frame, once per window:
  // a new window each round (the process's one-time costs, such as loading
  // fonts, fall in the first round).
  const int fewer = std::max(1, rounds / 10);
  std::fprintf(g_out, "|%s|---------:|---------:|\n", std::string(54, '-').c_str());
  std::fprintf(g_out, "| %-52s | %8s | %8s |\n", "before the first frame, a new window each round",
               "CPU ms", "wall ms");
  Time("drive list pane made, shown, painted and closed", fewer, host, [&] {
    CControlDlg fresh;
    if (!fresh.Create(&parent)) return;
    fresh.ShowWindow(SW_SHOW);
    PaintAll(host);
    fresh.DestroyWindow();
  });
  // The reference dialog's pane: the same template, its list left empty.
  Time("the bare template's pane, shown, painted and closed", fewer, host, [&] {
    HWND bare = ::CreateDialogParamW(::GetModuleHandleW(nullptr),
                                     MAKEINTRESOURCEW(IDD_CONTROL_PANE), host, BarePaneProc, 0);
    if (!bare) return;
    ::ShowWindow(bare, SW_SHOW);
    PaintAll(host);
    ::DestroyWindow(bare);
  });
  auto firstPaint = [&](bool offScreenFirst) {
    HWND like = MakeDriveListLike(host);
    if (offScreenFirst) {
      CListCtrl control;
      control.Attach(like);
      control.LayOutOffScreen();
    }
    ::ShowWindow(like, SW_SHOW);
    PaintAll(host);
    ::DestroyWindow(like);
  };
  Time("a list like it, shown and painted", fewer, host, [&] { firstPaint(false); });
  Time("the same, laid out off screen first", fewer, host, [&] { firstPaint(true); });
  HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
  Time("the main window's icon set, big and small", fewer, host, [&] {
    ::SendMessageW(host, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    ::SendMessageW(host, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  });

  // A broadcast as the main window hands it on, with the log at its bound
  // and the window minimised. The trace output is bound as in normal mode.
  BindTraceOutput(false);
  CLogDlg log;
  log.Create(&parent);
  log.ShowWindow(SW_SHOW);
  ::ShowWindow(host, SW_MINIMIZE);
  HWND lines = ::GetDlgItem(log.GetSafeHwnd(), IDC_LOG_LIST);
  const std::vector<unsigned char> volume = VolumeRecord(1u << 4);
  const LPARAM record = reinterpret_cast<LPARAM>(volume.data());
  for (int i = 0; i < 250; ++i) log.LogDeviceChange(DBT_DEVICEARRIVAL, record);
  const int many = rounds * 20;
  std::fprintf(g_out, "|%s|---------:|---------:|\n", std::string(54, '-').c_str());
  std::fprintf(g_out, "| %-52s | %8s | %8s |\n", "one broadcast, window minimised", "CPU us",
               "wall us");
  auto timeMany = [&](const char* what, auto step) {
    double wall = WallMs(), cpu = CpuMs();
    for (int i = 0; i < many; ++i) step();
    std::fprintf(g_out, "| %-52s | %8.1f | %8.1f |\n", what, (CpuMs() - cpu) * 1000 / many,
                 (WallMs() - wall) * 1000 / many);
  };
  timeMany("raw trace line and log line, as the main window does", [&] {
    TracePrintf("WM_DEVICECHANGE wParam=0x%08llx, lParam=0x%08llx\n", 0x8000ull,
                static_cast<unsigned long long>(record));
    log.LogDeviceChange(DBT_DEVICEARRIVAL, record);
  });
  timeMany("the line's text alone",
           [&] { FormatDeviceChangeText(DBT_DEVICEARRIVAL, volume.data(), volume.size()); });
  const std::wstring line =
      Cp932ToWide(FormatDeviceChangeText(DBT_DEVICEARRIVAL, volume.data(), volume.size()));
  timeMany("the four list box messages alone", [&] {
    ::SendMessageW(lines, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    int n = static_cast<int>(::SendMessageW(lines, LB_GETCOUNT, 0, 0));
    n = static_cast<int>(::SendMessageW(lines, LB_DELETESTRING, 0, 0));
    ::SendMessageW(lines, LB_SETTOPINDEX, static_cast<WPARAM>(n - 1), 0);
  });
  HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  timeMany("two writes to the null device (console check, write)", [&] {
    for (int i = 0; i < 2; ++i) {
      DWORD mode = 0, written = 0;
      ::GetConsoleMode(out, &mode);
      ::WriteFile(out, "0123456789012345678901234567890123456789\n", 41, &written, nullptr);
    }
  });
  log.DestroyWindow();
  ::DestroyWindow(host);
  std::fclose(g_out);
  return 0;
}
