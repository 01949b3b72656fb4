#include "support/wait.h"

#include <cstdlib>

namespace {
DWORD Factor() {
#ifdef _WIN64
  return 1;
#else
  const char* text = std::getenv("QUORLIN_WIN32_TIME_SCALE");
  long factor = text ? std::strtol(text, nullptr, 10) : 1;
  return factor > 1 && factor <= 100 ? static_cast<DWORD>(factor) : 1;
#endif
}
}  // namespace

DWORD Scaled(DWORD ms) {
  static const DWORD factor = Factor();
  return ms > INFINITE / factor ? INFINITE : ms * factor;
}
