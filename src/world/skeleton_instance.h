// The skeleton state that an instance of a skeleton sprite carries.
#pragma once

#include <cstdint>

class CSkeletonInstance {
 public:
  // Builds the skeleton of a skeleton sprite's data.
  explicit CSkeletonInstance(const void* skeletonData) : m_pSkeletonData(skeletonData) {}
  CSkeletonInstance(const CSkeletonInstance&) = delete;
  CSkeletonInstance& operator=(const CSkeletonInstance&) = delete;

  // Disposes of what the skeleton made at run time; called before the instance is deleted.
  void Free() { m_pSkeletonData = nullptr; }
  // Takes over another skeleton's animations, skin and attachments.
  void Assign(const CSkeletonInstance* source) {
    if (source == nullptr) return;
    m_pSkeletonData = source->m_pSkeletonData;
    m_animationDuration = source->m_animationDuration;
  }

  // What the skeleton script functions ask of an instance's skeleton. Tracks count from 0; names
  // are animation, skin, slot, bone and attachment names; the text getters give "" for none.
  void SetAnimation(const char* name);  // track 0, looping
  void SetAnimationExt(const char* name, int32_t track);
  const char* GetAnimation(int32_t track) const;
  // Seconds; 0 and a logged warning naming the animation when there is none of that name.
  float GetAnimationDuration(const char* name) const;
  void ClearTrack(int32_t track);
  void SetMix(const char* from, const char* to, float duration);
  // A null or unknown name gives the default skin; the slots go back to the setup pose.
  void SetSkin(const char* name);
  const char* GetSkin() const;
  // A null name empties the slot; attachments made at run time are looked through first.
  void SetAttachment(const char* slot, const char* name);
  const char* GetAttachment(const char* slot) const;
  // False when the sprite cannot serve as an attachment (it has no texture-page entries).
  bool CreateAttachmentFromSprite(const char* name, int32_t sprite, int32_t frame, float xOrigin, float yOrigin,
                                  float xScale, float yScale, float angle);
  // The bone's setup data or current state into or out of the ds_map; false when no such bone.
  bool GetBoneData(const char* bone, int32_t map);
  bool SetBoneData(const char* bone, int32_t map);
  bool GetBoneState(const char* bone, int32_t map);
  bool SetBoneState(const char* bone, int32_t map);

  const void* m_pSkeletonData;
  float m_animationDuration = 0.0f;  // seconds, of the current animation
  bool m_drawCollision = false;      // drawing the instance draws its bounding polygons too
};
