// A room of the game: the definitions the room table keeps (one per ROOM entry, or made at run
// time) and the run-time copy of a definition that is played, which owns the room's instances.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "world/instance_list.h"

class CInstance;
class CPhysicsWorld;
class IBuffer;
struct CCode;
struct ContainerBytes;

inline constexpr int32_t kRoomBackgroundCount = 8;
inline constexpr int32_t kRoomViewCount = 8;

struct RoomBackground {
  bool visible = false;
  bool foreground = false;
  int32_t index = -1;  // the background drawn; -1 none
  float x = 0.0f;
  float y = 0.0f;
  bool htiled = true;
  bool vtiled = true;
  float hspeed = 0.0f;
  float vspeed = 0.0f;
  float xscale = 1.0f;
  float yscale = 1.0f;
  uint32_t blend = 0xFFFFFF;
  float alpha = 1.0f;
};

struct CRoomView {
  bool visible = false;
  float view_x = 0.0f;
  float view_y = 0.0f;
  float view_w = 640.0f;
  float view_h = 480.0f;
  int32_t port_x = 0;
  int32_t port_y = 0;
  int32_t port_w = 640;
  int32_t port_h = 480;
  float angle = 0.0f;
  int32_t hborder = 32;
  int32_t vborder = 32;
  int32_t hspeed = -1;
  int32_t vspeed = -1;
  int32_t object = -1;     // the object followed; -1 none
  int32_t surfaceId = -1;  // the surface the view draws to; -1 the screen. Reset and copy keep it.

  // Everything but the surface back to its default.
  void Reset();
  // Everything but the surface from the source.
  void CopySettings(const CRoomView& source);
};

// One instance the room places, as its ROOM entry gives it (36 bytes). Once loaded, `code` is a
// code slot (Code_Add) rather than the container's code index.
struct RoomInstanceRecord {
  int32_t x;
  int32_t y;
  int32_t object;
  int32_t id;
  int32_t code;
  float xscale;
  float yscale;
  uint32_t colour;  // low 24 bits the blend colour, top 8 the alpha times 255
  float angle;
};
static_assert(sizeof(RoomInstanceRecord) == 36);

// One tile the room places (48 bytes).
struct RoomTileRecord {
  int32_t x;
  int32_t y;
  int32_t background;
  int32_t left;
  int32_t top;
  int32_t width;
  int32_t height;
  int32_t depth;
  int32_t id;
  float xscale;
  float yscale;
  uint32_t colour;
};
static_assert(sizeof(RoomTileRecord) == 48);

// A tile of a running room. It contains (px, py) when x <= px < x + width * xscale and
// y <= py < y + height * yscale.
struct RoomTile {
  bool Contains(float px, float py) const {
    return x <= px && px < x + static_cast<float>(width) * xscale && y <= py && py < y + static_cast<float>(height) * yscale;
  }

  float x = 0.0f;
  float y = 0.0f;
  int32_t background = -1;
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  float depth = 0.0f;
  int32_t id = 0;
  float xscale = 1.0f;
  float yscale = 1.0f;
  uint32_t blend = 0xFFFFFF;
  float alpha = 1.0f;
  bool visible = true;
};

// The running tile a tile record places: visible, its colour split into blend and alpha.
RoomTile RoomTile_FromRecord(const RoomTileRecord& record);

inline constexpr int32_t kRoomLayerBackground = 1;
inline constexpr int32_t kRoomLayerInstances = 2;
inline constexpr int32_t kRoomLayerTiles = 3;

struct RoomLayerElement {
  int32_t kind = 0;
  RoomBackground background;          // kind 1
  int32_t instanceId = -1;            // kind 2
  std::vector<RoomTileRecord> tiles;  // kind 3
};

struct RoomLayerRecord {
  int32_t id = 0;
  int32_t kind = 0;
  int32_t depth = 0;
  std::vector<RoomLayerElement> elements;
};

class CRoom {
 public:
  CRoom();
  ~CRoom();
  CRoom(const CRoom&) = delete;
  CRoom& operator=(const CRoom&) = delete;

