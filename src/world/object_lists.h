// Per-event object lists: for each dispatched event address, the objects that define or inherit a
// handler for it, in increasing index order, and the pairs of objects with a collision event
// between them. The step phases walk these instead of asking every instance.
//
// Built at game start and rebuilt whole after parent or event changes; adding or deleting an
// object does not rebuild them (the phases skip indices whose object is gone).
#pragma once

#include <cstdint>

class CObject;

// Numbers above the listed range (alarms past 12, steps past 16, keys, mouse and other numbers
// past 128) keep empty lists: no phase dispatches them.
inline constexpr int32_t kObjectListNumbers = 256;

// One unordered pair of objects with a collision event: the smaller index first when the smaller
// object has the event, else (larger, smaller). An object colliding with itself gives (i, i).
struct ObjectCollisionPair {
  int32_t first;
  int32_t second;
  CObject* firstObject;
  CObject* secondObject;  // null when no object has that index
};

// Rebuilds every list and the pair list.
void ObjectLists_Build();
// Rebuilds the lists of one type for numbers 0..highest (the others of the type become empty).
void ObjectLists_BuildType(int32_t type, int32_t highest);
void ObjectLists_BuildCollisions();
// Frees every list and the pair list (exit).
void ObjectLists_FreeAll();

// The objects listed for (type, number), and their count; an empty list for any other address.
const int32_t* ObjectLists_Get(int32_t type, int32_t number, int32_t* count);
int32_t ObjectLists_PairCount();
const ObjectCollisionPair* ObjectLists_Pairs();
