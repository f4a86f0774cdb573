// tolvarine-images: makes the runner's built-in images and writes them as a C++ source that the
// runtime compiles in.
//
//   tolvarine-images [--font FONT.ttf] --out FILE.cpp   the table and the glyph table
//   tolvarine-images [--font FONT.ttf] --png DIR        each image as a PNG to look at
//
// The font is DejaVu Sans (scripts/setup installs it) unless --font names another.
//
// The table holds 17 image files: 0-14 DDS DXT5 64 x 64 (0 a plain square, 1-14 the particle
// shapes in shape order), 15 a DDS DXT5 256 x 128 sheet of the debug font, 16 a small PNG. Every
// shape is white with the shape in alpha. The font sheet is rasterised from the given font; its
// glyph table has 137 entries of {x, y, width, height}, indexed by character code. Everything is
// computed from fixed numbers, so every run writes the same bytes.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kShapeSide = 64;
constexpr int kSheetWidth = 256;
constexpr int kSheetHeight = 128;
constexpr int kGlyphCount = 137;
constexpr int kGlyphHeight = 13;  // the space's height; lines are 15 apart
constexpr int kGlyphPixelSize = 11;
constexpr double kPi = 3.14159265358979323846;

// An alpha plane; the colour of every built-in image is white.
struct Plane {
  int width, height;
  std::vector<uint8_t> alpha;
  Plane(int w, int h) : width(w), height(h), alpha(static_cast<size_t>(w) * h, 0) {}
  uint8_t& at(int x, int y) { return alpha[static_cast<size_t>(y) * width + x]; }
};

double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

uint8_t ToByte(double v) { return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0)); }

// A shape as a coverage function of a pixel's centre, capped at the given alpha.
Plane Paint(const std::function<double(double, double)>& coverage, int cap = 255) {
  Plane p(kShapeSide, kShapeSide);
  for (int y = 0; y < kShapeSide; ++y) {
    for (int x = 0; x < kShapeSide; ++x) {
      p.at(x, y) = std::min<uint8_t>(ToByte(coverage(x + 0.5, y + 0.5)), static_cast<uint8_t>(cap));
    }
  }
  return p;
}

// Coverage of an edge at distance 0 (inside for negative distances), one pixel wide.
double Edge(double signedDistance) { return Clamp01(0.5 - signedDistance); }

double Distance(double x, double y, double cx = 32.0, double cy = 32.0) { return std::hypot(x - cx, y - cy); }

// Deterministic value noise: a hash of the lattice point, smoothly interpolated.
double Lattice(int x, int y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xFFFF) / 65535.0;
}

double Noise(double x, double y, uint32_t seed) {
  const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  const double fx = x - x0, fy = y - y0;
  const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  const double a = Lattice(x0, y0, seed), b = Lattice(x0 + 1, y0, seed);
  const double c = Lattice(x0, y0 + 1, seed), d = Lattice(x0 + 1, y0 + 1, seed);
  return (a + (b - a) * sx) * (1 - sy) + (c + (d - c) * sx) * sy;
}

// Three octaves, 0..1.
double Fractal(double x, double y, double scale, uint32_t seed) {
  double sum = 0, weight = 0, amplitude = 1;
  for (int octave = 0; octave < 3; ++octave) {
    sum += amplitude * Noise(x / scale, y / scale, seed + octave);
    weight += amplitude;
    amplitude *= 0.5;
    scale *= 0.5;
  }
  return sum / weight;
}

double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
  const double dx = bx - ax, dy = by - ay;
  const double t = Clamp01(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy));
  return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

bool InsideStar(double x, double y) {
  // Five points, the first straight up; outer radius 21.5, inner 8.6, centred on the image.
  std::array<std::pair<double, double>, 10> corners;
  for (int i = 0; i < 10; ++i) {
    const double radius = i % 2 == 0 ? 21.5 : 8.6;
    const double angle = -kPi / 2 + i * kPi / 5;
    corners[i] = {32.0 + radius * std::cos(angle), 32.0 + radius * std::sin(angle)};
  }
  bool inside = false;
  for (size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
    const auto [xi, yi] = corners[i];
    const auto [xj, yj] = corners[j];
    if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
  }
  return inside;
}

