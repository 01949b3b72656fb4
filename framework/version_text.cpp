#include "framework/version_text.h"

#include <algorithm>
#include <cstdio>

#include "framework/cp932.h"
#include "framework/program_names.h"

std::string VersionTranslationKey(uint16_t language, uint16_t codePage) {
  char key[12];
  std::snprintf(key, sizeof key, "%04x%04x", static_cast<unsigned>(language),
                static_cast<unsigned>(codePage));
  return key;
}

std::string FormatVersionText(std::string_view productVersion) {
  std::string text = "Ver.:";
  const size_t limit = kVersionTextSize - 1;
  // A value too long for the buffer is cut after its last whole character,
  // so the text never ends in half of a double-byte character.
  size_t keep = Cp932FittingPrefix(productVersion, limit - text.size());
  text.append(productVersion.substr(0, keep));
  return text;
}

std::string FormatAboutVersionLine(std::string_view versionText) {
  std::string line(versionText);
  std::replace(line.begin(), line.end(), ',', '-');
  std::replace(line.begin(), line.end(), ';', '.');
  return std::string(kWindowTitle) + " " + line;
}
