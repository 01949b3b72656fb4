// Reads the icon, the manifest and the version block back from Quorlin.exe,
// and the version block of QuorlinCmd.exe.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <cwctype>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "res/resource.h"
#include "support/process.h"
#include "support/quorlin_cmd.h"

namespace {

class ResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_module = LoadLibraryExW(QuorlinExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(m_module, nullptr) << "Quorlin.exe must sit beside the test program";
  }
  void TearDown() override {
    if (m_module) FreeLibrary(m_module);
  }

  // The bytes of one resource, empty when it is missing.
  std::string_view Resource(const wchar_t* type, const wchar_t* name) const {
    HRSRC info = FindResourceW(m_module, name, type);
    if (!info) return {};
    HGLOBAL loaded = LoadResource(m_module, info);
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    return data ? std::string_view(data, SizeofResource(m_module, info)) : std::string_view();
  }

  HMODULE m_module = nullptr;
};

template <typename T>
T Read(std::string_view bytes, size_t offset) {
  T value{};
  if (offset + sizeof(T) <= bytes.size()) std::memcpy(&value, bytes.data() + offset, sizeof(T));
  return value;
}

size_t RowBytes(int width, int bits) { return ((static_cast<size_t>(width) * bits + 31) / 32) * 4; }

bool MaskBit(std::string_view mask, int size, int x, int y) {
  // Bottom-up rows, most significant bit first.
  const size_t row = static_cast<size_t>(size - 1 - y) * RowBytes(size, 1);
  return (static_cast<unsigned char>(mask[row + x / 8]) >> (7 - x % 8)) & 1;
}

// Checks one RT_ICON image against its group entry: a DIB of the right
// size and depth, the AND mask after the colour rows, and an image that the
// system accepts. Returns a failure description, empty when the image is fine.
std::string CheckIconImage(std::string_view image, int size, int bits) {
  const auto header = Read<BITMAPINFOHEADER>(image, 0);
  if (header.biSize != sizeof(BITMAPINFOHEADER)) return "not a BITMAPINFOHEADER";
  if (header.biWidth != size || header.biHeight != 2 * size) return "wrong dimensions";
  if (header.biPlanes != 1 || header.biBitCount != bits) return "wrong depth";
  if (header.biCompression != BI_RGB) return "compressed";
  const size_t paletteBytes = bits <= 8 ? (size_t{1} << bits) * sizeof(RGBQUAD) : 0;
  const size_t colorBytes = RowBytes(size, bits) * size, maskBytes = RowBytes(size, 1) * size;
  if (image.size() != sizeof header + paletteBytes + colorBytes + maskBytes) return "wrong length";

  const std::string_view palette = image.substr(sizeof header, paletteBytes);
  const std::string_view color = image.substr(sizeof header + paletteBytes, colorBytes);
  const std::string_view mask = image.substr(sizeof header + paletteBytes + colorBytes);
  size_t masked = 0;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const size_t row = static_cast<size_t>(size - 1 - y) * RowBytes(size, bits);
      const bool transparent = MaskBit(mask, size, x, y);
      masked += transparent;
      uint32_t rgb = 0;  // 0x00RRGGBB of the pixel's colour
      unsigned alpha = 255;
      if (bits == 32 || bits == 24) {
        const size_t at = row + static_cast<size_t>(x) * (bits / 8);
        rgb = Read<uint32_t>(color, at) & 0xFFFFFF;
        if (bits == 32) alpha = static_cast<unsigned char>(color[at + 3]);
      } else {
        unsigned index = static_cast<unsigned char>(color[row + x * bits / 8]);
        if (bits == 4) index = x % 2 ? index & 0x0F : index >> 4;
        rgb = Read<uint32_t>(palette, index * sizeof(RGBQUAD)) & 0xFFFFFF;
      }
      // The AND mask must agree with the alpha channel where that is clear,
      // and a masked pixel must be black so the XOR step leaves the screen.
      if (alpha == 0 && !transparent) return "fully transparent pixel not masked";
      if (alpha == 255 && transparent && bits == 32) return "opaque pixel masked";
      if (transparent && bits != 32 && rgb != 0) return "masked pixel not black";
    }
  }
  if (masked == 0 || masked == static_cast<size_t>(size) * size) return "mask is blank or full";

  HICON icon = CreateIconFromResourceEx(reinterpret_cast<BYTE*>(const_cast<char*>(image.data())),
                                        static_cast<DWORD>(image.size()), TRUE, 0x00030000, size,
                                        size, LR_DEFAULTCOLOR);
  if (!icon) return "rejected by CreateIconFromResourceEx";
  DestroyIcon(icon);
  return {};
}