  // Back to a room of defaults; every instance it holds is deleted.
  void Reset();
  // Loads a definition from its ROOM entry at `entry` (a container offset the caller checked
  // holds the fixed part). False, with `problem` set, when a list or record lies outside the
  // container; the entry's lists are rewritten in place (an empty instance list's offset becomes
  // 0, each instance's code index becomes a code slot).
  bool LoadFromChunk(const ContainerBytes& container, uint32_t entry, std::string* problem);
  // Makes this room a copy of source; with createInstances the instances and tiles its records
  // place are made (no event runs), their ids kept in createdIds in record order.
  void Assign(const CRoom* source, bool createInstances);
  // A room made at run time: an empty entry of its own with both record lists present.
  void InitBlank();
  // room_instance_add: a record at (x, y) truncated, with the next instance id; returns the id,
  // -1 (and no record) when no id is left.
  int32_t AddInstanceRecord(float x, float y, int32_t object);
  // room_instance_clear: the room places no instance any more.
  void ClearInstanceRecords();
  // room_tile_add: a record placing the background's part at (x, y), with the next tile id and
  // the colour word (blend colour low, alpha times 255 high); returns the id, -1 (and no record)
  // when no id is left.
  int32_t AddTileRecord(int32_t background, int32_t left, int32_t top, int32_t width, int32_t height, int32_t x,
                        int32_t y, int32_t depth, float xscale, float yscale, uint32_t colour);
  // room_tile_clear: the room places no tile any more.
  void ClearTileRecords();
  void SetName(const char* text) { name = text != nullptr ? text : ""; }

  // A new instance with the next id, in the active list by depth and in the id table. No event.
  // Null when no id is left.
  CInstance* CreateInstance(float x, float y, int32_t object);
  // Takes the instance out of the room (its list and the id table) and deletes it.
  void DeleteInstance(CInstance* instance);
  void DeleteAllInstances();
  void DeleteInactiveInstances();
  // Moves instances whose deactivated flag changed between the active and the inactive list.
  void ApplyActivation();
  // The list that holds the instance now: with its flag changed but not yet applied, the old one.
  InstanceList& ListHolding(const CInstance* instance);

  // Adds each background's speeds to its position.
  void ScrollBackgrounds();

  // Tiles of the running room. A "tile layer" is the set of tiles sharing one depth (compared
  // exactly). The array is freed when deletion empties it.
  // A copy of the tile with the next tile id; returns its index, -1 when no id is left.
  int32_t AddTile(const RoomTile& tile);
  // The index of the tile with the id, -1 when none; tries the last-found index first.
  int32_t FindTile(int32_t id);
  // Removes the tile, keeping the order of the rest; an index out of range is ignored.
  void DeleteTile(int32_t index);
  void HideTileLayer(float depth);
  void ShowTileLayer(float depth);
  void ShiftTileLayer(float depth, float dx, float dy);
  void SetTileLayerDepth(float depth, float newDepth);
  void DeleteTileLayer(float depth);
  // Removes the tiles of the depth that contain (x, y).
  void DeleteTileLayerAt(float depth, float x, float y);
  // Of the tiles of the depth containing (x, y), the one whose centre is nearest (the earlier of
  // equals); -1 when none.
  int32_t FindTileInLayer(float depth, float x, float y);
  // Orders the tiles for drawing: deepest first, equal depths keeping their order. An array
  // already in order costs one pass.
  void SortTiles();
  // The id of the first instances layer record listing the instance, -1 when none.
  int32_t FindLayerOfInstance(int32_t instanceId) const;
  // FindLayerOfInstance for every listed instance at once: instance id to layer id.
  std::unordered_map<int32_t, int32_t> LayersOfInstances() const;
  // The tile array was reordered or shortened: FindTile's index is made again before its next use.
  void TilesReordered();
  int32_t GetSpeed() const { return m_speed; }

