// A skeleton sprite's data: the skeleton, its animations and its atlas, made from an SPRT entry
// or from a ".json" file with the ".atlas" file beside it, and drawn posed for an instance.
#pragma once

#include <cstdint>

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
};