uint32_t BigEndian32(std::string_view bytes, size_t offset) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4 && offset + i < bytes.size(); ++i)
    value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  return value;
}

uint32_t Crc32(std::string_view bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) {
    crc ^= byte;
    for (int k = 0; k < 8; ++k) crc = crc & 1 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  return ~crc;
}

// Checks a PNG-compressed icon image: signature, chunks whose CRCs hold, a
// header for 8-bit RGBA of `size` square, image data, and nothing after the
// end chunk. Then the system decodes it, and the pixels must show the drawing
// with its alpha: clear corners, an opaque blue mark and grey case, and soft
// edges. Returns a failure description, empty when the image is fine.
std::string CheckPngIconImage(std::string_view image, int size) {
  if (image.substr(0, 8) != std::string_view("\x89PNG\r\n\x1A\n", 8)) return "no PNG signature";
  bool header = false, data = false;
  size_t at = 8;
  for (;;) {
    if (at + 12 > image.size()) return "chunk past the end";
    const uint32_t length = BigEndian32(image, at);
    if (length > image.size() - at - 12) return "chunk past the end";
    const std::string_view type = image.substr(at + 4, 4), body = image.substr(at + 8, length);
    if (Crc32(image.substr(at + 4, 4 + length)) != BigEndian32(image, at + 8 + length))
      return "bad CRC in " + std::string(type);
    at += 12 + length;
    if (!header) {
      if (type != "IHDR" || length != 13) return "IHDR not first";
      if (BigEndian32(body, 0) != static_cast<uint32_t>(size) ||
          BigEndian32(body, 4) != static_cast<uint32_t>(size))
        return "wrong dimensions";
      // Depth 8, colour type 6 (RGBA), deflate, standard filters, no interlace.
      if (body.substr(8) != std::string_view("\x08\x06\0\0\0", 5)) return "not 8-bit RGBA";
      header = true;
    } else if (type == "IDAT") {
      data = true;
    } else if (type == "IEND") {
      if (at != image.size()) return "bytes after IEND";
      break;
    }
  }
  if (!data) return "no IDAT";

  HICON icon = CreateIconFromResourceEx(reinterpret_cast<BYTE*>(const_cast<char*>(image.data())),
                                        static_cast<DWORD>(image.size()), TRUE, 0x00030000, size,
                                        size, LR_DEFAULTCOLOR);
  if (!icon) return "rejected by CreateIconFromResourceEx";
  ICONINFO info{};
  const bool gotInfo = GetIconInfo(icon, &info);
  DestroyIcon(icon);
  if (!gotInfo || !info.hbmColor) return "decoded without a colour bitmap";
  BITMAPINFO request{};
  request.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  request.bmiHeader.biWidth = size;
  request.bmiHeader.biHeight = -size;  // top row first
  request.bmiHeader.biPlanes = 1;
  request.bmiHeader.biBitCount = 32;
  request.bmiHeader.biCompression = BI_RGB;
  std::vector<uint32_t> pixels(static_cast<size_t>(size) * size);  // 0xAARRGGBB, top row first
  HDC screen = GetDC(nullptr);
  const int rows =
      GetDIBits(screen, info.hbmColor, 0, size, pixels.data(), &request, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  if (rows != size) return "decoded bitmap unreadable";

  auto at_ = [&](double x, double y) {
    return pixels[static_cast<size_t>(y * size) * size + static_cast<size_t>(x * size)];
  };
  auto alpha = [](uint32_t p) { return p >> 24; };
  auto red = [](uint32_t p) { return (p >> 16) & 0xFF; };
  auto green = [](uint32_t p) { return (p >> 8) & 0xFF; };
  auto blue = [](uint32_t p) { return p & 0xFF; };
  const double last = 1.0 - 1.0 / size;
  for (uint32_t corner : {at_(0, 0), at_(last, 0), at_(0, last), at_(last, last)})
    if (alpha(corner) != 0) return "corner not transparent";
  const uint32_t mark = at_(0.5, 0.25), face = at_(0.5, 0.65);
  if (alpha(mark) != 255 || blue(mark) < red(mark) + 100) return "eject mark not opaque blue";
  if (alpha(face) != 255 || std::max({red(face), green(face), blue(face)}) -
                                    std::min({red(face), green(face), blue(face)}) >
                                16)
    return "case not opaque grey";
  const size_t soft = std::count_if(pixels.begin(), pixels.end(),
                                    [&](uint32_t p) { return alpha(p) != 0 && alpha(p) != 255; });
  if (soft == 0) return "no partly transparent edge pixels";
  return {};
}

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colorCount, reserved;
  WORD planes, bitCount;
  DWORD bytesInRes;
  WORD id;
};
#pragma pack(pop)

