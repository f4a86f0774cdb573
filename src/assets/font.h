// Fonts: 16-bit character strings turned into textured quads. A font is a list of glyphs sorted
// by character code, each a rectangle on a glyph sheet with its advance and left offset. The
// sheet is a rectangle of a texture page (fonts of the game data), a texture of its own (the
// built-in font, fonts rendered from font files into their glyph cache) or a sprite whose frames
// are the glyphs. Also the font table that scripts index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct ContainerBytes;
struct TPageEntry;
struct Texture;
struct FontGlyphCell;
class FontGlyphCache;
struct FontFace;

// 16 bytes, as stored in the game data.
struct CFontGlyph {
  uint16_t character;
  int16_t x;  // on the sheet; -1 and -1 for a glyph of a font file that is not in its cache
  int16_t y;
  int16_t width;  // a sprite font's frame number
  int16_t height;
  int16_t shift;   // how far the pen advances after the character
  int16_t offset;  // where the left edge is drawn relative to the pen
  uint16_t kerningCount;
};
static_assert(sizeof(CFontGlyph) == 16);

// The replacement glyph a font falls back to for characters it lacks.
inline constexpr uint16_t kFontReplacementCharacter = 9647;
// Bytes of a FONT entry before its glyph offsets, and the character map at the chunk's end.
inline constexpr uint32_t kFontEntryHeader = 44;
inline constexpr uint32_t kFontCharacterMapBytes = 512;

class CFontTL {
 public:
  CFontTL();
  // The built-in font: characters first..last take four bytes each of `table` (x, y, width,
  // height), indexed from character 0; the sheet is 256 x 128 on `slot`.
  CFontTL(const uint8_t* table, int32_t first, int32_t last, int32_t slot);
  // A font rendered on demand from a font file at `size` pixels.
  CFontTL(const char* fileName, int32_t size, bool bold, bool italic, int32_t first, int32_t last);
  // A font whose glyphs are a sprite's frames, frame j drawing character j of the UTF-8 string.
  CFontTL(int32_t sprite, const char* characters, bool proportional, int32_t separation);
  // The same from the characters themselves (frame j draws codes[j]).
  CFontTL(int32_t sprite, const std::vector<uint16_t>& codes, bool proportional, int32_t separation);
  virtual ~CFontTL();
  CFontTL(const CFontTL&) = delete;
  CFontTL& operator=(const CFontTL&) = delete;

  // From a FONT entry of the container; false (the font cleared) for an entry that does not fit.
  bool LoadFromChunk(const uint8_t* entry, const ContainerBytes& container);
  void Clear();
  void InitTexture();
  void FreeTexture();
  // A validated texture handle (texture_pages.h): the page entry's or the slot's, -1 for none.
  int32_t GetTexture();

  const char* GetFontName() const { return m_faceName.empty() ? "" : m_faceName.c_str(); }
  int32_t GetSize() const { return m_size; }
  bool GetBold() const { return m_bold; }
  bool GetItalic() const { return m_italic; }
  int32_t GetFirst() const { return m_first; }
  int32_t GetLast() const { return m_last; }
  int32_t GetCharset() const { return m_charset; }
  int32_t GetAntialias() const { return m_antialias; }
  int32_t GetSprite() const { return m_sprite; }
  int32_t GetSlot() const { return m_slot; }
  float GetXScale() const { return m_xScale; }
  float GetYScale() const { return m_yScale; }
  float GetTexelPad() const { return m_texelPad; }
  int32_t GlyphCount() const { return static_cast<int32_t>(m_glyphs.size()); }
  const CFontGlyph* Glyph(int32_t i) const { return m_glyphs[static_cast<size_t>(i)]; }
  FontGlyphCache* Cache() const { return m_cache.get(); }

  // Null when neither the character nor the replacement glyph is in the font. A glyph of a font
  // file is rendered into the cache on first use.
  const CFontGlyph* FindGlyph(uint16_t character);
  int32_t CharShift(uint16_t character);
  // The sum of the shifts, unscaled; 0 for null.
  int32_t TextWidth(const uint16_t* text);
  int32_t MaxHeight() const { return m_maxHeight; }

