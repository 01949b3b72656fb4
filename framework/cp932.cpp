#include "framework/cp932.h"

bool IsCp932LeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

size_t Cp932FittingPrefix(std::string_view text, size_t maxBytes) {
  size_t keep = 0;
  for (size_t i = 0; i < text.size();) {
    size_t len = IsCp932LeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    if (i + len > text.size() || i + len > maxBytes) break;
    i += len;
    keep = i;
  }
  return keep;
}