TEST_F(ResourcesTest, IconGroupHoldsFifteenImagesOfTheListedSizesAndDepths) {
  const std::string_view group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(IDR_MAINFRAME));
  ASSERT_GE(group.size(), 6u);
  EXPECT_EQ(Read<WORD>(group, 0), 0);
  EXPECT_EQ(Read<WORD>(group, 2), 1);  // icon, not cursor
  const WORD count = Read<WORD>(group, 4);
  ASSERT_EQ(group.size(), 6 + count * sizeof(GroupIconEntry));

  std::set<std::pair<int, int>> found;
  for (WORD i = 0; i < count; ++i) {
    const auto e = Read<GroupIconEntry>(group, 6 + i * sizeof(GroupIconEntry));
    const int size = e.width == 0 ? 256 : e.width;
    SCOPED_TRACE(std::to_string(size) + " px, " + std::to_string(e.bitCount) + " bits");
    EXPECT_EQ(e.height, e.width);
    EXPECT_EQ(e.colorCount, e.bitCount == 4 ? 16 : 0);
    EXPECT_EQ(e.planes, 1);
    EXPECT_TRUE(found.insert({size, e.bitCount}).second) << "listed twice";

    const std::string_view image = Resource(RT_ICON, MAKEINTRESOURCEW(e.id));
    ASSERT_FALSE(image.empty());
    EXPECT_EQ(image.size(), e.bytesInRes);
    // The 256-pixel image is PNG-compressed, as Windows icons normally store it.
    if (size == 256)
      EXPECT_EQ(CheckPngIconImage(image, size), "");
    else
      EXPECT_EQ(CheckIconImage(image, size, e.bitCount), "");
  }
  const std::set<std::pair<int, int>> expected = {
      {16, 8},  {24, 8},  {32, 8},  {48, 8},  {16, 24}, {24, 24}, {32, 24},  {48, 24},
      {16, 32}, {24, 32}, {32, 32}, {48, 32}, {16, 4},  {32, 4},  {256, 32},
  };
  EXPECT_EQ(found, expected);
  EXPECT_EQ(count, 15);

  // The system picks an image of the group for a small icon.
  int id = LookupIconIdFromDirectoryEx(reinterpret_cast<BYTE*>(const_cast<char*>(group.data())),
                                       TRUE, 16, 16, LR_DEFAULTCOLOR);
  EXPECT_NE(id, 0);
}

// Attributes of the first element named `name` at or after `from` in XML
// text; `from` is moved past it. Enough for the manifest's flat attributes.
std::map<std::string, std::string> Element(std::string_view xml, std::string_view name,
                                           size_t& from) {
  std::map<std::string, std::string> attributes;
  std::string open(1, '<');
  open += name;
  size_t at = xml.find(open, from);
  while (at != std::string_view::npos && at + open.size() < xml.size() &&
         !isspace(static_cast<unsigned char>(xml[at + open.size()])))
    at = xml.find(open, at + 1);
  const size_t end = at == std::string_view::npos ? at : xml.find('>', at);
  if (end == std::string_view::npos) return attributes;
  std::string_view tag = xml.substr(at + open.size(), end - at - open.size());
  from = end;
  for (size_t eq; (eq = tag.find("=\"")) != std::string_view::npos;) {
    const size_t keyStart = tag.find_last_of(" \t\r\n", eq) + 1;
    const size_t valueEnd = tag.find('"', eq + 2);
    if (valueEnd == std::string_view::npos) break;
    attributes[std::string(tag.substr(keyStart, eq - keyStart))] =
        std::string(tag.substr(eq + 2, valueEnd - eq - 2));
    tag.remove_prefix(valueEnd + 1);
  }
  return attributes;
}

