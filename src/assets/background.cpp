// The background table and the background record: BGND loading, images from files, downloads,
// colours and gradients, copies, and the texture slots of images made at run time.
#include "assets/background.h"

#include "assets/asset_names_stand_in.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "assets/bitmap.h"
#include "assets/bitmap32.h"
#include "assets/image_decode.h"
#include "assets/texture.h"
#include "assets/texture_pages.h"
#include "assets/texture_pixels.h"
#include "core/console.h"
#include "core/memory_manager.h"
#include "core/name_index.h"
#include "io/load_save.h"
#include "world/async_queue.h"
#include "assets/http_results.h"
#include "assets/http_stand_in.h"

namespace {

constexpr uint32_t kEntrySize = 20;
constexpr int32_t kImageLoadedEvent = 60;
constexpr uint8_t kJPEG[] = {0xFF, 0xD8, 0xFF};
constexpr uint8_t kGIF[] = {'G', 'I', 'F', '8'};
constexpr uint8_t kPNG[] = {0x89, 'P', 'N', 'G'};

std::vector<CBackground*> g_backgrounds;
std::vector<std::string> g_names;
// Every path that fills, empties, renames or resizes a slot passes Ensure, Background_Init,
// Background_AppendSlot or Background_Delete, which forget it.
NameIndex g_index;

bool Starts(const uint8_t* data, size_t length, const uint8_t* signature, size_t n) {
  return data != nullptr && length >= n && std::memcmp(data, signature, n) == 0;
}

bool InRange(int32_t index) { return index >= 0 && static_cast<size_t>(index) < g_backgrounds.size(); }

// A runner-made 32-bit TBitmap of the size, its pixels copied from `pixels` (zeros when null).
std::unique_ptr<TBitmap> BitmapOf(const uint32_t* pixels, int32_t width, int32_t height) {
  uint32_t size = 0;
  uint8_t* block = TBitmap_NewBlock(width, height, &size);
  if (block == nullptr) return nullptr;
  if (pixels != nullptr) std::memcpy(block + kBitmapBlockHeader, pixels, size - kBitmapBlockHeader);
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetImage(block, size);
  return bitmap;
}

// Downloads carry the index and the flags: bit 0 transparent, bit 1 smooth, bit 2 preload.
struct BackgroundRequest {
  int32_t index;
  int32_t flags;
};

void StartDownload(int32_t index, const char* url, bool transparent, bool smooth, bool preload) {
  auto* request = new BackgroundRequest{index, (transparent ? 1 : 0) | (smooth ? 2 : 0) | (preload ? 4 : 0)};
  if (!HTTP_Get(url, -1, Background_AddHttpCallback, Background_AddHttpCleanup, request)) delete request;
}

bool IsUrl(const char* name) { return std::strncmp(name, "http://", 7) == 0 || std::strncmp(name, "https://", 8) == 0; }

// The path of a file in the save area, else beside the program; "" when neither holds it.
std::string Locate(const char* name) {
  std::string path;
  if (LoadSave_SaveFileExists(name)) path = LoadSave_MapSavePath(name);
  else if (LoadSave_ProgramFileExists(name)) path = LoadSave_MapReadPath(name);
  if (path.size() > 1024) path.resize(1024);
  return path;
}

// A background at the index, made when the index is empty; the index must be in range.
CBackground* Ensure(int32_t index) {
  CBackground*& slot = g_backgrounds[static_cast<size_t>(index)];
  if (slot == nullptr) {
    slot = new CBackground();
    g_index.Invalidate();
  }
  return slot;
}

std::string NewName(int32_t index) { return "__newbackground" + std::to_string(index); }

}  // namespace

// --- the record ------------------------------------------------------------------------------

CBackground::~CBackground() { Clear(); }

void CBackground::Clear() {
  delete m_bitmap;
  m_bitmap = nullptr;
  FreeTexture();
  m_width = m_height = 0;
  m_transparent = m_smooth = m_preload = false;
  m_entry = nullptr;
}

void CBackground::FreeTexture() {
  if (m_slot >= 0) GR_Texture_Free(m_slot);
  m_slot = -1;
}

void CBackground::LoadFromChunk(const ContainerBytes& container, uint32_t at) {
  Clear();
  const uint8_t* p = container.data + at;
  m_transparent = Container_U32(p + 4) != 0;
  m_smooth = Container_U32(p + 8) != 0;
  m_preload = Container_U32(p + 12) != 0;
  const uint32_t entry = Container_U32(p + 16);
  if (entry != 0 && Container_PageEntryAt(container, entry)) {
    m_entry = reinterpret_cast<TPageEntry*>(container.data + entry);
    m_width = m_entry->fullWidth;
    m_height = m_entry->fullHeight;
  }
}

