// The pictures share one look: sand-coloured wires on dark green, dark chips with gold pins that
// light up green when hacked, a pale yellow player and white ghosts that the game tints. The
// colours match what the game's draw code uses for the board, so editor sprites and the board
// agree. Text inside pictures is set in DejaVu through FreeType, so the same bytes come out on
// every machine with the same packages.
#include "content/art.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

#include "content/content.h"

namespace lumbrix_content {

namespace {

constexpr double kPi = std::numbers::pi;

struct Rgb {
  double r, g, b;
};
constexpr Rgb kWire{0xE1 / 255.0, 0xC4 / 255.0, 0x82 / 255.0};
constexpr Rgb kWireEdge{0xAE / 255.0, 0xB5 / 255.0, 0x7F / 255.0};
constexpr Rgb kUnderlay{0x02 / 255.0, 0x38 / 255.0, 0x2B / 255.0};
constexpr Rgb kBoard{0x00 / 255.0, 0x80 / 255.0, 0x40 / 255.0};
constexpr Rgb kChipBody{0.10, 0.13, 0.12};
constexpr Rgb kGold{0.86, 0.70, 0.30};
constexpr Rgb kLit{0.30, 1.00, 0.55};
constexpr Rgb kPlayer{1.0, 1.0, 0x9E / 255.0};
constexpr Rgb kChaser{1.0, 0x20 / 255.0, 0x20 / 255.0};
constexpr Rgb kPurple{0.55, 0.20, 0.75};

void Colour(cairo_t* cr, Rgb c, double alpha = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

void RoundRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  r = std::min({r, w / 2, h / 2});
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
  cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
  cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
  cairo_close_path(cr);
}

// One DejaVu face for every text inside pictures, loaded once.
class PictureFont {
 public:
  PictureFont() {
    if (FT_Init_FreeType(&m_library) != 0) return;
    const std::string path = DejaVuFolder() + "/DejaVuSans-Bold.ttf";
    if (FT_New_Face(m_library, path.c_str(), 0, &m_face) != 0) m_face = nullptr;
    if (m_face != nullptr) m_cairo = cairo_ft_font_face_create_for_ft_face(m_face, 0);
  }
  ~PictureFont() {
    if (m_cairo != nullptr) cairo_font_face_destroy(m_cairo);
    if (m_face != nullptr) FT_Done_Face(m_face);
    if (m_library != nullptr) FT_Done_FreeType(m_library);
  }
  PictureFont(const PictureFont&) = delete;
  PictureFont& operator=(const PictureFont&) = delete;
  cairo_font_face_t* face() const { return m_cairo; }

