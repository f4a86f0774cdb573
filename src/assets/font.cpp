#include "assets/font.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "assets/render_hooks.h"
#include "assets/embedded_images.h"
#include "assets/font_cache.h"
#include "assets/font_sprite.h"
#include "assets/texture_pages.h"
#include "core/utf8.h"
#include "runtime/container.h"
#include "core/colour.h"
#include "core/name_index.h"

namespace {

constexpr float kDegreesToRadians = 0.017453292f;

// The fraction of the line's width at pen offset t; a line of no width takes 0.
float Fraction(int32_t t, int32_t total) {
  return total == 0 ? 0.0f : static_cast<float>(t) / static_cast<float>(total);
}

struct CornerColours {
  uint32_t c[4];
};

// The corner colours of a glyph from pen offset t to t + shift along a line of `total`.
CornerColours GlyphColours(uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4, int32_t t, int32_t shift,
                           int32_t total) {
  const float a = Fraction(t, total);
  const float b = Fraction(t + shift, total);
  return CornerColours{{Colour_Merge(c1, c2, a), Colour_Merge(c1, c2, b), Colour_Merge(c4, c3, b),
                        Colour_Merge(c4, c3, a)}};
}

}  // namespace

CFontTL::CFontTL() { Clear(); }

CFontTL::CFontTL(const uint8_t* table, int32_t first, int32_t last, int32_t slot) {
  Clear();
  m_faceName = "debug";
  m_size = 10;
  m_first = first;
  m_last = last;
  m_antialias = 3;
  m_texelPad = 0.5f;
  m_ownEntry = std::make_unique<TPageEntry>(
      TPageEntry{0, 0, 256, 128, 0, 0, 256, 128, 256, 128, static_cast<int16_t>(slot)});
  m_entry = m_ownEntry.get();
  m_sheetWidth = 256;
  m_sheetHeight = 128;
  if (first <= last && first >= 0) {
    m_ownGlyphs.reserve(static_cast<size_t>(last - first + 1));
    for (int32_t c = first; c <= last; ++c) {
      const uint8_t* at = table + 4 * c;
      const auto width = static_cast<int16_t>(at[2]);
      m_ownGlyphs.push_back(CFontGlyph{static_cast<uint16_t>(c), static_cast<int16_t>(at[0]),
                                       static_cast<int16_t>(at[1]), width, static_cast<int16_t>(at[3]), width, 0,
                                       0});
    }
  }
  for (CFontGlyph& g : m_ownGlyphs) m_glyphs.push_back(&g);
  SortGlyphs();
  TakeTallest();
}

CFontTL::CFontTL(int32_t sprite, const char* characters, bool proportional, int32_t separation) {
  Clear();
  std::vector<uint16_t> codes;
  if (characters != nullptr) {
    for (const char* p = characters; *p != '\0';) codes.push_back(UTF8_Decode(&p));
  }
  BuildFromSprite(sprite, codes, proportional, separation);
}

CFontTL::CFontTL(int32_t sprite, const std::vector<uint16_t>& codes, bool proportional, int32_t separation) {
  Clear();
  BuildFromSprite(sprite, codes, proportional, separation);
}

void CFontTL::BuildFromSprite(int32_t sprite, std::vector<uint16_t> codes, bool proportional,
                              int32_t separation) {
  FontSpriteInfo info;
  if (!FontSprite_Info(sprite, &info)) return;
  m_sprite = sprite;
  if (codes.size() > static_cast<size_t>(std::max(info.frames, 0))) codes.resize(static_cast<size_t>(info.frames));
  const bool added = std::find(codes.begin(), codes.end(), uint16_t{32}) == codes.end();
  if (added) codes.push_back(32);
  m_ownGlyphs.resize(codes.size());
  int32_t widest = -999;
  for (size_t j = 0; j < codes.size(); ++j) {
    const auto frame = static_cast<int32_t>(j);
    int32_t left = 0;
    int32_t right = info.width;
    if (frame < info.frames && proportional) FontSprite_FrameExtent(sprite, frame, &left, &right);
    const int32_t shift = separation + right - left;
    m_ownGlyphs[j] = CFontGlyph{codes[j], 0, 0, static_cast<int16_t>(frame), static_cast<int16_t>(info.height),
                                static_cast<int16_t>(shift), static_cast<int16_t>(-left), 0};
    if (codes[j] != 32) widest = std::max(widest, shift);
  }
  if (added) m_ownGlyphs.back().shift = static_cast<int16_t>(widest);
  for (CFontGlyph& g : m_ownGlyphs) m_glyphs.push_back(&g);
  SortGlyphs();
  TakeTallest();
  m_first = m_glyphs.front()->character;
  m_last = m_first + static_cast<int32_t>(m_glyphs.size());
}

