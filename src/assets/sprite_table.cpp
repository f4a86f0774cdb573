#include "assets/sprite_table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "assets/image_decode.h"
#include "assets/texture_pages.h"
#include "core/console.h"
#include "core/memory_manager.h"
#include "core/name_index.h"
#include "runtime/container.h"
#include "io/file_services.h"
#include "io/load_save.h"
#include "assets/http_results.h"
#include "assets/http_stand_in.h"

namespace {

// Parallel: a null sprite is an empty slot, whose name is null too.
std::vector<CSprite*> g_sprites;
std::vector<char*> g_names;
// Every path that fills, empties, renames or resizes a slot passes Resize, Place or Forget.
NameIndex g_index;

void Forget() { g_index.Invalidate(); }

char* CopyName(const char* text, size_t length) {
  auto* copy = static_cast<char*>(MEM_ALLOC(length + 1));
  std::memcpy(copy, text, length);
  copy[length] = '\0';
  return copy;
}

bool InTable(int32_t index) { return index >= 0 && static_cast<size_t>(index) < g_sprites.size(); }

void Resize(size_t n) {
  Forget();
  g_sprites.resize(n, nullptr);
  g_names.resize(n, nullptr);
}

void Place(int32_t index, CSprite* sprite) {
  Forget();
  g_sprites[static_cast<size_t>(index)] = sprite;
  sprite->index = index;
  sprite->name = g_names[static_cast<size_t>(index)];
}

int32_t AppendSlot() {
  const auto index = static_cast<int32_t>(g_sprites.size());
  Resize(g_sprites.size() + 1);
  char name[256];
  std::snprintf(name, sizeof name, "__newsprite%d", index);
  g_names[static_cast<size_t>(index)] = CopyName(name, std::strlen(name));
  Place(index, new CSprite());
  return index;
}

// Takes the last slot off again, freeing what it held.
void DropLastSlot() {
  if (g_sprites.empty()) return;
  delete g_sprites.back();
  MEM_FREE(g_names.back());
  Resize(g_sprites.size() - 1);
}

bool IsHttp(const char* name) { return std::strncmp(name, "http://", 7) == 0 || std::strncmp(name, "https://", 8) == 0; }

int32_t Flags(bool precise, bool removeBackground, bool smooth, bool preload) {
  return (precise ? 1 : 0) | (removeBackground ? 2 : 0) | (smooth ? 4 : 0) | (preload ? 8 : 0);
}

void StartDownload(const char* url, int32_t index, int32_t frames, int32_t xOrigin, int32_t yOrigin, int32_t flags) {
  auto* request = new SpriteAddRequest{index, frames, xOrigin, yOrigin, flags};
  if (!HTTP_Get(url, -1, Sprite_AddHttpCallback, Sprite_AddHttpCleanup, request)) delete request;
}

// The path of a file in the save area, else beside the program; "" when neither holds it.
std::string Locate(const char* name) {
  if (LoadSave_SaveFileExists(name)) return LoadSave_MapSavePath(name);
  if (LoadSave_ProgramFileExists(name)) return LoadSave_MapReadPath(name);
  return "";
}

bool IsVectorFile(const std::string& path) {
  char* ext = File_ExtractExt(path.c_str());
  const bool vector = ext != nullptr && strcasecmp(ext, ".wxs") == 0;
  MEM_FREE(ext);
  return vector;
}

// The checks of one SPRT entry at container offset `at` inside the chunk [begin, end): every
// count and size the loader follows stays inside the chunk or the container. "" when sound.
std::string CheckEntry(const ContainerBytes& c, uint64_t begin, uint64_t end, uint32_t at) {
  const auto inChunk = [&](uint64_t from, uint64_t length) { return from >= begin && from <= end && length <= end - from; };
  if (!inChunk(at, kSpriteEntryHeader + 4)) return "its entry does not lie inside the chunk";
  const uint8_t* e = c.data + at;
  const int32_t width = Container_I32(e + 4);
  const int32_t height = Container_I32(e + 8);
  if (width < 0 || height < 0) return "its size is negative";
  const int32_t frames = Container_I32(e + 56);
  if (frames == -1) {
    const int32_t type = Container_I32(e + 64);
    if (!inChunk(at, 72)) return "its kind does not lie inside the chunk";
    if (type == 2) {
      if (!inChunk(at, 92)) return "its skeleton header does not lie inside the chunk";
      uint64_t total = 0;
      for (int i = 0; i < 3; ++i) {
        const int32_t n = Container_I32(e + 72 + 4 * i);
        if (n < 0) return "a skeleton length is negative";
        total += static_cast<uint64_t>(n);
      }
      if (!inChunk(uint64_t{at} + 92, total)) return "its skeleton data does not lie inside the chunk";
    }
    return "";
  }
  if (frames < 0) return "its frame count is negative";
  if (!inChunk(at, kSpriteEntryHeader + 4 * static_cast<uint64_t>(frames) + 4)) {
    return "its page entries do not lie inside the chunk";
  }
  for (int32_t i = 0; i < frames; ++i) {
    const uint32_t tpe = Container_U32(e + kSpriteEntryHeader + 4 * static_cast<size_t>(i));
    if (!Container_PageEntryAt(c, tpe)) {
      return "frame " + std::to_string(i) + "'s page entry at container offset " + std::to_string(tpe) + " is misplaced";
    }
  }
  const uint64_t maskAt = uint64_t{at} + kSpriteEntryHeader + 4 * static_cast<uint64_t>(frames);
  const int32_t masks = Container_I32(c.data + maskAt);
  // One mask per frame or one shared by all: more would be records of nothing, and an empty
  // sprite's masks take no bytes of the chunk, so their count alone is not bounded by it.
  if (masks > std::max(frames, 1)) {
    return "its mask count " + std::to_string(masks) + " exceeds its frame count " + std::to_string(frames);
  }
  if (masks > 0) {
    const uint64_t bytes = static_cast<uint64_t>(masks) * static_cast<uint64_t>(height) *
                           ((static_cast<uint64_t>(width) + 7) / 8);
    if (bytes / static_cast<uint64_t>(masks) != static_cast<uint64_t>(height) * ((static_cast<uint64_t>(width) + 7) / 8) ||
        !inChunk(maskAt + 4, bytes)) {
      return "its masks do not lie inside the chunk";
    }
  }
  return "";
}

}  // namespace