TEST_F(ResourcesTest, ManifestAsksForCommonControls6AndNamesTheBuildsProcessor) {
  const std::string_view manifest =
      Resource(MAKEINTRESOURCEW(24) /* RT_MANIFEST */, MAKEINTRESOURCEW(1));
  ASSERT_FALSE(manifest.empty());

  size_t at = 0;
  auto self = Element(manifest, "assemblyIdentity", at);
  EXPECT_EQ(self["name"], "Quorlin.exe");
  EXPECT_EQ(self["version"], "1.0.0.0");
  EXPECT_EQ(self["type"], "win32");
#ifdef _WIN64
  EXPECT_EQ(self["processorArchitecture"], "amd64");
#else
  EXPECT_EQ(self["processorArchitecture"], "X86");
#endif

  ASSERT_NE(manifest.find("<dependentAssembly>", at), std::string_view::npos);
  at = manifest.find("<dependentAssembly>", at);
  auto controls = Element(manifest, "assemblyIdentity", at);
  EXPECT_EQ(controls["name"], "Microsoft.Windows.Common-Controls");
  EXPECT_EQ(controls["version"], "6.0.0.0");
  EXPECT_EQ(controls["publicKeyToken"], "6595b64144ccf1df");
  EXPECT_EQ(controls["language"], "*");

  at = 0;
  auto level = Element(manifest, "requestedExecutionLevel", at);
  EXPECT_EQ(level["level"], "asInvoker");
  EXPECT_EQ(level["uiAccess"], "false");
}

TEST_F(ResourcesTest, ManifestActivatesCommonControls6) {
  const std::wstring exe = QuorlinExePath();
  ACTCTXW context = {};
  context.cbSize = sizeof context;
  context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  context.lpSource = exe.c_str();
  context.lpResourceName = MAKEINTRESOURCEW(1);
  HANDLE handle = CreateActCtxW(&context);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE) << "manifest rejected, error " << GetLastError();

  ULONG_PTR cookie = 0;
  ASSERT_TRUE(ActivateActCtx(handle, &cookie));
  HMODULE controls = LoadLibraryW(L"comctl32.dll");
  DeactivateActCtx(0, cookie);
  ReleaseActCtx(handle);
  ASSERT_NE(controls, nullptr);

  // Wine's version 6 answers DllGetVersion with 5.81 too, so the side-by-side
  // folder it was loaded from is what tells the versions apart.
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(controls, path, MAX_PATH);
  std::wstring lower(path);
  for (wchar_t& c : lower) c = towlower(c);
  EXPECT_NE(lower.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6.0."),
            std::wstring::npos)
      << "loaded from " << std::string(lower.begin(), lower.end());
  FreeLibrary(controls);
}

// The version block of an exe, empty when it has none.
std::vector<unsigned char> VersionBlockOf(const std::wstring& exe) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &handle);
  std::vector<unsigned char> block(size);
  if (size == 0 || !GetFileVersionInfoW(exe.c_str(), 0, size, block.data())) block.clear();
  return block;
}

std::pair<const void*, UINT> QueryBlock(std::vector<unsigned char>& block,
                                        const std::wstring& path) {
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), path.c_str(), &value, &length)) return {nullptr, 0};
  return {value, length};
}

class VersionBlockTest : public ResourcesTest {
 protected:
  void SetUp() override {
    ResourcesTest::SetUp();
    m_block = VersionBlockOf(QuorlinExePath());
    ASSERT_FALSE(m_block.empty());
  }

  std::pair<const void*, UINT> Query(const std::wstring& path) { return QueryBlock(m_block, path); }

  std::vector<unsigned char> m_block;
};

TEST_F(VersionBlockTest, IsResourceOneInJapanese) {
  EXPECT_NE(FindResourceExW(m_module, MAKEINTRESOURCEW(16) /* RT_VERSION */, MAKEINTRESOURCEW(1),
                            MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)),
            nullptr);
}

TEST_F(VersionBlockTest, FixedPart) {
  auto [value, length] = Query(L"\\");
  ASSERT_NE(value, nullptr);
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, value, sizeof fixed);
  EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed.dwFileVersionMS, 0x00010000u);  // 1.0
  EXPECT_EQ(fixed.dwFileVersionLS, 0x00010068u);  // 1.104
  EXPECT_EQ(fixed.dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed.dwProductVersionLS, 0x00010068u);
  EXPECT_EQ(fixed.dwFileFlagsMask, 0x3Fu);
  EXPECT_EQ(fixed.dwFileFlags, 0u);
  EXPECT_EQ(fixed.dwFileOS, 4u);
  EXPECT_EQ(fixed.dwFileType, 1u);
  EXPECT_EQ(fixed.dwFileSubtype, 0u);
}