CFontTL::~CFontTL() {
  Clear();
  m_cache.reset();
}

void CFontTL::Clear() {
  m_faceName.clear();
  m_fileBytes.clear();
  m_fileBytes.shrink_to_fit();
  if (m_face != nullptr) FontFile_ReleaseFace(m_face);
  m_face = nullptr;
  m_cells.clear();
  if (m_slot >= 0) GR_Texture_Free(m_slot);
  m_alphaSheet.clear();
  m_size = 12;
  m_bold = m_italic = false;
  m_first = 32;
  m_last = 128;
  m_sprite = -1;
  m_xScale = m_yScale = 1.0f;
  m_texelPad = 0.0f;
  m_maxHeight = 0;
  m_slot = -1;
}

bool CFontTL::LoadFromChunk(const uint8_t* entry, const ContainerBytes& container) {
  Clear();
  m_glyphs.clear();
  m_ownGlyphs.clear();
  m_entry = nullptr;
  const auto at = static_cast<uint64_t>(entry - container.data);
  if (!container.Has(at, kFontEntryHeader)) return false;
  bool ok = true;
  const char* face = container.TextAt(Container_U32(entry + 4), &ok);
  if (!ok) return false;
  const uint32_t entryOffset = Container_U32(entry + 28);
  if (entryOffset != 0) {
    if (!Container_PageEntryAt(container, entryOffset)) return false;
    m_entry = reinterpret_cast<TPageEntry*>(container.data + entryOffset);
  }
  const uint32_t count = Container_U32(entry + 40);
  if (!container.Has(at + kFontEntryHeader, 4ull * count)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t g = Container_U32(entry + kFontEntryHeader + 4 * i);
    if (g == 0 || g % 2 != 0 || !container.Has(g, sizeof(CFontGlyph))) return false;
    m_glyphs.push_back(reinterpret_cast<CFontGlyph*>(container.data + g));
  }
  m_size = Container_I32(entry + 8);
  m_bold = Container_U32(entry + 12) != 0;
  m_italic = Container_U32(entry + 16) != 0;
  const uint32_t range = Container_U32(entry + 20);
  m_first = static_cast<int32_t>(range & 0xFFFF);
  m_charset = static_cast<int32_t>((range >> 16) & 0xFF);
  const int32_t aa = static_cast<int32_t>(range >> 24);
  m_antialias = aa == 0 ? 0 : aa - 1;
  m_last = Container_I32(entry + 24);
  m_sheetWidth = m_entry != nullptr ? m_entry->sourceWidth : 0;
  m_sheetHeight = m_entry != nullptr ? m_entry->sourceHeight : 0;
  float scale;
  std::memcpy(&scale, entry + 32, 4);
  m_xScale = scale;
  std::memcpy(&scale, entry + 36, 4);
  m_yScale = scale;
  if (face != nullptr) m_faceName = face;
  // Stored in ascending order; a damaged order would only break the search, so it is put right.
  SortGlyphs();
  TakeTallest();
  return true;
}

void CFontTL::SortGlyphs() {
  std::stable_sort(m_glyphs.begin(), m_glyphs.end(),
                   [](const CFontGlyph* a, const CFontGlyph* b) { return a->character < b->character; });
}

void CFontTL::TakeTallest() {
  m_maxHeight = 0;
  for (const CFontGlyph* g : m_glyphs) m_maxHeight = std::max<int32_t>(m_maxHeight, g->height);
}

void CFontTL::InitTexture() {
  FreeTexture();
  if (m_entry != nullptr || m_sprite >= 0 || m_faceName.empty()) return;
  const size_t pixels = static_cast<size_t>(std::max(m_sheetWidth, 0)) * static_cast<size_t>(std::max(m_sheetHeight, 0));
  if (pixels == 0 || m_alphaSheet.size() < pixels) return;
  m_slot = GR_Texture_CreateFromAlpha(m_sheetWidth, m_sheetHeight, m_alphaSheet.data());
}

