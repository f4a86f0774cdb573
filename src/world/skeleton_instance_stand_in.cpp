// STAND-IN until the skeleton runtime is built: a skeleton state holds no skeleton, so it has no
// animations, skins, slots or bones, and every change is refused or does nothing.
#include "world/skeleton_instance.h"

#include "core/console.h"

void CSkeletonInstance::SetAnimation(const char*) {}
void CSkeletonInstance::SetAnimationExt(const char*, int32_t) {}
const char* CSkeletonInstance::GetAnimation(int32_t) const { return ""; }
float CSkeletonInstance::GetAnimationDuration(const char* name) const {
  Console_DebugOutput("WARNING: skeleton animation '%s' not found\n", name != nullptr ? name : "");
  return 0.0f;
}
void CSkeletonInstance::ClearTrack(int32_t) {}
void CSkeletonInstance::SetMix(const char*, const char*, float) {}
void CSkeletonInstance::SetSkin(const char*) {}
const char* CSkeletonInstance::GetSkin() const { return ""; }
void CSkeletonInstance::SetAttachment(const char*, const char*) {}
const char* CSkeletonInstance::GetAttachment(const char*) const { return ""; }
bool CSkeletonInstance::CreateAttachmentFromSprite(const char*, int32_t, int32_t, float, float, float, float, float) {
  return false;
}
bool CSkeletonInstance::GetBoneData(const char*, int32_t) { return false; }
bool CSkeletonInstance::SetBoneData(const char*, int32_t) { return false; }
bool CSkeletonInstance::GetBoneState(const char*, int32_t) { return false; }
bool CSkeletonInstance::SetBoneState(const char*, int32_t) { return false; }
