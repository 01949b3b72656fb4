#include "framework/version_text_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::wstring ExeDirectory() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path);
  return dir.substr(0, dir.find_last_of(L"\\/") + 1);
}

std::wstring QuorlinExe() { return ExeDirectory() + L"Quorlin.exe"; }

std::wstring ThisExe() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

// A fresh folder under the temporary directory, named outside code page 1252
// so that the wide path handling is exercised.
class TempDir {
 public:
  TempDir() {
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    m_path = std::wstring(base) + L"版情報_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(m_path.c_str(), nullptr);
  }
  ~TempDir() {
    for (const std::wstring& f : m_files) DeleteFileW(f.c_str());
    RemoveDirectoryW(m_path.c_str());
  }
  std::wstring File(const std::wstring& name) {
    m_files.push_back(m_path + name);
    return m_files.back();
  }

 private:
  std::wstring m_path;
  std::vector<std::wstring> m_files;
};

void WriteTextFile(const std::wstring& path) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  const char text[] = "no version block here\r\n";
  DWORD written = 0;
  WriteFile(f, text, sizeof text - 1, &written, nullptr);
  CloseHandle(f);
}

// Builds one node of a version block: length, value length, type, key, value,
// children, each part aligned to 4 bytes.
class BlockNode {
 public:
  BlockNode(const std::wstring& key, uint16_t type) : m_key(key), m_type(type) {}
  BlockNode& Value(const void* data, size_t bytes, uint16_t valueLength) {
    m_value.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + bytes);
    m_valueLength = valueLength;
    return *this;
  }
  BlockNode& Text(const std::wstring& text) {
    return Value(text.c_str(), (text.size() + 1) * sizeof(wchar_t),
                 static_cast<uint16_t>(text.size() + 1));
  }
  BlockNode& Child(const BlockNode& child) {
    m_children.push_back(child.Bytes());
    return *this;
  }
  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> out(6, 0);
    auto append = [&](const void* p, size_t n) {
      const size_t at = out.size();
      out.resize(at + n);
      if (n) std::memcpy(out.data() + at, p, n);
    };
    auto align = [&] { out.resize((out.size() + 3) & ~size_t{3}, 0); };
    append(m_key.c_str(), (m_key.size() + 1) * sizeof(wchar_t));
    align();
    append(m_value.data(), m_value.size());
    for (const auto& child : m_children) {
      align();
      append(child.data(), child.size());
    }
    const uint16_t header[3] = {static_cast<uint16_t>(out.size()), m_valueLength, m_type};
    std::memcpy(out.data(), header, sizeof header);
    return out;
  }

 private:
  std::wstring m_key;
  uint16_t m_type;
  std::vector<uint8_t> m_value;
  uint16_t m_valueLength = 0;
  std::vector<std::vector<uint8_t>> m_children;
};

struct StringTable {
  const wchar_t* key;
  const wchar_t* productVersion;  // null: no such value
};

std::vector<uint8_t> VersionBlock(const std::vector<uint16_t>& translation,
                                  const std::vector<StringTable>& tables) {
  VS_FIXEDFILEINFO fixed = {};
  fixed.dwSignature = VS_FFI_SIGNATURE;
  fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
  fixed.dwFileOS = VOS__WINDOWS32;
  fixed.dwFileType = VFT_APP;
  BlockNode strings(L"StringFileInfo", 1);
  for (const StringTable& t : tables) {
    BlockNode table(t.key, 1);
    table.Child(BlockNode(L"ProductName", 1).Text(L"Probe"));
    if (t.productVersion) table.Child(BlockNode(L"ProductVersion", 1).Text(t.productVersion));
    strings.Child(table);
  }
  const size_t translationBytes = translation.size() * sizeof(uint16_t);
  BlockNode vars(L"VarFileInfo", 1);
  vars.Child(
      BlockNode(L"Translation", 0)
          .Value(translation.data(), translationBytes, static_cast<uint16_t>(translationBytes)));
  return BlockNode(L"VS_VERSION_INFO", 0)
      .Value(&fixed, sizeof fixed, sizeof fixed)
      .Child(strings)
      .Child(vars)
      .Bytes();
}