void CFontTL::FreeTexture() {
  if (m_slot >= 0) GR_Texture_Free(m_slot);
  m_slot = -1;
}

int32_t CFontTL::GetTexture() {
  if (m_entry != nullptr) return GR_TPE_Handle(m_entry);
  return GR_Texture_Exists(m_slot) ? m_slot : kTextureHandleNone;
}

const CFontGlyph* CFontTL::FindGlyph(uint16_t character) {
  size_t low = 0;
  size_t high = m_glyphs.size();
  while (low < high) {
    const size_t mid = low + (high - low) / 2;
    const uint16_t c = m_glyphs[mid]->character;
    if (c == character) {
      CFontGlyph* g = m_glyphs[mid];
      if (!m_cells.empty()) {
        const uint32_t frame = Assets_FrameNumber();
        if (g->x == -1 && g->y == -1 && m_cache != nullptr) m_cells[mid] = m_cache->AddGlyph(g, frame);
        if (m_cells[mid] != nullptr && m_cells[mid]->glyph == g) m_cells[mid]->lastUse = frame;
      }
      return g;
    }
    if (c < character) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  if (character == kFontReplacementCharacter) return nullptr;
  return FindGlyph(kFontReplacementCharacter);
}

int32_t CFontTL::CharShift(uint16_t character) {
  const CFontGlyph* g = FindGlyph(character);
  return g != nullptr ? g->shift : 0;
}

int32_t CFontTL::TextWidth(const uint16_t* text) {
  if (text == nullptr) return 0;
  int32_t width = 0;
  for (; *text != 0; ++text) width += CharShift(*text);
  return width;
}

Texture* CFontTL::SheetTexture(float* texelWidth, float* texelHeight) const {
  const TextureSlot* s = GR_Texture_Slot(m_entry != nullptr ? m_entry->page : m_slot);
  if (s == nullptr) return nullptr;
  *texelWidth = s->texelWidth;
  *texelHeight = s->texelHeight;
  return s->texture;
}

void CFontTL::EmitGlyph(Texture* texture, float tw, float th, const CFontGlyph* g, const float* xs, const float* ys,
                        const uint32_t* colours) {
  float uL, vT, uR, vB;
  if (m_entry != nullptr) {
    const float pad = m_texelPad;
    uL = (static_cast<float>(m_entry->sourceX + g->x) - pad) * tw;
    uR = (static_cast<float>(m_entry->sourceX + g->x + g->width) + pad) * tw;
    vT = (static_cast<float>(m_entry->sourceY + g->y) - pad) * th;
    vB = (static_cast<float>(m_entry->sourceY + g->y + g->height) + pad) * th;
  } else {
    uL = static_cast<float>(g->x) * tw;
    uR = static_cast<float>(g->x + g->width) * tw;
    vT = static_cast<float>(g->y) * th;
    vB = static_cast<float>(g->y + g->height) * th;
  }
  GR_Texture_EmitQuad(texture, xs[0], ys[0], xs[1], ys[1], xs[2], ys[2], xs[3], ys[3], uL, vT, uR, vB,
                      GR_MarkCorner(colours[0], 0), GR_MarkCorner(colours[1], 1), GR_MarkCorner(colours[2], 2),
                      GR_MarkCorner(colours[3], 3));
}

void CFontTL::DrawSprite(float x, float y, const uint16_t* text, float xScale, float yScale, float angle,
                         uint32_t colour, float alpha) {
  float c = 1.0f;
  float s = 0.0f;
  if (std::fabs(angle) >= 0.001f) {
    const float theta = angle * kDegreesToRadians;
    c = std::cos(theta);
    s = std::sin(theta);
  }
  for (; *text != 0; ++text) {
    const CFontGlyph* g = FindGlyph(*text);
    if (g == nullptr) continue;
    if (g->character != 32) {
      FontSprite_Draw(m_sprite, g->width, x + xScale * c * g->offset, y - xScale * s * g->offset, xScale, yScale,
                      angle, colour, alpha);
    }
    x += xScale * c * g->shift;
    y -= xScale * s * g->shift;
  }
}

void CFontTL::Draw(float x, float y, const uint16_t* text, uint32_t colour, float alpha) {
  DrawTransformed(x, y, text, m_xScale, m_yScale, 0.0f, colour, alpha);
}

void CFontTL::DrawTransformed(float x, float y, const uint16_t* text, float xs, float ys, float angle,
                              uint32_t colour, float alpha) {
  if (text == nullptr || text[0] == 0) return;
  if (m_sprite >= 0) {
    DrawSprite(x, y, text, xs, ys, angle, colour, alpha);
    return;
  }
  float tw = 0;
  float th = 0;
  Texture* texture = SheetTexture(&tw, &th);
  if (texture == nullptr) return;
  const uint32_t packed = GR_ColourToARGB(colour, alpha);
  const uint32_t colours[4] = {packed, packed, packed, packed};
  const float pad = m_texelPad;
  if (std::fabs(angle) < 0.001f) {
    for (; *text != 0; ++text) {
      const CFontGlyph* g = FindGlyph(*text);
      if (g == nullptr) continue;
      const float left = x + g->offset * xs - pad;
      const float right = x + g->offset * xs + g->width * xs + pad;
      const float top = y - pad;
      const float bottom = y + g->height * ys + pad;
      const float cx[4] = {left, right, right, left};
      const float cy[4] = {top, top, bottom, bottom};
      EmitGlyph(texture, tw, th, g, cx, cy, colours);
      x += g->shift * xs;
    }
    return;
  }
  const float theta = angle * kDegreesToRadians;
  const float c = std::cos(theta);
  const float s = std::sin(theta);
  for (; *text != 0; ++text) {
    const CFontGlyph* g = FindGlyph(*text);
    if (g == nullptr) continue;
    const float ax = x + xs * c * g->offset;
    const float ay = y - xs * s * g->offset;
    const float w = g->width * xs;
    const float h = g->height * ys;
    const float cx[4] = {ax - pad, ax + w * c - pad, ax + w * c + h * s + pad, ax + h * s + pad};
    const float cy[4] = {ay - pad, ay - w * s - pad, ay - w * s + h * c + pad, ay + h * c + pad};
    EmitGlyph(texture, tw, th, g, cx, cy, colours);
    x += xs * c * g->shift;
    y -= xs * s * g->shift;
  }
}

void CFontTL::DrawColour(float x, float y, const uint16_t* text, uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4,
                         float alpha) {
  if (text == nullptr || text[0] == 0) return;
  const int32_t total = TextWidth(text);
  int32_t t = 0;
  for (; *text != 0; ++text) {
    const CFontGlyph* g = FindGlyph(*text);
    if (g == nullptr) continue;
    const CornerColours k = GlyphColours(c1, c2, c3, c4, t, g->shift, total);
    if (m_sprite >= 0) {
      if (g->character != 32) {
        FontSprite_DrawGeneral(m_sprite, g->width, x + g->offset * m_xScale, y, m_xScale, m_yScale, 0, k.c[0],
                               k.c[1], k.c[2], k.c[3], alpha);
      }
      x += g->shift * m_xScale;
    } else {
      if (m_entry != nullptr) {
        GR_TPE_DrawGeneral(m_entry, g->x, g->y, g->width, g->height, x + g->offset, y, m_xScale, m_yScale, 0,
                           k.c[0], k.c[1], k.c[2], k.c[3], alpha);
      } else {
        GR_Texture_DrawGeneral(m_slot, g->x, g->y, g->width, g->height, x + g->offset, y, 1, 1, 0, k.c[0], k.c[1],
                               k.c[2], k.c[3], alpha);
      }
      x += g->shift;
    }
    t += g->shift;
  }
}

void CFontTL::DrawTransformedColour(float x, float y, const uint16_t* text, float xs, float ys, float angle,
                                    uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4, float alpha) {
  if (text == nullptr || text[0] == 0) return;
  const float theta = angle * kDegreesToRadians;
  const float c = std::cos(theta);
  const float s = std::sin(theta);
  const int32_t total = TextWidth(text);
  int32_t t = 0;
  for (; *text != 0; ++text) {
    const CFontGlyph* g = FindGlyph(*text);
    if (g == nullptr) continue;
    const CornerColours k = GlyphColours(c1, c2, c3, c4, t, g->shift, total);
    const float ax = x + c * g->offset * xs;
    const float ay = y - s * g->offset * xs;
    if (m_sprite >= 0) {
      if (g->character != 32) {
        FontSprite_DrawGeneral(m_sprite, g->width, ax, ay, xs, ys, angle, k.c[0], k.c[1], k.c[2], k.c[3], alpha);
      }
    } else if (m_entry != nullptr) {
      GR_TPE_DrawGeneral(m_entry, g->x, g->y, g->width, g->height, ax, ay, xs, ys, theta, k.c[0], k.c[1], k.c[2],
                         k.c[3], alpha);
    } else {
      GR_Texture_DrawGeneral(m_slot, g->x, g->y, g->width, g->height, ax, ay, xs, ys, theta, k.c[0], k.c[1], k.c[2],
                             k.c[3], alpha);
    }
    x += c * g->shift * xs;
    y -= s * g->shift * xs;
    t += g->shift;
  }
}

// --- the font table ---

namespace {

struct FontTable {
  std::vector<CFontTL*> fonts;  // capacity entries; null where none
  std::vector<std::string> names;
  std::vector<bool> named;
  int32_t count = 0;
  int32_t capacity = 0;
  const uint8_t* characterMap = nullptr;  // the chunk's 256 u16 values
  CFontTL* builtIn = nullptr;
};
FontTable g_fonts;
// Every path that fills, empties, renames or resizes a slot passes EmptyTable, Append, Put or
// Font_Delete, which forget it.
NameIndex g_index;

void EmptyTable() {
  g_index.Invalidate();
  for (CFontTL*& f : g_fonts.fonts) {
    delete f;
    f = nullptr;
  }
  g_fonts.fonts.clear();
  g_fonts.names.clear();
  g_fonts.named.clear();
  g_fonts.count = 0;
  g_fonts.capacity = 0;
}

void Reserve(int32_t capacity) {
  g_fonts.capacity = capacity;
  g_fonts.fonts.resize(static_cast<size_t>(capacity), nullptr);
  g_fonts.names.resize(static_cast<size_t>(capacity));
  g_fonts.named.resize(static_cast<size_t>(capacity), false);
}

bool InRange(int32_t index) { return index >= 0 && index < g_fonts.count; }

int32_t Append(CFontTL* font) {
  g_index.Invalidate();
  if (g_fonts.count == g_fonts.capacity) Reserve(g_fonts.capacity + 5);
  const int32_t index = g_fonts.count++;
  g_fonts.fonts[static_cast<size_t>(index)] = font;
  char name[32];
  std::snprintf(name, sizeof name, "__newfont%d", index);
  g_fonts.names[static_cast<size_t>(index)] = name;
  g_fonts.named[static_cast<size_t>(index)] = true;
  return index;
}

bool Put(int32_t index, CFontTL* font) {
  if (!InRange(index)) {
    delete font;
    return false;
  }
  delete g_fonts.fonts[static_cast<size_t>(index)];
  g_fonts.fonts[static_cast<size_t>(index)] = font;
  g_index.Invalidate();
  return true;
}

std::vector<uint16_t> SpriteCharacters(int32_t sprite, int32_t first, bool mapped) {
  std::vector<uint16_t> codes;
  FontSpriteInfo info;
  if (!FontSprite_Info(sprite, &info)) return codes;
  for (int32_t i = 0; i < info.frames; ++i) {
    codes.push_back(mapped ? Font_MapCharacter(first + i) : static_cast<uint16_t>(first + i));
  }
  return codes;
}

}  // namespace

int32_t Font_Number() { return g_fonts.count; }
int32_t Font_Capacity() { return g_fonts.capacity; }
bool Font_Exists(int32_t index) { return Font_Data(index) != nullptr; }

CFontTL* Font_Data(int32_t index) { return InRange(index) ? g_fonts.fonts[static_cast<size_t>(index)] : nullptr; }

const char* Font_Name(int32_t index) {
  if (!Font_Exists(index) || !g_fonts.named[static_cast<size_t>(index)]) return "<undefined>";
  return g_fonts.names[static_cast<size_t>(index)].c_str();
}

int32_t Font_Find(const char* name) {
  return g_index.Find(name, [](auto add) {
    for (int32_t i = 0; i < g_fonts.count; ++i) {
      if (Font_Exists(i) && g_fonts.named[static_cast<size_t>(i)]) add(g_fonts.names[static_cast<size_t>(i)], i);
    }
  });
}

void Font_Init() {
  FontFile_StartLibrary();
  EmptyTable();
  g_fonts.characterMap = nullptr;
}

bool Font_Load(uint8_t* body, uint32_t size, const ContainerBytes& container) {
  uint32_t count = 0;
  if (!Container_ReadCount("FONT", body, size, 0, 4, &count)) return false;
  EmptyTable();
  Reserve(static_cast<int32_t>(count));
  g_fonts.count = static_cast<int32_t>(count);
  // A chunk without room for the map after its offsets (an empty list) maps nothing.
  const bool hasMap = size - 4 - 4ull * count >= kFontCharacterMapBytes;
  g_fonts.characterMap = hasMap ? body + size - kFontCharacterMapBytes : nullptr;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t at = Container_U32(body + 4 + 4 * i);
    if (at == 0) continue;
    bool ok = container.Has(at, kFontEntryHeader);
    const char* name = ok ? container.TextAt(Container_U32(container.data + at), &ok) : nullptr;
    auto* font = new CFontTL();
    if (!ok || !font->LoadFromChunk(container.data + at, container)) {
      delete font;
      Game_FailLoad("FONT", "font %u at container offset %u is damaged", i, at);
      return false;
    }
    g_fonts.fonts[i] = font;
    g_fonts.names[i] = name != nullptr ? name : "";
    g_fonts.named[i] = true;
  }
  return true;
}

