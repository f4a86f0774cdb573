// The sprite table: every sprite of the running game by index, with the names it owns. Slots are
// never reused or moved; a deleted sprite leaves an empty slot. Sprites made at run time are
// appended and named "__newsprite<index>".
#pragma once

#include <cstdint>

#include "assets/sprite.h"

struct ContainerBytes;

int32_t Sprite_Number();
bool Sprite_Exists(int32_t index);
// "<undefined>" for an index that holds no sprite.
const char* Sprite_Name(int32_t index);
// The lowest index holding a sprite of exactly that name, -1 when none.
int32_t Sprite_Find(const char* name);
// Null for an empty slot or an index outside the table.
CSprite* Sprite_Data(int32_t index);

void Sprite_Init();
// Fills the table from the SPRT chunk; a damaged chunk fails the load naming SPRT.
bool Sprite_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
void Sprite_InitTextures();
void Sprite_Shutdown();
void Sprite_DeleteAll();

// Image files are looked for in the save area, then beside the program; "http://" and "https://"
// names download in the background and fill the sprite when done.
int32_t Sprite_Add(const char* name, int32_t frames, bool precise, bool removeBackground, bool smooth, bool preload,
                   int32_t xOrigin, int32_t yOrigin);
bool Sprite_Replace(int32_t index, const char* name, int32_t frames, bool precise, bool removeBackground, bool smooth,
                    bool preload, int32_t xOrigin, int32_t yOrigin);
int32_t Sprite_AddAlpha(const char* name, int32_t frames, bool precise, bool preload, int32_t xOrigin, int32_t yOrigin);
bool Sprite_ReplaceAlpha(int32_t index, const char* name, int32_t frames, bool precise, bool preload, int32_t xOrigin,
                         int32_t yOrigin);
bool Sprite_Delete(int32_t index);
int32_t Sprite_Duplicate(int32_t index);
bool Sprite_Assign(int32_t destination, int32_t source);
int32_t Sprite_AddEmpty();

// Appends a sprite that takes the plain fields of `fields` (frames, kind, size, box, origin,
// radius, flags) and nothing it would own: for tools and tests that need sprites without images.
int32_t Sprite_Add(const CSprite& fields);

// What an http(s) add keeps until its download completes.
struct SpriteAddRequest {
  int32_t index;
  int32_t frames;
  int32_t xOrigin;
  int32_t yOrigin;
  int32_t flags;  // bit 0 precise, 1 remove background, 2 smooth, 3 preload
};
struct HTTP_REQ_CONTEXT;
// Stores the id of the event's map {"filename", "id", "http_status", "status"} in *asyncLoad,
// fills the sprite from a good download, and answers the image-loaded event, 60.
int32_t Sprite_AddHttpCallback(HTTP_REQ_CONTEXT* context, void* request, int32_t* asyncLoad);
void Sprite_AddHttpCleanup(HTTP_REQ_CONTEXT* context);