 private:
  FT_Library m_library = nullptr;
  FT_Face m_face = nullptr;
  cairo_font_face_t* m_cairo = nullptr;
};

const PictureFont& Font() {
  static const PictureFont font;
  return font;
}

// Text centred on (cx, cy) at `size` pixels.
void Text(cairo_t* cr, const char* text, double cx, double cy, double size) {
  if (Font().face() == nullptr) return;
  cairo_set_font_face(cr, Font().face());
  cairo_set_font_size(cr, size);
  cairo_text_extents_t e;
  cairo_text_extents(cr, text, &e);
  cairo_move_to(cr, cx - e.width / 2 - e.x_bearing, cy - e.height / 2 - e.y_bearing);
  cairo_text_path(cr, text);
}

class Canvas {
 public:
  Canvas(int32_t w, int32_t h) : m_w(w), m_h(h) {
    m_surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    m_cr = cairo_create(m_surface);
    cairo_set_line_join(m_cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(m_cr, CAIRO_LINE_CAP_ROUND);
  }
  ~Canvas() {
    cairo_destroy(m_cr);
    cairo_surface_destroy(m_surface);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  cairo_t* cr() const { return m_cr; }

  // Straight RGBA from cairo's premultiplied native-endian words.
  Image Take() {
    cairo_surface_flush(m_surface);
    Image image{m_w, m_h, std::vector<uint8_t>(static_cast<size_t>(m_w) * m_h * 4)};
    const unsigned char* data = cairo_image_surface_get_data(m_surface);
    const int stride = cairo_image_surface_get_stride(m_surface);
    for (int32_t y = 0; y < m_h; ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
      for (int32_t x = 0; x < m_w; ++x) {
        const uint32_t p = row[x];
        const uint32_t a = p >> 24;
        uint8_t* out = &image.rgba[(static_cast<size_t>(y) * m_w + x) * 4];
        for (int c = 0; c < 3; ++c) {
          const uint32_t v = (p >> (16 - 8 * c)) & 0xFF;
          out[c] = static_cast<uint8_t>(a == 0 ? 0 : std::min<uint32_t>(255, (v * 255 + a / 2) / a));
        }
        out[3] = static_cast<uint8_t>(a);
      }
    }
    return image;
  }

 private:
  int32_t m_w, m_h;
  cairo_surface_t* m_surface;
  cairo_t* m_cr;
};

// A wire along the piece's nodes, as the board draws it: underlay, edge, core.
void WirePath(cairo_t* cr, const std::vector<std::pair<double, double>>& nodes) {
  for (const auto& [pass, width] : {std::pair{0, 20.0}, std::pair{1, 8.0}, std::pair{2, 6.0}}) {
    cairo_new_path(cr);
    for (const auto& [x, y] : nodes) cairo_line_to(cr, x, y);
    Colour(cr, pass == 0 ? kUnderlay : pass == 1 ? kWireEdge : kWire, pass == 0 ? 0.8 : 1.0);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
  }
}

// The editor sprites of the wire pieces: the piece's path, kept inside the frame.
Image WirePiece(int32_t w, int32_t h, std::vector<std::pair<double, double>> nodes) {
  Canvas c(w, h);
  for (auto& [x, y] : nodes) {
    x = std::clamp(x, 10.0, w - 10.0);
    y = std::clamp(y, 10.0, h - 10.0);
  }
  WirePath(c.cr(), nodes);
  return c.Take();
}

Image Chip(int32_t w, int32_t h, bool lit) {
  Canvas c(w, h);
  cairo_t* cr = c.cr();
  const double inset = 12;
  if (!lit) {
    // Pins along every side, then the body and its engraving.
    Colour(cr, kGold);
    for (double x = 25; x < w - 12; x += 25) {
      cairo_rectangle(cr, x - 4, 2, 8, inset);
      cairo_rectangle(cr, x - 4, h - inset - 2, 8, inset);
    }
    for (double y = 25; y < h - 12; y += 25) {
      cairo_rectangle(cr, 2, y - 4, inset, 8);
      cairo_rectangle(cr, w - inset - 2, y - 4, inset, 8);
    }
    cairo_fill(cr);
    RoundRect(cr, inset, inset, w - 2 * inset, h - 2 * inset, 10);
    Colour(cr, kChipBody);
    cairo_fill_preserve(cr);
    Colour(cr, kWireEdge, 0.9);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    RoundRect(cr, w * 0.3, h * 0.3, w * 0.4, h * 0.4, 6);
    Colour(cr, kGold, 0.35);
    cairo_fill(cr);
    cairo_arc(cr, inset + 14, inset + 14, 5, 0, 2 * kPi);
    Colour(cr, kGold, 0.8);
    cairo_fill(cr);
  } else {
    // The lit overlay: a green glow over the body and bright traces.
    RoundRect(cr, inset, inset, w - 2 * inset, h - 2 * inset, 10);
    cairo_pattern_t* glow = cairo_pattern_create_radial(w / 2.0, h / 2.0, 5, w / 2.0, h / 2.0, std::max(w, h) * 0.6);
    cairo_pattern_add_color_stop_rgba(glow, 0, kLit.r, kLit.g, kLit.b, 0.9);
    cairo_pattern_add_color_stop_rgba(glow, 1, kLit.r, kLit.g, kLit.b, 0.25);
    cairo_set_source(cr, glow);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);
    Colour(cr, {0.85, 1.0, 0.9});
    cairo_set_line_width(cr, 3);
    for (double x = w * 0.3; x < w * 0.75; x += w * 0.15) {
      cairo_move_to(cr, x, inset + 6);
      cairo_line_to(cr, x, h - inset - 6);
    }
    cairo_stroke(cr);
  }
  return c.Take();
}

// The player: a glowing core with a pointer towards its heading (right, angle 0).
void PlayerShape(cairo_t* cr, double cx, double cy, double radius, double alpha) {
  cairo_pattern_t* glow = cairo_pattern_create_radial(cx, cy, 2, cx, cy, radius + 8);
  cairo_pattern_add_color_stop_rgba(glow, 0, 1, 1, 1, alpha);
  cairo_pattern_add_color_stop_rgba(glow, 0.5, kPlayer.r, kPlayer.g, kPlayer.b, alpha);
  cairo_pattern_add_color_stop_rgba(glow, 1, kPlayer.r, kPlayer.g, kPlayer.b, 0);
  cairo_set_source(cr, glow);
  cairo_arc(cr, cx, cy, radius + 8, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_pattern_destroy(glow);
  cairo_move_to(cr, cx + radius + 6, cy);
  cairo_line_to(cr, cx + radius * 0.3, cy - radius * 0.7);
  cairo_line_to(cr, cx + radius * 0.3, cy + radius * 0.7);
  cairo_close_path(cr);
  Colour(cr, {0.35, 0.30, 0.05}, alpha);
  cairo_fill(cr);
}

Image Player() {
  Canvas c(59, 56);
  PlayerShape(c.cr(), 29, 28, 14, 1);
  return c.Take();
}

// The death: the core flashes, bursts into sparks that fly out and fade.
Image Death(int32_t frame, int32_t frames) {
  Canvas c(59, 56);
  cairo_t* cr = c.cr();
  const double t = static_cast<double>(frame) / (frames - 1);
  if (t < 0.3) PlayerShape(cr, 29, 28, 14 * (1 + t), 1 - t * 2);
  for (int k = 0; k < 10; ++k) {
    const double a = 2 * kPi * k / 10 + 0.3;
    const double r = 6 + t * 20;
    const double x = 29 + std::cos(a) * r;
    const double y = 28 + std::sin(a) * r;
    cairo_arc(cr, x, y, 3.5 * (1 - t) + 0.5, 0, 2 * kPi);
    Colour(cr, k % 2 == 0 ? kPlayer : Rgb{1, 0.6, 0.2}, 1 - t);
    cairo_fill(cr);
  }
  return c.Take();
}

// The ghost: a white sheet whose hem waves once round the 18 frames, so the loop is seamless;
// the game tints it with the ghost's colour.
Image Ghost(int32_t frame, int32_t frames) {
  Canvas c(40, 40);
  cairo_t* cr = c.cr();
  const double phase = 2 * kPi * frame / frames;
  cairo_move_to(cr, 6, 22);
  cairo_arc(cr, 20, 18, 14, kPi, 2 * kPi);
  cairo_line_to(cr, 34, 33);
  for (int k = 0; k <= 28; ++k) {
    const double x = 34 - k;
    cairo_line_to(cr, x, 33 + 3 * std::sin(phase + x * 0.45));
  }
  cairo_close_path(cr);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.95);
  cairo_fill(cr);
  // The eyes close for one frame in the middle of the loop.
  const double open = frame == frames / 2 ? 0.2 : 1.0;
  for (double x : {15.0, 26.0}) {
    cairo_save(cr);
    cairo_translate(cr, x, 18);
    cairo_scale(cr, 1, open);
    cairo_arc(cr, 0, 0, 3, 0, 2 * kPi);
    cairo_restore(cr);
  }
  cairo_set_source_rgba(cr, 0.1, 0.1, 0.15, 1);
  cairo_fill(cr);
  return c.Take();
}

// Circuit traces that meet the tile's edges at the same places on opposite sides, so the tile
// repeats without a seam.
Image BackgroundTile() {
  Canvas c(200, 200);
  cairo_t* cr = c.cr();
  Colour(cr, kBoard);
  cairo_paint(cr);
  Colour(cr, {0.0, 0.42, 0.21});
  cairo_set_line_width(cr, 4);
  for (double v : {50.0, 150.0}) {
    cairo_move_to(cr, 0, v);
    cairo_line_to(cr, 200, v);
    cairo_move_to(cr, v, 0);
    cairo_line_to(cr, v, 200);
  }
  cairo_stroke(cr);
  cairo_set_line_width(cr, 2);
  cairo_move_to(cr, 50, 100);
  cairo_line_to(cr, 100, 100);
  cairo_line_to(cr, 125, 75);
  cairo_line_to(cr, 150, 75);
  cairo_stroke(cr);
  for (double x : {50.0, 150.0}) {
    for (double y : {50.0, 150.0}) {
      cairo_arc(cr, x, y, 7, 0, 2 * kPi);
      cairo_fill(cr);
    }
  }
  return c.Take();
}

Image Button(int32_t w, int32_t h, const char* label, bool hover) {
  Canvas c(w, h);
  cairo_t* cr = c.cr();
  RoundRect(cr, 4, 4, w - 8, h - 8, 14);
  Colour(cr, hover ? Rgb{0.05, 0.35, 0.18} : kUnderlay);
  cairo_fill_preserve(cr);
  Colour(cr, hover ? kLit : kWire);
  cairo_set_line_width(cr, hover ? 5 : 3);
  cairo_stroke(cr);
  Text(cr, label, w / 2.0, h / 2.0, h * 0.45);
  Colour(cr, hover ? Rgb{0.9, 1, 0.9} : kWire);
  cairo_fill(cr);
  return c.Take();
}

// An arrow pointing left, filling the frame.
Image Arrow(int32_t w, int32_t h, Rgb colour) {
  Canvas c(w, h);
  cairo_t* cr = c.cr();
  cairo_move_to(cr, 3, h / 2.0);
  cairo_line_to(cr, w - 4, 4);
  cairo_line_to(cr, w - 12, h / 2.0);
  cairo_line_to(cr, w - 4, h - 4.0);
  cairo_close_path(cr);
  Colour(cr, colour);
  cairo_fill_preserve(cr);
  Colour(cr, kUnderlay);
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  return c.Take();
}

Image Labelled(int32_t w, int32_t h, const char* label) {
  Canvas c(w, h);
  cairo_t* cr = c.cr();
  RoundRect(cr, 2, 2, w - 4, h - 4, 8);
  Colour(cr, kUnderlay);
  cairo_fill(cr);
  Text(cr, label, w / 2.0, h / 2.0, h * 0.5);
  Colour(cr, kWire);
  cairo_fill(cr);
  return c.Take();
}

Image Logo() {
  Canvas c(995, 234);
  cairo_t* cr = c.cr();
  // Traces behind the name, ending in pads.
  Colour(cr, kWireEdge);
  cairo_set_line_width(cr, 6);
  for (int k = 0; k < 4; ++k) {
    const double y = 40 + k * 50;
    cairo_move_to(cr, 10, y);
    cairo_line_to(cr, 120 + k * 20, y);
    cairo_line_to(cr, 150 + k * 20, y + 20);
    cairo_move_to(cr, 985, y);
    cairo_line_to(cr, 875 - k * 20, y);
    cairo_line_to(cr, 845 - k * 20, y + 20);
  }
  cairo_stroke(cr);
  Text(cr, "LUMBRIX", 497, 117, 170);
  cairo_path_t* name = cairo_copy_path(cr);
  Colour(cr, kUnderlay);
  cairo_set_line_width(cr, 16);
  cairo_stroke(cr);
  cairo_append_path(cr, name);
  cairo_pattern_t* fill = cairo_pattern_create_linear(0, 30, 0, 200);
  cairo_pattern_add_color_stop_rgb(fill, 0, 1, 1, 0.85);
  cairo_pattern_add_color_stop_rgb(fill, 1, kWire.r, kWire.g * 0.9, kWire.b * 0.6);
  cairo_set_source(cr, fill);
  cairo_fill(cr);
  cairo_pattern_destroy(fill);
  cairo_path_destroy(name);
  return c.Take();
}

// One picture per level, in menu order, the seventh for "all done": the level's name over a
// sketch of its board.
Image LevelCard(int32_t frame) {
  static constexpr const char* kNames[] = {"TUTORIAL", "GUITAR", "CIRCLE", "FORTRESS", "LASERS", "GRID", "DONE"};
  Canvas c(263, 78);
  cairo_t* cr = c.cr();
  RoundRect(cr, 2, 2, 259, 74, 10);
  Colour(cr, kUnderlay);
  cairo_fill_preserve(cr);
  Colour(cr, kWireEdge);
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  Colour(cr, kBoard);
  cairo_set_line_width(cr, 3);
  switch (frame) {
    case 0:
      cairo_move_to(cr, 20, 70);
      cairo_line_to(cr, 20, 20);
      cairo_line_to(cr, 50, 20);
      break;
    case 1:
      for (int k = 0; k < 6; ++k) {
        cairo_move_to(cr, 12, 18 + k * 8);
        cairo_line_to(cr, 58, 18 + k * 8);
      }
      break;
    case 2:
      for (int k = 0; k < 3; ++k) cairo_arc(cr, 36, 39, 10 + k * 8, 0, 2 * kPi), cairo_new_sub_path(cr);
      break;
    case 3:
      cairo_move_to(cr, 36, 10);
      cairo_line_to(cr, 64, 39);
      cairo_line_to(cr, 36, 68);
      cairo_line_to(cr, 8, 39);
      cairo_close_path(cr);
      break;
    case 4:
      cairo_move_to(cr, 10, 60);
      cairo_line_to(cr, 60, 18);
      cairo_move_to(cr, 10, 18);
      cairo_line_to(cr, 60, 60);
      break;
    case 5:
      cairo_rectangle(cr, 12, 14, 48, 50);
      cairo_move_to(cr, 36, 14);
      cairo_line_to(cr, 36, 64);
      cairo_move_to(cr, 12, 39);
      cairo_line_to(cr, 60, 39);
      break;
    default:
      cairo_move_to(cr, 14, 40);
      cairo_line_to(cr, 30, 58);
      cairo_line_to(cr, 60, 18);
      break;
  }
  cairo_stroke(cr);
  Text(cr, kNames[std::clamp(frame, 0, 6)], 160, 39, 26);
  Colour(cr, kWire);
  cairo_fill(cr);
  return c.Take();
}

// The turret seen from above: a round base (drawn by the game from sp_doodad1) and a barrel
// pointing right; the deploy frames unfold the barrel from its housing.
Image Turret(double unfolded) {
  Canvas c(60, 60);
  cairo_t* cr = c.cr();
  cairo_arc(cr, 30, 30, 12, 0, 2 * kPi);
  Colour(cr, {0.35, 0.36, 0.40});
  cairo_fill_preserve(cr);
  Colour(cr, {0.1, 0.1, 0.12});
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  const double length = 6 + 22 * unfolded;
  cairo_rectangle(cr, 30, 26, length, 8);
  Colour(cr, {0.55, 0.56, 0.60});
  cairo_fill(cr);
  cairo_arc(cr, 30 + length, 30, 3 + 2 * unfolded, 0, 2 * kPi);
  Colour(cr, {1, 0.25, 0.2}, 0.4 + 0.6 * unfolded);
  cairo_fill(cr);
  for (int side : {-1, 1}) {
    cairo_move_to(cr, 30, 30 + side * 10);
    cairo_line_to(cr, 30 + 10 * unfolded, 30 + side * (10 + 8 * unfolded));
  }
  Colour(cr, {0.2, 0.2, 0.22});
  cairo_set_line_width(cr, 4);
  cairo_stroke(cr);
  return c.Take();
}

Image HackMeter() {
  Canvas c(147, 85);
  cairo_t* cr = c.cr();
  RoundRect(cr, 2, 2, 143, 81, 10);
  Colour(cr, kUnderlay, 0.9);
  cairo_fill_preserve(cr);
  Colour(cr, kPurple);
  cairo_set_line_width(cr, 3);
  cairo_stroke(cr);
  // The well the game fills with the progress bar (12..130 by 24..64).
  RoundRect(cr, 10, 22, 122, 44, 8);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
  cairo_fill(cr);
  Text(cr, "HACK", 73, 12, 13);
  Colour(cr, kWire);
  cairo_fill(cr);
  Text(cr, "0%          100%", 73, 75, 10);
  Colour(cr, kWireEdge);
  cairo_fill(cr);
  return c.Take();
}

Image Square(int32_t size, Rgb colour, double alpha) {
  Canvas c(size, size);
  cairo_t* cr = c.cr();
  cairo_rectangle(cr, 2, 2, size - 4, size - 4);
  Colour(cr, colour, alpha);
  cairo_fill_preserve(cr);
  Colour(cr, colour);
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  return c.Take();
}

Image Disc(int32_t size, Rgb colour) {
  Canvas c(size, size);
  cairo_t* cr = c.cr();
  cairo_arc(cr, size / 2.0, size / 2.0, size / 2.0 - 3, 0, 2 * kPi);
  Colour(cr, colour);
  cairo_fill_preserve(cr);
  Colour(cr, kUnderlay);
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  return c.Take();
}

}  // namespace

std::string DejaVuFolder() { return "/usr/share/fonts/truetype/dejavu"; }

std::vector<Image> DrawSprite(int32_t index) {
  using Nodes = std::vector<std::pair<double, double>>;
  switch (index) {
    case 0: return {WirePiece(300, 50, Nodes{{0, 25}, {300, 25}})};
    case 1: return {WirePiece(50, 300, Nodes{{25, 0}, {25, 300}})};
    case 2: return {WirePiece(300, 150, Nodes{{0, 0}, {150, 0}, {300, 150}})};
    case 3: return {WirePiece(300, 300, Nodes{{0, 300}, {0, 150}, {150, 0}, {300, 0}})};
    case 4: return {WirePiece(300, 300, Nodes{{0, 300}, {150, 300}, {300, 150}, {300, 0}})};
    case 5: return {WirePiece(300, 300, Nodes{{0, 0}, {0, 150}, {150, 300}, {300, 300}})};
    case 6: return {WirePiece(300, 300, Nodes{{0, 0}, {150, 0}, {300, 150}, {300, 300}})};
    case 7:
      return {WirePiece(250, 200, Nodes{{0, 200}, {200, 200}, {250, 150}, {250, 50}, {200, 0}, {100, 0}, {50, 50},
                                        {50, 100}, {0, 150}})};
    case 8: return {Square(100, kGold, 0.3)};
    case 9: return {Arrow(57, 54, kWire)};
    case 10: return {Labelled(99, 48, "EXIT")};
    case 11: return {Labelled(132, 49, "START")};
    case 12: return {Player()};
    case 13: {
      std::vector<Image> frames;
      for (int32_t f = 0; f < 17; ++f) frames.push_back(Death(f, 17));
      return frames;
    }
    case 14: {
      std::vector<Image> frames;
      for (int32_t f = 0; f < 18; ++f) frames.push_back(Ghost(f, 18));
      return frames;
    }
    case 15: return {BackgroundTile()};
    case 16: return {HackMeter()};
    case 17: return {Disc(32, kChaser)};
    case 18: return {Square(50, kPurple, 0.35)};
    case 19: return {WirePiece(50, 50, Nodes{{0, 0}, {50, 50}})};
    case 20: return {Chip(151, 150, false), Chip(151, 150, true)};
    case 21: return {Chip(200, 150, false), Chip(200, 150, true)};
    case 22: return {Chip(200, 200, false), Chip(200, 200, true)};
    case 23: return {Chip(250, 150, false), Chip(250, 150, true)};
    case 24: return {Arrow(45, 70, kWire)};
    case 25: return {Chip(250, 200, false), Chip(250, 200, true)};
    case 26: return {Chip(250, 250, false), Chip(250, 250, true)};
    case 27: return {Square(50, kWireEdge, 0.5)};
    case 28: return {Logo()};
    case 29: return {Disc(60, {0.25, 0.26, 0.30})};
    case 30: return {Turret(1.0)};
    case 31: return {Arrow(41, 74, kLit)};
    case 32: {
      std::vector<Image> frames;
      for (int32_t f = 0; f < 5; ++f) frames.push_back(Turret(f / 4.0));
      return frames;
    }
    case 33: {
      std::vector<Image> frames;
      for (int32_t f = 0; f < 7; ++f) frames.push_back(LevelCard(f));
      return frames;
    }
    case 34: return {Button(252, 96, "START", false), Button(252, 96, "START", true)};
    case 35: return {Button(250, 97, "EXIT", false), Button(250, 97, "EXIT", true)};
    default: return {};
  }
}

Image DrawBackground(int32_t index) {
  const BackgroundDef& def = Backgrounds().at(static_cast<size_t>(index));
  Canvas c(def.width, def.height);
  cairo_t* cr = c.cr();
  if (index == 0) {
    Colour(cr, kBoard);
    cairo_paint(cr);
  } else {
    // Refraction maps: a smooth ripple (normal map in the usual 0.5-centred encoding, or its
    // diffuse shading).
    for (int32_t y = 0; y < def.height; y += 4) {
      for (int32_t x = 0; x < def.width; x += 4) {
        const double nx = std::sin(2 * kPi * x / def.width * 2);
        const double ny = std::cos(2 * kPi * y / def.height * 2);
        if (index == 1) {
          cairo_set_source_rgb(cr, 0.5 + 0.4 * nx, 0.5 + 0.4 * ny, 1.0);
        } else {
          const double v = 0.5 + 0.25 * (nx + ny);
          cairo_set_source_rgb(cr, v, v, v);
        }
        cairo_rectangle(cr, x, y, 4, 4);
        cairo_fill(cr);
      }
    }
  }
  return c.Take();
}

bool RasteriseFont(const std::string& face_file, uint32_t pixel_size, FontSheet* out, std::string* error) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) {
    *error = "FreeType does not start";
    return false;
  }
  std::unique_ptr<FT_LibraryRec_, decltype(&FT_Done_FreeType)> libraryGuard(library, &FT_Done_FreeType);
  FT_Face face = nullptr;
  const std::string path = DejaVuFolder() + "/" + face_file;
  if (FT_New_Face(library, path.c_str(), 0, &face) != 0) {
    *error = "cannot read the face " + path + " (fonts-dejavu-core)";
    return false;
  }
  std::unique_ptr<FT_FaceRec_, decltype(&FT_Done_Face)> faceGuard(face, &FT_Done_Face);
  FT_Set_Pixel_Sizes(face, 0, pixel_size);
  const int32_t ascent = static_cast<int32_t>(face->size->metrics.ascender >> 6);
  const int32_t descent = static_cast<int32_t>(-(face->size->metrics.descender >> 6));
  const int32_t line = ascent + descent;
  // Glyphs side by side in rows of at most 1000 pixels, 2 transparent pixels round each.
  constexpr int32_t kBorder = 2;
  constexpr int32_t kRowWidth = 1000;
  struct Rendered {
    GlyphCell cell;
    std::vector<uint8_t> coverage;  // cell width x line
  };
  std::vector<Rendered> glyphs;
  int32_t x = kBorder, y = kBorder, widest = 0;
  for (uint16_t ch = 32; ch <= 127; ++ch) {
    Rendered r;
    r.cell.character = ch;
    if (FT_Load_Char(face, ch, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) {
      *error = "cannot render character " + std::to_string(ch);
      return false;
    }
    const FT_GlyphSlot g = face->glyph;
    const FT_Bitmap& bitmap = g->bitmap;
    r.cell.shift = static_cast<int32_t>(g->advance.x >> 6);
    r.cell.offset = g->bitmap_left;
    r.cell.width = std::max<int32_t>(1, static_cast<int32_t>(bitmap.width));
    r.cell.height = line;
    r.coverage.assign(static_cast<size_t>(r.cell.width) * line, 0);
    for (int32_t row = 0; row < static_cast<int32_t>(bitmap.rows); ++row) {
      const int32_t ty = ascent - g->bitmap_top + row;
      if (ty < 0 || ty >= line) continue;
      for (int32_t col = 0; col < static_cast<int32_t>(bitmap.width); ++col) {
        r.coverage[static_cast<size_t>(ty) * r.cell.width + col] = bitmap.buffer[row * bitmap.pitch + col];
      }
    }
    if (x + r.cell.width + kBorder > kRowWidth) {
      x = kBorder;
      y += line + 2 * kBorder;
    }
    r.cell.x = x;
    r.cell.y = y;
    x += r.cell.width + 2 * kBorder;
    widest = std::max(widest, x);
    glyphs.push_back(std::move(r));
  }
  out->sheet = Image{widest, y + line + kBorder, {}};
  out->sheet.rgba.assign(static_cast<size_t>(out->sheet.width) * out->sheet.height * 4, 0);
  out->glyphs.clear();
  for (const Rendered& r : glyphs) {
    for (int32_t gy = 0; gy < line; ++gy) {
      for (int32_t gx = 0; gx < r.cell.width; ++gx) {
        uint8_t* p = &out->sheet.rgba[(static_cast<size_t>(r.cell.y + gy) * out->sheet.width + r.cell.x + gx) * 4];
        p[0] = p[1] = p[2] = 255;
        p[3] = r.coverage[static_cast<size_t>(gy) * r.cell.width + gx];
      }
    }
    out->glyphs.push_back(r.cell);
  }
  return true;
}

}  // namespace lumbrix_content

