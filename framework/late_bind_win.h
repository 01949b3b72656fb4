#pragma once
// Functions of a system DLL that is loaded on first use rather than
// imported (framework/shell_win.cpp, framework/user_win.h).
#include <windows.h>

// The function `name` of `module`, as a pointer of the type of `Declared`,
// or null when the module did not load or has no such function.
template <typename Declared>
Declared* LateBound(HMODULE module, const char* name) {
  if (!module) return nullptr;
  return reinterpret_cast<Declared*>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}
