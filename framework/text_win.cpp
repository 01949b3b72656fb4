#include "framework/text_win.h"

#include "framework/cp932.h"
#include "framework/text_codepage_win.h"

#include <windows.h>

#include <cstring>

std::wstring ToWide(UINT codePage, std::string_view text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0)
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string FromWide(UINT codePage, DWORD flags, std::wstring_view text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr,
                              0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
  return out;
}

std::wstring Cp932ToWide(std::string_view text) { return ToWide(kCp932CodePage, text); }

std::string WideToCp932(std::wstring_view text) { return FromWide(kCp932CodePage, 0, text); }

std::string WideToUtf8(std::wstring_view text) { return FromWide(CP_UTF8, 0, text); }

void WideToCp932Buffer(const wchar_t* text, char* out, size_t size) {
  if (size == 0) return;
  std::memset(out, 0, size);
  std::string narrow = WideToCp932(text ? std::wstring_view(text) : std::wstring_view());
  size_t keep = Cp932FittingPrefix(narrow, size - 1);
  std::memcpy(out, narrow.data(), keep);
}
