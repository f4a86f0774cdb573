// The running room's tile array: additions, look-ups by id, removal, the operations on all tiles
// of one depth and the depth sort the redraw runs every frame.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <utility>

#include "world/room.h"
#include "world/room_table.h"

namespace {

// Keeps the kept tiles in order, compacting in one pass; frees the array when none is left.
// True when a tile was removed.
template <typename Drop>
bool RemoveTiles(std::vector<RoomTile>* tiles, Drop drop) {
  size_t to = 0;
  for (size_t from = 0; from < tiles->size(); ++from) {
    if (drop((*tiles)[from])) continue;
    if (to != from) (*tiles)[to] = (*tiles)[from];
    ++to;
  }
  if (to == tiles->size()) return false;
  tiles->resize(to);
  if (to == 0) std::vector<RoomTile>().swap(*tiles);
  return true;
}

}  // namespace

int32_t CRoom::AddTile(const RoomTile& tile) {
  // The vector grows geometrically: adding n tiles copies O(n) records in all.
  const int32_t id = Room_NextTileId();
  if (id < 0) return -1;
  tiles.push_back(tile);
  tiles.back().id = id;
  last_found_tile = static_cast<int32_t>(tiles.size()) - 1;
  // A current index takes the new tile at the end (an id already there keeps its earlier tile).
  if (m_tileIndexFresh && m_tileIndexSize + 1 == tiles.size()) {
    m_tileIndex.emplace(id, last_found_tile);
    m_tileIndexSize = tiles.size();
  }
  return last_found_tile;
}

void CRoom::IndexTiles() {
  m_tileIndex.clear();
  for (size_t i = 0; i < tiles.size(); ++i) m_tileIndex.emplace(tiles[i].id, static_cast<int32_t>(i));
  m_tileIndexSize = tiles.size();
  m_tileIndexFresh = true;
}

void CRoom::TilesReordered() { m_tileIndexFresh = false; }

int32_t CRoom::FindTile(int32_t id) {
  const auto count = static_cast<int32_t>(tiles.size());
  if (last_found_tile >= 0 && last_found_tile < count && tiles[static_cast<size_t>(last_found_tile)].id == id) {
    return last_found_tile;
  }
  // The index maps each id to the first tile holding it. It is made again when the array changed
  // (through this class, or in size), and when an entry turns out to point at another id.
  if (!m_tileIndexFresh || m_tileIndexSize != tiles.size()) IndexTiles();
  for (int attempt = 0; attempt < 2; ++attempt) {
    const auto found = m_tileIndex.find(id);
    if (found == m_tileIndex.end()) return -1;
    if (found->second < count && tiles[static_cast<size_t>(found->second)].id == id) {
      last_found_tile = found->second;
      return found->second;
    }
    IndexTiles();
  }
  return -1;
}

void CRoom::DeleteTile(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(tiles.size())) return;
  tiles.erase(tiles.begin() + index);
  if (tiles.empty()) std::vector<RoomTile>().swap(tiles);
  TilesReordered();
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
  if (RemoveTiles(&tiles, [depth](const RoomTile& t) { return t.depth == depth; })) TilesReordered();
}

void CRoom::DeleteTileLayerAt(float depth, float x, float y) {
  if (RemoveTiles(&tiles, [=](const RoomTile& t) { return t.depth == depth && t.Contains(x, y); })) TilesReordered();
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
  bool comparable = true;
  for (size_t i = 0; i < count; ++i) {
    comparable = comparable && !std::isnan(tiles[i].depth);
    if (i > 0) ordered = ordered && static_cast<double>(tiles[i].depth) <= static_cast<double>(tiles[i - 1].depth);
  }
  if (ordered) return;
  TilesReordered();
  if (comparable) {
    // Deepest first, equal depths in their order: what moving each tile down past every shallower
    // one gives, in n log n.
    std::stable_sort(tiles.begin(), tiles.end(), [](const RoomTile& a, const RoomTile& b) { return a.depth > b.depth; });
    return;
  }
  // A NaN depth orders with nothing, so a tile stops at one: only the pairwise moves give that.
  for (size_t i = 1; i < count; ++i) {
    for (size_t j = i; j > 0 && static_cast<double>(tiles[j].depth) > static_cast<double>(tiles[j - 1].depth); --j) {
      std::swap(tiles[j], tiles[j - 1]);
    }
  }
}

int32_t CRoom::FindLayerOfInstance(int32_t instanceId) const {
  const std::unordered_map<int32_t, int32_t> layerOf = LayersOfInstances();
  const auto found = layerOf.find(instanceId);
  return found != layerOf.end() ? found->second : -1;
}

std::unordered_map<int32_t, int32_t> CRoom::LayersOfInstances() const {
  std::unordered_map<int32_t, int32_t> layerOf;
  for (const RoomLayerRecord& layer : layers) {
    if (layer.kind != kRoomLayerInstances) continue;
    for (const RoomLayerElement& element : layer.elements) {
      // The first layer listing an id keeps it.
      if (element.kind == kRoomLayerInstances) layerOf.emplace(element.instanceId, layer.id);
    }
  }
  return layerOf;
}