namespace lumbrix_content {

Image DrawRoomMap(int32_t room_width, int32_t room_height, const std::vector<Placed>& placed) {
  // The bounds of what is placed, which may reach outside the room.
  double x0 = 0, y0 = 0, x1 = room_width, y1 = room_height;
  for (const Placed& p : placed) {
    x0 = std::min<double>(x0, p.x - 400);
    y0 = std::min<double>(y0, p.y - 400);
    x1 = std::max<double>(x1, p.x + 400);
    y1 = std::max<double>(y1, p.y + 400);
  }
  const double scale = 1200.0 / std::max(x1 - x0, y1 - y0);
  Canvas c(static_cast<int32_t>((x1 - x0) * scale) + 1, static_cast<int32_t>((y1 - y0) * scale) + 1);
  cairo_t* cr = c.cr();
  Colour(cr, kBoard);
  cairo_paint(cr);
  cairo_scale(cr, scale, scale);
  cairo_translate(cr, -x0, -y0);
  cairo_rectangle(cr, 0, 0, room_width, room_height);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.3);
  cairo_set_line_width(cr, 2 / scale);
  cairo_stroke(cr);
  for (const Placed& p : placed) {
    const double w = p.xscale, h = p.yscale;
    if (IsWirePiece(p.object)) {
      cairo_new_path(cr);
      for (const auto& [dx, dy] : PieceNodes(p.object)) cairo_line_to(cr, p.x + dx * w, p.y + dy * h);
      Colour(cr, kWire);
      cairo_set_line_width(cr, 3 / scale);
      cairo_stroke(cr);
    } else if (p.object == kChip) {
      cairo_rectangle(cr, p.x, p.y, 100 * w, 100 * h);
      Colour(cr, kGold);
      cairo_fill(cr);
    } else if (p.object == kTrigger) {
      cairo_rectangle(cr, p.x, p.y, 50 * w, 50 * h);
      Colour(cr, kPurple, 0.5);
      cairo_fill(cr);
    } else {
      const Rgb colour = p.object == kPlayerSpawn ? kPlayer : p.object == kChaserSpawner ? kChaser
                         : p.object == kTurretSpawner ? Rgb{0.6, 0.6, 0.65} : Rgb{1, 1, 1};
      cairo_arc(cr, p.x, p.y, (p.object == kPlayerSpawn ? 6 : 4) / scale, 0, 2 * kPi);
      Colour(cr, colour);
      cairo_fill(cr);
    }
  }
  return c.Take();
}

}  // namespace lumbrix_content