// The fourteen particle shapes, in shape order.
std::vector<Plane> ParticleShapes() {
  std::vector<Plane> shapes;
  // pixel: a dot of 3 x 3 around pixel (32, 32)
  shapes.push_back(Paint([](double x, double y) { return Clamp01(2.0 - Distance(x, y, 32.5, 32.5)); }));
  // disk: 58 across
  shapes.push_back(Paint([](double x, double y) { return Edge(Distance(x, y) - 29.0); }));
  // square: 3 to 60
  shapes.push_back(Paint([](double x, double y) { return x > 3 && x < 61 && y > 3 && y < 61 ? 1.0 : 0.0; }));
  // line: rows 28-35, x 6 to 57
  shapes.push_back(Paint([](double x, double y) { return x > 6 && x < 58 && y > 28 && y < 36 ? 1.0 : 0.0; }));
  // star: 43 across, alpha at most 230, edges smoothed by 4 x 4 samples
  shapes.push_back(Paint(
      [](double x, double y) {
        int hits = 0;
        for (int sy = 0; sy < 4; ++sy)
          for (int sx = 0; sx < 4; ++sx) hits += InsideStar(x - 0.5 + (sx + 0.5) / 4, y - 0.5 + (sy + 0.5) / 4);
        return hits / 16.0;
      },
      230));
  // circle: a thin outline 54 across
  shapes.push_back(Paint([](double x, double y) { return Clamp01(1.5 - std::fabs(Distance(x, y) - 26.0)); }));
  // ring: thick, soft inside and out, 54 across
  shapes.push_back(Paint([](double x, double y) {
    const double t = (Distance(x, y) - 20.0) / 10.0;
    return Clamp01(1.0 - t * t);
  }));
  // sphere: alpha falling off from the centre, the half-alpha core 32 across
  shapes.push_back(Paint([](double x, double y) {
    const double d = Distance(x, y);
    return Clamp01(1.0 - d * d / 512.0);
  }));
  // flare: a bright core 20 across in a faint halo
  shapes.push_back(Paint([](double x, double y) {
    const double d = Distance(x, y);
    const double core = std::exp(-d * d / (2 * 8.49 * 8.49));
    const double halo = 0.3 * Clamp01(1.0 - d / 31.0);
    return std::max(core, halo);
  }));
  // spark: a small speckled burst 24 across
  shapes.push_back(Paint([](double x, double y) {
    const double d = Distance(x, y);
    const double rays = 0.5 + 0.5 * std::cos(8 * std::atan2(y - 32, x - 32));
    const double speckle = Lattice(static_cast<int>(x), static_cast<int>(y), 7);
    return Clamp01(1.3 * (1.0 - d / 12.0)) * (0.45 + 0.3 * rays + 0.35 * speckle);
  }));
  // explosion: an irregular mottled blob almost filling the image
  shapes.push_back(Paint([](double x, double y) {
    const double d = Distance(x, y);
    const double angle = std::atan2(y - 32, x - 32);
    const double edge = 25.0 + 5.0 * Noise(3.0 * (angle + kPi), 0.5, 11);
    return Clamp01((edge - d) / 3.0) * (0.55 + 0.45 * Fractal(x, y, 12.0, 13));
  }));
  // cloud: faint wisps, alpha at most 115
  shapes.push_back(Paint(
      [](double x, double y) {
        const double d = Distance(x, y);
        const double wisps = Clamp01((Fractal(x, y, 20.0, 17) - 0.3) * 1.8);
        return Clamp01(1.0 - d / 31.0) * wisps * 115.0 / 255.0;
      },
      115));
  // smoke: a soft mottled blob 48 across, alpha up to 217
  shapes.push_back(Paint(
      [](double x, double y) {
        const double d = Distance(x, y);
        const double t = d < 16 ? 0.0 : (d - 16.0) / 15.0;
        return Clamp01(1.0 - t * t) * (0.8 + 0.2 * Fractal(x, y, 10.0, 23)) * 217.0 / 255.0;
      },
      217));
  // snow: a six-armed flake 48 across, each arm with two pairs of side branches
  shapes.push_back(Paint([](double x, double y) {
    double nearest = 1e9;
    for (int arm = 0; arm < 6; ++arm) {
      const double a = arm * kPi / 3 - kPi / 2;
      const double ex = 32 + 22.5 * std::cos(a), ey = 32 + 22.5 * std::sin(a);
      nearest = std::min(nearest, SegmentDistance(x, y, 32, 32, ex, ey));
      for (double along : {11.0, 17.0}) {
        const double bx = 32 + along * std::cos(a), by = 32 + along * std::sin(a);
        for (double turn : {-kPi / 4, kPi / 4}) {
          const double length = along < 12 ? 7.0 : 5.0;
          nearest = std::min(nearest,
                             SegmentDistance(x, y, bx, by, bx + length * std::cos(a + turn), by + length * std::sin(a + turn)));
        }
      }
    }
    return Edge(nearest - 1.2);
  }));
  return shapes;
}

