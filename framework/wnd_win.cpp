#include "framework/wnd_win.h"

#include "framework/text_win.h"

void CWnd::SetWindowText(std::string_view text) const {
  ::SetWindowTextW(m_hWnd, Cp932ToWide(text).c_str());
}

std::string CWnd::GetWindowText() const {
  int len = ::GetWindowTextLengthW(m_hWnd);
  if (len <= 0) return {};
  std::wstring text(static_cast<size_t>(len) + 1, L'\0');
  len = ::GetWindowTextW(m_hWnd, text.data(), len + 1);
  text.resize(static_cast<size_t>(len > 0 ? len : 0));
  return WideToCp932(text);
}

bool CWnd::DestroyWindow() {
  if (!m_hWnd) return false;
  return ::DestroyWindow(m_hWnd) != FALSE;
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
