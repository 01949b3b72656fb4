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
