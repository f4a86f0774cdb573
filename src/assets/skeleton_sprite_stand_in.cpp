// STAND-IN until the skeleton runtime is built: no skeleton is ever valid, so sprites keep their
// kind with no frames, and nothing is drawn.
#include "assets/skeleton_sprite.h"

CSkeletonSprite::CSkeletonSprite(uint8_t*, int32_t, int32_t, int32_t, int32_t, int32_t) {}
CSkeletonSprite::CSkeletonSprite(const char*) {}
CSkeletonSprite::~CSkeletonSprite() = default;
bool CSkeletonSprite::IsValid() const { return false; }
void CSkeletonSprite::Free() {}
void CSkeletonSprite::DrawInstance(int32_t, float, float, float, float, float, uint32_t, float) {}
void CSkeletonSprite::Draw(const char*, const char*, int32_t, float, float, float, float, float, uint32_t, float,
                           CInstance*) {}
void CSkeletonSprite::DrawTime(const char*, const char*, float, float, float, float, float, float, uint32_t, float) {}
void CSkeletonSprite::DrawCollision(const char*, int32_t, float, float, float, float, float) {}
void CSkeletonSprite::ListAnimations(int32_t) const {}
void CSkeletonSprite::ListSkins(int32_t) const {}
void CSkeletonSprite::SlotData(int32_t) const {}