int32_t Sprite_Number() { return static_cast<int32_t>(g_sprites.size()); }

bool Sprite_Exists(int32_t index) { return InTable(index) && g_sprites[static_cast<size_t>(index)] != nullptr; }

const char* Sprite_Name(int32_t index) {
  if (!Sprite_Exists(index) || g_names[static_cast<size_t>(index)] == nullptr) return "<undefined>";
  return g_names[static_cast<size_t>(index)];
}

int32_t Sprite_Find(const char* name) {
  return g_index.Find(name, [](auto add) {
    for (size_t i = 0; i < g_sprites.size(); ++i) {
      if (g_sprites[i] != nullptr && g_names[i] != nullptr) add(g_names[i], static_cast<int32_t>(i));
    }
  });
}

CSprite* Sprite_Data(int32_t index) { return InTable(index) ? g_sprites[static_cast<size_t>(index)] : nullptr; }

void Sprite_Init() {
  Forget();
  for (size_t i = 0; i < g_sprites.size(); ++i) {
    delete g_sprites[i];
    MEM_FREE(g_names[i]);
  }
  g_sprites.clear();
  g_names.clear();
  g_sprites.shrink_to_fit();
  g_names.shrink_to_fit();
}

bool Sprite_Load(uint8_t* body, uint32_t size, const ContainerBytes& container) {
  if (size < 4) {
    Game_FailLoad("SPRT", "the chunk is too short for its count");
    return false;
  }
  const uint32_t count = Container_U32(body);
  if (count > (size - 4) / 4) {
    Game_FailLoad("SPRT", "%u sprite offsets do not fit the chunk", count);
    return false;
  }
  const auto begin = static_cast<uint64_t>(body - container.data);
  const uint64_t end = begin + size;
  Sprite_Init();
  Resize(count);
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t at = Container_U32(body + 4 + 4 * static_cast<size_t>(i));
    if (at == 0) continue;
    const std::string problem = CheckEntry(container, begin, end, at);
    bool ok = true;
    const char* name = container.TextAt(Container_U32(container.data + (problem.empty() ? at : 0)), &ok);
    if (!problem.empty() || !ok) {
      Game_FailLoad("SPRT", "sprite %u: %s", i, problem.empty() ? "its name does not end inside the container" : problem.c_str());
      Sprite_Init();
      return false;
    }
    auto* sprite = new CSprite();
    sprite->LoadFromChunk(container.data + at, container.data);
    MEM_FREE(g_names[i]);
    g_names[i] = name != nullptr ? CopyName(name, std::strlen(name)) : nullptr;
    Place(static_cast<int32_t>(i), sprite);
  }
  return true;
}