// ---------------------------------------------------------------------------------------------
// DXT5

// The eight alphas an alpha block of endpoints a0, a1 decodes to.
std::array<int, 8> AlphaPalette(int a0, int a1) {
  std::array<int, 8> a{a0, a1, 0, 0, 0, 0, 0, 0};
  if (a0 > a1) {
    for (int i = 1; i < 7; ++i) a[i + 1] = ((7 - i) * a0 + i * a1) / 7;
  } else {
    for (int i = 1; i < 5; ++i) a[i + 1] = ((5 - i) * a0 + i * a1) / 5;
    a[6] = 0;
    a[7] = 255;
  }
  return a;
}

// Picks the nearest entry for each texel; entries above the texel's own block maximum are never
// picked, so a capped shape stays under its cap. Returns the squared error.
long ChooseIndices(const std::array<int, 8>& palette, const uint8_t texels[16], int most, uint8_t indices[16]) {
  long error = 0;
  for (int i = 0; i < 16; ++i) {
    int best = -1;
    long bestError = 0;
    for (int k = 0; k < 8; ++k) {
      if (palette[k] > most) continue;
      const long e = static_cast<long>(palette[k] - texels[i]) * (palette[k] - texels[i]);
      if (best < 0 || e < bestError) {
        best = k;
        bestError = e;
      }
    }
    indices[i] = static_cast<uint8_t>(best);
    error += bestError;
  }
  return error;
}

// One 16-byte DXT5 block of white texels with the given alphas (row by row).
void EncodeBlock(const uint8_t texels[16], uint8_t out[16]) {
  const int lo = *std::min_element(texels, texels + 16), hi = *std::max_element(texels, texels + 16);
  // Eight-step mode between the extremes, against six-step mode between the extremes of the
  // texels that are neither 0 nor 255 (which that mode holds exactly).
  int innerLo = 255, innerHi = 0;
  for (int i = 0; i < 16; ++i) {
    if (texels[i] != 0 && texels[i] != 255) {
      innerLo = std::min<int>(innerLo, texels[i]);
      innerHi = std::max<int>(innerHi, texels[i]);
    }
  }
  if (innerLo > innerHi) innerLo = innerHi = hi;
  uint8_t eight[16], six[16];
  const int a0 = hi, a1 = lo;
  long eightError = ChooseIndices(AlphaPalette(a0, a1), texels, hi, eight);
  const long sixError = ChooseIndices(AlphaPalette(innerLo, innerHi), texels, hi, six);
  const bool useSix = sixError < eightError;
  out[0] = static_cast<uint8_t>(useSix ? innerLo : a0);
  out[1] = static_cast<uint8_t>(useSix ? innerHi : a1);
  uint64_t bits = 0;
  for (int i = 0; i < 16; ++i) bits |= static_cast<uint64_t>(useSix ? six[i] : eight[i]) << (3 * i);
  for (int i = 0; i < 6; ++i) out[2 + i] = static_cast<uint8_t>(bits >> (8 * i));
  // Colour: both endpoints white, every index 0.
  out[8] = out[9] = out[10] = out[11] = 0xFF;
  out[12] = out[13] = out[14] = out[15] = 0;
}

void DecodeBlock(const uint8_t block[16], uint8_t texels[16]) {
  const auto palette = AlphaPalette(block[0], block[1]);
  uint64_t bits = 0;
  for (int i = 0; i < 6; ++i) bits |= static_cast<uint64_t>(block[2 + i]) << (8 * i);
  for (int i = 0; i < 16; ++i) texels[i] = static_cast<uint8_t>(palette[(bits >> (3 * i)) & 7]);
}

