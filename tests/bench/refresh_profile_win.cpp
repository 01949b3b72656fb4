// Where the drive list's refresh tick spends its time: the real pane, from
// the program's own template, in this process on the display, with each
// step of a tick timed on its own. CPU is this thread's (in 10 ms steps
// under Wine, hence many rounds), wall time from the performance counter.
//
//   quorlin_refresh_profile.exe [rounds]
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "res/resource.h"
#include "ui/control_dlg_win.h"

namespace {

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

// Paints everything that waits to be painted, as the message loop would.
void PaintAll(HWND window) {
  ::RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
}

template <typename Step>
void Time(const char* what, int rounds, HWND host, Step step) {
  PaintAll(host);
  double wall = WallMs(), cpu = CpuMs();
  for (int i = 0; i < rounds; ++i) {
    step();
    PaintAll(host);
  }
  std::printf("| %-52s | %8.2f | %8.2f |\n", what, (CpuMs() - cpu) / rounds,
              (WallMs() - wall) / rounds);
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);
  HWND host = ::CreateWindowExW(0, L"STATIC", L"profile host", WS_POPUP | WS_VISIBLE, 0, 0, 900,
                                400, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  CWnd parent(host);
  CControlDlg pane;
  if (!host || !pane.Create(IDD_CONTROL_PANE, &parent)) {
    std::fprintf(stderr, "quorlin_refresh_profile: cannot create the pane\n");
    return 2;
  }
  pane.ShowWindow(SW_SHOW);
  HWND list = ::GetDlgItem(pane.GetSafeHwnd(), IDC_DRIVE_LIST);
  auto tick = [&] { ::SendMessageW(pane.GetSafeHwnd(), WM_TIMER, IDT_DRIVE_REFRESH, 0); };

  std::printf("| %-52s | %8s | %8s |\n", "step, then whatever it left to paint", "CPU ms",
              "wall ms");
  std::printf("|%s|---------:|---------:|\n", std::string(54, '-').c_str());
  Time("refresh tick, pane shown", rounds, host, tick);
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
  ::DestroyWindow(host);
  return 0;
}