void Sprite_InitTextures() {
  for (CSprite* s : g_sprites) {
    if (s == nullptr) continue;
    s->InitTextures();
    s->InitTPEs();
  }
}

void Sprite_Shutdown() {
  Forget();
  for (char*& name : g_names) {
    MEM_FREE(name);
    name = nullptr;
  }
  for (CSprite* s : g_sprites) {
    if (s == nullptr) continue;
    s->name = nullptr;
    s->FreeTextures();
  }
  Sprite_DeleteAll();
}

void Sprite_DeleteAll() {
  Forget();
  for (CSprite* s : g_sprites) delete s;
  for (char* name : g_names) MEM_FREE(name);
  g_sprites.clear();
  g_names.clear();
}

int32_t Sprite_Add(const char* name, int32_t frames, bool precise, bool removeBackground, bool smooth, bool preload,
                   int32_t xOrigin, int32_t yOrigin) {
  if (name == nullptr) return -1;
  const int32_t index = AppendSlot();
  if (IsHttp(name)) {
    StartDownload(name, index, frames, xOrigin, yOrigin, Flags(precise, removeBackground, smooth, preload));
    return index;
  }
  const std::string path = Locate(name);
  CSprite* sprite = g_sprites[static_cast<size_t>(index)];
  const bool loaded = !path.empty() &&
                      (IsVectorFile(path) ? sprite->LoadVectorFile(path.c_str(), xOrigin, yOrigin)
                                          : sprite->LoadFromFile(path.c_str(), frames, precise, removeBackground, smooth,
                                                                 preload, xOrigin, yOrigin, !removeBackground));
  if (!loaded) {
    DropLastSlot();
    return -1;
  }
  Place(index, sprite);
  return index;
}

bool Sprite_Replace(int32_t index, const char* name, int32_t frames, bool precise, bool removeBackground, bool smooth,
                    bool preload, int32_t xOrigin, int32_t yOrigin) {
  if (!InTable(index) || name == nullptr) return false;
  CSprite*& slot = g_sprites[static_cast<size_t>(index)];
  if (IsHttp(name)) {
    if (slot == nullptr) Place(index, new CSprite());
    StartDownload(name, index, frames, xOrigin, yOrigin, Flags(precise, removeBackground, smooth, preload));
    return false;
  }
  const std::string path = Locate(name);
  if (path.empty()) return false;
  if (slot == nullptr) Place(index, new CSprite());
  const bool loaded = slot->LoadFromFile(path.c_str(), frames, precise, removeBackground, smooth, preload, xOrigin,
                                         yOrigin, !removeBackground);
  Place(index, slot);
  return loaded;
}

int32_t Sprite_AddAlpha(const char* name, int32_t frames, bool precise, bool preload, int32_t xOrigin, int32_t yOrigin) {
  if (name == nullptr) return -1;
  const std::string path = Locate(name);
  if (path.empty()) return -1;
  const int32_t index = AppendSlot();
  CSprite* sprite = g_sprites[static_cast<size_t>(index)];
  if (!sprite->LoadFromFile(path.c_str(), frames, precise, true, false, preload, xOrigin, yOrigin, true)) {
    DropLastSlot();
    return -1;
  }
  Place(index, sprite);
  return index;
}

bool Sprite_ReplaceAlpha(int32_t index, const char* name, int32_t frames, bool precise, bool preload, int32_t xOrigin,
                         int32_t yOrigin) {
  if (!InTable(index) || name == nullptr) return false;
  const std::string path = Locate(name);
  if (path.empty()) return false;
  CSprite*& slot = g_sprites[static_cast<size_t>(index)];
  if (slot == nullptr) Place(index, new CSprite());
  const bool loaded = slot->LoadFromFile(path.c_str(), frames, precise, true, false, preload, xOrigin, yOrigin, true);
  Place(index, slot);
  return loaded;
}

bool Sprite_Delete(int32_t index) {
  if (!Sprite_Exists(index)) return false;
  CSprite*& slot = g_sprites[static_cast<size_t>(index)];
  slot->Clear();
  delete slot;
  slot = nullptr;
  MEM_FREE(g_names[static_cast<size_t>(index)]);
  g_names[static_cast<size_t>(index)] = nullptr;
  Forget();
  return true;
}

