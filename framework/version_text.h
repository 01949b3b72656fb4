#pragma once
// The pure pieces of the About box's version line: the key of the version
// block's string table, the "Ver.:" text and the line the About box shows.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Size of the process-wide version text buffer, terminator included.
constexpr size_t kVersionTextSize = 256;

// Key of a version block's string table for one translation pair: eight
// lower-case hex digits, language first ("041104b0").
std::string VersionTranslationKey(uint16_t language, uint16_t codePage);

// "Ver.:" and the product version, at most kVersionTextSize - 1 bytes.
std::string FormatVersionText(std::string_view productVersion);

// The About box's line: "," becomes "-", then ";" becomes ".", after the
// window's title and a blank ("Velkomir ").
std::string FormatAboutVersionLine(std::string_view versionText);
