// Deactivating and activating instances of the running room, the collections of its active and
// deactivated instances, and instance_copy. A flag changed here moves its instance between the
// room's lists only at the next deferred update (CRoom::ApplyActivation).
#pragma once

#include <cstdint>
#include <span>

#include "world/room.h"

class CInstance;

// The running room's instances that are not marked for deletion and not deactivated (the active
// list first, then the inactive one). With a visitor it is called for each and nothing is
// returned; without one they are gathered in a shared collection, valid until the next call.
std::span<CInstance* const> Instance_CollectActive(InstanceVisitor visit = nullptr, void* context = nullptr);
// The same for the deactivated instances that are not marked for deletion.
std::span<CInstance* const> Instance_CollectDeactivated(InstanceVisitor visit = nullptr, void* context = nullptr);

void Instance_Deactivate(CInstance* instance);
void Instance_Activate(CInstance* instance);

// The object argument takes -1 self, -2 other, -3 all, an instance id (100000 or more) or an
// object index (its descendants included).
inline constexpr int32_t kInstanceSelf = -1;
inline constexpr int32_t kInstanceOther = -2;
inline constexpr int32_t kInstanceAll = -3;

// instance_deactivate_all: notme keeps the calling instance active.
void Instance_DeactivateAll(CInstance* self, bool notme);
void Instance_DeactivateObject(CInstance* self, CInstance* other, int32_t object);
// With inside true the instances touching or within the region, with inside false those wholly
// outside it.
void Instance_DeactivateRegion(CInstance* self, float left, float top, float width, float height, bool inside,
                               bool notme);
void Instance_ActivateAll();
void Instance_ActivateObject(CInstance* self, CInstance* other, int32_t object);
void Instance_ActivateRegion(float left, float top, float width, float height, bool inside);

// instance_copy: a new instance with the caller's object, position and state but an id of its
// own, its Create event run when asked; returns its id, -1 without a caller or a running room.
int32_t Instance_Copy(CInstance* self, bool performEvent);
