#pragma once
// Functions of a system DLL that is loaded on first use rather than
// imported (framework/shell_win.cpp, framework/user_win.h). Each such DLL
// has one Module(), which loads it on the first call and keeps it, and a
// Bound<Declared>(name) over it; each function is bound once, into a static
// of its own, and fails as the system's function does when it is null.
#include <windows.h>

// The function `name` of `module`, as a pointer of the type of `Declared`,
// or null when the module did not load or has no such function.
template <typename Declared>
Declared* LateBound(HMODULE module, const char* name) {
  if (!module) return nullptr;
  return reinterpret_cast<Declared*>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}
