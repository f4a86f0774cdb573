// Script functions of skeleton sprites: the calling instance's skeleton state (animations, mixes,
// skins, attachments, bones), and drawing and listing a skeleton sprite by index.
#include "functions/skeleton_functions.h"

#include <cstdint>

#include "assets/skeleton_sprite.h"
#include "assets/sprite.h"
#include "assets/sprite_table.h"
#include "functions/ds_tables.h"
#include "functions/handler_args.h"
#include "runtime/error_report.h"
#include "world/instance.h"
#include "world/skeleton_instance.h"

namespace {

CSkeletonInstance* SkeletonOf(CInstance* self) { return self != nullptr ? self->GetSkeleton() : nullptr; }

void SetText(RValue* result, const char* text) { RValue_SetString(result, text != nullptr ? text : ""); }

BUILTIN_FN(SkeletonAnimationSet) {
  HANDLER_ARGS;
  CSkeletonInstance* s = SkeletonOf(self);
  if (s == nullptr) {
    Args_SetReal(result, 0);
    return;
  }
  s->SetAnimation(a.S(0));
  self->image_index = 0.0f;
  Args_SetReal(result, 1);
}

// skeleton_animation_get and skeleton_animation_get_ext: a track is read only from a call with
// exactly one argument.
BUILTIN_FN(SkeletonAnimationGet) {
  HANDLER_ARGS;
  const CSkeletonInstance* s = SkeletonOf(self);
  SetText(result, s != nullptr ? s->GetAnimation(argc == 1 ? a.I(0) : 0) : "");
}

// The instance functions that answer -1 without a skeleton state and 1 after doing their work.
#define SKELETON_CHANGE(name, ...)                  \
  BUILTIN_FN(name) {                                \
    HANDLER_ARGS;                                   \
    CSkeletonInstance* s = SkeletonOf(self);        \
    if (s == nullptr) {                             \
      Args_SetReal(result, -1);                     \
      return;                                       \
    }                                               \
    __VA_ARGS__;                                    \
    Args_SetReal(result, 1);                        \
  }

SKELETON_CHANGE(SkeletonAnimationSetExt, s->SetAnimationExt(a.S(0), a.I(1)))
SKELETON_CHANGE(SkeletonAnimationMix, s->SetMix(a.S(0), a.S(1), a.F(2)))
SKELETON_CHANGE(SkeletonSkinSet, s->SetSkin(a.S(0)))
SKELETON_CHANGE(SkeletonCollisionDrawSet, s->m_drawCollision = a.B(0))

#undef SKELETON_CHANGE

BUILTIN_FN(SkeletonAnimationGetDuration) {
  HANDLER_ARGS;
  const CSkeletonInstance* s = SkeletonOf(self);
  Args_SetReal(result, s != nullptr ? s->GetAnimationDuration(a.S(0)) : 0.0);
}

BUILTIN_FN(SkeletonAnimationClear) {
  HANDLER_ARGS;
  if (CSkeletonInstance* s = SkeletonOf(self)) s->ClearTrack(a.I(0));
  Args_SetReal(result, 0);
}

BUILTIN_FN(SkeletonSkinGet) {
  const CSkeletonInstance* s = SkeletonOf(self);
  SetText(result, s != nullptr ? s->GetSkin() : "");
}

// The attachment is a name, or a sprite index standing for that sprite's name (none when no such
// sprite: the slot is emptied).
BUILTIN_FN(SkeletonAttachmentSet) {
  HANDLER_ARGS;
  CSkeletonInstance* s = SkeletonOf(self);
  if (s == nullptr) {
    Args_SetReal(result, -1);
    return;
  }
  const char* name = nullptr;
  if (a.Has(1) && RValue_Kind(a.V(1)) != VALUE_REAL) {
    name = a.S(1);
  } else if (Sprite_Exists(a.I(1))) {
    name = Sprite_Name(a.I(1));
  }
  s->SetAttachment(a.S(0), name);
  Args_SetReal(result, 1);
}

BUILTIN_FN(SkeletonAttachmentGet) {
  HANDLER_ARGS;
  const CSkeletonInstance* s = SkeletonOf(self);
  SetText(result, s != nullptr ? s->GetAttachment(a.S(0)) : "");
}

BUILTIN_FN(SkeletonAttachmentCreate) {
  HANDLER_ARGS;
  CSkeletonInstance* s = SkeletonOf(self);
  const int32_t sprite = a.I(1);
  const int32_t frame = a.I(2);
  const bool made = s != nullptr && Sprite_Exists(sprite) && frame >= 0 &&
                    s->CreateAttachmentFromSprite(a.S(0), sprite, frame, a.F(3), a.F(4), a.F(5), a.F(6), a.F(7));
  Args_SetReal(result, made ? 1 : -1);
}

// The bone functions answer -1 without a skeleton state, else whether the bone exists.
template <bool (CSkeletonInstance::*Operation)(const char*, int32_t)>
BUILTIN_FN(SkeletonBone) {
  HANDLER_ARGS;
  CSkeletonInstance* s = SkeletonOf(self);
  Args_SetReal(result, s == nullptr ? -1 : (s->*Operation)(a.S(0), a.I(1)) ? 1 : 0);
}

// The skeleton of the sprite named by the first argument; null for a missing or other sprite.
CSkeletonSprite* SkeletonSpriteArg(const Args& a) {
  const CSprite* sprite = Sprite_Data(a.I(0));
  return sprite != nullptr && sprite->kind == kSpriteKindSkeleton ? sprite->skeleton : nullptr;
}

// Drawing answers -1 whether it drew or not.
BUILTIN_FN(DrawSkeleton) {
  HANDLER_ARGS;
  if (CSkeletonSprite* skeleton = SkeletonSpriteArg(a)) {
    skeleton->Draw(a.S(1), a.S(2), a.I(3), a.F(4), a.F(5), a.F(6), a.F(7), a.F(8), a.U(9), a.F(10), self);
  }
  Args_SetReal(result, -1);
}

BUILTIN_FN(DrawSkeletonTime) {
  HANDLER_ARGS;
  if (CSkeletonSprite* skeleton = SkeletonSpriteArg(a)) {
    skeleton->DrawTime(a.S(1), a.S(2), a.F(3), a.F(4), a.F(5), a.F(6), a.F(7), a.F(8), a.U(9), a.F(10));
  }
  Args_SetReal(result, -1);
}

// The colour argument is read with the others, but the bounds draw in the current draw colour.
BUILTIN_FN(DrawSkeletonCollision) {
  HANDLER_ARGS;
  if (CSkeletonSprite* skeleton = SkeletonSpriteArg(a)) {
    skeleton->DrawCollision(a.S(1), a.I(2), a.F(3), a.F(4), a.F(5), a.F(6), a.F(7));
  }
  Args_SetReal(result, -1);
}

// The list functions check the sprite, then the list, and answer -1 in every case.
template <void (CSkeletonSprite::*Fill)(int32_t) const>
void FillList(RValue* result, const Args& a, const char* notASkeleton) {
  Args_SetReal(result, -1);
  const CSkeletonSprite* skeleton = SkeletonSpriteArg(a);
  if (skeleton == nullptr) {
    Error_Report(false, notASkeleton);
    return;
  }
  const int32_t list = a.I(1);
  if (g_DsLists.Get(list) == nullptr) {
    Error_Report(false, "Data structure with index does not exist.");
    return;
  }
  (skeleton->*Fill)(list);
}

BUILTIN_FN(SkeletonAnimationList) {
  HANDLER_ARGS;
  FillList<&CSkeletonSprite::ListAnimations>(result, a, "skeleton_animation_list: Sprite is not a Skeleton");
}
BUILTIN_FN(SkeletonSkinList) {
  HANDLER_ARGS;
  FillList<&CSkeletonSprite::ListSkins>(result, a, "skeleton_skin_list: Sprite is not a Skeleton");
}
BUILTIN_FN(SkeletonSlotData) {
  HANDLER_ARGS;
  FillList<&CSkeletonSprite::SlotData>(result, a, "skeleton_slot_map: Sprite is not a Skeleton");
}

}  // namespace

