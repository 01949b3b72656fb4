// The benchmark's holders of open files for "QuorlinCmd who", and the
// removable drive they hold files on:
//   quorlin_bench_who_holder drive LETTER UNIXDIR
//       maps LETTER to the Unix folder as a removable drive of Wine's mount
//       manager, and ends
//   quorlin_bench_who_holder hold FOLDER1 FOLDER2 FILES HANDLES READY
//       creates FILES files, half in each folder, keeps them open, copies
//       those handles (DuplicateHandle) until it holds HANDLES in all, then
//       writes the file READY and waits to be ended
// Wine's server keeps a Unix descriptor per open file, and cannot have more
// than about 20,000: beyond that many handles, the holders hold copies.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/wine_mount.h"

namespace {

int Hold(const std::wstring& first, const std::wstring& second, int files, int handles,
         const std::wstring& ready) {
  std::vector<HANDLE> open;
  for (int i = 0; i < files; ++i) {
    const std::wstring path = (i % 2 ? second : first) + L"\\" + std::to_wstring(i) + L".txt";
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      std::fprintf(stderr, "cannot create %ls: error %lu\n", path.c_str(), ::GetLastError());
      return 1;
    }
    open.push_back(file);
  }
  // Copies alternate between the folders as the files do.
  for (int i = files; i < handles; ++i) {
    HANDLE copy = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), open[static_cast<size_t>(i % files)],
                           ::GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
      std::fprintf(stderr, "cannot copy handle %d: error %lu\n", i, ::GetLastError());
      return 1;
    }
  }
  HANDLE done = ::CreateFileW(ready.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (done == INVALID_HANDLE_VALUE) return 1;
  ::CloseHandle(done);
  ::Sleep(INFINITE);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"drive" && argc == 4) {
    char unixDir[4096];
    ::WideCharToMultiByte(CP_UTF8, 0, argv[3], -1, unixDir, sizeof unixDir, nullptr, nullptr);
    return DefineWineDrive(argv[2][0], kWineDriveRemovable, unixDir) ? 0 : 1;
  }
  if (mode == L"hold" && argc == 7) {
    const int files = _wtoi(argv[4]), handles = _wtoi(argv[5]);
    if (files > 0 && handles >= files) return Hold(argv[2], argv[3], files, handles, argv[6]);
  }
  std::fprintf(stderr, "usage: quorlin_bench_who_holder drive LETTER UNIXDIR | hold FOLDER1 "
                       "FOLDER2 FILES HANDLES READY\n");
  return 64;
}