void Put32(std::vector<uint8_t>* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::vector<uint8_t> MakeDDS(const Plane& plane) {
  std::vector<uint8_t> file;
  const uint32_t levelSize = static_cast<uint32_t>(plane.width * plane.height);  // one byte a texel
  Put32(&file, 0x20534444);                                                  // "DDS "
  Put32(&file, 124);
  Put32(&file, 0x1 | 0x2 | 0x4 | 0x1000 | 0x80000);  // caps, height, width, pixel format, linear size
  Put32(&file, static_cast<uint32_t>(plane.height));
  Put32(&file, static_cast<uint32_t>(plane.width));
  Put32(&file, levelSize);
  Put32(&file, 0);  // depth
  Put32(&file, 0);  // mip levels
  for (int i = 0; i < 11; ++i) Put32(&file, 0);
  Put32(&file, 32);  // pixel format size
  Put32(&file, 0x4);  // four-character code
  Put32(&file, 0x35545844);  // "DXT5"
  for (int i = 0; i < 5; ++i) Put32(&file, 0);
  Put32(&file, 0x1000);  // caps: texture
  for (int i = 0; i < 4; ++i) Put32(&file, 0);
  for (int by = 0; by < plane.height; by += 4) {
    for (int bx = 0; bx < plane.width; bx += 4) {
      uint8_t texels[16], block[16];
      for (int i = 0; i < 16; ++i) texels[i] = plane.alpha[static_cast<size_t>(by + i / 4) * plane.width + bx + i % 4];
      EncodeBlock(texels, block);
      file.insert(file.end(), block, block + 16);
    }
  }
  return file;
}

// What the DDS file holds, as an alpha plane.
Plane DecodeDDS(const std::vector<uint8_t>& file, int width, int height) {
  Plane plane(width, height);
  const uint8_t* block = file.data() + 128;
  for (int by = 0; by < height; by += 4) {
    for (int bx = 0; bx < width; bx += 4, block += 16) {
      uint8_t texels[16];
      DecodeBlock(block, texels);
      for (int i = 0; i < 16; ++i) plane.at(bx + i % 4, by + i / 4) = texels[i];
    }
  }
  return plane;
}

// ---------------------------------------------------------------------------------------------
// The font sheet

struct Glyph {
  uint8_t x, y, width, height;
};

// A box for characters without a drawn glyph.
void DrawBox(Plane* sheet, int x, int y, int width) {
  for (int row = 2; row <= 10; ++row) {
    for (int col = 1; col < width - 1; ++col) {
      const bool border = row == 2 || row == 10 || col == 1 || col == width - 2;
      if (border) sheet->at(x + col, y + row) = 255;
    }
  }
}

bool MakeFontSheet(const char* fontPath, Plane* sheet, std::array<Glyph, kGlyphCount>* glyphs) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return false;
  FT_Face face = nullptr;
  if (FT_New_Face(library, fontPath, 0, &face) != 0) {
    std::fprintf(stderr, "tolvarine-images: cannot read the font %s\n", fontPath);
    FT_Done_FreeType(library);
    return false;
  }
  FT_Set_Pixel_Sizes(face, 0, kGlyphPixelSize);
  const int baseline = 10;
  int penX = 0, penY = 0;
  bool ok = true;
  for (int code = 0; code < kGlyphCount && ok; ++code) {
    const bool drawn = code >= 32 && code <= 126;
    int width = 7;
    if (drawn) {
      if (FT_Load_Char(face, static_cast<FT_ULong>(code), FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0) {
        ok = false;
        break;
      }
      width = std::max(1, static_cast<int>((face->glyph->advance.x + 32) >> 6));
    }
    if (penX + width > kSheetWidth) {
      penX = 0;
      penY += kGlyphHeight + 1;
    }
    if (penY + kGlyphHeight > kSheetHeight) {
      std::fprintf(stderr, "tolvarine-images: the glyphs do not fit the sheet\n");
      ok = false;
      break;
    }
    (*glyphs)[code] = Glyph{static_cast<uint8_t>(penX), static_cast<uint8_t>(penY), static_cast<uint8_t>(width),
                            static_cast<uint8_t>(kGlyphHeight)};
    if (drawn) {
      const FT_Bitmap& bitmap = face->glyph->bitmap;
      const int left = face->glyph->bitmap_left, top = baseline - face->glyph->bitmap_top;
      for (unsigned row = 0; row < bitmap.rows; ++row) {
        for (unsigned col = 0; col < bitmap.width; ++col) {
          const int x = left + static_cast<int>(col), y = top + static_cast<int>(row);
          if (x < 0 || x >= width || y < 0 || y >= kGlyphHeight) continue;
          uint8_t& texel = sheet->at(penX + x, penY + y);
          texel = std::max(texel, bitmap.buffer[row * bitmap.pitch + col]);
        }
      }
    } else {
      DrawBox(sheet, penX, penY, width);
    }
    penX += width + 1;
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  return ok;
}

// ---------------------------------------------------------------------------------------------
// Output

std::vector<uint8_t> EncodePNG(const Plane& plane) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(plane.width);
  image.height = static_cast<png_uint_32>(plane.height);
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> rgba;
  for (uint8_t a : plane.alpha) rgba.insert(rgba.end(), {255, 255, 255, a});
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr)) return {};
  std::vector<uint8_t> out(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgba.data(), 0, nullptr)) return {};
  out.resize(size);
  return out;
}