  // Colours are script colours (0x00BBGGRR); c1..c4 are the line's corners from the top left,
  // clockwise.
  void Draw(float x, float y, const uint16_t* text, uint32_t colour, float alpha);
  void DrawTransformed(float x, float y, const uint16_t* text, float xScale, float yScale, float angle,
                       uint32_t colour, float alpha);
  void DrawColour(float x, float y, const uint16_t* text, uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4,
                  float alpha);
  void DrawTransformedColour(float x, float y, const uint16_t* text, float xScale, float yScale, float angle,
                             uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4, float alpha);

 private:
  void LoadFontFile();
  void BuildFromSprite(int32_t sprite, std::vector<uint16_t> codes, bool proportional, int32_t separation);
  void SortGlyphs();
  void TakeTallest();
  // The sheet's texture and texel size; null when the font has none.
  Texture* SheetTexture(float* texelWidth, float* texelHeight) const;
  // One glyph quad from its corners (top left, clockwise) with the pad applied.
  void EmitGlyph(Texture* texture, float texelWidth, float texelHeight, const CFontGlyph* g, const float* xs,
                 const float* ys, const uint32_t* colours);
  void DrawSprite(float x, float y, const uint16_t* text, float xScale, float yScale, float angle, uint32_t colour,
                  float alpha);

  std::string m_faceName;
  int32_t m_size = 12;
  bool m_bold = false;
  bool m_italic = false;
  int32_t m_charset = 0;
  int32_t m_antialias = 0;
  int32_t m_first = 32;
  int32_t m_last = 128;
  int32_t m_sprite = -1;
  int32_t m_sheetWidth = 0;
  int32_t m_sheetHeight = 0;
  int32_t m_maxHeight = 0;
  std::vector<uint8_t> m_alphaSheet;
  int32_t m_slot = -1;
  TPageEntry* m_entry = nullptr;          // not owned (the game data's, or m_ownEntry)
  std::unique_ptr<TPageEntry> m_ownEntry;  // the built-in font's whole sheet
  std::vector<CFontGlyph*> m_glyphs;      // sorted by character
  std::vector<CFontGlyph> m_ownGlyphs;    // what m_glyphs points at, unless they lie in the game data
  float m_xScale = 1.0f;
  float m_yScale = 1.0f;
  float m_texelPad = 0.0f;
  std::vector<uint8_t> m_fileBytes;
  std::unique_ptr<FontGlyphCache> m_cache;
  std::vector<FontGlyphCell*> m_cells;  // parallel to m_glyphs; fonts from files only
  FontFace* m_face = nullptr;           // owned; fonts from files only
};

// --- the font table ---
int32_t Font_Number();
bool Font_Exists(int32_t index);
// "<undefined>" for an index that holds no font.
const char* Font_Name(int32_t index);
// The lowest index holding a font of exactly that name, -1 when none.
int32_t Font_Find(const char* name);
// Null for an empty index or one outside the table.
CFontTL* Font_Data(int32_t index);
// The table's capacity (it grows by 5 entries).
int32_t Font_Capacity();

// Starts the font-file library, then empties the table.
void Font_Init();
// Fills the table from the FONT chunk; a damaged chunk fails the load naming FONT.
bool Font_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
// The character the chunk's map gives a byte value; outside 0..255 (or without a map) the value.
uint16_t Font_MapCharacter(int32_t value);

int32_t Font_Add(const char* fileName, int32_t size, bool bold, bool italic, int32_t first, int32_t last);
int32_t Font_AddSprite(int32_t sprite, int32_t first, bool proportional, int32_t separation);
int32_t Font_AddSpriteExt(int32_t sprite, const char* characters, bool proportional, int32_t separation);
bool Font_Replace(int32_t index, const char* fileName, int32_t size, bool bold, bool italic, int32_t first,
                  int32_t last);
bool Font_ReplaceSprite(int32_t index, int32_t sprite, int32_t first, bool proportional, int32_t separation);
bool Font_ReplaceSpriteExt(int32_t index, int32_t sprite, const char* characters, bool proportional,
                           int32_t separation);
bool Font_Delete(int32_t index);

void Font_InitTextures();
void Font_FreeTextures();
void Font_Shutdown();

// The built-in font (made on first call; it lives until Font_DeleteDefault).
CFontTL* Font_EnsureDefault();
CFontTL* Font_Default();
void Font_DeleteDefault();

// For tests of name lookups: index n holds an empty font named names[n] (null: no font).
void Font_SetNamesForTest(const char* const* names, int32_t count);
