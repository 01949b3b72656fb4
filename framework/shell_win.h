#pragma once
// The shell32 functions the program calls, bound on first use. Under Wine,
// shell32 and the DLLs it brings (shcore, shlwapi) take about as long to
// load as the rest of the start-up, and they serve only the drive report
// and the About box, after the user clicks. Each behaves as the function of the
// same name; should shell32 not load, each fails as that function does.
#include <windows.h>

#include <shellapi.h>

namespace shell32 {

DWORD_PTR SHGetFileInfoW(LPCWSTR path, DWORD attributes, SHFILEINFOW* info, UINT size, UINT flags);
BOOL SHGetDiskFreeSpaceExW(LPCWSTR path, ULARGE_INTEGER* available, ULARGE_INTEGER* total,
                           ULARGE_INTEGER* totalFree);
HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        INT show);

}  // namespace shell32