void CBackground::SlotFromBitmap() {
  FreeTexture();
  m_slot = m_bitmap != nullptr ? GR_Texture_CreateFromBitmap(m_bitmap) : -1;
  if (m_preload && m_slot >= 0) GR_Texture_Preload(m_slot);
}

void CBackground::InitTexture() { SlotFromBitmap(); }

int32_t CBackground::GetTexture() const { return m_entry != nullptr ? GR_TPE_Handle(m_entry) : m_slot; }

void CBackground::Assign(const CBackground& other) {
  if (&other == this) return;
  delete m_bitmap;
  m_bitmap = nullptr;
  FreeTexture();
  m_width = other.m_width;
  m_height = other.m_height;
  m_transparent = other.m_transparent;
  m_smooth = other.m_smooth;
  m_preload = other.m_preload;
  m_entry = other.m_entry;
  if (other.m_bitmap != nullptr) m_bitmap = new CBitmap32(*other.m_bitmap);
  SlotFromBitmap();
}

bool CBackground::MakeBitmapFromPage() {
  if (m_bitmap != nullptr || m_entry == nullptr) return false;
  // A trimmed entry's rows go back to where they stood in the whole image.
  std::unique_ptr<TBitmap> full(TPE_ReadBackWhole(m_entry));
  if (full == nullptr) return false;
  m_bitmap = new CBitmap32(full.get(), false, false, true);
  m_entry = nullptr;
  SlotFromBitmap();
  return true;
}

void CBackground::CreateFromBitmap(TBitmap* bitmap, bool transparent, bool smooth, bool preload, bool keepAlpha) {
  Clear();
  m_transparent = transparent;
  m_smooth = smooth;
  m_preload = preload;
  if (bitmap == nullptr) return;
  m_width = bitmap->GetWidth();
  m_height = bitmap->GetHeight();
  std::unique_ptr<TBitmap> replacement;
  const int32_t maxSize = Texture_MaxSize();
  if (m_width > maxSize || m_height > maxSize) {
    Console_DebugOutput("Error creating background: image width or height exceeds maximum texture size of %d\n",
                        maxSize);
    m_width = std::min(m_width, maxSize);
    m_height = std::min(m_height, maxSize);
    const std::vector<uint32_t> red(static_cast<size_t>(m_width) * static_cast<size_t>(m_height), 0xFFFF0000u);
    replacement = BitmapOf(red.data(), m_width, m_height);
    bitmap = replacement.get();
  }
  // Keeping alpha copies the pixels as they are: removing the background colour would also clear
  // opaque pixels that happen to share the bottom-left pixel's colour.
  m_bitmap = keepAlpha ? new CBitmap32(bitmap, false, smooth, true) : new CBitmap32(bitmap, transparent, smooth);
  SlotFromBitmap();
}

bool CBackground::CreateFromPixels(const uint32_t* pixels, int32_t width, int32_t height, bool transparent,
                                   bool smooth, bool preload, bool keepAlpha) {
  std::unique_ptr<BitmapLoader> loader(BitmapLoader_Create(pixels, width, height));
  std::unique_ptr<IBitmap> image(loader != nullptr ? loader->CreateBitmap(0) : nullptr);
  CreateFromBitmap(static_cast<TBitmap*>(image.get()), transparent, smooth, preload, keepAlpha);
  return true;
}

void CBackground::CreateColour(int32_t width, int32_t height, uint32_t colour, bool preload) {
  Clear();
  m_preload = preload;
  m_width = width;
  m_height = height;
  m_bitmap = new CBitmap32(width, height, colour);
  SlotFromBitmap();
}

void CBackground::CreateGradient(int32_t width, int32_t height, uint32_t colour1, uint32_t colour2, int32_t kind,
                                 bool preload) {
  Clear();
  m_preload = preload;
  m_width = width;
  m_height = height;
  m_bitmap = CBitmap32::CreateGradient(width, height, colour1, colour2, kind);
  SlotFromBitmap();
}

void CBackground::SetAlphaFrom(const CBackground& other) {
  if (m_bitmap == nullptr || other.m_bitmap == nullptr) {
    Console_DebugOutput("Both bitmaps need to be duplicated first\n");
    return;
  }
  m_bitmap->SetAlphaFrom(other.m_bitmap);
  SlotFromBitmap();
}

bool CBackground::LoadPNG(const uint8_t* data, size_t length, bool transparent, bool smooth, bool preload,
                          bool keepAlpha) {
  int32_t width = 0;
  int32_t height = 0;
  const uint32_t* pixels = PNG_Decode(data, length, &width, &height, false);
  bool ok = false;
  if (pixels != nullptr) ok = CreateFromPixels(pixels, width, height, transparent, smooth, preload, keepAlpha);
  PNG_FreeDecoder();
  return ok;
}

