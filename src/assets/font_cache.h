// The glyph cache of a font made from a font file: one square texture page cut into equal cells,
// into which glyphs are rendered when text first needs them. When every cell is taken, the cell
// assigned longest ago is reused (after a flush when its glyph was drawn in the current frame).
#pragma once

#include <cstdint>
#include <vector>

struct CFontGlyph;
struct FontFace;
struct Texture;

struct FontGlyphCell {
  FontGlyphCell* next = nullptr;
  FontGlyphCell* previous = nullptr;
  CFontGlyph* glyph = nullptr;  // null while free
  int32_t x = 0;                // top-left pixel on the page
  int32_t y = 0;
  uint32_t lastUse = 0;  // frame number
};

// Cell size and page layout of a face's metrics (all in whole pixels).
struct FontCacheLayout {
  int32_t cellWidth = 0;
  int32_t cellHeight = 0;
  int32_t side = 0;   // the page side asked for (0 for empty metrics)
  int32_t cells = 0;  // cells on a page of that side (the device may make a smaller page)
};
// Area A = (height + 4) x (advance + 4); the side is 512, doubled until side^2 / A >= 20 or it
// reaches `maxSide` (the device's largest texture).
FontCacheLayout FontGlyphCache_Layout(int32_t lineHeight, int32_t maxAdvance, int32_t maxSide);
// Cells of a page: ((width - 4) / (cell width + 2)) x ((height - 4) / (cell height + 2)).
int32_t FontGlyphCache_CellCount(int32_t pageWidth, int32_t pageHeight, int32_t cellWidth, int32_t cellHeight);

class FontGlyphCache {
 public:
  FontGlyphCache() = default;
  ~FontGlyphCache();
  FontGlyphCache(const FontGlyphCache&) = delete;
  FontGlyphCache& operator=(const FontGlyphCache&) = delete;

  // Makes the page (white, alpha 0) and its cells; false when the page cannot be made or holds
  // no cell (the cache then has no cells and no slot).
  bool Init(int32_t width, int32_t height, int32_t reserved, FontFace* face);
  // Renders the glyph into the cell assigned longest ago and returns it (null without cells).
  FontGlyphCell* AddGlyph(CFontGlyph* glyph, uint32_t frame);

  int32_t CellCount() const { return m_cellCount; }
  int32_t CellWidth() const { return m_cellWidth; }
  int32_t CellHeight() const { return m_cellHeight; }
  int32_t PageWidth() const { return m_pageWidth; }
  int32_t PageHeight() const { return m_pageHeight; }
  int32_t Slot() const { return m_slot; }
  Texture* PageTexture() const { return m_texture; }
  // Newest assignment first.
  FontGlyphCell* FirstCell() const { return m_first; }

 private:
  void RenderInto(FontGlyphCell* cell, CFontGlyph* glyph);

  FontGlyphCell* m_first = nullptr;
  FontGlyphCell* m_last = nullptr;
  Texture* m_texture = nullptr;
  int32_t m_slot = -1;
  int32_t m_cellCount = 0;
  FontFace* m_face = nullptr;  // not owned: the font's
  int32_t m_cellWidth = 0;
  int32_t m_cellHeight = 0;
  int32_t m_pageWidth = 0;
  int32_t m_pageHeight = 0;
  int32_t m_gapX = 2;
  int32_t m_gapY = 2;
  std::vector<FontGlyphCell> m_cells;
};

// The one font-file library every face uses; started by Font_Init (its failure is printed).
void FontFile_StartLibrary();
void FontFile_ReleaseFace(FontFace* face);