bool WriteFile(const std::string& path, const void* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

void AppendBytes(std::string* out, const uint8_t* data, size_t size) {
  char hex[8];
  for (size_t i = 0; i < size; ++i) {
    std::snprintf(hex, sizeof hex, "%u,", data[i]);
    *out += hex;
    if (i % 32 == 31) *out += '\n';
  }
}

// The table: entry count, then {byte length, offset} per image, then the images, each starting
// at a multiple of 4; offsets count from the table's start.
std::vector<uint8_t> MakeTable(const std::vector<std::vector<uint8_t>>& images) {
  std::vector<uint8_t> table;
  Put32(&table, static_cast<uint32_t>(images.size()));
  size_t offset = 4 + 8 * images.size();
  for (const auto& image : images) {
    Put32(&table, static_cast<uint32_t>(image.size()));
    Put32(&table, static_cast<uint32_t>(offset));
    offset = (offset + image.size() + 3) & ~size_t{3};
  }
  for (const auto& image : images) {
    table.insert(table.end(), image.begin(), image.end());
    table.resize((table.size() + 3) & ~size_t{3}, 0);
  }
  return table;
}

int Usage() {
  std::fprintf(stderr, "usage: tolvarine-images [--font FONT.ttf] (--out FILE.cpp | --png DIR)\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string font = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", out, pngDir;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--font") {
      font = argv[i + 1];
    } else if (option == "--out") {
      out = argv[i + 1];
    } else if (option == "--png") {
      pngDir = argv[i + 1];
    } else {
      return Usage();
    }
  }
  if (argc % 2 == 0 || (out.empty() && pngDir.empty())) return Usage();

  std::vector<Plane> planes;
  planes.push_back(Paint([](double, double) { return 1.0; }));
  for (Plane& shape : ParticleShapes()) planes.push_back(std::move(shape));
  Plane sheet(kSheetWidth, kSheetHeight);
  std::array<Glyph, kGlyphCount> glyphs{};
  if (!MakeFontSheet(font.c_str(), &sheet, &glyphs)) return 1;
  planes.push_back(std::move(sheet));

  std::vector<std::vector<uint8_t>> images;
  for (const Plane& plane : planes) images.push_back(MakeDDS(plane));
  // Entry 16: a small soft disk as a PNG.
  Plane disk(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) disk.at(x, y) = ToByte(Edge(Distance(x + 0.5, y + 0.5, 8, 8) - 7.0));
  images.push_back(EncodePNG(disk));
  if (images.back().empty()) return 1;

  if (!pngDir.empty()) {
    std::error_code made;
    std::filesystem::create_directories(pngDir, made);
    if (made) {
      std::fprintf(stderr, "tolvarine-images: cannot make %s: %s\n", pngDir.c_str(), made.message().c_str());
      return 1;
    }
    for (size_t i = 0; i < images.size(); ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "/image_%02zu.png", i);
      std::vector<uint8_t> png =
          i + 1 < images.size() ? EncodePNG(DecodeDDS(images[i], planes[i].width, planes[i].height)) : images[i];
      if (png.empty() || !WriteFile(pngDir + name, png.data(), png.size())) {
        std::fprintf(stderr, "tolvarine-images: cannot write %s%s\n", pngDir.c_str(), name);
        return 1;
      }
    }
  }
  if (!out.empty()) {
    const std::vector<uint8_t> table = MakeTable(images);
    std::string source =
        "// Made by tolvarine-images at build time: the runner's built-in images and the glyph table of\n"
        "// its debug font.\n#include \"assets/embedded_images.h\"\n\nalignas(4) const uint8_t g_EmbeddedImages[] = {\n";
    AppendBytes(&source, table.data(), table.size());
    source += "};\nconst size_t g_EmbeddedImagesSize = sizeof g_EmbeddedImages;\n\nconst uint8_t g_EmbeddedGlyphs[] = {\n";
    for (const Glyph& g : glyphs) {
      const uint8_t bytes[4] = {g.x, g.y, g.width, g.height};
      AppendBytes(&source, bytes, 4);
    }
    source += "};\n";
    if (!WriteFile(out, source.data(), source.size())) {
      std::fprintf(stderr, "tolvarine-images: cannot write %s\n", out.c_str());
      return 1;
    }
  }
  return 0;
}
