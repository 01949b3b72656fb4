#pragma once
// Checking a drive report that the real Quorlin.exe shows against one built
// here, in the test process, from fresh queries of the same drive.
#include <string>

// The first flag line of the report; C: under Wine preserves case, so its
// report always has it.
extern const char kCasePreservedFlagLine[];

// The value after `label` on the report line that starts with it, or
// "<missing>".
std::string ValueAfter(const std::string& report, const char* label);

// `shown` must be the report of `letter` built from fresh queries, apart
// from the values that this process cannot reproduce (the icon handle and
// index, and free space that moves while the tests run), which need only be
// of the right kind.
void ExpectReportOf(wchar_t letter, const std::string& shown);

// Checks C:'s report as shown in the report edit (read wide, so that no code
// page of this process comes in between): its first line, the case-preserved
// flag line read right, and the whole report as ExpectReportOf checks it.
void ExpectReportOfCReadsRight(const std::wstring& shown);
