#include "support/shared_memory.h"

#include <cstring>

extern "C" {
// ntdll's own: kernel32 has no call that maps a view into another process
// on the Windows versions and Wine release the tests run on.
LONG NTAPI NtMapViewOfSection(HANDLE section, HANDLE process, void** base, ULONG_PTR zeroBits,
                              SIZE_T commitSize, LARGE_INTEGER* offset, SIZE_T* viewSize,
                              DWORD inherit, ULONG allocationType, ULONG protect);
LONG NTAPI NtUnmapViewOfSection(HANDLE process, void* base);
}

namespace {
constexpr DWORD kViewUnmap = 2;  // SECTION_INHERIT: not inherited by children
}

SharedMemory::SharedMemory(HANDLE process, size_t size) : m_process(process) {
  m_section = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                   static_cast<DWORD>(size), nullptr);
  if (!m_section) {
    m_failed = "CreateFileMappingW";
    return;
  }
  m_local = ::MapViewOfFile(m_section, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, size);
  if (!m_local) {
    m_failed = "MapViewOfFile";
    return;
  }
  std::memset(m_local, 0, size);
  SIZE_T viewSize = 0;
  void* remote = nullptr;
  if (NtMapViewOfSection(m_section, m_process, &remote, 0, 0, nullptr, &viewSize, kViewUnmap, 0,
                         PAGE_READWRITE) < 0) {
    m_failed = "NtMapViewOfSection";
    return;
  }
  m_remote = remote;
}

SharedMemory::~SharedMemory() {
  if (m_remote) NtUnmapViewOfSection(m_process, m_remote);
  if (m_local) ::UnmapViewOfFile(m_local);
  if (m_section) ::CloseHandle(m_section);
}
