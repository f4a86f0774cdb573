#include "assets/texture_pages.h"

#include <functional>
#include <memory>
#include <queue>
#include <unordered_map>
#include <vector>

#include "assets/bitmap32.h"
#include "core/memory_manager.h"
#include "io/graphics_device.h"
#include "runtime/container.h"

namespace {

// Records are allocated one by one and never freed singly: a freed slot is reused.
std::vector<std::unique_ptr<TextureSlot>> g_slots;
// Every freed slot's index, so that a new texture takes the lowest free slot without a walk over
// all of them. A slot is freed once between two uses, so no index is here twice.
std::priority_queue<int32_t, std::vector<int32_t>, std::greater<>> g_freeSlots;

void Forget(int32_t slot, TextureSlot* s) {
  s->texture = nullptr;
  s->valid = 0;
  g_freeSlots.push(slot);
}

void ForgetAllSlots() {
  g_slots.clear();
  g_freeSlots = {};
}

// Page entries handed out as handles; a forgotten entry leaves a null behind.
std::vector<TPageEntry*> g_entries;
std::unordered_map<const TPageEntry*, int32_t> g_entryIndex;

TextureSlot* Valid(int32_t slot) {
  if (slot < 0 || static_cast<size_t>(slot) >= g_slots.size()) return nullptr;
  TextureSlot* s = g_slots[static_cast<size_t>(slot)].get();
  return s->valid != 0 ? s : nullptr;
}

int16_t Side16(int32_t side) { return static_cast<int16_t>(side); }

void Fill(TextureSlot* s, Texture* texture, int32_t width, int32_t height, int32_t texelWidth, int32_t texelHeight) {
  s->texture = texture;
  s->width = Side16(width);
  s->height = Side16(height);
  s->texelWidth = texelWidth > 0 ? 1.0f / static_cast<float>(texelWidth) : 1.0f;
  s->texelHeight = texelHeight > 0 ? 1.0f / static_cast<float>(texelHeight) : 1.0f;
  s->valid = 1;
}

}  // namespace

bool Container_PageEntryAt(const ContainerBytes& container, uint32_t offset) {
  return offset == 0 || (offset % 2 == 0 && container.Has(offset, sizeof(TPageEntry)));
}

int32_t GR_Texture_NewSlot() {
  if (!g_freeSlots.empty()) {
    const int32_t slot = g_freeSlots.top();
    g_freeSlots.pop();
    return slot;
  }
  g_slots.push_back(std::make_unique<TextureSlot>());
  return static_cast<int32_t>(g_slots.size() - 1);
}

int32_t GR_Texture_Create(int32_t width, int32_t height, bool renderTarget) {
  Texture* texture = Texture_Create(width, height, 0, renderTarget, kTextureKindARGB);
  const int32_t slot = GR_Texture_NewSlot();
  if (texture != nullptr) {
    Fill(g_slots[static_cast<size_t>(slot)].get(), texture, width, height, texture->Width(), texture->Height());
  } else {
    Fill(g_slots[static_cast<size_t>(slot)].get(), nullptr, width, height, 1, 1);
  }
  return slot;
}

int32_t GR_Texture_Wrap(Texture* texture, int32_t width, int32_t height) {
  const int32_t slot = GR_Texture_NewSlot();
  Fill(g_slots[static_cast<size_t>(slot)].get(), texture, width, height, width, height);
  return slot;
}

int32_t GR_Texture_CreateFromData(int32_t width, int32_t height, uint8_t* data, size_t length) {
  D3DXIMAGE_INFO info{};
  Texture* texture;
  if (width > 0 && height > 0 && length == static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4) {
    texture = Texture_CreateFromPixels(reinterpret_cast<const uint32_t*>(data), width, height, &info);
  } else {
    texture = Texture_CreateFromData(data, length, &info, kTextureKindARGB, 0);
  }
  const int32_t slot = GR_Texture_NewSlot();
  Fill(g_slots[static_cast<size_t>(slot)].get(), texture, width, height, static_cast<int32_t>(info.Width),
       static_cast<int32_t>(info.Height));
  return slot;
}

int32_t GR_Texture_Load(uint8_t* data, size_t length, int32_t flags) {
  D3DXIMAGE_INFO info{};
  Texture* texture = Texture_CreateFromData(data, length, &info, kTextureKindARGB, flags);
  const int32_t slot = GR_Texture_NewSlot();
  const auto w = static_cast<int32_t>(info.Width);
  const auto h = static_cast<int32_t>(info.Height);
  Fill(g_slots[static_cast<size_t>(slot)].get(), texture, texture != nullptr ? w : 0, texture != nullptr ? h : 0, w, h);
  return slot;
}

bool GR_Texture_PageDecoded(int32_t slot) {
  if (g_D3D.device == nullptr && !Texture_CreateOnDemand) return true;
  return GR_Texture_Get(slot) != nullptr;
}

