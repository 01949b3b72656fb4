// Regenerate from res/icon_gen: g++ -O2 icon_gen.cpp -o icon_gen && ./icon_gen ../quorlin.ico
//
// Draws the application icon (a drive under an eject mark) with signed
// distance shapes and writes it as one .ico file with every size and colour
// depth the program ships. The 256-pixel image is stored as a PNG, as
// Windows icons normally do (a bitmap of that size alone is 270 KB). Standard
// C++ only, so the icon can be rebuilt on any machine without an image editor
// or an image library.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

namespace {

struct Color {
  double r, g, b;
};

// One pixel with straight (not premultiplied) alpha, all channels 0..255.
struct Pixel {
  uint8_t r = 0, g = 0, b = 0, a = 0;
};

struct Image {
  int size = 0;
  std::vector<Pixel> pixels;  // top row first
  Pixel& at(int x, int y) { return pixels[static_cast<size_t>(y) * size + x]; }
  const Pixel& at(int x, int y) const { return pixels[static_cast<size_t>(y) * size + x]; }
};

// Signed distances in icon units (the icon spans 0..1); negative is inside.
double RoundedBox(double x, double y, double x0, double y0, double x1, double y1, double radius) {
  double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
  double qx = std::fabs(x - cx) - ((x1 - x0) / 2 - radius);
  double qy = std::fabs(y - cy) - ((y1 - y0) / 2 - radius);
  double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
  return outside + std::min(std::max(qx, qy), 0.0) - radius;
}

double Circle(double x, double y, double cx, double cy, double radius) {
  return std::hypot(x - cx, y - cy) - radius;
}

// Triangle pointing up: apex (cx, top), base from cx - half to cx + half at
// `base`. Distance to the farthest edge line, exact enough for filling.
double UpTriangle(double x, double y, double cx, double top, double base, double half) {
  const double h = base - top, len = std::hypot(half, h);
  const double right = ((x - cx) * h - (y - top) * half) / len;
  const double left = (-(x - cx) * h - (y - top) * half) / len;
  return std::max({right, left, y - base});
}

// The design, laid out for one pixel size: edges that run along rows and
// columns sit on pixel boundaries so that the small images stay crisp, and
// lines and details are at least one pixel wide.
struct Design {
  double px;                        // one pixel in icon units
  double line;                      // outline width
  bool markOutline;                 // too cramped below 32 pixels
  bool flat;                        // plain colours for the 16-colour image
  double triTop, triBase, triHalf;  // eject triangle
  double barTop, barBottom, markLeft, markRight;
  double boxTop, boxBottom, boxLeft, boxRight, boxRadius;
  double slotTop, slotBottom, slotLeft, slotRight;
  double lightX, lightY, lightRadius;
  bool squareLight;  // a round light of a few pixels looks like a cross
};

Design Layout(int size, bool flat) {
  const double px = 1.0 / size;
  auto snap = [&](double v) { return std::round(v * size) / size; };
  Design d{};
  d.px = px;
  d.line = std::max(px, snap(0.025));
  d.markOutline = size >= 32;
  d.flat = flat;
  d.triTop = snap(0.04);
  d.triBase = snap(0.36);
  d.triHalf = 0.37;
  d.barTop = snap(0.42);
  d.barBottom = std::max(snap(0.53), d.barTop + 2 * px);
  d.markLeft = snap(0.13);
  d.markRight = 1 - d.markLeft;
  d.boxTop = snap(0.58);
  d.boxBottom = snap(0.95);
  d.boxLeft = snap(0.04);
  d.boxRight = 1 - d.boxLeft;
  d.boxRadius = std::max(px, 0.09);
  d.slotTop = snap(0.73);
  d.slotBottom = std::max(snap(0.80), d.slotTop + px);
  d.slotLeft = snap(0.15);
  d.slotRight = snap(0.60);
  d.lightX = snap(0.80);
  d.lightY = (d.slotTop + d.slotBottom) / 2;
  d.lightRadius = 0.055;
  d.squareLight = size < 32;
  return d;
}

bool Shade(const Design& d, double x, double y, Color& out) {
  // Exact palette colours in the flat style, gentle gradients otherwise.
  const Color markOutline{10, 45, 120}, caseOutline = d.flat ? Color{0, 0, 0} : Color{60, 60, 64};

  const double bar = RoundedBox(x, y, d.markLeft, d.barTop, d.markRight, d.barBottom, 0.0);
  const double tri = UpTriangle(x, y, 0.5, d.triTop, d.triBase, d.triHalf);
  const double mark = std::min(bar, tri);
  if (mark <= (d.markOutline ? -d.line : 0)) {
    double t = std::clamp((y - d.triTop) / (d.barBottom - d.triTop), 0.0, 1.0);
    out = d.flat ? Color{0, 0, 255} : Color{80 - 50 * t, 160 - 60 * t, 250 - 30 * t};
    return true;
  }
  if (mark <= 0) {
    out = markOutline;
    return true;
  }

  const double body = RoundedBox(x, y, d.boxLeft, d.boxTop, d.boxRight, d.boxBottom, d.boxRadius);
  if (body > 0) return false;
  if (body > -d.line) {
    out = caseOutline;
    return true;
  }
  if (RoundedBox(x, y, d.slotLeft, d.slotTop, d.slotRight, d.slotBottom, 0.0) <= 0) {
    out = d.flat ? Color{0, 0, 0} : Color{45, 45, 50};
    return true;
  }
  const double light = d.squareLight ? RoundedBox(x, y, d.lightX - d.px, d.slotTop, d.lightX + d.px,
                                                  d.slotBottom, 0.0)
                                     : Circle(x, y, d.lightX, d.lightY, d.lightRadius);
  if (light <= 0) {
    out = d.flat ? Color{0, 255, 0} : Color{40, 210, 60};
    return true;
  }
  double t = std::clamp((y - d.boxTop) / (d.boxBottom - d.boxTop), 0.0, 1.0);
  out = d.flat ? Color{192, 192, 192} : Color{235 - 70 * t, 235 - 70 * t, 238 - 66 * t};
  return true;
}

// Renders with n x n samples per pixel; edges get partial alpha.
Image Render(int size, bool flat) {
  Image image{size, std::vector<Pixel>(static_cast<size_t>(size) * size)};
  const int n = size >= 128 ? 4 : 8;
  const Design design = Layout(size, flat);
  const double px = design.px;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      double r = 0, g = 0, b = 0;
      int hits = 0;
      for (int sy = 0; sy < n; ++sy) {
        for (int sx = 0; sx < n; ++sx) {
          Color c;
          if (Shade(design, (x + (sx + 0.5) / n) * px, (y + (sy + 0.5) / n) * px, c)) {
            r += c.r;
            g += c.g;
            b += c.b;
            ++hits;
          }
        }
      }
      Pixel& p = image.at(x, y);
      if (hits == 0) continue;
      p.r = static_cast<uint8_t>(std::lround(r / hits));
      p.g = static_cast<uint8_t>(std::lround(g / hits));
      p.b = static_cast<uint8_t>(std::lround(b / hits));
      p.a = static_cast<uint8_t>(std::lround(255.0 * hits / (n * n)));
    }
  }
  return image;
}

