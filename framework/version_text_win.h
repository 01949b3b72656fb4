#pragma once
// The product version read from an executable's own version block, for the
// About box. Read once per process and kept.
#include <cstdint>

#include "framework/version_text.h"

// The version text cache: empty until a lookup succeeds, then fixed. Kept
// apart from the program's own path so that it can be tried on other files.
class VersionTextCache {
 public:
  // Returns "Ver.:" and the file's "ProductVersion" (code page 932), or the
  // empty text while the file has no readable version block; such a failure
  // is retried on the next call. Never null.
  const char* Get(const wchar_t* path);

  bool IsDone() const { return m_done != 0; }

 private:
  char m_text[kVersionTextSize] = {};
  int32_t m_done = 0;
};

// The version text of the running program's own executable file.
const char* GetVersionText();
