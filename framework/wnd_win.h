#pragma once
// CWnd: a non-owning holder of an HWND with one-line forwarders. Narrow text
// is code page 932; it is converted to UTF-16 at the call.
#include <windows.h>

#include <string_view>
#include <vector>

class CWnd {
 public:
  CWnd() = default;
  explicit CWnd(HWND hwnd) : m_hWnd(hwnd) {}
  virtual ~CWnd() = default;

  HWND GetSafeHwnd() const { return m_hWnd; }
  void Attach(HWND hwnd) { m_hWnd = hwnd; }
  operator HWND() const { return m_hWnd; }

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
  }
  bool ShowWindow(int cmd) const { return ::ShowWindow(m_hWnd, cmd) != FALSE; }
  bool EnableWindow(bool enable) const { return ::EnableWindow(m_hWnd, enable) != FALSE; }
  bool IsIconic() const { return ::IsIconic(m_hWnd) != FALSE; }
  bool GetClientRect(RECT* rect) const { return ::GetClientRect(m_hWnd, rect) != FALSE; }
  CWnd GetDlgItem(int id) const { return CWnd(::GetDlgItem(m_hWnd, id)); }
  HMENU GetSystemMenu(bool revert) const { return ::GetSystemMenu(m_hWnd, revert); }
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse) const {
    return ::SetTimer(m_hWnd, id, elapse, nullptr);
  }
  void SetWindowText(std::string_view text) const;
  bool DestroyWindow() const { return m_hWnd && ::DestroyWindow(m_hWnd) != FALSE; }

 protected:
  HWND m_hWnd = nullptr;
};

// Keeps a window on screen from drawing while it is rebuilt, without a
// message to the window itself: its visible style is cleared as the default
// WM_SETREDRAW handling does, so that whatever the window draws at once in
// between (a control repaints its scroll bars as soon as it is told to
// redraw again) goes nowhere. What waited to be painted in the window and
// its children is kept. End() puts the style back and repaints: all of the
// window, frame and children included, when what it shows changed, and
// otherwise just what waited before.
class CDrawingPause {
 public:
  explicit CDrawingPause(HWND hwnd);
  ~CDrawingPause();
  CDrawingPause(const CDrawingPause&) = delete;
  CDrawingPause& operator=(const CDrawingPause&) = delete;

  void End(bool changed);

 private:
  static BOOL CALLBACK KeepChild(HWND child, LPARAM self);
  void Keep(HWND hwnd);

  struct Pending {
    HWND hwnd;
    HRGN region;
  };
  HWND m_hWnd;
  bool m_paused = false;
  bool m_lost = false;  // a pending part could not be kept
  std::vector<Pending> m_pending;
};

// CBrush owns its GDI brush and deletes it with the object.
class CBrush {
 public:
  explicit CBrush(COLORREF colour) : m_brush(::CreateSolidBrush(colour)) {}
  ~CBrush() {
    if (m_brush) ::DeleteObject(m_brush);
  }
  CBrush(const CBrush&) = delete;
  CBrush& operator=(const CBrush&) = delete;
  operator HBRUSH() const { return m_brush; }

 private:
  HBRUSH m_brush;
};
