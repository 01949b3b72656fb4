#include "drives/drive_queries_win.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "drives/drive_report.h"
#include "drives/drive_types.h"
#include "framework/shell_win.h"
#include "framework/text_win.h"
#include "framework/user_win.h"

// The portable code's copies of the platform's values.
static_assert(kDriveRemovable == DRIVE_REMOVABLE);
static_assert(kDriveFixed == DRIVE_FIXED);
static_assert(kDriveCdRom == DRIVE_CDROM);
// DriveTypeName's table is indexed by the code, DRIVE_UNKNOWN to DRIVE_RAMDISK.
static_assert(DRIVE_UNKNOWN == 0 && DRIVE_NO_ROOT_DIR == 1 && DRIVE_REMOTE == 4 &&
              DRIVE_RAMDISK == 6);
static_assert(kFileCaseSensitiveSearch == FILE_CASE_SENSITIVE_SEARCH);
static_assert(kFileCasePreservedNames == FILE_CASE_PRESERVED_NAMES);
static_assert(kFileUnicodeOnDisk == FILE_UNICODE_ON_DISK);
static_assert(kFilePersistentAcls == FILE_PERSISTENT_ACLS);
static_assert(kFileFileCompression == FILE_FILE_COMPRESSION);
static_assert(kFileVolumeQuotas == FILE_VOLUME_QUOTAS);
static_assert(kFileSupportsSparseFiles == FILE_SUPPORTS_SPARSE_FILES);
static_assert(kFileSupportsReparsePoints == FILE_SUPPORTS_REPARSE_POINTS);
static_assert(kFileVolumeIsCompressed == FILE_VOLUME_IS_COMPRESSED);
static_assert(kFileSupportsObjectIds == FILE_SUPPORTS_OBJECT_IDS);
static_assert(kFileSupportsEncryption == FILE_SUPPORTS_ENCRYPTION);
static_assert(kFileNamedStreams == FILE_NAMED_STREAMS);

namespace {

constexpr UINT kFileInfoFlags =
    SHGFI_ICON | SHGFI_DISPLAYNAME | SHGFI_TYPENAME | SHGFI_ATTRIBUTES | SHGFI_SMALLICON;
static_assert(kFileInfoFlags == 0xF01);

// Both name buffers of the volume query hold 260 characters (MAX_PATH), the
// size of the report's fields; the query is told exactly that.
constexpr DWORD kVolumeNameChars = 260;

std::wstring WideRootPath(char letter) {
  std::string root = DriveRootPath(letter);
  return std::wstring(root.begin(), root.end());
}

}  // namespace

DriveReportInput QueryDriveReportInput(char letter) {
  DriveReportInput in;
  std::wstring wroot = WideRootPath(letter);

  SHFILEINFOW info;
  std::memset(&info, 0, sizeof info);
  shell32::SHGetFileInfoW(wroot.c_str(), 0, &info, sizeof info, kFileInfoFlags);
  // The report has room for 32 bits of the handle; on 64-bit builds it keeps
  // the low half, which is all a user handle ever uses.
  in.iconHandle = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(info.hIcon));
  in.iconIndex = info.iIcon;
  in.attributes = info.dwAttributes;
  WideToCp932Buffer(info.szDisplayName, in.displayName, sizeof in.displayName);
  WideToCp932Buffer(info.szTypeName, in.typeName, sizeof in.typeName);
  // Only the value was wanted; a null handle is harmless here.
  user32::DestroyIcon(info.hIcon);

  ULARGE_INTEGER available{}, total{}, totalFree{};
  in.freeSpaceResult =
      shell32::SHGetDiskFreeSpaceExW(wroot.c_str(), &available, &total, &totalFree) != FALSE;
  in.freeBytesAvailableToCaller = available.QuadPart;
  in.totalBytes = total.QuadPart;
  in.totalFreeBytes = totalFree.QuadPart;

  wchar_t volumeName[kVolumeNameChars] = {};
  DWORD serial = 0, maxComponent = 0, flags = 0;
  // An empty floppy or card reader would otherwise pop up a "no disk" box.
  UINT previous = SetErrorMode(0);
  SetErrorMode(previous | SEM_FAILCRITICALERRORS);
  wchar_t fileSystemName[kVolumeNameChars] = {};
  in.volumeResult =
      GetVolumeInformationW(wroot.c_str(), volumeName, kVolumeNameChars, &serial, &maxComponent,
                            &flags, fileSystemName, kVolumeNameChars) != FALSE;
  SetErrorMode(previous);
  WideToCp932Buffer(volumeName, in.volumeName, sizeof in.volumeName);
  in.volumeSerialNumber = serial;
  in.maximumComponentLength = maxComponent;
  in.fileSystemFlags = flags;
  WideToCp932Buffer(fileSystemName, in.fileSystemName, sizeof in.fileSystemName);
  return in;
}

uint32_t QueryDriveType(char letter) { return GetDriveTypeW(WideRootPath(letter).c_str()); }

uint32_t QueryLogicalDrives() { return GetLogicalDrives(); }

std::vector<DriveEntry> QueryDrives() {
  std::vector<DriveEntry> drives = DrivesFromMask(QueryLogicalDrives());
  for (DriveEntry& drive : drives) drive.type = QueryDriveType(drive.letter);
  return drives;
}