// Without an alpha channel a pixel is either drawn or left to the AND mask.
bool Opaque(const Pixel& p) { return p.a >= 128; }

std::vector<Color> Palette16() {
  return {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
          {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
          {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
          {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
}

// A 6 x 6 x 6 colour cube and a grey ramp: enough for the smooth greys of
// the case and the blues of the mark.
std::vector<Color> Palette256() {
  std::vector<Color> palette;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) palette.push_back({r * 51.0, g * 51.0, b * 51.0});
  while (palette.size() < 256) {
    double v = std::round(255.0 * static_cast<double>(palette.size() - 216) / 39.0);
    palette.push_back({v, v, v});
  }
  return palette;
}

int Nearest(const std::vector<Color>& palette, const Pixel& p) {
  int best = 0;
  double bestDistance = 1e18;
  for (size_t i = 0; i < palette.size(); ++i) {
    double dr = palette[i].r - p.r, dg = palette[i].g - p.g, db = palette[i].b - p.b;
    double d = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = static_cast<int>(i);
    }
  }
  return best;
}

void Put16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

size_t RowBytes(int width, int bits) { return ((static_cast<size_t>(width) * bits + 31) / 32) * 4; }

// One icon image: BITMAPINFOHEADER (height doubled for the AND mask), the
// palette, the colour rows and the AND mask rows, both bottom-up.
std::vector<uint8_t> EncodeDib(const Image& image, int bits) {
  const int size = image.size;
  const size_t colorRow = RowBytes(size, bits), maskRow = RowBytes(size, 1);
  const std::vector<Color> palette = bits == 4   ? Palette16()
                                     : bits == 8 ? Palette256()
                                                 : std::vector<Color>{};
  std::vector<uint8_t> out;
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(size));
  Put32(out, static_cast<uint32_t>(size * 2));
  Put16(out, 1);
  Put16(out, static_cast<unsigned>(bits));
  Put32(out, 0);  // BI_RGB
  Put32(out, static_cast<uint32_t>((colorRow + maskRow) * size));
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  for (const Color& c : palette) {
    out.push_back(static_cast<uint8_t>(c.b));
    out.push_back(static_cast<uint8_t>(c.g));
    out.push_back(static_cast<uint8_t>(c.r));
    out.push_back(0);
  }
  for (int y = size - 1; y >= 0; --y) {
    std::vector<uint8_t> row(colorRow, 0);
    for (int x = 0; x < size; ++x) {
      const Pixel& p = image.at(x, y);
      if (bits == 32) {
        row[x * 4 + 0] = p.b;
        row[x * 4 + 1] = p.g;
        row[x * 4 + 2] = p.r;
        row[x * 4 + 3] = p.a;
        continue;
      }
      // Masked pixels stay black so that the XOR step leaves the screen as is.
      if (!Opaque(p)) continue;
      if (bits == 24) {
        row[x * 3 + 0] = p.b;
        row[x * 3 + 1] = p.g;
        row[x * 3 + 2] = p.r;
      } else if (bits == 8) {
        row[x] = static_cast<uint8_t>(Nearest(palette, p));
      } else {
        row[x / 2] |= static_cast<uint8_t>(Nearest(palette, p) << (x % 2 ? 0 : 4));
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  for (int y = size - 1; y >= 0; --y) {
    std::vector<uint8_t> row(maskRow, 0);
    for (int x = 0; x < size; ++x) {
      if (!Opaque(image.at(x, y))) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

// PNG: a zlib stream of one deflate block with the fixed Huffman codes.
// Most of the image is runs of identical pixels (the transparent surround,
// the flat faces), which matches of earlier bytes encode well; the fixed codes
// come within a kilobyte of tailored ones here and need no code tables.

class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : m_out(out) {}
  // `count` bits of `value`, least significant first (deflate's order for
  // everything but Huffman codes).
  void Bits(uint32_t value, int count) {
    for (int i = 0; i < count; ++i) Bit((value >> i) & 1);
  }
  // A Huffman code goes out most significant bit first.
  void Code(uint32_t code, int length) {
    for (int i = length - 1; i >= 0; --i) Bit((code >> i) & 1);
  }
  void Flush() {
    if (m_used) m_out.push_back(m_byte);
    m_byte = 0;
    m_used = 0;
  }

 private:
  void Bit(uint32_t bit) {
    m_byte |= static_cast<uint8_t>(bit << m_used);
    if (++m_used == 8) Flush();
  }
  std::vector<uint8_t>& m_out;
  uint8_t m_byte = 0;
  int m_used = 0;
};

// Fixed literal/length code of RFC 1951, 3.2.6.
void FixedLiteral(BitWriter& bits, int symbol) {
  if (symbol < 144)
    bits.Code(0x30 + symbol, 8);
  else if (symbol < 256)
    bits.Code(0x190 + symbol - 144, 9);
  else if (symbol < 280)
    bits.Code(symbol - 256, 7);
  else
    bits.Code(0xC0 + symbol - 280, 8);
}

void Match(BitWriter& bits, int length, int distance) {
  static constexpr int kLengthBase[] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                        15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                        67, 83, 99, 115, 131, 163, 195, 227, 258};
  static constexpr int kDistanceBase[] = {
      1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
      193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
  int code = static_cast<int>(std::size(kLengthBase)) - 1;
  while (kLengthBase[code] > length) --code;
  FixedLiteral(bits, 257 + code);
  const int lengthExtra = code < 8 || code == 28 ? 0 : (code - 4) / 4;
  bits.Bits(static_cast<uint32_t>(length - kLengthBase[code]), lengthExtra);
  code = static_cast<int>(std::size(kDistanceBase)) - 1;
  while (kDistanceBase[code] > distance) --code;
  bits.Code(static_cast<uint32_t>(code), 5);
  bits.Bits(static_cast<uint32_t>(distance - kDistanceBase[code]), code < 4 ? 0 : code / 2 - 1);
}

// Deflate with greedy matching over hash chains of three-byte prefixes.
std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data) {
  constexpr int kWindow = 32768, kMinMatch = 3, kMaxMatch = 258, kMaxChain = 512;
  constexpr int kHashSize = 1 << 15;
  std::vector<int> head(kHashSize, -1), previous(data.size(), -1);
  const int size = static_cast<int>(data.size());
  auto hash = [&](int at) {
    return ((data[at] << 10) ^ (data[at + 1] << 5) ^ data[at + 2]) & (kHashSize - 1);
  };
  auto insert = [&](int at) {
    if (at + kMinMatch > size) return;
    const int h = hash(at);
    previous[at] = head[h];
    head[h] = at;
  };

  std::vector<uint8_t> out;
  BitWriter bits(out);
  bits.Bits(1, 1);  // last block
  bits.Bits(1, 2);  // fixed Huffman codes
  for (int at = 0; at < size;) {
    int bestLength = 0, bestDistance = 0;
    if (at + kMinMatch <= size) {
      const int limit = std::min(kMaxMatch, size - at);
      int chain = kMaxChain;
      for (int from = head[hash(at)]; from >= 0 && at - from <= kWindow && chain-- > 0;
           from = previous[from]) {
        int length = 0;
        while (length < limit && data[from + length] == data[at + length]) ++length;
        if (length > bestLength) {
          bestLength = length;
          bestDistance = at - from;
          if (length == limit) break;
        }
      }
    }
    if (bestLength >= kMinMatch) {
      Match(bits, bestLength, bestDistance);
      for (int i = 0; i < bestLength; ++i) insert(at + i);
      at += bestLength;
    } else {
      FixedLiteral(bits, data[at]);
      insert(at);
      ++at;
    }
  }
  FixedLiteral(bits, 256);  // end of block
  bits.Flush();
  return out;
}

uint32_t Crc32(const uint8_t* data, size_t length, uint32_t crc = 0) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (size_t i = 0; i < length; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

uint32_t Adler32(const std::vector<uint8_t>& data) {
  uint32_t a = 1, b = 0;
  for (uint8_t byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

void PutBig32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void Chunk(std::vector<uint8_t>& png, const char (&type)[5], const std::vector<uint8_t>& data) {
  PutBig32(png, static_cast<uint32_t>(data.size()));
  const size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  PutBig32(png, Crc32(png.data() + start, png.size() - start));
}

// 8-bit RGBA with straight alpha, rows top first, each with filter type 0:
// the flat areas repeat byte for byte, which compresses better unfiltered.
std::vector<uint8_t> EncodePng(const Image& image) {
  std::vector<uint8_t> raw;
  for (int y = 0; y < image.size; ++y) {
    raw.push_back(0);
    for (int x = 0; x < image.size; ++x) {
      const Pixel& p = image.at(x, y);
      raw.insert(raw.end(), {p.r, p.g, p.b, p.a});
    }
  }
  std::vector<uint8_t> zlib = {0x78, 0xDA};  // deflate, 32 KB window; check bits
  const std::vector<uint8_t> deflated = Deflate(raw);
  zlib.insert(zlib.end(), deflated.begin(), deflated.end());
  PutBig32(zlib, Adler32(raw));

  std::vector<uint8_t> header;
  PutBig32(header, static_cast<uint32_t>(image.size));
  PutBig32(header, static_cast<uint32_t>(image.size));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // depth 8, RGBA, deflate, no interlace

  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", zlib);
  Chunk(png, "IEND", {});
  return png;
}

struct Entry {
  int size;
  int bits;
};

// Largest and deepest first, the order shells list the images in.
constexpr Entry kEntries[] = {
    {256, 32}, {48, 32}, {32, 32}, {24, 32}, {16, 32}, {48, 24}, {32, 24}, {24, 24},
    {16, 24},  {48, 8},  {32, 8},  {24, 8},  {16, 8},  {32, 4},  {16, 4},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: icon_gen <output.ico>\n";
    return 2;
  }
  const size_t count = std::size(kEntries);
  std::vector<std::vector<uint8_t>> images;
  for (const Entry& e : kEntries) {
    const Image image = Render(e.size, e.bits == 4);
    images.push_back(e.size == 256 ? EncodePng(image) : EncodeDib(image, e.bits));
  }

  std::vector<uint8_t> file;
  Put16(file, 0);
  Put16(file, 1);  // icon, not cursor
  Put16(file, static_cast<unsigned>(count));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * count);
  for (size_t i = 0; i < count; ++i) {
    const Entry& e = kEntries[i];
    file.push_back(static_cast<uint8_t>(e.size & 0xFF));  // 256 is written as 0
    file.push_back(static_cast<uint8_t>(e.size & 0xFF));
    file.push_back(static_cast<uint8_t>(e.bits == 4 ? 16 : 0));
    file.push_back(0);
    Put16(file, 1);
    Put16(file, static_cast<unsigned>(e.bits));
    Put32(file, static_cast<uint32_t>(images[i].size()));
    Put32(file, offset);
    offset += static_cast<uint32_t>(images[i].size());
  }
  for (const auto& image : images) file.insert(file.end(), image.begin(), image.end());

  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  if (!out) {
    std::cerr << "icon_gen: cannot write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}
