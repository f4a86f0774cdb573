// Fonts made from font files: the face's glyph list with metrics, and the glyph cache page that
// glyphs are rendered into on first use.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstring>
#include <limits>

#include "assets/render_hooks.h"
#include "assets/font.h"
#include "assets/font_cache.h"
#include "assets/texture_pages.h"
#include "core/console.h"
#include "io/load_save.h"

struct FontFace {
  FT_Face face = nullptr;
};

namespace {

constexpr FT_ULong kLargestCharacter = 0xFFFF;

FT_Library g_library = nullptr;

// 26.6 fixed point rounded up to whole pixels.
int32_t Ceil64(FT_Pos v) { return static_cast<int32_t>((v + 63) >> 6); }

constexpr int32_t kCacheGap = 2;
constexpr int32_t kMinimumCells = 20;

}  // namespace

void FontFile_StartLibrary() {
  if (g_library != nullptr) return;
  const FT_Error error = FT_Init_FreeType(&g_library);
  if (error != 0) {
    g_library = nullptr;
    Console_DebugOutput("Error while initialising FreeType %d\n", error);
  }
}

void FontFile_ReleaseFace(FontFace* face) {
  if (face == nullptr) return;
  if (face->face != nullptr) FT_Done_Face(face->face);
  delete face;
}

CFontTL::CFontTL(const char* fileName, int32_t size, bool bold, bool italic, int32_t first, int32_t last) {
  Clear();
  m_faceName = fileName != nullptr ? fileName : "";
  m_size = size;
  m_bold = bold;
  m_italic = italic;
  m_first = std::max(first, 0);
  m_last = std::min(last, 255);
  m_charset = 0;
  m_antialias = 3;
  LoadFontFile();
  if (m_slot < 0) InitTexture();
}

void CFontTL::LoadFontFile() {
  const char* name = m_faceName.c_str();
  const bool read = LoadSave_SaveFileExists(name) ? LoadSave_ReadSaveFile(name, &m_fileBytes)
                                                  : LoadSave_ReadProgramFile(name, &m_fileBytes);
  if (!read) {
    Console_DebugOutput("FreeType :: unable to find font file %s\n", name);
    return;
  }
  FontFile_StartLibrary();
  if (g_library == nullptr) return;
  auto* face = new FontFace();
  FT_Error e = FT_New_Memory_Face(g_library, m_fileBytes.data(), static_cast<FT_Long>(m_fileBytes.size()), 0,
                                  &face->face);
  if (e != 0) {
    delete face;
    Console_DebugOutput("FreeType :: error = %08x(%d) :: Unable to open font file %s\n", e, e, name);
    return;
  }
  m_face = face;
  FT_Face f = face->face;
  // A size below one pixel (or one the 26.6 value cannot hold) is refused by the library too.
  const FT_F26Dot6 height = static_cast<FT_F26Dot6>(std::clamp<int64_t>(m_size, 0, 1 << 20)) * 64;
  if ((e = FT_Set_Char_Size(f, 0, height, 0, 0)) != 0) {
    Console_DebugOutput("FreeType :: error = %08x(%d) :: Unable to set font pixel size\n", e, e);
    return;
  }
  if ((e = FT_Select_Charmap(f, FT_ENCODING_UNICODE)) != 0) {
    Console_DebugOutput("FreeType :: error = %08x(%d) :: Unable to select unicode font character map\n", e, e);
    return;
  }
  size_t n = 0;
  FT_UInt index = 0;
  // Glyphs are keyed by 16-bit characters: code points above U+FFFF are left out, not folded
  // onto the character their low bits name (U+1D400 would draw for U+D400).
  for (FT_ULong c = FT_Get_First_Char(f, &index); index != 0; c = FT_Get_Next_Char(f, c, &index)) {
    if (c <= kLargestCharacter) ++n;
  }
  m_ownGlyphs.assign(n + 1, CFontGlyph{});
  const FT_Size_Metrics& size = f->size->metrics;
  CFontGlyph& space = m_ownGlyphs[0];
  space.character = 32;
  if (FT_Load_Glyph(f, FT_Get_Char_Index(f, 32), FT_LOAD_DEFAULT) == 0) {
    space.shift = static_cast<int16_t>(Ceil64(f->glyph->metrics.horiAdvance));
  }
  size_t at = 1;
  for (FT_ULong c = FT_Get_First_Char(f, &index); index != 0 && at <= n; c = FT_Get_Next_Char(f, c, &index)) {
    if (c > kLargestCharacter) continue;
    CFontGlyph& g = m_ownGlyphs[at++];
    g.character = static_cast<uint16_t>(c);
    g.x = -1;
    g.y = -1;
    if (FT_Load_Glyph(f, index, FT_LOAD_DEFAULT) != 0) continue;
    const FT_Glyph_Metrics& m = f->glyph->metrics;
    g.width = static_cast<int16_t>(Ceil64(m.width));
    g.height = static_cast<int16_t>(Ceil64(m.height + size.ascender - m.horiBearingY));
    g.shift = static_cast<int16_t>(Ceil64(m.horiAdvance));
    g.offset = static_cast<int16_t>(Ceil64(m.horiBearingX));
  }
  m_ownGlyphs.resize(at);
  for (CFontGlyph& g : m_ownGlyphs) m_glyphs.push_back(&g);
  SortGlyphs();
  m_maxHeight = Ceil64(size.height);
  const FontCacheLayout layout = FontGlyphCache_Layout(Ceil64(size.height), Ceil64(size.max_advance), Texture_MaxSize());
  m_cache = std::make_unique<FontGlyphCache>();
  if (layout.side > 0) m_cache->Init(layout.side, layout.side, 0, face);
  m_cells.assign(m_glyphs.size(), nullptr);
  m_slot = m_cache->Slot();
  m_texelPad = 0.0f;
}

