// The running room's tile array: additions, look-ups by id, removal, the operations on all tiles
// of one depth and the depth sort the redraw runs every frame.
#include <cfloat>
#include <utility>

#include "world/room.h"
#include "world/room_table.h"

namespace {

constexpr size_t kTileGrowth = 10;

// Keeps the kept tiles in order, compacting in one pass; frees the array when none is left.
template <typename Drop>
void RemoveTiles(std::vector<RoomTile>* tiles, Drop drop) {
  size_t to = 0;
  for (size_t from = 0; from < tiles->size(); ++from) {
    if (drop((*tiles)[from])) continue;
    if (to != from) (*tiles)[to] = (*tiles)[from];
    ++to;
  }
  if (to == tiles->size()) return;
  tiles->resize(to);
  if (to == 0) std::vector<RoomTile>().swap(*tiles);
}

}  // namespace

int32_t CRoom::AddTile(const RoomTile& tile) {
  if (tiles.size() == tiles.capacity()) tiles.reserve(tiles.capacity() + kTileGrowth);
  tiles.push_back(tile);
  const int32_t id = Room_TileIdCounter() + 1;
  Room_SetTileIdCounter(id);
  tiles.back().id = id;
  last_found_tile = static_cast<int32_t>(tiles.size()) - 1;
  return last_found_tile;
}

int32_t CRoom::FindTile(int32_t id) {
  const auto count = static_cast<int32_t>(tiles.size());
  if (last_found_tile >= 0 && last_found_tile < count && tiles[static_cast<size_t>(last_found_tile)].id == id) {
    return last_found_tile;
  }
  for (int32_t i = 0; i < count; ++i) {
    if (tiles[static_cast<size_t>(i)].id == id) {
      last_found_tile = i;
      return i;
    }
  }
  return -1;
}

void CRoom::DeleteTile(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(tiles.size())) return;
  tiles.erase(tiles.begin() + index);
  if (tiles.empty()) std::vector<RoomTile>().swap(tiles);
}

void CRoom::HideTileLayer(float depth) {
  for (RoomTile& t : tiles) {
    if (t.depth == depth) t.visible = false;
  }
}

void CRoom::ShowTileLayer(float depth) {
  for (RoomTile& t : tiles) {
    if (t.depth == depth) t.visible = true;
  }
}

void CRoom::ShiftTileLayer(float depth, float dx, float dy) {
  for (RoomTile& t : tiles) {
    if (t.depth != depth) continue;
    t.x += dx;
    t.y += dy;
  }
}

void CRoom::SetTileLayerDepth(float depth, float newDepth) {
  for (RoomTile& t : tiles) {
    if (t.depth == depth) t.depth = newDepth;
  }
}

void CRoom::DeleteTileLayer(float depth) {
  RemoveTiles(&tiles, [depth](const RoomTile& t) { return t.depth == depth; });
}

void CRoom::DeleteTileLayerAt(float depth, float x, float y) {
  RemoveTiles(&tiles, [=](const RoomTile& t) { return t.depth == depth && t.Contains(x, y); });
}

int32_t CRoom::FindTileInLayer(float depth, float x, float y) {
  float best = FLT_MAX;
  int32_t found = -1;
  for (size_t i = 0; i < tiles.size(); ++i) {
    const RoomTile& t = tiles[i];
    if (t.depth != depth || !t.Contains(x, y)) continue;
    const float dx = (t.x + static_cast<float>(t.width) * t.xscale * 0.5f) - x;
    const float dy = (t.y + static_cast<float>(t.height) * t.yscale * 0.5f) - y;
    const float d = dx * dx + dy * dy;
    if (d < best) {
      best = d;
      found = static_cast<int32_t>(i);
    }
  }
  if (found >= 0) last_found_tile = found;
  return found;
}

void CRoom::SortTiles() {
  const size_t count = tiles.size();
  if (count < 2) return;
  bool ordered = true;
  for (size_t i = 1; i < count && ordered; ++i) {
    ordered = static_cast<double>(tiles[i].depth) <= static_cast<double>(tiles[i - 1].depth);
  }
  if (ordered) return;
  for (size_t i = 1; i < count; ++i) {
    for (size_t j = i; j > 0 && static_cast<double>(tiles[j].depth) > static_cast<double>(tiles[j - 1].depth); --j) {
      std::swap(tiles[j], tiles[j - 1]);
    }
  }
}

int32_t CRoom::FindLayerOfInstance(int32_t instanceId) const {
  for (const RoomLayerRecord& layer : layers) {
    if (layer.kind != kRoomLayerInstances) continue;
    for (const RoomLayerElement& element : layer.elements) {
      if (element.kind == kRoomLayerInstances && element.instanceId == instanceId) return layer.id;
    }
  }
  return -1;
}