uint16_t Font_MapCharacter(int32_t value) {
  if (value < 0 || value > 255 || g_fonts.characterMap == nullptr) return static_cast<uint16_t>(value);
  return Container_U16(g_fonts.characterMap + 2 * value);
}

int32_t Font_Add(const char* fileName, int32_t size, bool bold, bool italic, int32_t first, int32_t last) {
  return Append(new CFontTL(fileName, size, bold, italic, first, last));
}

int32_t Font_AddSprite(int32_t sprite, int32_t first, bool proportional, int32_t separation) {
  return Append(new CFontTL(sprite, SpriteCharacters(sprite, first, true), proportional, separation));
}

int32_t Font_AddSpriteExt(int32_t sprite, const char* characters, bool proportional, int32_t separation) {
  return Append(new CFontTL(sprite, characters, proportional, separation));
}

bool Font_Replace(int32_t index, const char* fileName, int32_t size, bool bold, bool italic, int32_t first,
                  int32_t last) {
  if (!InRange(index)) return false;
  return Put(index, new CFontTL(fileName, size, bold, italic, first, last));
}

bool Font_ReplaceSprite(int32_t index, int32_t sprite, int32_t first, bool proportional, int32_t separation) {
  if (!InRange(index)) return false;
  return Put(index, new CFontTL(sprite, SpriteCharacters(sprite, first, false), proportional, separation));
}

