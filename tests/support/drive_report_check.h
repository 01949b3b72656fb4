#pragma once
// Checking a drive report that the real Quorlin.exe shows against one built
// here, in the test process, from fresh queries of the same drive.
#include <cstdint>
#include <string>
#include <vector>

// The lines of a text whose every line ends in CR LF; a last line without
// one is marked.
template <typename String>
std::vector<String> Lines(const String& text) {
  std::vector<String> lines;
  const String crlf = {'\r', '\n'};
  size_t start = 0;
  for (size_t end; (end = text.find(crlf, start)) != String::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  if (start < text.size()) {
    String tail = text.substr(start);
    for (char c : std::string("<no CR LF>")) tail += static_cast<typename String::value_type>(c);
    lines.push_back(tail);
  }
  return lines;
}

// How far the free space of the host's disk, where every test drive lies,
// may move between a report and its check, in KB: the package checks run
// beside the Windows-side suites and make and delete Wine prefixes and
// packages of a few hundred MB within seconds.
inline constexpr std::uint64_t kFreeSpaceDriftKb = 1024 * 1024;

// The labels of the report's two free space lines.
inline constexpr const char* kFreeToCaller = "     FreeKBytesAvailableToCaller = ";
inline constexpr const char* kTotalFree = "     TotalNumberOfFreeKBytes     = ";

// The value after `label` on the report line that starts with it, or
// "<missing>".
std::string ValueAfter(const std::string& report, const char* label);
// The number that a value with digit grouping reads; 0 without digits.
std::uint64_t GroupedValue(const std::string& text);

// `shown` must be the report of `letter` built from fresh queries, apart
// from the values that this process cannot reproduce (the icon handle and
// index, and free space that moves while the tests run), which need only be
// of the right kind.
void ExpectReportOf(wchar_t letter, const std::string& shown);

// Checks C:'s report as shown in the report edit (read wide, so that no code
// page of this process comes in between): its first line, the case-preserved
// flag line read right, and the whole report as ExpectReportOf checks it.
void ExpectReportOfCReadsRight(const std::wstring& shown);