// A copy of this test program (which has no version block) given `block`.
bool WriteProgramWithVersionBlock(const std::wstring& path, const std::vector<uint8_t>& block) {
  if (!CopyFileW(ThisExe().c_str(), path.c_str(), FALSE)) return false;
  HANDLE update = BeginUpdateResourceW(path.c_str(), FALSE);
  if (!update) return false;
  BOOL ok = UpdateResourceW(update, MAKEINTRESOURCEW(16) /* RT_VERSION */, MAKEINTRESOURCEW(1),
                            MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT),
                            const_cast<uint8_t*>(block.data()), static_cast<DWORD>(block.size()));
  return EndUpdateResourceW(update, !ok) && ok;
}

TEST(VersionTextWinTest, ReadsTheProductVersionOfQuorlin) {
  VersionTextCache cache;
  EXPECT_STREQ(cache.Get(QuorlinExe().c_str()), "Ver.:1, 0, 1, 104");
  EXPECT_TRUE(cache.IsDone());
}

TEST(VersionTextWinTest, ReadsAFileUnderANonAsciiPath) {
  TempDir dir;
  const std::wstring copy = dir.File(L"クォーリン.exe");
  ASSERT_TRUE(CopyFileW(QuorlinExe().c_str(), copy.c_str(), FALSE));
  VersionTextCache cache;
  EXPECT_STREQ(cache.Get(copy.c_str()), "Ver.:1, 0, 1, 104");
}

TEST(VersionTextWinTest, FailedLookupIsRetriedAndASuccessIsKept) {
  TempDir dir;
  const std::wstring file = dir.File(L"program.exe");
  WriteTextFile(file);
  VersionTextCache cache;
  EXPECT_STREQ(cache.Get(file.c_str()), "");
  EXPECT_FALSE(cache.IsDone());

  // The file gains a version block: the next call reads it.
  ASSERT_TRUE(CopyFileW(QuorlinExe().c_str(), file.c_str(), FALSE));
  EXPECT_STREQ(cache.Get(file.c_str()), "Ver.:1, 0, 1, 104");
  EXPECT_TRUE(cache.IsDone());

  // Once read, the file is not looked at again.
  WriteTextFile(file);
  EXPECT_STREQ(cache.Get(file.c_str()), "Ver.:1, 0, 1, 104");
  EXPECT_STREQ(cache.Get(dir.File(L"missing.exe").c_str()), "Ver.:1, 0, 1, 104");
}

TEST(VersionTextWinTest, MissingFileGivesEmptyText) {
  TempDir dir;
  VersionTextCache cache;
  EXPECT_STREQ(cache.Get(dir.File(L"missing.exe").c_str()), "");
  EXPECT_FALSE(cache.IsDone());
}

TEST(VersionTextWinTest, ProgramEntryReadsItsOwnFile) {
  // This test program has no version block, so the text stays empty.
  const char* text = GetVersionText();
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "");
}

TEST(VersionTextWinTest, LookupFollowsTheFirstTranslationPair) {
  struct Case {
    const char* name;
    std::vector<uint16_t> translation;
    std::vector<StringTable> tables;
    const char* text;
    bool done;
  };
  const Case cases[] = {
      {"US English key",
       {0x0409, 0x04E4},
       {{L"041104b0", L"9, 9"}, {L"040904e4", L"1;2,3"}},
       "Ver.:1;2,3",
       true},
      {"only the first pair counts",
       {0x0411, 0x04B0, 0x0409, 0x04E4},
       {{L"040904e4", L"9, 9"}, {L"041104b0", L"2, 0"}},
       "Ver.:2, 0",
       true},
      // "版" is 0x94 0xC5 in code page 932.
      {"value converted to code page 932",
       {0x0411, 0x04B0},
       {{L"041104b0", L"版2"}},
       "Ver.:版2",
       true},
      {"no ProductVersion value", {0x0411, 0x04B0}, {{L"041104b0", nullptr}}, "Ver.:", true},
      {"no table for the pair", {0x0409, 0x04E4}, {{L"041104b0", L"9, 9"}}, "Ver.:", true},
      {"translation without a pair", {}, {{L"041104b0", L"9, 9"}}, "", false},
  };
  TempDir dir;
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring file = dir.File(L"probe" + std::to_wstring(n++) + L".exe");
    ASSERT_TRUE(WriteProgramWithVersionBlock(file, VersionBlock(c.translation, c.tables)));
    VersionTextCache cache;
    EXPECT_STREQ(cache.Get(file.c_str()), c.text);
    EXPECT_EQ(cache.IsDone(), c.done);
  }
}

}  // namespace
