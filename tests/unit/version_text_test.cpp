#include "framework/version_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// True when the text does not end inside a double-byte character.
bool EndsOnCharacterBoundary(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
  return i == text.size();
}

TEST(VersionTextTest, AboutLineFromProductVersion) {
  struct Case {
    const char* productVersion;
    const char* line;
  };
  const Case cases[] = {
      {"1, 0, 1, 104", "Velkomir Ver.:1- 0- 1- 104"},
      {"1;2,3", "Velkomir Ver.:1.2-3"},
      {",;,;", "Velkomir Ver.:-.-."},
      {"", "Velkomir Ver.:"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatAboutVersionLine(FormatVersionText(c.productVersion)), c.line)
        << c.productVersion;
  }
}

TEST(VersionTextTest, EmptyVersionTextGivesNameAndBlank) {
  EXPECT_EQ(FormatAboutVersionLine(""), "Velkomir ");
}

TEST(VersionTextTest, AboutLineKeepsDoubleByteText) {
  // "版" is 0x94 0xC5 in code page 932; neither byte is a comma or semicolon.
  EXPECT_EQ(FormatAboutVersionLine("Ver.:1,版;2"), "Velkomir Ver.:1-版.2");
}

TEST(VersionTextTest, TranslationKeyIsLanguageThenCodePageInLowerCaseHex) {
  EXPECT_EQ(VersionTranslationKey(0x0411, 0x04B0), "041104b0");
  EXPECT_EQ(VersionTranslationKey(0x0409, 0x04E4), "040904e4");
  EXPECT_EQ(VersionTranslationKey(0x0000, 0xFFFF), "0000ffff");
}

TEST(VersionTextTest, LongValuesAreCutToTheBuffer) {
  const std::string longAscii(300, '7');
  std::string text = FormatVersionText(longAscii);
  EXPECT_EQ(text.size(), kVersionTextSize - 1);
  EXPECT_EQ(text, "Ver.:" + longAscii.substr(0, kVersionTextSize - 1 - 5));

  // 250 bytes of value fit exactly; one more is cut.
  EXPECT_EQ(FormatVersionText(std::string(250, 'x')).size(), 255u);
  EXPECT_EQ(FormatVersionText(std::string(251, 'x')).size(), 255u);
}

TEST(VersionTextTest, CutNeverSplitsADoubleByteCharacter) {
  const std::string wide = "版";  // two bytes
  ASSERT_EQ(wide.size(), 2u);
  // Odd and even offsets of the double-byte run against the 250-byte room.
  for (size_t asciiPrefix : {0u, 1u, 2u, 3u}) {
    std::string value(asciiPrefix, 'a');
    while (value.size() < 300) value += wide;
    std::string text = FormatVersionText(value);
    EXPECT_LE(text.size(), kVersionTextSize - 1) << asciiPrefix;
    EXPECT_GE(text.size(), kVersionTextSize - 2) << asciiPrefix;
    EXPECT_TRUE(EndsOnCharacterBoundary(text)) << asciiPrefix;
    EXPECT_EQ(text.compare(5, std::string::npos, value, 0, text.size() - 5), 0) << asciiPrefix;
  }
}

TEST(VersionTextTest, DoubleByteValueThatFitsIsKeptWhole) {
  EXPECT_EQ(FormatVersionText("版1"), "Ver.:版1");
}

}  // namespace
