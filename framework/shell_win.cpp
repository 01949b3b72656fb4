#include "framework/shell_win.h"

#include <shlobj.h>

#include "framework/late_bind_win.h"

namespace shell32 {

namespace {

// shell32, loaded on first use, or null. The process keeps it once it is
// loaded, as it would an import.
HMODULE Module() {
  static HMODULE module = ::LoadLibraryW(L"shell32.dll");
  return module;
}

template <typename Declared>
Declared* Bound(const char* name) {
  return LateBound<Declared>(Module(), name);
}

}  // namespace

DWORD_PTR SHGetFileInfoW(LPCWSTR path, DWORD attributes, SHFILEINFOW* info, UINT size, UINT flags) {
  static auto* bound = Bound<decltype(::SHGetFileInfoW)>("SHGetFileInfoW");
  return bound ? bound(path, attributes, info, size, flags) : 0;
}

BOOL SHGetDiskFreeSpaceExW(LPCWSTR path, ULARGE_INTEGER* available, ULARGE_INTEGER* total,
                           ULARGE_INTEGER* totalFree) {
  static auto* bound = Bound<decltype(::SHGetDiskFreeSpaceExW)>("SHGetDiskFreeSpaceExW");
  return bound ? bound(path, available, total, totalFree) : FALSE;
}

HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        INT show) {
  static auto* bound = Bound<decltype(::ShellExecuteA)>("ShellExecuteA");
  // The documented failure value for "out of resources".
  return bound ? bound(owner, verb, file, parameters, directory, show) : nullptr;
}

}  // namespace shell32
