// The reference beside "QuorlinCmd who" in scripts/bench.sh: a bare walk of
// the same handle list that does, per file handle of another process, only
// what any correct walk must: copy it, ask its type, ask a disk file for its
// name once, close it.
//   quorlin_bench_who_reference choose   times each form of name on the
//                                        disk files and prints the cheapest
//   quorlin_bench_who_reference FORM     the walk, asking names in FORM
//                                        (dos, nt, guid or object)
#include <windows.h>
#include <winternl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Entry {
  PVOID object;
  ULONG_PTR pid;
  ULONG_PTR handle;
  ULONG access;
  USHORT backTraceIndex;
  USHORT typeIndex;
  ULONG attributes;
  ULONG reserved;
};

const char* const kForms[] = {"dos", "nt", "guid", "object"};

std::vector<Entry> FileHandles() {
  HANDLE probe = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  std::vector<unsigned char> buffer(64u << 10);
  for (;;) {
    ULONG needed = 0;
    NTSTATUS status = NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(64),
                                               buffer.data(), static_cast<ULONG>(buffer.size()),
                                               &needed);
    if (status != static_cast<NTSTATUS>(0xC0000004)) break;
    buffer.resize(std::max<size_t>(buffer.size() * 2, needed + needed / 4));
  }
  ::CloseHandle(probe);
  ULONG_PTR count = 0;
  std::memcpy(&count, buffer.data(), sizeof count);
  const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + 2 * sizeof(ULONG_PTR));
  const ULONG_PTR self = ::GetCurrentProcessId();
  int fileType = -1;
  for (ULONG_PTR i = 0; i < count; ++i)
    if (entries[i].pid == self && entries[i].handle == reinterpret_cast<ULONG_PTR>(probe))
      fileType = entries[i].typeIndex;
  std::vector<Entry> files;
  for (ULONG_PTR i = 0; i < count; ++i)
    if (entries[i].pid != self && entries[i].typeIndex == fileType) files.push_back(entries[i]);
  return files;
}

// The name's length in characters, 0 when it has none.
size_t Name(HANDLE file, int form) {
  static wchar_t path[32768];
  if (form == 3) {
    alignas(8) static unsigned char info[sizeof(UNICODE_STRING) + 65536];
    ULONG returned = 0;
    if (NtQueryObject(file, static_cast<OBJECT_INFORMATION_CLASS>(1), info, sizeof info,
                      &returned) != 0)
      return 0;
    return reinterpret_cast<const UNICODE_STRING*>(info)->Length / sizeof(wchar_t);
  }
  const DWORD flags[] = {VOLUME_NAME_DOS, VOLUME_NAME_NT, VOLUME_NAME_GUID};
  return ::GetFinalPathNameByHandleW(file, path, 32768, flags[form]);
}

// Walks the list; with `form` < 0, times every form on up to `sample` disk
// files instead and returns the cheapest.
int Walk(const std::vector<Entry>& files, int form, size_t sample, size_t* named) {
  HANDLE process = nullptr;
  ULONG_PTR open = 0;
  size_t opens = 0;
  double spent[4] = {};
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  size_t disks = 0;
  for (const Entry& e : files) {
    if (!process || open != e.pid) {
      if (process) ::CloseHandle(process);
      process = ::OpenProcess(PROCESS_DUP_HANDLE, FALSE, static_cast<DWORD>(e.pid));
      open = e.pid;
      ++opens;
    }
    HANDLE copy = nullptr;
    if (!process || !::DuplicateHandle(process, reinterpret_cast<HANDLE>(e.handle),
                                       ::GetCurrentProcess(), &copy, 0, FALSE,
                                       DUPLICATE_SAME_ACCESS))
      continue;
    if (::GetFileType(copy) == FILE_TYPE_DISK) {
      if (form >= 0) {
        if (Name(copy, form) > 0) ++*named;
      } else if (disks < sample) {
        for (int f = 0; f < 4; ++f) {
          LARGE_INTEGER t0, t1;
          ::QueryPerformanceCounter(&t0);
          Name(copy, f);
          ::QueryPerformanceCounter(&t1);
          spent[f] += static_cast<double>(t1.QuadPart - t0.QuadPart) / frequency.QuadPart;
        }
      }
      ++disks;
    }
    ::CloseHandle(copy);
    if (form < 0 && disks >= sample) break;
  }
  if (process) ::CloseHandle(process);
  if (form >= 0) std::fprintf(stderr, "processes opened %u\n", static_cast<unsigned>(opens));
  int cheapest = 0;
  for (int f = 0; f < 4; ++f) {
    if (form < 0 && disks > 0)
      std::fprintf(stderr, "%s: %.1f us\n", kForms[f], spent[f] / static_cast<double>(disks) * 1e6);
    if (spent[f] < spent[cheapest]) cheapest = f;
  }
  return cheapest;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  const std::vector<Entry> files = FileHandles();
  size_t named = 0;
  if (mode == L"choose") {
    std::printf("%s\n", kForms[Walk(files, -1, 2000, &named)]);
    return 0;
  }
  for (int f = 0; f < 4; ++f) {
    if (mode != std::wstring(kForms[f], kForms[f] + std::strlen(kForms[f]))) continue;
    Walk(files, f, 0, &named);
    std::printf("file handles %u, disk files named %u\n", static_cast<unsigned>(files.size()),
                static_cast<unsigned>(named));
    return 0;
  }
  std::fprintf(stderr, "usage: quorlin_bench_who_reference choose | dos | nt | guid | object\n");
  return 64;
}
