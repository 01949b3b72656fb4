// The About entry that the main window adds to its system menu. Wine keeps
// menus per process, so this runs in-process, over the program's own
// resources linked into the test.
#include <gtest/gtest.h>

#include "framework/text_win.h"
#include "res/resource.h"
#include "ui/about_dlg_win.h"

namespace {

TEST(SystemMenu, GainsASeparatorAndTheAboutEntry) {
  HWND window = ::CreateWindowExW(0, L"STATIC", L"menu host", WS_OVERLAPPED | WS_SYSMENU, 0, 0, 100,
                                  100, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  HMENU menu = ::GetSystemMenu(window, FALSE);
  ASSERT_NE(menu, nullptr);
  const int before = ::GetMenuItemCount(menu);

  AppendAboutMenuEntry(CWnd(window));

  ASSERT_EQ(::GetMenuItemCount(menu), before + 2);
  MENUITEMINFOW separator{};
  separator.cbSize = sizeof(separator);
  separator.fMask = MIIM_FTYPE;
  ASSERT_TRUE(::GetMenuItemInfoW(menu, static_cast<UINT>(before), TRUE, &separator));
  EXPECT_TRUE(separator.fType & MFT_SEPARATOR);

  wchar_t text[128] = {};
  MENUITEMINFOW entry{};
  entry.cbSize = sizeof(entry);
  entry.fMask = MIIM_ID | MIIM_STRING;
  entry.dwTypeData = text;
  entry.cch = 128;
  ASSERT_TRUE(::GetMenuItemInfoW(menu, static_cast<UINT>(before + 1), TRUE, &entry));
  EXPECT_EQ(entry.wID, 16u);
  EXPECT_EQ(WideToCp932(text), "Quorlin のﾊﾞｰｼﾞｮﾝ情報(&A)...");
  // Half-width katakana: one byte each in code page 932.
  EXPECT_EQ(WideToCp932(text).size(), std::string("Quorlin ").size() + 2 + 7 + 4 + 7);
  ::DestroyWindow(window);
}

}  // namespace