void Skeleton_RegisterFunctions(uint8_t flag) {
  Builtin_Add("skeleton_animation_set", SkeletonAnimationSet, 1, flag);
  Builtin_Add("skeleton_animation_get", SkeletonAnimationGet, 0, flag);
  Builtin_Add("skeleton_animation_get_ext", SkeletonAnimationGet, 1, flag);
  Builtin_Add("skeleton_animation_set_ext", SkeletonAnimationSetExt, 2, flag);
  Builtin_Add("skeleton_animation_mix", SkeletonAnimationMix, 3, flag);
  Builtin_Add("skeleton_animation_get_duration", SkeletonAnimationGetDuration, 1, flag);
  Builtin_Add("skeleton_animation_clear", SkeletonAnimationClear, 1, flag);
  Builtin_Add("skeleton_skin_set", SkeletonSkinSet, 1, flag);
  Builtin_Add("skeleton_skin_get", SkeletonSkinGet, 0, flag);
  Builtin_Add("skeleton_attachment_set", SkeletonAttachmentSet, 2, flag);
  Builtin_Add("skeleton_attachment_get", SkeletonAttachmentGet, 1, flag);
  Builtin_Add("skeleton_attachment_create", SkeletonAttachmentCreate, 8, flag);
  Builtin_Add("skeleton_collision_draw_set", SkeletonCollisionDrawSet, 1, flag);
  Builtin_Add("skeleton_bone_data_get", SkeletonBone<&CSkeletonInstance::GetBoneData>, 2, flag);
  Builtin_Add("skeleton_bone_data_set", SkeletonBone<&CSkeletonInstance::SetBoneData>, 2, flag);
  Builtin_Add("skeleton_bone_state_get", SkeletonBone<&CSkeletonInstance::GetBoneState>, 2, flag);
  Builtin_Add("skeleton_bone_state_set", SkeletonBone<&CSkeletonInstance::SetBoneState>, 2, flag);
  Builtin_Add("draw_skeleton", DrawSkeleton, 11, flag);
  Builtin_Add("draw_skeleton_time", DrawSkeletonTime, 11, flag);
  Builtin_Add("draw_skeleton_collision", DrawSkeletonCollision, 9, flag);
  Builtin_Add("skeleton_animation_list", SkeletonAnimationList, 2, flag);
  Builtin_Add("skeleton_skin_list", SkeletonSkinList, 2, flag);
  Builtin_Add("skeleton_slot_data", SkeletonSlotData, 2, flag);
}