FontCacheLayout FontGlyphCache_Layout(int32_t lineHeight, int32_t maxAdvance, int32_t maxSide) {
  FontCacheLayout out;
  out.cellWidth = maxAdvance;
  out.cellHeight = lineHeight;
  const int64_t area = (static_cast<int64_t>(lineHeight) + 4) * (static_cast<int64_t>(maxAdvance) + 4);
  if (area <= 0 || lineHeight <= 0 || maxAdvance <= 0) return out;
  int64_t side = 512;
  while (side * side / area < kMinimumCells && side < maxSide) side *= 2;
  out.side = static_cast<int32_t>(side);
  out.cells = FontGlyphCache_CellCount(out.side, out.side, maxAdvance, lineHeight);
  return out;
}

int32_t FontGlyphCache_CellCount(int32_t pageWidth, int32_t pageHeight, int32_t cellWidth, int32_t cellHeight) {
  if (cellWidth <= 0 || cellHeight <= 0 || pageWidth < 4 || pageHeight < 4) return 0;
  const int64_t across = (pageWidth - 4) / (cellWidth + kCacheGap);
  const int64_t down = (pageHeight - 4) / (cellHeight + kCacheGap);
  return static_cast<int32_t>(std::min<int64_t>(across * down, std::numeric_limits<int32_t>::max()));
}

FontGlyphCache::~FontGlyphCache() = default;

namespace {

void ClearRect(Texture* t, int32_t x, int32_t y, int32_t width, int32_t height) {
  const int32_t stride = t->Width() * 4;
  for (int32_t row = y; row < y + height && row < t->Height(); ++row) {
    uint8_t* p = t->pixels + static_cast<size_t>(row) * static_cast<size_t>(stride) + static_cast<size_t>(x) * 4;
    for (int32_t col = x; col < x + width && col < t->Width(); ++col, p += 4) {
      p[0] = p[1] = p[2] = 255;
      p[3] = 0;
    }
  }
}

}  // namespace

