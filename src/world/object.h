// Object definitions as instances use them: the defaults an instance takes, the physics shape its
// body is built from, and the two lists of the instances that belong to each definition.
#pragma once

#include <cstdint>

class CInstance;

struct ObjectInstanceNode {
  ObjectInstanceNode* next;
  ObjectInstanceNode* previous;
  CInstance* instance;
};

// The nodes belong to the list; the instances do not.
struct ObjectInstanceList {
  ObjectInstanceNode* first = nullptr;
  ObjectInstanceNode* last = nullptr;
  int32_t count = 0;

  void Append(CInstance* instance);
  // Removes the first node holding the instance; false when there is none.
  bool Remove(CInstance* instance);
  bool Contains(const CInstance* instance) const;
  void Clear();
};

struct ObjectPoint {
  float x;
  float y;
};

inline constexpr uint32_t kObjectFlagSolid = 1;
inline constexpr uint32_t kObjectFlagVisible = 2;
inline constexpr uint32_t kObjectFlagPersistent = 4;

inline constexpr int32_t kPhysicsShapeCircle = 0;
inline constexpr int32_t kPhysicsShapeBox = 1;
inline constexpr int32_t kPhysicsShapePolygon = 2;

class CObject {
 public:
  explicit CObject(int32_t objectIndex);
  ~CObject();
  CObject(const CObject&) = delete;
  CObject& operator=(const CObject&) = delete;

  void SetName(const char* text);
  // Replaces the physics shape points with copies of n points.
  void SetPoints(const ObjectPoint* source, int32_t n);

  // Joins the instance to this definition's own list and to the inclusive lists of this definition
  // and every ancestor; RemoveInstance leaves them.
  void AddInstance(CInstance* instance);
  void RemoveInstance(CInstance* instance);

  uint32_t flags = kObjectFlagVisible;
  int32_t sprite_index = -1;
  int32_t depth = 0;
  int32_t parent_index = -1;
  int32_t mask_index = -1;
  char* name = nullptr;  // owned
  int32_t index;

  bool uses_physics = false;
  bool sensor = false;
  int32_t shape = kPhysicsShapeCircle;
  int32_t group = 0;
  float density = 0.5f;
  float restitution = 0.1f;
  float linear_damping = 0.1f;
  float angular_damping = 0.1f;
  float friction = 0.2f;
  bool awake = true;
  bool kinematic = false;
  int32_t point_count = 0;
  ObjectPoint* points = nullptr;  // owned

  CObject* parent = nullptr;
  ObjectInstanceList instances;
  ObjectInstanceList instances_recursive;
};

// The number of object index slots handed out.
int32_t Object_Count();
CObject* Object_Data(int32_t objectIndex);  // null when the index holds no definition (also -1)
bool Object_Exists(int32_t objectIndex);
const char* Object_Name(int32_t objectIndex);  // "<undefined>" when there is no such object
// The index of the object with exactly that name, -1 when none.
int32_t Object_Find(const char* name);

// The object table until the definitions are loaded from the game data: an empty table, a new
// definition at the next index (named "__newobject" and its index), and the teardown.
void Object_Init();
int32_t Object_Add();
void Object_Shutdown();
