// The grid behind a ds_grid id: width x height values, cell (x, y) at slot x + y * width.
//
// A grid whose width or height is 0 or less holds no cells: nothing touches one and a shuffle
// draws nothing, while Width and Height still answer the sizes it was given. Area operations
// select by one rule per shape (rectangle, disk, rectangle of another grid), clipped to the grid
// in 64-bit arithmetic so that extreme corners select nothing rather than wrap. Cells own their
// values; marks copied into cells are not acted upon. Main thread only.
#pragma once

#include <cstdint>

#include "core/value.h"

// The cell operations of the area functions.
enum DsGridOp : int32_t { kGridSet = 1, kGridAdd = 2, kGridMultiply = 3 };

class CDS_Grid {
 public:
  CDS_Grid(int32_t width, int32_t height) { SetSize(width, height); }
  CDS_Grid(const CDS_Grid&) = delete;
  CDS_Grid& operator=(const CDS_Grid&) = delete;
  ~CDS_Grid() { SetSize(0, 0); }

  int32_t Width() const { return m_width; }
  int32_t Height() const { return m_height; }
  // The extent of the cells: the sizes when both are above 0, else 0 and 0. One unsigned test
  // of x against Columns() and of y against Rows() tells whether a cell exists.
  int32_t Columns() const { return m_columns; }
  int32_t Rows() const { return m_rows; }
  bool Contains(int64_t x, int64_t y) const { return x >= 0 && x < m_columns && y >= 0 && y < m_rows; }
  // The cell (x, y); the caller guarantees Contains(x, y).
  RValue* Cell(int32_t x, int32_t y) { return &m_cells[x + static_cast<int64_t>(y) * m_columns]; }
  const RValue* Cell(int32_t x, int32_t y) const { return &m_cells[x + static_cast<int64_t>(y) * m_columns]; }

  // Releases every cell; then all cells are real 0 when both sizes are above 0, else there are
  // none. The sizes take the values given either way.
  void SetSize(int32_t width, int32_t height);
  // Changes the size, keeping the cells inside both the old and the new size.
  void Resize(int32_t width, int32_t height);
  // Takes the source's size and copies of its cells; copying a grid onto itself leaves it as it
  // is.
  void Copy(const CDS_Grid* source);
  // Every cell becomes a copy of the value.
  void Clear(const RValue* value);
  // Releases cell (x, y) and stores a copy; the caller guarantees the bounds.
  void SetCell(int32_t x, int32_t y, const RValue* value);

  // The operation on cell (x, y); outside the grid, prints "Grid <id>, index out of bounds
  // writing [x,y] - size is [w,h]" on the console and changes nothing.
  void CellOp(int32_t id, DsGridOp op, int32_t x, int32_t y, const RValue* value);
  // The operation on every cell of the rectangle (corners in either order, clipped).
  void RegionOp(DsGridOp op, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const RValue* value);
  // The operation on every cell whose centre lies within r of (cx, cy), border included.
  void DiskOp(DsGridOp op, double cx, double cy, double r, const RValue* value);
  // The operation on this grid's cells with the values of the source's rectangle placed with its
  // top-left corner at (x, y); the source may be this grid (overlaps read before they write).
  void GridRegionOp(DsGridOp op, const CDS_Grid* source, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x,
                    int32_t y);

  // Queries over a rectangle or a disk; the result goes to out. Sum and mean count the cells
  // that are plain reals (0 when none); max and min keep the first cell's kind and leave out
  // untouched when the shape holds no cell; the searches answer 1 / x / y of the first cell that
  // compares equal (RValue_Compare at the data-structure precision), else 0 / -1 / -1.
  enum class Query { kSum, kMean, kMax, kMin, kExists, kX, kY };
  void RegionQuery(Query q, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const RValue* value, RValue* out) const;
  void DiskQuery(Query q, double cx, double cy, double r, const RValue* value, RValue* out) const;

  // width * height * 8 exchanges of two cells drawn from the runner's generator (four draws
  // each).
  void Shuffle();
  // Reorders the rows by the cells of one column: direction 1 ascending, -1 descending.
  // Ascending puts cells that are neither reals nor strings first, then strings by their bytes,
  // then reals by value with NaN last. A column outside the grid does nothing.
  void Sort(int32_t column, int32_t direction);

  char* WriteText() const;
  bool ReadText(const char* text, bool olderForm);

 private:
  // Cells in the extent: rows * columns.
  int64_t CellCount() const { return static_cast<int64_t>(m_columns) * m_rows; }
  void Apply(DsGridOp op, RValue* cell, const RValue* value);
  template <typename Visit>
  void VisitRegion(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Visit visit) const;
  template <typename Visit>
  void VisitDisk(double cx, double cy, double r, Visit visit) const;
  template <typename Shape>
  void RunQuery(Query q, const RValue* value, RValue* out, Shape shape) const;

  RValue* m_cells = nullptr;
  int32_t m_width = 0;
  int32_t m_height = 0;
  int32_t m_columns = 0;
  int32_t m_rows = 0;
};

// A new grid of the size in the first free ds_grid slot; returns its id.
int32_t DS_CreateGrid(int32_t width, int32_t height);
bool DS_DestroyGrid(int32_t id);
