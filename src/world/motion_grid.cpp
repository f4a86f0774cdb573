#include "world/motion_grid.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "core/memory_manager.h"
#include "world/instance.h"
#include "world/lifecycle.h"
#include "world/path.h"

namespace {

constexpr float kPathPointSpeed = 100.0f;

std::vector<CGrid*> g_grids;

// The ring of cell indices that every search floods through. It holds at most capacity - 1
// entries; a push into a full ring doubles it first (4096 slots at the first push).
struct SearchQueue {
  int32_t* items = nullptr;
  int64_t capacity = 0;
  int64_t read = 0;
  int64_t write = 0;
  int64_t count = 0;

  void Reset() { read = write = count = 0; }
  void Grow() {
    constexpr int64_t kFirstCapacity = 4096;
    const int64_t grown = capacity == 0 ? kFirstCapacity : capacity * 2;
    auto* bigger = static_cast<int32_t*>(MEM_ALLOC_RAW(static_cast<size_t>(grown) * sizeof(int32_t)));
    for (int64_t k = 0; k < count; ++k) bigger[k] = items[(read + k) & (capacity - 1)];
    MEM_FREE(items);
    items = bigger;
    capacity = grown;
    read = 0;
    write = count;
  }
  void Push(int32_t cell) {
    if (capacity == 0 || ((write + 1) & (capacity - 1)) == read) Grow();
    items[write] = cell;
    write = (write + 1) & (capacity - 1);
    ++count;
  }
  // -1 when empty.
  int32_t Pop() {
    if (count == 0) return -1;
    const int32_t cell = items[read];
    read = (read + 1) & (capacity - 1);
    --count;
    return cell;
  }
};

SearchQueue g_queue;

}  // namespace

CGrid::CGrid(int32_t left, int32_t top, int32_t hcells, int32_t vcells, int32_t cellWidth, int32_t cellHeight)
    : m_left(left), m_top(top), m_cellWidth(cellWidth), m_cellHeight(cellHeight), m_hcells(hcells), m_vcells(vcells) {
  if (hcells <= 0 || vcells <= 0) return;
  // At most 2^31 - 1 cells each way make at most 2^62 cells: the product fits, and any total whose
  // bytes pass 32 bits ends in the memory manager's out-of-memory path, so a total that comes
  // back fits an int32.
  const int64_t total = static_cast<int64_t>(hcells) * vcells;
  m_cells = static_cast<int32_t*>(MEM_ALLOC(static_cast<size_t>(total) * sizeof(int32_t)));
  m_total = static_cast<int32_t>(total);
}

CGrid::~CGrid() { MEM_FREE(m_cells); }

void CGrid::SetAll(int32_t value) { std::fill(m_cells, m_cells + m_total, value); }

bool CGrid::Covers(int64_t x, int64_t y) const {
  return x >= m_left && x < m_left + static_cast<int64_t>(m_cellWidth) * m_hcells && y >= m_top &&
         y < m_top + static_cast<int64_t>(m_cellHeight) * m_vcells;
}

template <typename Visit>
void CGrid::VisitRange(int64_t c1, int64_t r1, int64_t c2, int64_t r2, Visit visit) {
  c1 = std::max<int64_t>(c1, 0);
  r1 = std::max<int64_t>(r1, 0);
  c2 = std::min<int64_t>(c2, m_hcells - 1);
  r2 = std::min<int64_t>(r2, m_vcells - 1);
  for (int64_t i = c1; i <= c2; ++i) {
    for (int64_t j = r1; j <= r2; ++j) visit(static_cast<int32_t>(i), static_cast<int32_t>(j));
  }
}

void CGrid::MarkRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t value) {
  if (!Maps()) return;
  VisitRange(Column(std::min(x1, x2)), Row(std::min(y1, y2)), Column(std::max(x1, x2)), Row(std::max(y1, y2)),
             [&](int32_t i, int32_t j) { Set(i, j, value); });
}

