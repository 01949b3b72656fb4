// The conversions that only the console program makes, in a file of their
// own so that the window program links none of them.
#include "framework/text_codepage_win.h"
#include "framework/text_win.h"

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
  return FromWide(kCp932CodePage, WC_NO_BEST_FIT_CHARS, single);
}

std::wstring Utf8ToWide(std::string_view text) { return ToWide(CP_UTF8, text); }

std::string Cp932ToUtf8(std::string_view text) { return WideToUtf8(Cp932ToWide(text)); }