int32_t GR_Texture_CreateFromBitmap(CBitmap32* bitmap) {
  if (bitmap == nullptr) return -1;
  const int32_t w = bitmap->GetWidth();
  const int32_t h = bitmap->GetHeight();
  const uint64_t bytes = static_cast<uint64_t>(w < 0 ? 0 : w) * static_cast<uint64_t>(h < 0 ? 0 : h) * 4;
  return GR_Texture_CreateFromData(w, h, reinterpret_cast<uint8_t*>(bitmap->Pixels()), static_cast<size_t>(bytes));
}

int32_t GR_Texture_CreateFromAlpha(int32_t width, int32_t height, const uint8_t* alpha) {
  if (width < 1 || height < 1 || alpha == nullptr) return -1;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  auto* pixels = static_cast<uint32_t*>(MEM_ALLOC(count * 4));
  for (size_t i = 0; i < count; ++i) pixels[i] = 0x00FFFFFFu | (static_cast<uint32_t>(alpha[i]) << 24);
  const int32_t slot = GR_Texture_Create(width, height, false);
  TextureSlot* s = g_slots[static_cast<size_t>(slot)].get();
  int32_t result = slot;
  if (!Texture_Upload(s->texture, 0, s->width, s->height, pixels)) {
    Texture_Free(s->texture);
    Forget(slot, s);
    result = -1;
  }
  MemoryManager_Free(pixels);
  return result;
}

void GR_Texture_Free(int32_t slot) {
  TextureSlot* s = Valid(slot);
  if (s == nullptr) return;
  Texture_Free(s->texture);
  Forget(slot, s);
}

bool GR_Texture_Exists(int32_t slot) { return Valid(slot) != nullptr; }

float GR_Texture_GetWidth(int32_t slot) {
  const TextureSlot* s = Valid(slot);
  return s != nullptr ? static_cast<float>(s->width) * s->texelWidth : 1.0f;
}

float GR_Texture_GetHeight(int32_t slot) {
  const TextureSlot* s = Valid(slot);
  return s != nullptr ? static_cast<float>(s->height) * s->texelHeight : 1.0f;
}

void GR_Texture_Preload(int32_t slot) {
  const TextureSlot* s = Valid(slot);
  if (s != nullptr && s->texture != nullptr && s->texture->d3dTexture != nullptr) s->texture->d3dTexture->PreLoad();
}

void GR_Texture_SetPriority(int32_t slot, int32_t priority) {
  const TextureSlot* s = Valid(slot);
  if (s != nullptr && s->texture != nullptr && s->texture->d3dTexture != nullptr) {
    s->texture->d3dTexture->SetPriority(static_cast<DWORD>(priority));
  }
}

Texture* GR_Texture_Get(int32_t slot) {
  const TextureSlot* s = Valid(slot);
  return s != nullptr ? s->texture : nullptr;
}

TextureSlot* GR_Texture_Slot(int32_t slot) { return Valid(slot); }

int32_t GR_Texture_Count() { return static_cast<int32_t>(g_slots.size()); }

void GR_Texture_Flush() {
  for (Texture* t = g_Textures.head; t != nullptr; t = t->next) Texture_ReleaseD3D(t);
}

void GR_Texture_Init() { ForgetAllSlots(); }

void GR_Texture_FreeAll() {
  for (const std::unique_ptr<TextureSlot>& s : g_slots) {
    if (s->valid != 0) Texture_Free(s->texture);
  }
  ForgetAllSlots();
  // The entries lived in the game's data: their handles die with it (indices stay used).
  for (TPageEntry*& entry : g_entries) entry = nullptr;
  g_entryIndex.clear();
}

int32_t GR_TPE_Handle(TPageEntry* entry) {
  if (entry == nullptr) return kTextureHandleNone;
  const auto found = g_entryIndex.find(entry);
  if (found != g_entryIndex.end()) return kTextureHandleEntryBase + found->second;
  const auto index = static_cast<int32_t>(g_entries.size());
  g_entries.push_back(entry);
  g_entryIndex.emplace(entry, index);
  return kTextureHandleEntryBase + index;
}

void GR_TPE_ForgetHandle(TPageEntry* entry) {
  const auto found = g_entryIndex.find(entry);
  if (found == g_entryIndex.end()) return;
  g_entries[static_cast<size_t>(found->second)] = nullptr;
  g_entryIndex.erase(found);
}

TextureHandle GR_Texture_Resolve(int32_t handle) {
  TextureHandle result;
  if (handle == kTextureHandleNone) {
    result.kind = TextureHandleKind::None;
    return result;
  }
  if (handle >= 0 && handle <= kTextureHandleSlotLimit) {
    if (Valid(handle) != nullptr) {
      result.kind = TextureHandleKind::Slot;
      result.slot = handle;
    }
    return result;
  }
  if (handle < kTextureHandleEntryBase) return result;
  const auto index = static_cast<size_t>(handle - kTextureHandleEntryBase);
  if (index >= g_entries.size() || g_entries[index] == nullptr) return result;
  result.kind = TextureHandleKind::Entry;
  result.entry = g_entries[index];
  result.slot = result.entry->page;
  return result;
}
