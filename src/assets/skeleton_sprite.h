// A skeleton sprite's data: the skeleton, its animations and its atlas, made from an SPRT entry
// or from a ".json" file with the ".atlas" file beside it, and drawn posed for an instance.
#pragma once

#include <cstdint>

class CInstance;

class CSkeletonSprite {
 public:
  // From an SPRT entry's data: the JSON text, the atlas text and the atlas page image (PNG). The
  // texts are stored scrambled and are unscrambled in place.
  CSkeletonSprite(uint8_t* data, int32_t jsonLength, int32_t atlasLength, int32_t imageLength, int32_t pageWidth,
                  int32_t pageHeight);
  explicit CSkeletonSprite(const char* fileName);
  ~CSkeletonSprite();
  CSkeletonSprite(const CSkeletonSprite&) = delete;
  CSkeletonSprite& operator=(const CSkeletonSprite&) = delete;

  // True when the JSON reader, the skeleton data and the atlas all exist.
  bool IsValid() const;
  void Free();
  void DrawInstance(int32_t frame, float x, float y, float xScale, float yScale, float angle, uint32_t colour,
                    float alpha);

  // Draws the skeleton posed in the animation and skin at the frame; with an instance that has a
  // skeleton state, that state is used.
  void Draw(const char* animation, const char* skin, int32_t frame, float x, float y, float xScale, float yScale,
            float angle, uint32_t colour, float alpha, CInstance* instance);
  // Draws a skeleton posed for the time, in seconds.
  void DrawTime(const char* animation, const char* skin, float time, float x, float y, float xScale, float yScale,
                float angle, uint32_t colour, float alpha);
  // Draws the bounding polygons of a skeleton posed at the frame, in the current draw colour.
  void DrawCollision(const char* animation, int32_t frame, float x, float y, float xScale, float yScale, float angle);
  // Add to the ds_list: every animation name, every skin name, or one ds_map per slot ("name",
  // "bone", "attachment"; "(none)" for an empty slot).
  void ListAnimations(int32_t list) const;
  void ListSkins(int32_t list) const;
  void SlotData(int32_t list) const;
};
