#include "framework/text_win.h"

#include "framework/cp932.h"

#include <windows.h>

#include <cstring>

namespace {

constexpr UINT kCp932 = 932;

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

}  // namespace

std::wstring Cp932ToWide(std::string_view text) { return ToWide(kCp932, text); }

std::string WideToCp932(std::wstring_view text) { return FromWide(kCp932, 0, text); }

std::string WideToCp932Strict(std::wstring_view text) {
  // A character beyond the BMP, which code page 932 never has, is one "?":
  // the conversion alone makes one of each half of its surrogate pair.
  std::wstring single;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() &&
                      text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
    single += pair ? L'?' : text[i];
    if (pair) ++i;
  }
  return FromWide(kCp932, WC_NO_BEST_FIT_CHARS, single);
}

std::wstring Utf8ToWide(std::string_view text) { return ToWide(CP_UTF8, text); }

std::string WideToUtf8(std::wstring_view text) { return FromWide(CP_UTF8, 0, text); }

std::string Cp932ToUtf8(std::string_view text) { return WideToUtf8(Cp932ToWide(text)); }

void WideToCp932Buffer(const wchar_t* text, char* out, size_t size) {
  if (size == 0) return;
  std::memset(out, 0, size);
  std::string narrow = WideToCp932(text ? std::wstring_view(text) : std::wstring_view());
  size_t keep = Cp932FittingPrefix(narrow, size - 1);
  std::memcpy(out, narrow.data(), keep);
}
