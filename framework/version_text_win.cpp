#include "framework/version_text_win.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <memory>
#include <new>
#include <string>

#include "framework/text_win.h"

const char* VersionTextCache::Get(const wchar_t* path) {
  if (m_done) return m_text;
  std::memset(m_text, 0, sizeof m_text);

  // The wide calls, so that an install path outside code page 932 still works.
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(path, &handle);
  if (size == 0) return m_text;
  std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[size + 1]);
  if (!block) return m_text;
  if (!GetFileVersionInfoW(path, 0, size, block.get())) return m_text;

  void* translation = nullptr;
  UINT translationLength = 0;
  // A translation value shorter than one pair has no language to read.
  if (!VerQueryValueW(block.get(), L"\\VarFileInfo\\Translation", &translation,
                      &translationLength) ||
      translation == nullptr || translationLength < 2 * sizeof(WORD)) {
    return m_text;
  }
  const WORD* pair = static_cast<const WORD*>(translation);
  std::string key = VersionTranslationKey(pair[0], pair[1]);

  std::wstring subBlock = L"\\StringFileInfo\\" + Cp932ToWide(key) + L"\\ProductVersion";
  void* value = nullptr;
  UINT valueLength = 0;
  // A missing value leaves the version empty ("Ver.:"); the lookup still
  // counts as done, the block will not change while the program runs.
  std::string productVersion;
  if (VerQueryValueW(block.get(), subBlock.c_str(), &value, &valueLength) && value != nullptr) {
    const wchar_t* text = static_cast<const wchar_t*>(value);
    productVersion = WideToCp932(std::wstring_view(text, wcsnlen(text, valueLength)));
  }
  std::string versionText = FormatVersionText(productVersion);
  std::memcpy(m_text, versionText.data(), versionText.size());
  m_done = 1;
  return m_text;
}

const char* GetVersionText() {
  static VersionTextCache cache;
  static wchar_t modulePath[MAX_PATH];
  if (!cache.IsDone()) GetModuleFileNameW(nullptr, modulePath, MAX_PATH);
  return cache.Get(modulePath);
}
