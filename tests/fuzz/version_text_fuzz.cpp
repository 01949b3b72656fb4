// The version text of the About box from an arbitrary product version: the
// "Ver.:" text cut to its buffer, the About line and the string-table key.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/cp932.h"
#include "tests/fuzz/fuzz_check.h"
#include "framework/version_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view value(reinterpret_cast<const char*>(data), size);

  const std::string text = FormatVersionText(value);
  const std::string prefix = "Ver.:";
  FUZZ_CHECK(text.size() <= kVersionTextSize - 1);
  FUZZ_CHECK(text.compare(0, prefix.size(), prefix) == 0);
  const std::string_view kept = std::string_view(text).substr(prefix.size());
  FUZZ_CHECK(value.substr(0, kept.size()) == kept);
  // The cut ends on a character boundary, and no whole character that
  // would still have fitted was dropped.
  FUZZ_CHECK(Cp932FittingPrefix(kept, kept.size()) == kept.size());
  const size_t room = kVersionTextSize - 1 - prefix.size();
  FUZZ_CHECK(kept.size() + 1 >= std::min(size, room));

  const std::string line = FormatAboutVersionLine(text);
  const std::string name = "Velkomir ";
  FUZZ_CHECK(line.size() == name.size() + text.size());
  FUZZ_CHECK(line.compare(0, name.size(), name) == 0);
  FUZZ_CHECK(line.find_first_of(",;") == std::string::npos);

  if (size >= 4) {
    const auto language = static_cast<uint16_t>(data[0] | data[1] << 8);
    const auto codePage = static_cast<uint16_t>(data[2] | data[3] << 8);
    const std::string key = VersionTranslationKey(language, codePage);
    FUZZ_CHECK(key.size() == 8);
    FUZZ_CHECK(key.find_first_not_of("0123456789abcdef") == std::string::npos);
  }
  return 0;
}
