#include "framework/user_win.h"

namespace user32 {

FARPROC Bind(const char* name) {
  static HMODULE module = ::LoadLibraryW(L"user32.dll");
  return module ? ::GetProcAddress(module, name) : nullptr;
}

}  // namespace user32
