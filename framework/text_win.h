#pragma once
// Conversions between the program's narrow text (code page 932 bytes) and the
// UTF-16 that the wide Win32 calls take. Code page 932 is named explicitly, so
// the result does not depend on the system's ANSI code page.
#include <string>
#include <string_view>

std::wstring Cp932ToWide(std::string_view text);
std::string WideToCp932(std::wstring_view text);

// Like WideToCp932, but a character that code page 932 lacks becomes "?"
// rather than a look-alike (no "e" for an "é"), one "?" for each: for text
// that is checked after the conversion, such as a command line, and for
// names that must not pass for others.
std::string WideToCp932Strict(std::wstring_view text);

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
std::string Cp932ToUtf8(std::string_view text);

// Converts a zero-terminated wide name into `out`, a buffer of `size` bytes,
// cut at a character boundary so that it always ends in a NUL. Used where a
// name is kept in a fixed narrow buffer.
void WideToCp932Buffer(const wchar_t* text, char* out, size_t size);
