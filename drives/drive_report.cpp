#include "drives/drive_report.h"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

// In the order the report lists them, which is not bit order.
constexpr FileSystemFlag kFlagLines[] = {
    {kFileCasePreservedNames, "FILE_CASE_PRESERVED_NAMES",
     "          "
     "CASE_IS_PRESERVED:"
     "ファイルシステムは、ディスクにファイル名を記録するときに、大文字と小文字を区別して保存します"
     "。\r\n"},
    {kFileCaseSensitiveSearch, "FILE_CASE_SENSITIVE_SEARCH",
     "          "
     "CASE_SENSITIVE:"
     "ファイルシステムは、ファイル名の大文字と小文字の区別をサポートしています。\r\n"},
    {kFileUnicodeOnDisk, "FILE_UNICODE_ON_DISK",
     "          UNICODE_STORED_ON_DISK:ファイルシステムは、Unicode "
     "のファイル名をサポートしていて、ディスク上でも正しく表示されます。\r\n"},
    {kFilePersistentAcls, "FILE_PERSISTENT_ACLS",
     "          "
     "PERSISTENT_ACLS:"
     "ファイルシステムは、ACL（アクセス制御リスト）の保存と適用を行います。たとえば、NTFS は ACL "
     "の保存と適用を行いますが、FAT は ACL をサポートしていません。\r\n"},
    {kFileFileCompression, "FILE_FILE_COMPRESSION",
     "          "
     "FILE_COMPRESSION:ファイルシステムは、ファイルベースの圧縮をサポートしています。\r\n"},
    {kFileVolumeIsCompressed, "FILE_VOLUME_IS_COMPRESSED",
     "          VOL_IS_COMPRESSED:指定されたボリュームは、圧縮ボリューム（たとえば、DoubleSpace "
     "のボリューム）です。\r\n"},
    {kFileNamedStreams, "FILE_NAMED_STREAMS",
     "          "
     "FILE_NAMED_STREAMS:ファイルシステムは、名前付きストリームをサポートしています。\r\n"},
    {kFileSupportsEncryption, "FILE_SUPPORTS_ENCRYPTION",
     "          "
     "FILE_SUPPORTS_ENCRYPTION:"
     "ファイルシステムは、暗号化ファイルシステム（EFS）をサポートしています。\r\n"},
    {kFileSupportsObjectIds, "FILE_SUPPORTS_OBJECT_IDS",
     "          "
     "FILE_SUPPORTS_OBJECT_IDS:ファイルシステムは、オブジェクト識別子をサポートしています。\r\n"},
    {kFileSupportsReparsePoints, "FILE_SUPPORTS_REPARSE_POINTS",
     "          "
     "FILE_SUPPORTS_REPARSE_POINTS:ファイルシステムは、再解析ポイントをサポートしています。\r\n"},
    {kFileSupportsSparseFiles, "FILE_SUPPORTS_SPARSE_FILES",
     "          "
     "FILE_SUPPORTS_SPARSE_FILES:"
     "ファイルシステムは、スパースファイル（疎なファイル、未使用の領域が多い、または同じ値が長く続"
     "くファイル）をサポートしています。\r\n"},
    {kFileVolumeQuotas, "FILE_VOLUME_QUOTAS",
     "          "
     "FILE_VOLUME_QUOTAS:"
     "ファイルシステムは、ディスククォータ（ディスク使用量の割り当て機能）をサポートしています。\r"
     "\n"},
};

std::string Hex8(uint32_t value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08x", static_cast<unsigned>(value));
  return buf;
}

// A name up to its NUL, never past its buffer.
template <size_t N>
std::string_view Text(const char (&buffer)[N]) {
  const void* nul = std::memchr(buffer, 0, N);
  return std::string_view(buffer, nul ? static_cast<const char*>(nul) - buffer : N);
}

std::string Kilobytes(uint64_t bytes) { return GroupThousands(bytes / 1024); }

const char* TrueFalse(bool value) { return value ? "TRUE" : "FALSE"; }

}  // namespace

std::span<const FileSystemFlag> FileSystemFlagTable() { return kFlagLines; }

std::string GroupThousands(uint64_t value) {
  std::string digits = std::to_string(value);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string BuildDriveReport(const DriveReportInput& in) {
  std::string r;
  r += "SHGetFileInfo():\r\n";
  r += "     HICON:" + Hex8(in.iconHandle) + "\r\n";
  r += "     ICONINDEX:" + std::to_string(in.iconIndex) + "\r\n";
  r += "     Attributes:" + Hex8(in.attributes) + "\r\n";
  r.append("     DisplaName:").append(Text(in.displayName)).append("\r\n");
  r.append("     TypeName:").append(Text(in.typeName)).append("\r\n");

  r.append("SHGetDiskFreeSpaceEx():ret=").append(TrueFalse(in.freeSpaceResult)).append("\r\n");
  r += "     FreeKBytesAvailableToCaller = " + Kilobytes(in.freeBytesAvailableToCaller) +
       " Kbytes\r\n";
  r += "     TotalNumberOfKBytes         = " + Kilobytes(in.totalBytes) + " KBytes\r\n";
  r += "     TotalNumberOfFreeKBytes     = " + Kilobytes(in.totalFreeBytes) + " KBytes\r\n";

  r.append("GetVolumeInformation():ret=").append(TrueFalse(in.volumeResult)).append("\r\n");
  r.append("     VolumeName:").append(Text(in.volumeName)).append("\r\n");
  r += "     VolumeSerialNumber:" + Hex8(in.volumeSerialNumber) + "\r\n";
  r += "     FileSystemFlags:" + Hex8(in.fileSystemFlags) + "\r\n";
  for (const FileSystemFlag& flag : kFlagLines) {
    if (in.fileSystemFlags & flag.bit) r += flag.line;
  }
  // Shown as a signed decimal; real lengths are far below 2^31.
  r += "     MaximumComponentLength:" +
       std::to_string(static_cast<int32_t>(in.maximumComponentLength)) + "\r\n";
  r.append("     FileSystemName:").append(Text(in.fileSystemName)).append("\r\n");
  return r;
}
