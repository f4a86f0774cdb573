// The skeleton state that an instance of a skeleton sprite carries.
#pragma once

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

  const void* m_pSkeletonData;
  float m_animationDuration = 0.0f;  // seconds, of the current animation
};