void CGrid::AddInstance(CInstance* instance, bool precise) {
  if (instance == nullptr || !Maps()) return;
  if (instance->bbox_dirty) Compute_BoundingBox(instance);
  VisitRange(Column(instance->bbox_left), Row(instance->bbox_top), Column(instance->bbox_right),
             Row(instance->bbox_bottom), [&](int32_t i, int32_t j) {
               if (!precise) {
                 Set(i, j, kGridCellForbidden);
                 return;
               }
               if (Get(i, j) == kGridCellForbidden) return;
               const int64_t x = m_left + static_cast<int64_t>(i) * m_cellWidth;
               const int64_t y = m_top + static_cast<int64_t>(j) * m_cellHeight;
               if (instance->CollisionRectangle(static_cast<float>(x), static_cast<float>(y),
                                                static_cast<float>(x + m_cellWidth - 1),
                                                static_cast<float>(y + m_cellHeight - 1), true)) {
                 Set(i, j, kGridCellForbidden);
               }
             });
}

bool CGrid::FindPath(CPath* path, int32_t xstart, int32_t ystart, int32_t xgoal, int32_t ygoal, bool diagonal) {
  if (path == nullptr) return false;
  g_queue.Reset();
  if (!Maps() || !Covers(xstart, ystart) || !Covers(xgoal, ygoal)) return false;
  const auto start = static_cast<int32_t>(Index(Column(xstart), Row(ystart)));
  const auto goal = static_cast<int32_t>(Index(Column(xgoal), Row(ygoal)));
  if (m_cells[start] == kGridCellForbidden || m_cells[goal] == kGridCellForbidden) return false;

  // A flood outwards from the start: each reached cell holds its distance in steps plus 1, so
  // every cell enters the queue at most once.
  const int32_t v = m_vcells;
  m_cells[start] = 1;
  g_queue.Push(start);
  bool found = false;
  for (int32_t c = g_queue.Pop(); c >= 0; c = g_queue.Pop()) {
    if (c == goal) {
      found = true;
      break;
    }
    const int32_t i = c / v;
    const int32_t j = c % v;
    const int32_t w = m_cells[c] + 1;
    // Which neighbours are open is decided before any of them is written.
    const bool left = i > 0 && m_cells[c - v] == 0;
    const bool right = i < m_hcells - 1 && m_cells[c + v] == 0;
    const bool up = j > 0 && m_cells[c - 1] == 0;
    const bool down = j < v - 1 && m_cells[c + 1] == 0;
    // A diagonal needs both cells beside it open: no corner is cut.
    const bool leftDown = diagonal && left && down && m_cells[c - v + 1] == 0;
    const bool leftUp = diagonal && up && left && m_cells[c - v - 1] == 0;
    const bool rightDown = diagonal && right && down && m_cells[c + v + 1] == 0;
    const bool rightUp = diagonal && up && right && m_cells[c + v - 1] == 0;
    const auto reach = [&](bool open, int32_t cell) {
      if (!open) return;
      m_cells[cell] = w;
      g_queue.Push(cell);
    };
    reach(left, c - v);
    reach(right, c + v);
    reach(up, c - 1);
    reach(down, c + 1);
    reach(leftDown, c - v + 1);
    reach(leftUp, c - v - 1);
    reach(rightDown, c + v + 1);
    reach(rightUp, c + v - 1);
  }
  if (found) BuildPath(path, start, goal, xstart, ystart, xgoal, ygoal, diagonal);
  for (int32_t k = 0; k < m_total; ++k) {
    if (m_cells[k] > 0) m_cells[k] = kGridCellFree;
  }
  return found;
}

void CGrid::BuildPath(CPath* path, int32_t start, int32_t goal, int32_t xstart, int32_t ystart, int32_t xgoal,
                      int32_t ygoal, bool diagonal) const {
  path->Clear();
  path->SetKind(kPathKindStraight);
  path->SetClosed(false);
  path->AddPoint(static_cast<float>(xgoal), static_cast<float>(ygoal), kPathPointSpeed);
  // Back from the goal through cells one step nearer the start each. A diagonal step back is taken
  // only where neither cell beside it is forbidden, as the flood took it; the cell the flood came
  // from is always such a step, so one is always found.
  struct Step {
    int32_t di, dj;
  };
  static constexpr Step kSteps[] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}, {-1, 1}, {1, 1}, {-1, -1}, {1, -1}};
  const int32_t stepCount = diagonal ? 8 : 4;
  const int32_t v = m_vcells;
  const int32_t halfWidth = m_cellWidth / 2;
  const int32_t halfHeight = m_cellHeight / 2;
  for (int32_t c = goal; c != start;) {
    const int32_t i = c / v;
    const int32_t j = c % v;
    const int32_t before = m_cells[c] - 1;
    int32_t next = -1;
    for (int32_t k = 0; k < stepCount && next < 0; ++k) {
      const int32_t ni = i + kSteps[k].di;
      const int32_t nj = j + kSteps[k].dj;
      if (!Has(ni, nj) || Get(ni, nj) != before) continue;
      if (kSteps[k].di != 0 && kSteps[k].dj != 0 &&
          (Get(ni, j) == kGridCellForbidden || Get(i, nj) == kGridCellForbidden)) {
        continue;
      }
      next = static_cast<int32_t>(Index(ni, nj));
    }
    if (next < 0) break;  // unreachable: the flood reached c from a neighbour holding `before`
    if (next != start) {
      const int32_t ni = next / v;
      const int32_t nj = next % v;
      const float x = static_cast<float>(static_cast<int64_t>(ni) * m_cellWidth) + static_cast<float>(m_left) +
                      static_cast<float>(halfWidth);
      const float y = static_cast<float>(static_cast<int64_t>(nj) * m_cellHeight) + static_cast<float>(m_top) +
                      static_cast<float>(halfHeight);
      path->AddPoint(x, y, kPathPointSpeed);
    }
    c = next;
  }
  path->AddPoint(static_cast<float>(xstart), static_cast<float>(ystart), kPathPointSpeed);
  path->Reverse();
}