  // The room's saved-game record. Saving a room that uses physics is a fatal error (the record is
  // still written).
  void SaveState(IBuffer* buffer);
  // Fills a newly made room from a record, its instances outside every object list, the id table
  // and the layers: entering them is the loader's, once the whole saved game has been read. What
  // the record does not hold (physics, the room's entry and records, layers, name) keeps the
  // constructor's defaults; both clear flags are off. False when the record runs short, a count
  // is more than the bytes left can hold, or an instance names no object; the room then holds
  // what was read and is to be deleted.
  bool LoadState(IBuffer* buffer);

  std::string caption;
  // Frames per second; the frame corrects 0 or less to 1 in the room before using it.
  int32_t m_speed = 30;
  int32_t width = 640;
  int32_t height = 480;
  bool persistent = false;
  uint32_t colour = 0xC0C0C0;
  bool show_colour = true;
  RoomBackground backgrounds[kRoomBackgroundCount];
  bool enable_views = false;
  bool clear_view_background = false;
  bool clear_display_buffer = true;
  CRoomView views[kRoomViewCount];
  std::string creation_code_text;
  // Shared by a definition and its copies; it lives while any room made from the definition
  // does, so that a definition can go (room_assign) while a copy of it still runs or waits.
  CCode* creation_code = nullptr;
  bool uses_physics = false;
  int32_t gravity_x = 0;
  int32_t gravity_y = 0;
  float pixel_to_metre = 0.0f;
  InstanceList active;                     // by depth
  InstanceList inactive;                   // deactivated instances, in the order deactivated
  std::vector<int32_t> createdIds;         // the instances its records made, for their Create events
  CPhysicsWorld* physics_world = nullptr;  // owned; null when the room uses no physics
  std::vector<RoomTile> tiles;
  int32_t last_found_tile = -1;
  std::string name;
  bool owns_records = false;  // made by room_duplicate or room_assign: its records are its own
  // What the room's entry says of its records: whether there is an entry, and whether it marks an
  // instance list and a tile list present.
  bool has_entry = false;
  bool instance_list_present = false;
  bool tile_list_present = false;
  std::vector<RoomInstanceRecord> instance_records;
  std::vector<RoomTileRecord> tile_records;
  std::vector<RoomLayerRecord> layers;

 private:
  std::shared_ptr<CCode> m_codeOwner;  // creation_code, held by every room that uses it

  void IndexTiles();
  // FindTile's index: tile id to the first index holding it, made over m_tileIndexSize tiles and
  // current while m_tileIndexFresh.
  std::unordered_map<int32_t, int32_t> m_tileIndex;
  size_t m_tileIndexSize = 0;
  bool m_tileIndexFresh = false;
};

// The sub-records of a room's saved-game record; loading gives false when the data ran out.
void RoomBackground_Save(const RoomBackground& background, IBuffer* buffer);
bool RoomBackground_Load(RoomBackground* background, IBuffer* buffer);
void RoomView_Save(const CRoomView& view, IBuffer* buffer);
bool RoomView_Load(CRoomView* view, IBuffer* buffer);
void RoomTile_Save(const RoomTile& tile, IBuffer* buffer);
bool RoomTile_Load(RoomTile* tile, IBuffer* buffer);

// The running room; null between games.
extern CRoom* Room_Current;
// The index of the room being played (the script variable room).
extern int32_t Room_CurrentIndex;

// Set to 1 by the room reset and changed by nothing else; the view mapping divides by it.

// The run-time copies by room index (null while a room has none), and the persistent instances
// carried from the room being left into the next one. The room entry and end fill them.
extern std::vector<CRoom*> Room_Copies;
extern std::vector<CInstance*> Room_Carried;

using InstanceVisitor = void (*)(CInstance* instance, void* context);

// Calls visit for every instance that a room still holds: both lists of the current room and of
// every kept (persistent) room copy, and the instances carried over to the next room.
void Room_VisitInstanceRoots(InstanceVisitor visit, void* context);

// Deletes the room's active instances that are marked for deletion.
void Room_DeleteMarked(CRoom* room);