TEST_F(VersionBlockTest, TranslationIsOneJapaneseUnicodePair) {
  auto [value, length] = Query(L"\\VarFileInfo\\Translation");
  ASSERT_NE(value, nullptr);
  ASSERT_EQ(length, 4u);
  WORD pair[2];
  std::memcpy(pair, value, sizeof pair);
  EXPECT_EQ(pair[0], 0x0411);
  EXPECT_EQ(pair[1], 0x04B0);
}

std::wstring TemplateText(std::string_view dialog, const std::wstring& text) {
  const std::string_view needle(reinterpret_cast<const char*>(text.c_str()),
                                (text.size() + 1) * sizeof(wchar_t));
  return dialog.find(needle) != std::string_view::npos ? text : std::wstring();
}

TEST_F(VersionBlockTest, Strings) {
  const std::pair<const wchar_t*, const wchar_t*> strings[] = {
      {L"FileDescription", L"Quorlin"},      {L"FileVersion", L"1, 0, 1, 104"},
      {L"InternalName", L"Quorlin"},         {L"LegalCopyright", L"Copyright (C) 2026 Tesserine"},
      {L"OriginalFilename", L"Quorlin.exe"}, {L"ProductName", L"Quorlin"},
      {L"ProductVersion", L"1, 0, 1, 104"},
  };
  for (const auto& [key, expected] : strings) {
    SCOPED_TRACE(std::string(key, key + wcslen(key)));
    auto [value, length] = Query(std::wstring(L"\\StringFileInfo\\041104b0\\") + key);
    ASSERT_NE(value, nullptr) << "missing";
    const wchar_t* text = static_cast<const wchar_t*>(value);
    // UTF-16 text; the length counts the terminator.
    EXPECT_EQ(std::wstring(text, wcsnlen(text, length)), expected);
    EXPECT_EQ(length, wcslen(expected) + 1);
  }

  // The About box shows the same legal notice as the version block.
  const std::wstring notice = L"Copyright (C) 2026 Tesserine";
  EXPECT_EQ(TemplateText(Resource(RT_DIALOG, MAKEINTRESOURCEW(IDD_ABOUTBOX)), notice), notice);
}

// QuorlinCmd.exe's block is Quorlin.exe's with its own names: the same fixed
// part and translation, and every string the same but the three that name
// the program.
TEST_F(VersionBlockTest, QuorlinCmdHasTheSameVersionUnderItsOwnName) {
  std::vector<unsigned char> block = VersionBlockOf(QuorlinCmdExePath());
  ASSERT_FALSE(block.empty()) << "QuorlinCmd.exe must sit beside the test program";

  for (const wchar_t* path : {L"\\", L"\\VarFileInfo\\Translation"}) {
    auto [ours, ourLength] = QueryBlock(block, path);
    auto [theirs, theirLength] = Query(path);
    ASSERT_NE(ours, nullptr);
    ASSERT_EQ(ourLength, theirLength);
    EXPECT_EQ(std::memcmp(ours, theirs, ourLength), 0);
  }
  const std::pair<const wchar_t*, const wchar_t*> names[] = {
      {L"FileDescription", L"QuorlinCmd"},
      {L"FileVersion", nullptr},
      {L"InternalName", L"QuorlinCmd"},
      {L"LegalCopyright", nullptr},
      {L"OriginalFilename", L"QuorlinCmd.exe"},
      {L"ProductName", nullptr},
      {L"ProductVersion", nullptr},
  };
  for (const auto& [key, own] : names) {
    SCOPED_TRACE(std::string(key, key + wcslen(key)));
    const std::wstring path = std::wstring(L"\\StringFileInfo\\041104b0\\") + key;
    auto [value, length] = QueryBlock(block, path);
    ASSERT_NE(value, nullptr);
    auto [window, windowLength] = Query(path);
    ASSERT_NE(window, nullptr);
    const wchar_t* text = static_cast<const wchar_t*>(value);
    const wchar_t* windowText = static_cast<const wchar_t*>(window);
    EXPECT_EQ(
        std::wstring(text, wcsnlen(text, length)),
        own ? std::wstring(own) : std::wstring(windowText, wcsnlen(windowText, windowLength)));
  }
}

}  // namespace