// --- the table --------------------------------------------------------------------------------

CGrid* MPGrid_Data(int32_t id) {
  return id >= 0 && static_cast<size_t>(id) < g_grids.size() ? g_grids[static_cast<size_t>(id)] : nullptr;
}
int32_t MPGrid_Count() { return static_cast<int32_t>(g_grids.size()); }
int64_t MPGrid_QueueCapacity() { return g_queue.capacity; }

int32_t MPGrid_Create(int32_t left, int32_t top, int32_t hcells, int32_t vcells, int32_t cellWidth,
                      int32_t cellHeight) {
  auto* grid = new CGrid(left, top, hcells, vcells, cellWidth, cellHeight);
  const auto empty = std::find(g_grids.begin(), g_grids.end(), nullptr);
  if (empty != g_grids.end()) {
    *empty = grid;
    return static_cast<int32_t>(empty - g_grids.begin());
  }
  g_grids.push_back(grid);
  return static_cast<int32_t>(g_grids.size() - 1);
}

void MPGrid_Destroy(int32_t id) {
  CGrid* grid = MPGrid_Data(id);
  if (grid == nullptr) return;
  g_grids[static_cast<size_t>(id)] = nullptr;
  delete grid;
}

void MPGrid_ClearAll(int32_t id) {
  if (CGrid* grid = MPGrid_Data(id)) grid->SetAll(kGridCellFree);
}

void MPGrid_ClearCell(int32_t id, int32_t h, int32_t v) {
  CGrid* grid = MPGrid_Data(id);
  if (grid != nullptr && grid->Has(h, v)) grid->Set(h, v, kGridCellFree);
}

void MPGrid_AddCell(int32_t id, int32_t h, int32_t v) {
  CGrid* grid = MPGrid_Data(id);
  if (grid != nullptr && grid->Has(h, v)) grid->Set(h, v, kGridCellForbidden);
}

int32_t MPGrid_GetCell(int32_t id, int32_t h, int32_t v) {
  const CGrid* grid = MPGrid_Data(id);
  return grid != nullptr && grid->Has(h, v) ? grid->Get(h, v) : kGridCellForbidden;
}

void MPGrid_ClearRectangle(int32_t id, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (CGrid* grid = MPGrid_Data(id)) grid->MarkRectangle(x1, y1, x2, y2, kGridCellFree);
}

void MPGrid_AddRectangle(int32_t id, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (CGrid* grid = MPGrid_Data(id)) grid->MarkRectangle(x1, y1, x2, y2, kGridCellForbidden);
}

void MPGrid_AddInstance(int32_t id, CInstance* instance, bool precise) {
  if (CGrid* grid = MPGrid_Data(id)) grid->AddInstance(instance, precise);
}

bool MPGrid_Path(int32_t id, CPath* path, int32_t xstart, int32_t ystart, int32_t xgoal, int32_t ygoal,
                 bool diagonal) {
  CGrid* grid = MPGrid_Data(id);
  return grid != nullptr && grid->FindPath(path, xstart, ystart, xgoal, ygoal, diagonal);
}

void Grid_Shutdown() {
  for (CGrid* grid : g_grids) delete grid;
  g_grids.clear();
  g_grids.shrink_to_fit();
}