namespace {
using BlockDecoder = uint32_t* (*)(const void* data, size_t length, int32_t* width, int32_t* height);
bool LoadBlock(CBackground* b, BlockDecoder decode, const uint8_t* data, size_t length, bool transparent,
               bool smooth, bool preload, bool keepAlpha) {
  int32_t width = 0;
  int32_t height = 0;
  uint32_t* pixels = decode(data, length, &width, &height);
  if (pixels == nullptr) return false;
  b->CreateFromPixels(pixels, width, height, transparent, smooth, preload, keepAlpha);
  MEM_FREE(pixels);
  return true;
}
}  // namespace

bool CBackground::LoadJPEG(const uint8_t* data, size_t length, bool transparent, bool smooth, bool preload,
                           bool keepAlpha) {
  return LoadBlock(this, JPEG_Decode, data, length, transparent, smooth, preload, keepAlpha);
}

bool CBackground::LoadGIF(const uint8_t* data, size_t length, bool transparent, bool smooth, bool preload,
                          bool keepAlpha) {
  return LoadBlock(this, GIF_Decode, data, length, transparent, smooth, preload, keepAlpha);
}

bool CBackground::LoadFromData(const char* name, const uint8_t* data, size_t length, bool transparent, bool smooth,
                               bool preload, bool keepAlpha) {
  if (!Image_FitsLoadBudget(data, length, "Background image", name)) return false;
  const bool decoded =
      (Starts(data, length, kJPEG, sizeof kJPEG) && LoadJPEG(data, length, transparent, smooth, preload, keepAlpha)) ||
      (Starts(data, length, kGIF, sizeof kGIF) && LoadGIF(data, length, transparent, smooth, preload, keepAlpha)) ||
      (Starts(data, length, kPNG, sizeof kPNG) && LoadPNG(data, length, transparent, smooth, preload, keepAlpha));
  if (!decoded) Console_DebugOutput("Failed to decode background data in %s\n", name != nullptr ? name : "");
  return decoded;
}

bool CBackground::LoadFromFile(const char* name, bool transparent, bool smooth, bool preload, bool keepAlpha) {
  std::vector<uint8_t> bytes;
  bool read = false;
  if (LoadSave_SaveFileExists(name)) read = LoadSave_ReadSaveFile(name, &bytes);
  else if (LoadSave_ProgramFileExists(name)) read = LoadSave_ReadProgramFile(name, &bytes);
  FreeTexture();
  if (read) LoadFromData(name, bytes.data(), bytes.size(), transparent, smooth, preload, keepAlpha);
  return true;
}

// --- the table -------------------------------------------------------------------------------

void Background_Init() {
  g_index.Invalidate();
  for (CBackground* b : g_backgrounds) delete b;
  std::vector<CBackground*>().swap(g_backgrounds);
  std::vector<std::string>().swap(g_names);
}

bool Background_Load(uint8_t* body, uint32_t size, const ContainerBytes& container) {
  if (size < 4) {
    Game_FailLoad("BGND", "the chunk is too short for its count");
    return false;
  }
  const uint32_t count = Container_U32(body);
  if (count > (size - 4) / 4) {
    Game_FailLoad("BGND", "%u background offsets do not fit the chunk", count);
    return false;
  }
  Background_Init();
  g_backgrounds.assign(count, nullptr);
  g_names.assign(count, std::string());
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t at = Container_U32(body + 4 + 4 * i);
    if (at == 0) continue;
    bool ok = container.Has(at, kEntrySize);
    const char* name = ok ? container.TextAt(Container_U32(container.data + at), &ok) : nullptr;
    const uint32_t entry = ok ? Container_U32(container.data + at + 16) : 0;
    if (!ok) {
      Game_FailLoad("BGND", "background %u's entry or name lies outside the container", i);
      Background_Init();
      return false;
    }
    if (!Container_PageEntryAt(container, entry)) {
      Game_FailLoad("BGND", "background %u's page entry at container offset %u is misplaced", i, entry);
      Background_Init();
      return false;
    }
    auto* b = new CBackground();
    b->LoadFromChunk(container, at);
    g_backgrounds[i] = b;
    g_names[i] = name != nullptr ? name : "";
  }
  return true;
}

void Background_InitTextures() {
  for (CBackground* b : g_backgrounds) {
    if (b != nullptr) b->InitTexture();
  }
}

void Background_Shutdown() {
  std::vector<std::string>().swap(g_names);
  for (CBackground* b : g_backgrounds) {
    if (b != nullptr) b->FreeTexture();
  }
  Background_Init();
}

int32_t Background_Number() { return static_cast<int32_t>(g_backgrounds.size()); }

bool Background_Exists(int32_t index) { return Background_Data(index) != nullptr; }

CBackground* Background_Data(int32_t index) { return InRange(index) ? g_backgrounds[static_cast<size_t>(index)] : nullptr; }

