// Lumbrix's pictures, drawn in code: every sprite frame, the backgrounds and the font sheets, as
// straight (not premultiplied) RGBA images.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumbrix_content {

struct Image {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgba;  // rows top first, R G B A
};

// The frames of sprite `index` at the table's size (Sprites()), in frame order.
std::vector<Image> DrawSprite(int32_t index);
// Background `index` at the table's size (Backgrounds()).
Image DrawBackground(int32_t index);

// A font's glyph sheet: one cell per character 32 to 127, each as wide as its glyph's image and as
// tall as the line, with where it lies on the sheet and how the pen moves.
struct GlyphCell {
  uint16_t character = 0;
  int32_t x = 0, y = 0, width = 0, height = 0;
  int32_t shift = 0;   // pen advance
  int32_t offset = 0;  // left bearing
};
struct FontSheet {
  Image sheet;
  std::vector<GlyphCell> glyphs;
};
// Rasterises a DejaVu face (file name in the system's DejaVu folder) at `pixel_size`; false with a
// message when the face cannot be read.
bool RasteriseFont(const std::string& face_file, uint32_t pixel_size, FontSheet* out, std::string* error);
// The folder the DejaVu faces are read from.
std::string DejaVuFolder();

}  // namespace lumbrix_content

namespace lumbrix_content {
struct Placed;
// A map of a room's placed instances, scaled to at most 1200 pixels: wires as the pieces lay
// them, chips, triggers and spawners (player yellow, ghosts white, chasers red, turrets grey).
Image DrawRoomMap(int32_t room_width, int32_t room_height, const std::vector<Placed>& placed);
}  // namespace lumbrix_content