bool FontGlyphCache::Init(int32_t width, int32_t height, int32_t, FontFace* face) {
  m_face = face;
  m_gapX = m_gapY = kCacheGap;
  const FT_Size_Metrics& size = face->face->size->metrics;
  m_cellWidth = Ceil64(size.max_advance);
  m_cellHeight = Ceil64(size.height);
  m_slot = GR_Texture_Create(width, height, false);
  m_texture = GR_Texture_Get(m_slot);
  if (m_texture == nullptr || m_texture->pixels == nullptr) {
    GR_Texture_Free(m_slot);
    m_slot = -1;
    m_texture = nullptr;
    return false;
  }
  m_pageWidth = m_texture->Width();
  m_pageHeight = m_texture->Height();
  ClearRect(m_texture, 0, 0, m_pageWidth, m_pageHeight);
  m_cellCount = FontGlyphCache_CellCount(m_pageWidth, m_pageHeight, m_cellWidth, m_cellHeight);
  if (m_cellCount <= 0) {
    GR_Texture_Free(m_slot);
    m_slot = -1;
    m_texture = nullptr;
    m_cellCount = 0;
    return false;
  }
  m_cells.resize(static_cast<size_t>(m_cellCount));
  int32_t x = m_gapX;
  int32_t y = m_gapY;
  for (FontGlyphCell& cell : m_cells) {
    cell.x = x;
    cell.y = y;
    cell.previous = m_last;
    if (m_last != nullptr) {
      m_last->next = &cell;
    } else {
      m_first = &cell;
    }
    m_last = &cell;
    x += m_cellWidth + m_gapX;
    if (x > m_pageWidth - m_cellWidth) {
      x = m_gapX;
      y += m_cellHeight + m_gapY;
    }
  }
  return true;
}

FontGlyphCell* FontGlyphCache::AddGlyph(CFontGlyph* glyph, uint32_t frame) {
  if (m_last == nullptr || m_texture == nullptr) return nullptr;
  FontGlyphCell* cell = m_last;
  if (cell != m_first) {
    m_last = cell->previous;
    m_last->next = nullptr;
    cell->previous = nullptr;
    cell->next = m_first;
    m_first->previous = cell;
    m_first = cell;
  }
  if (cell->glyph != nullptr) {
    // Quads already batched in this frame still read the old glyph's pixels.
    if (cell->lastUse == frame) Assets_FlushBatch();
    cell->glyph->x = -1;
    cell->glyph->y = -1;
  }
  cell->glyph = glyph;
  glyph->x = static_cast<int16_t>(cell->x);
  glyph->y = static_cast<int16_t>(cell->y);
  cell->lastUse = frame;
  ClearRect(m_texture, cell->x, cell->y, m_cellWidth, m_cellHeight);
  RenderInto(cell, glyph);
  Texture_UpdateRect(m_texture, cell->x, cell->y, m_cellWidth, m_cellHeight);
  return cell;
}

void FontGlyphCache::RenderInto(FontGlyphCell* cell, CFontGlyph* glyph) {
  FT_Face f = m_face->face;
  if (FT_Load_Glyph(f, FT_Get_Char_Index(f, glyph->character), FT_LOAD_DEFAULT) != 0) return;
  if (FT_Render_Glyph(f->glyph, FT_RENDER_MODE_NORMAL) != 0) return;
  const FT_Bitmap& bitmap = f->glyph->bitmap;
  const int32_t top = Ceil64(f->size->metrics.ascender - f->glyph->metrics.horiBearingY);
  const int32_t stride = m_texture->Width() * 4;
  for (int32_t row = 0; row < static_cast<int32_t>(bitmap.rows); ++row) {
    // Rows of a glyph that rises above the ascender start above the cell: they are cut off.
    const int32_t inCell = top + row;
    if (inCell < 0) continue;
    if (inCell >= m_cellHeight) break;
    const uint8_t* src = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
    uint8_t* dst = m_texture->pixels + static_cast<size_t>(cell->y + inCell) * static_cast<size_t>(stride) +
                   static_cast<size_t>(cell->x) * 4;
    const int32_t columns = std::min(static_cast<int32_t>(bitmap.width), m_cellWidth);
    for (int32_t col = 0; col < columns; ++col) {
      uint8_t alpha;
      switch (bitmap.pixel_mode) {
        case FT_PIXEL_MODE_MONO:
          alpha = (src[col >> 3] & (0x80 >> (col & 7))) != 0 ? 255 : 0;
          break;
        case FT_PIXEL_MODE_GRAY2:
          alpha = static_cast<uint8_t>(((src[col >> 2] >> (6 - 2 * (col & 3))) & 3) * 63);
          break;
        case FT_PIXEL_MODE_GRAY4:
          alpha = static_cast<uint8_t>(((src[col >> 1] >> (4 - 4 * (col & 1))) & 15) * 7);
          break;
        default:
          alpha = src[col];
          break;
      }
      uint8_t* p = dst + static_cast<size_t>(col) * 4;
      p[0] = p[1] = p[2] = 255;
      p[3] = alpha;
    }
  }
}