int32_t Sprite_Duplicate(int32_t source) {
  if (!Sprite_Exists(source)) return -1;
  const int32_t index = AppendSlot();
  CSprite* copy = g_sprites[static_cast<size_t>(index)];
  copy->Assign(g_sprites[static_cast<size_t>(source)]);
  if (copy->bitmaps.empty() && copy->MakeBitmapsFromPages()) {
    copy->entries.reset();
    copy->InitTextures();
    copy->InitTPEs();
  }
  Place(index, copy);
  return index;
}

bool Sprite_Assign(int32_t destination, int32_t source) {
  if (!Sprite_Exists(source) || !InTable(destination)) return false;
  CSprite*& slot = g_sprites[static_cast<size_t>(destination)];
  if (slot == nullptr) Place(destination, new CSprite());
  slot->Assign(g_sprites[static_cast<size_t>(source)]);
  Place(destination, slot);
  return true;
}

int32_t Sprite_AddEmpty() { return AppendSlot(); }

int32_t Sprite_Add(const CSprite& fields) {
  const int32_t index = AppendSlot();
  CSprite* s = g_sprites[static_cast<size_t>(index)];
  s->bboxMode = fields.bboxMode;
  s->maskLeft = fields.maskLeft;
  s->maskTop = fields.maskTop;
  s->maskRight = fields.maskRight;
  s->maskBottom = fields.maskBottom;
  s->entryBox = fields.entryBox;
  s->frameCount = fields.frameCount;
  s->width = fields.width;
  s->height = fields.height;
  s->originX = fields.originX;
  s->originY = fields.originY;
  s->radius = fields.radius;
  s->precise = fields.precise;
  s->transparent = fields.transparent;
  s->smooth = fields.smooth;
  s->preload = fields.preload;
  s->separateMasks = fields.separateMasks;
  s->kind = fields.kind;
  s->masks = fields.masks;
  s->masksBuilt = fields.masksBuilt;
  if (fields.name != nullptr) {
    MEM_FREE(g_names[static_cast<size_t>(index)]);
    g_names[static_cast<size_t>(index)] = CopyName(fields.name, std::strlen(fields.name));
  }
  Place(index, s);
  return index;
}

int32_t Sprite_AddHttpCallback(HTTP_REQ_CONTEXT* context, void* userData, int32_t* asyncLoad) {
  const auto* request = static_cast<const SpriteAddRequest*>(userData);
  const HttpAssetResult body = HTTP_AssetResult(context, request->index, asyncLoad);
  const uint8_t* data = body.data;
  const size_t length = body.length;
  const char* url = body.url;
  CSprite* sprite = Sprite_Data(request->index);
  if (context->m_httpStatus == 200 && length > 0 && sprite != nullptr &&
      Image_FitsLoadBudget(data, length, "Sprite image", url)) {
    const bool precise = (request->flags & 1) != 0;
    const bool removeBackground = (request->flags & 2) != 0;
    const bool smooth = (request->flags & 4) != 0;
    const auto tryWith = [&](const uint8_t* signature, size_t n, auto load) {
      return length >= n && std::memcmp(data, signature, n) == 0 &&
             (sprite->*load)(data, length, request->frames, precise, removeBackground, smooth, request->xOrigin,
                             request->yOrigin, !removeBackground);
    };
    static constexpr uint8_t kJPEG[] = {0xFF, 0xD8, 0xFF};
    static constexpr uint8_t kGIF[] = {'G', 'I', 'F', '8'};
    static constexpr uint8_t kPNG[] = {0x89, 'P', 'N', 'G'};
    const bool decoded = tryWith(kJPEG, sizeof kJPEG, &CSprite::LoadJPEG) ||
                         tryWith(kGIF, sizeof kGIF, &CSprite::LoadGIF) || tryWith(kPNG, sizeof kPNG, &CSprite::LoadPNG);
    if (decoded) {
      Place(request->index, sprite);
    } else {
      Console_DebugOutput("Failed to decode data in Sprite_Add %s\n", url);
    }
  }
  return kAsyncEventImageLoaded;
}

void Sprite_AddHttpCleanup(HTTP_REQ_CONTEXT* context) {
  delete static_cast<SpriteAddRequest*>(context->m_pUserData);
  context->m_pUserData = nullptr;
}
