// The script-level questions about where instances are: which instance meets a point, a shape or
// the caller at another position, which is nearest or furthest, how many there are; and the
// movements built on them (to contact, outside, bouncing, random free places, destroying or
// changing what is at a point).
//
// The obj argument: -3 every instance of the running room's active list; an instance id (100000
// or more) that instance; 0..99999 an object with its descendants. Instances marked for deletion
// or deactivated take part in nothing.
#pragma once

#include <cstdint>

class CInstance;

inline constexpr int32_t kNoone = -4;
inline constexpr float kNoObjectDistance = 1000000.0f;

CInstance* Command_CollisionPoint(CInstance* self, float x, float y, int32_t obj, bool precise, bool notme);
CInstance* Command_CollisionRectangle(CInstance* self, float x1, float y1, float x2, float y2, int32_t obj,
                                      bool precise, bool notme);
CInstance* Command_CollisionEllipse(CInstance* self, float x1, float y1, float x2, float y2, int32_t obj,
                                    bool precise, bool notme);
CInstance* Command_CollisionLine(CInstance* self, float x1, float y1, float x2, float y2, int32_t obj, bool precise,
                                 bool notme);
CInstance* Command_InstancePosition(float x, float y, int32_t obj);
bool Command_PositionMeeting(float x, float y, int32_t obj);
// By position alone; ties keep the earlier instance. The caller may be the answer.
CInstance* Command_InstanceNearest(float x, float y, int32_t obj);
CInstance* Command_InstanceFurthest(float x, float y, int32_t obj);
// The caller is put at (x, y) for the test and back afterwards.
CInstance* Command_InstancePlace(CInstance* self, float x, float y, int32_t obj);
bool Command_PlaceMeeting(CInstance* self, int32_t obj, float x, float y);
bool Command_PlaceEmpty(CInstance* self, float x, float y);  // no instance at all
bool Command_PlaceFree(CInstance* self, float x, float y);   // no solid instance
int32_t Command_InstanceNumber(int32_t obj);
// Steps of one pixel in the direction until the next one would collide; max distance <= 0 allows
// 1000 steps. all: any instance blocks, else only solid ones.
void Command_MoveContact(CInstance* self, float direction, float maxDistance, bool all);
// Steps while the place is not free; returns whether it ends free.
bool Command_MoveOutside(CInstance* self, float direction, float maxDistance, bool all);
void Command_Bounce(CInstance* self, bool precise, bool all);
bool Command_PlaceSnapped(CInstance* self, double hsnap, double vsnap);
void Command_PositionDestroy(float x, float y);
void Command_PositionChange(float x, float y, int32_t obj, bool performEvents);
double Command_DistanceToPoint(CInstance* self, double x, double y);
float Command_DistanceToObject(CInstance* self, CInstance* other, int32_t obj);
// -1 and -2 are answered for self and other; the rest as the commands above.
int32_t F_InstanceNumber(CInstance* self, CInstance* other, int32_t obj);
bool F_InstanceExists(CInstance* self, CInstance* other, int32_t obj);
// The n-th eligible instance (from 0) that obj names, its id or noone.
int32_t Command_InstanceFind(int32_t obj, int32_t n);
