#include "framework/wnd_win.h"

#include "framework/text_win.h"

void CWnd::SetWindowText(std::string_view text) const {
  ::SetWindowTextW(m_hWnd, Cp932ToWide(text).c_str());
}
