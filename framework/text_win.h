#pragma once
// Conversions between the program's narrow text (code page 932 bytes) and the
// UTF-16 that the wide Win32 calls take. Code page 932 is named explicitly, so
// the result does not depend on the system's ANSI code page.
#include <string>
#include <string_view>

std::wstring Cp932ToWide(std::string_view text);
std::string WideToCp932(std::wstring_view text);

// Converts a zero-terminated wide name into `out`, a buffer of `size` bytes,
// cut at a character boundary so that it always ends in a NUL. Used where a
// name is kept in a fixed narrow buffer.
void WideToCp932Buffer(const wchar_t* text, char* out, size_t size);