bool Font_ReplaceSpriteExt(int32_t index, int32_t sprite, const char* characters, bool proportional,
                           int32_t separation) {
  if (!InRange(index)) return false;
  return Put(index, new CFontTL(sprite, characters, proportional, separation));
}

bool Font_Delete(int32_t index) {
  if (!InRange(index)) return false;
  const auto i = static_cast<size_t>(index);
  delete g_fonts.fonts[i];
  g_fonts.fonts[i] = nullptr;
  g_fonts.names[i].clear();
  g_fonts.named[i] = false;
  g_index.Invalidate();
  return true;
}

void Font_InitTextures() {
  for (int32_t i = 0; i < g_fonts.count; ++i) {
    if (CFontTL* f = Font_Data(i)) f->InitTexture();
  }
}

void Font_FreeTextures() {
  for (int32_t i = 0; i < g_fonts.count; ++i) {
    if (CFontTL* f = Font_Data(i)) f->FreeTexture();
  }
}

void Font_Shutdown() {
  Font_FreeTextures();
  EmptyTable();
  g_fonts.characterMap = nullptr;
}

CFontTL* Font_EnsureDefault() {
  if (g_fonts.builtIn == nullptr) {
    g_fonts.builtIn = new CFontTL(g_EmbeddedGlyphs, 32, 136, Assets_DebugFontSlot());
  }
  return g_fonts.builtIn;
}

CFontTL* Font_Default() { return g_fonts.builtIn; }

void Font_DeleteDefault() {
  delete g_fonts.builtIn;
  g_fonts.builtIn = nullptr;
}

void Font_SetNamesForTest(const char* const* names, int32_t count) {
  EmptyTable();
  for (int32_t i = 0; i < count; ++i) {
    const int32_t index = Append(names[i] != nullptr ? new CFontTL() : nullptr);
    g_fonts.names[static_cast<size_t>(index)] = names[i] != nullptr ? names[i] : "";
  }
}