const char* Background_Name(int32_t index) {
  return Background_Exists(index) ? g_names[static_cast<size_t>(index)].c_str() : "<undefined>";
}

int32_t Background_Find(const char* name) {
  return g_index.Find(name, [](auto add) {
    for (size_t i = 0; i < g_backgrounds.size(); ++i) {
      if (g_backgrounds[i] != nullptr) add(g_names[i], static_cast<int32_t>(i));
    }
  });
}

void Background_AppendSlot() {
  const auto index = static_cast<int32_t>(g_backgrounds.size());
  g_index.Invalidate();
  g_backgrounds.push_back(new CBackground());
  g_names.push_back(NewName(index));
}

int32_t Background_AddEmpty() {
  Background_AppendSlot();
  return Background_Number() - 1;
}

int32_t Background_Add(const char* name, bool transparent, bool smooth, bool preload) {
  if (name == nullptr) return -1;
  if (IsUrl(name)) {
    const int32_t index = Background_AddEmpty();
    StartDownload(index, name, transparent, smooth, preload);
    return index;
  }
  const std::string path = Locate(name);
  if (path.empty()) return -1;
  const int32_t index = Background_AddEmpty();
  Background_Data(index)->LoadFromFile(path.c_str(), transparent, smooth, preload, !transparent);
  return index;
}

bool Background_Replace(int32_t index, const char* name, bool transparent, bool smooth, bool preload) {
  if (!InRange(index) || name == nullptr) return false;
  if (IsUrl(name)) {
    Ensure(index);
    StartDownload(index, name, transparent, smooth, preload);
    return false;
  }
  const std::string path = Locate(name);
  if (path.empty()) return false;
  return Ensure(index)->LoadFromFile(path.c_str(), transparent, smooth, preload, !transparent);
}

int32_t Background_AddAlpha(const char* name, bool preload) {
  if (name == nullptr) return -1;
  const std::string path = Locate(name);
  if (path.empty()) return -1;
  const int32_t index = Background_AddEmpty();
  Background_Data(index)->LoadFromFile(path.c_str(), true, false, preload, true);
  return index;
}

bool Background_ReplaceAlpha(int32_t index, const char* name, bool preload) {
  if (!InRange(index) || name == nullptr) return false;
  const std::string path = Locate(name);
  if (path.empty()) return false;
  return Ensure(index)->LoadFromFile(path.c_str(), true, false, preload, true);
}

bool Background_Delete(int32_t index) {
  if (!Background_Exists(index)) return false;
  delete g_backgrounds[static_cast<size_t>(index)];
  g_backgrounds[static_cast<size_t>(index)] = nullptr;
  g_names[static_cast<size_t>(index)].clear();
  g_index.Invalidate();
  return true;
}

int32_t Background_Duplicate(int32_t index) {
  const CBackground* source = Background_Data(index);
  if (source == nullptr) return -1;
  const int32_t copy = Background_AddEmpty();
  CBackground* b = Background_Data(copy);
  b->Assign(*source);
  b->MakeBitmapFromPage();
  return copy;
}

bool Background_Assign(int32_t destination, int32_t source) {
  const CBackground* from = Background_Data(source);
  if (from == nullptr || !InRange(destination)) return false;
  Ensure(destination)->Assign(*from);
  return true;
}

int32_t Background_AddHttpCallback(HTTP_REQ_CONTEXT* context, void* userData, int32_t* asyncLoad) {
  const auto* request = static_cast<const BackgroundRequest*>(userData);
  const HttpAssetResult body = HTTP_AssetResult(context, request->index, asyncLoad);
  const uint8_t* data = body.data;
  const size_t length = body.length;
  const char* url = body.url;
  CBackground* b = Background_Data(request->index);
  if (context->m_httpStatus == 200 && length > 0 && b != nullptr) {
    const bool transparent = (request->flags & 1) != 0;
    b->LoadFromData(url, data, length, transparent, (request->flags & 2) != 0, (request->flags & 4) != 0,
                    !transparent);
  }
  return kImageLoadedEvent;
}

void Background_AddHttpCleanup(HTTP_REQ_CONTEXT* context) {
  delete static_cast<BackgroundRequest*>(context->m_pUserData);
  context->m_pUserData = nullptr;
}

int32_t Background_GetWidth(int32_t index) {
  const CBackground* b = Background_Data(index);
  return b != nullptr ? b->GetWidth() : 0;
}

int32_t Background_GetHeight(int32_t index) {
  const CBackground* b = Background_Data(index);
  return b != nullptr ? b->GetHeight() : 0;
}

void Background_StandInSetNames(const char* const* names, int32_t count) {
  Background_Init();
  for (int32_t i = 0; i < count; ++i) {
    g_backgrounds.push_back(names[i] != nullptr ? new CBackground() : nullptr);
    g_names.emplace_back(names[i] != nullptr ? names[i] : "");
  }
}
