#include "framework/command_line_split.h"

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

// The program's name knows no escapes: one that starts with a double quote
// runs to the next double quote, any other to the first blank. In the
// arguments, blanks part them outside quotes; 2n backslashes before a double
// quote become n and the quote opens or closes a quoted part, 2n + 1 become
// n and a literal quote; other backslashes stand as they are. Quotes in a
// row count on: every third one is a literal quote and starts the count
// again, and a count left at two ends the quoted part.
std::vector<std::wstring> SplitCommandLine(std::wstring_view line) {
  std::vector<std::wstring> parts;
  size_t i = 0;
  if (!line.empty() && line[0] == L'"') {
    size_t close = line.find(L'"', 1);
    parts.emplace_back(line.substr(1, close == std::wstring_view::npos ? close : close - 1));
    i = close == std::wstring_view::npos ? line.size() : close + 1;
  } else {
    while (i < line.size() && !IsBlank(line[i])) ++i;
    parts.emplace_back(line.substr(0, i));
  }
  while (i < line.size() && IsBlank(line[i])) ++i;
  if (i == line.size()) return parts;

  std::wstring argument;
  int quotes = 0;  // 0 outside a quoted part, 1 inside; 2 only while counting
  size_t backslashes = 0;
  while (i < line.size()) {
    const wchar_t c = line[i++];
    if (IsBlank(c) && quotes == 0) {
      parts.push_back(argument);
      argument.clear();
      backslashes = 0;
      while (i < line.size() && IsBlank(line[i])) ++i;
      if (i == line.size()) return parts;
    } else if (c == L'"') {
      argument.resize(argument.size() - backslashes / 2);
      if (backslashes % 2 == 0)
        ++quotes;
      else
        argument.back() = L'"';
      backslashes = 0;
      for (; i < line.size() && line[i] == L'"'; ++i) {
        if (++quotes == 3) {
          argument += L'"';
          quotes = 0;
        }
      }
      if (quotes == 2) quotes = 0;
    } else {
      argument += c;
      backslashes = c == L'\\' ? backslashes + 1 : 0;
    }
  }
  parts.push_back(argument);
  return parts;
}
