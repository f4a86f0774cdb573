// Motion grids: rectangles of equal cells laid over the room, each cell free (0) or forbidden (-1),
// that find shortest cell routes between two points and write them into a path.
//
// Grids live in one table, addressed by id (their slot); a destroyed grid leaves its slot for the
// next grid made. Every operation on an id that names no grid does nothing (a cell reads -1, a
// route is not found). All grids share one search queue, which grows to the largest flood seen and
// is kept between searches.
//
// A grid of 0 cells or fewer across or down holds no cells. A cell size of 0 or less maps no
// room coordinate to a cell: such a grid marks nothing by rectangle or instance and finds no
// route, while its cells stay reachable by index. Coordinates, sizes and cell indices are whole
// numbers and are combined in 64 bits. Main thread only.
#pragma once

#include <cstdint>

class CInstance;
class CPath;

inline constexpr int32_t kGridCellFree = 0;
inline constexpr int32_t kGridCellForbidden = -1;

class CGrid {
 public:
  // Every cell free. A grid too large for the memory manager takes its out-of-memory path.
  CGrid(int32_t left, int32_t top, int32_t hcells, int32_t vcells, int32_t cellWidth, int32_t cellHeight);
  virtual ~CGrid();
  CGrid(const CGrid&) = delete;
  CGrid& operator=(const CGrid&) = delete;

  int32_t Left() const { return m_left; }
  int32_t Top() const { return m_top; }
  int32_t CellWidth() const { return m_cellWidth; }
  int32_t CellHeight() const { return m_cellHeight; }
  int32_t HCells() const { return m_hcells; }
  int32_t VCells() const { return m_vcells; }
  int32_t CellTotal() const { return m_total; }

  // Whether cell (i, j) exists.
  bool Has(int64_t i, int64_t j) const { return m_total > 0 && i >= 0 && i < m_hcells && j >= 0 && j < m_vcells; }
  // Cell (i, j); the caller guarantees Has(i, j). Cells are kept column by column.
  int32_t Get(int32_t i, int32_t j) const { return m_cells[Index(i, j)]; }
  void Set(int32_t i, int32_t j, int32_t value) { m_cells[Index(i, j)] = value; }

  void SetAll(int32_t value);
  // Every cell of the rectangle's columns and rows (corners in either order, clipped to the grid).
  void MarkRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t value);
  // Forbids the cells under the instance's bounding box; with precise, only those whose rectangle
  // the instance's mask meets.
  void AddInstance(CInstance* instance, bool precise);
  // The shortest route between the two points through free cells, written into the path (start,
  // the centres of the cells between, goal); false, the path untouched, when there is none.
  bool FindPath(CPath* path, int32_t xstart, int32_t ystart, int32_t xgoal, int32_t ygoal, bool diagonal);

 private:
  int64_t Index(int64_t i, int64_t j) const { return i * m_vcells + j; }
  // Whether cell sizes above 0 let room coordinates map to cells.
  bool Maps() const { return m_cellWidth > 0 && m_cellHeight > 0 && m_total > 0; }
  // The column or row of a room coordinate (truncated toward zero); only when Maps().
  int64_t Column(int64_t x) const { return (x - m_left) / m_cellWidth; }
  int64_t Row(int64_t y) const { return (y - m_top) / m_cellHeight; }
  // Whether the point lies on a cell.
  bool Covers(int64_t x, int64_t y) const;
  template <typename Visit>
  void VisitRange(int64_t c1, int64_t r1, int64_t c2, int64_t r2, Visit visit);
  void BuildPath(CPath* path, int32_t start, int32_t goal, int32_t xstart, int32_t ystart, int32_t xgoal,
                 int32_t ygoal, bool diagonal) const;

  int32_t m_left;
  int32_t m_top;
  int32_t m_cellWidth;
  int32_t m_cellHeight;
  int32_t m_hcells;
  int32_t m_vcells;
  int32_t* m_cells = nullptr;
  int32_t m_total = 0;
};

// The grid of an id, or null.
CGrid* MPGrid_Data(int32_t id);
// The number of slots in the grid table (emptied ones included).
int32_t MPGrid_Count();
// The slots the shared search queue holds (a power of two; 0 before the first search).
int64_t MPGrid_QueueCapacity();

// The first empty slot from 0, else a new slot at the end; the new grid's id.
int32_t MPGrid_Create(int32_t left, int32_t top, int32_t hcells, int32_t vcells, int32_t cellWidth,
                      int32_t cellHeight);
void MPGrid_Destroy(int32_t id);
void MPGrid_ClearAll(int32_t id);
void MPGrid_ClearCell(int32_t id, int32_t h, int32_t v);
void MPGrid_AddCell(int32_t id, int32_t h, int32_t v);
// -1 outside the grid or for an unknown id.
int32_t MPGrid_GetCell(int32_t id, int32_t h, int32_t v);
void MPGrid_ClearRectangle(int32_t id, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void MPGrid_AddRectangle(int32_t id, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void MPGrid_AddInstance(int32_t id, CInstance* instance, bool precise);
bool MPGrid_Path(int32_t id, CPath* path, int32_t xstart, int32_t ystart, int32_t xgoal, int32_t ygoal,
                 bool diagonal);
// (Grid_Shutdown, of world/lifecycle.h, deletes every grid at exit; the queue stays.)
