#include "support/wine_mount.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <cwctype>
#include <vector>

namespace {

// Wine's private mount manager request (include/ddk/mountmgr.h of Wine 8).
// The older layout without `serial` and `unix_dev` is refused with error 87.
constexpr DWORD kDefineUnixDrive =
    CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

struct MountmgrUnixDrive {
  ULONG size;
  ULONG type;
  ULONG fs_type;
  DWORD serial;
  ULONGLONG unix_dev;
  WCHAR letter;
  USHORT mount_point_offset;
  USHORT device_offset;
  USHORT label_offset;
};
static_assert(sizeof(MountmgrUnixDrive) == 32);

// Type 1 (no root directory) without a mount point deletes the letter; types
// 0 and 2 without one leave it in place.
constexpr ULONG kDeleteType = 1;

bool SendUnixDrive(wchar_t letter, ULONG type, const std::string& mountPoint) {
  std::vector<BYTE> input(sizeof(MountmgrUnixDrive) +
                          (mountPoint.empty() ? 0 : mountPoint.size() + 1));
  MountmgrUnixDrive header{};
  header.size = static_cast<ULONG>(input.size());
  header.type = type;
  header.letter = static_cast<WCHAR>(std::towlower(letter));
  if (!mountPoint.empty()) {
    header.mount_point_offset = sizeof header;
    std::memcpy(input.data() + sizeof header, mountPoint.c_str(), mountPoint.size() + 1);
  }
  std::memcpy(input.data(), &header, sizeof header);

  HANDLE manager =
      CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (manager == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  BOOL ok = DeviceIoControl(manager, kDefineUnixDrive, input.data(),
                            static_cast<DWORD>(input.size()), nullptr, 0, &returned, nullptr);
  CloseHandle(manager);
  return ok != FALSE;
}

// The Windows path of a directory below the Unix root, through drive Z:.
std::wstring WindowsPath(const std::string& unixPath) {
  std::wstring path = L"Z:";
  for (char c : unixPath) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

bool WriteTextFile(const std::wstring& path, const std::string& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == text.size();
}

// The test run's scratch folder (scripts/wine-env.sh sets QUORLIN_WORK to the
// temporary folder that it removes at the end), else /tmp.
std::string ScratchRoot() {
  char root[MAX_PATH] = {};
  DWORD n = GetEnvironmentVariableA("QUORLIN_WORK", root, sizeof root);
  if (n == 0 || n >= sizeof root || root[0] != '/') return "/tmp";
  return std::string(root, n);
}

}  // namespace

bool DefineWineDrive(wchar_t letter, unsigned type, const std::string& unixDir) {
  return !unixDir.empty() && SendUnixDrive(letter, type, unixDir);
}

bool DeleteWineDrive(wchar_t letter) { return SendUnixDrive(letter, kDeleteType, {}); }

std::string CreateWineDriveDir(const std::string& label, const std::string& serialHex) {
  static unsigned counter = 0;
  const std::string root = ScratchRoot();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string dir = root + "/quorlin-drive-" + std::to_string(GetCurrentProcessId()) + "-" +
                      std::to_string(GetTickCount()) + "-" + std::to_string(counter++);
    std::wstring path = WindowsPath(dir);
    if (!CreateDirectoryW(path.c_str(), nullptr)) {
      if (GetLastError() == ERROR_ALREADY_EXISTS) continue;
      return {};
    }
    if ((!label.empty() && !WriteTextFile(path + L"\\.windows-label", label)) ||
        (!serialHex.empty() && !WriteTextFile(path + L"\\.windows-serial", serialHex))) {
      RemoveWineDriveDir(dir);
      return {};
    }
    return dir;
  }
  return {};
}

void RemoveWineDriveDir(const std::string& unixDir) {
  if (unixDir.empty()) return;
  std::wstring dir = WindowsPath(unixDir);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        DeleteFileW((dir + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(dir.c_str());
}

wchar_t FreeDriveLetter() {
  DWORD used = GetLogicalDrives();
  for (int i = 'Y' - 'A'; i >= 0; --i)
    if (!(used & (1u << i))) return static_cast<wchar_t>(L'A' + i);
  return 0;
}

ScopedWineDrive::ScopedWineDrive(wchar_t letter, unsigned type, const std::string& label,
                                 const std::string& serialHex)
    : m_letter(static_cast<wchar_t>(std::towupper(letter))),
      m_unixDir(CreateWineDriveDir(label, serialHex)) {
  m_defined = DefineWineDrive(m_letter, type, m_unixDir);
}

ScopedWineDrive::~ScopedWineDrive() {
  if (m_defined) DeleteWineDrive(m_letter);
  RemoveWineDriveDir(m_unixDir);
}
