#pragma once
// Drives added and removed at run time through Wine's mount manager, for
// tests under Wine. Wine sends no device-change broadcast for these changes;
// running programs simply see the letter appear or go.
//
//   ScopedWineDrive drive(L'E');      // removable E: over a fresh scratch directory
//   ASSERT_TRUE(drive.ok());
//   ...                               // GetDriveTypeA("E:\\") == 2
//                                     // the destructor deletes E: and the directory
#include <string>

// Drive type codes as GetDriveType reports them.
inline constexpr unsigned kWineDriveRemovable = 2;
inline constexpr unsigned kWineDriveFixed = 3;
inline constexpr unsigned kWineDriveCdRom = 5;

// Maps `letter` (either case) to the Unix directory `unixDir` as a drive of
// `type`. Replaces whatever the letter was before.
bool DefineWineDrive(wchar_t letter, unsigned type, const std::string& unixDir);

// Removes the drive letter again.
bool DeleteWineDrive(wchar_t letter);

// Creates a new, empty directory in the test run's scratch folder
// (QUORLIN_WORK, else /tmp; through Z:, Wine's view of the Unix root) and
// returns its Unix path, or "" on failure. A non-empty `label`
// or `serialHex` is written to .windows-label / .windows-serial in it, which
// Wine reports as the volume's label and serial number.
std::string CreateWineDriveDir(const std::string& label = {}, const std::string& serialHex = {});

// Deletes the files in a directory made by CreateWineDriveDir, then the directory.
void RemoveWineDriveDir(const std::string& unixDir);

// The highest letter from Y: down that no drive uses, or 0 when all are taken.
wchar_t FreeDriveLetter();

// A drive over a fresh directory for the lifetime of the object.
class ScopedWineDrive {
 public:
  explicit ScopedWineDrive(wchar_t letter, unsigned type = kWineDriveRemovable,
                           const std::string& label = {}, const std::string& serialHex = {});
  ~ScopedWineDrive();
  ScopedWineDrive(const ScopedWineDrive&) = delete;
  ScopedWineDrive& operator=(const ScopedWineDrive&) = delete;

  // Whether the directory was made and the drive defined.
  bool ok() const { return m_defined; }
  wchar_t letter() const { return m_letter; }
  const std::string& unixDir() const { return m_unixDir; }

 private:
  wchar_t m_letter;
  std::string m_unixDir;
  bool m_defined = false;
};
