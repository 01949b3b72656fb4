#pragma once
// The conversions of text_win.h for any code page, shared by the files that
// make them.
#include <windows.h>

#include <string>
#include <string_view>

inline constexpr UINT kCp932CodePage = 932;

std::wstring ToWide(UINT codePage, std::string_view text);
std::string FromWide(UINT codePage, DWORD flags, std::wstring_view text);
