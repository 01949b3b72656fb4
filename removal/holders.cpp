#include "removal/holders.h"

#include <algorithm>
#include <tuple>

#include "drives/drive_types.h"
#include "framework/cp932.h"

namespace {

constexpr std::string_view kLongPathPrefix = "\\\\?\\";

}  // namespace

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char a = text[i], b = prefix[i];
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
    if (a != b) return false;
  }
  return true;
}

std::string UserPath(std::string_view finalPath) {
  // "\\?\UNC\server\share" is a network path, not a drive's: left whole.
  if (finalPath.starts_with(kLongPathPrefix) && finalPath.size() >= 6 &&
      FoldDriveLetter(static_cast<unsigned char>(finalPath[4])) != 0 && finalPath[5] == ':')
    finalPath.remove_prefix(kLongPathPrefix.size());
  return std::string(finalPath);
}

bool IsOnDrive(std::string_view path, char letter) {
  const char folded = FoldDriveLetter(static_cast<unsigned char>(letter));
  // "E:" alone, or "E:\..." (the platform gives the root as "E:\").
  return folded != 0 && path.size() >= 2 &&
         FoldDriveLetter(static_cast<unsigned char>(path[0])) == folded && path[1] == ':' &&
         (path.size() == 2 || path[2] == '\\');
}

bool IsOnVolume(std::string_view volumePath, std::string_view volumeName) {
  // The volume's name ends in its backslash; the root itself may lack it.
  if (volumeName.size() < kLongPathPrefix.size() + 2 || !volumeName.ends_with('\\')) return false;
  std::string_view bare = volumeName.substr(0, volumeName.size() - 1);
  return StartsWithIgnoringCase(volumePath, volumeName) ||
         (volumePath.size() == bare.size() && StartsWithIgnoringCase(volumePath, bare));
}

void SortHolders(std::vector<DriveHolder>& holders) {
  auto key = [](const DriveHolder& h) { return std::tie(h.pid, h.path, h.process); };
  std::sort(holders.begin(), holders.end(),
            [&](const DriveHolder& a, const DriveHolder& b) { return key(a) < key(b); });
  holders.erase(std::unique(holders.begin(), holders.end()), holders.end());
}

std::string ProgramName(std::string_view imagePath) {
  // A code page 932 trail byte can be 0x5C, the backslash (as in "表"):
  // the path is walked character by character, not searched byte by byte.
  size_t slash = std::string_view::npos;
  for (size_t i = 0; i < imagePath.size(); ++i) {
    const auto c = static_cast<unsigned char>(imagePath[i]);
    if (IsCp932LeadByte(c)) {
      ++i;
    } else if (c == '\\' || c == '/') {
      slash = i;
    }
  }
  return std::string(slash == std::string_view::npos ? imagePath : imagePath.substr(slash + 1));
}
