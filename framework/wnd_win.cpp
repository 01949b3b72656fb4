#include "framework/wnd_win.h"

#include "framework/text_win.h"

void CWnd::SetWindowText(std::string_view text) const {
  ::SetWindowTextW(m_hWnd, Cp932ToWide(text).c_str());
}

CDrawingPause::CDrawingPause(HWND hwnd) : m_hWnd(hwnd) {
  // A window that is not on screen draws nothing anyway, and the default
  // handling would leave a window visible that was not.
  if (!::IsWindowVisible(hwnd)) return;
  Keep(hwnd);
  ::EnumChildWindows(hwnd, KeepChild, reinterpret_cast<LPARAM>(this));
  ::DefWindowProcW(hwnd, WM_SETREDRAW, FALSE, 0);
  m_paused = true;
}

CDrawingPause::~CDrawingPause() {
  End(true);
  for (const Pending& p : m_pending) ::DeleteObject(p.region);
}

BOOL CALLBACK CDrawingPause::KeepChild(HWND child, LPARAM self) {
  reinterpret_cast<CDrawingPause*>(self)->Keep(child);
  return TRUE;
}

void CDrawingPause::Keep(HWND hwnd) {
  HRGN region = ::CreateRectRgn(0, 0, 0, 0);
  if (!region) {
    m_lost = true;
    return;
  }
  if (::GetUpdateRgn(hwnd, region, FALSE) > NULLREGION)
    m_pending.push_back({hwnd, region});
  else
    ::DeleteObject(region);
}

void CDrawingPause::End(bool changed) {
  if (!m_paused) return;
  m_paused = false;
  ::DefWindowProcW(m_hWnd, WM_SETREDRAW, TRUE, 0);
  if (changed || m_lost) {
    ::RedrawWindow(m_hWnd, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return;
  }
  for (const Pending& p : m_pending) ::InvalidateRgn(p.hwnd, p.region, TRUE);
}
