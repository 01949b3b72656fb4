#include "framework/user_win.h"

namespace user32 {

HMODULE Module() {
  static HMODULE module = ::LoadLibraryW(L"user32.dll");
  return module;
}

}  // namespace user32
