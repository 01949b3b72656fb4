#pragma once
// Code page 932 byte handling that needs no platform calls.
#include <cstddef>
#include <string_view>

// Whether `c` starts a double-byte character (its trail byte follows).
bool IsCp932LeadByte(unsigned char c);

// The length of the longest prefix of `text` that is at most `maxBytes` long
// and ends on a character boundary: a lead byte is never kept without its
// trail byte.
size_t Cp932FittingPrefix(std::string_view text, size_t maxBytes);
