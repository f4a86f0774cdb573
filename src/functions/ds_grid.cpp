#include "functions/ds_grid.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/console.h"
#include "core/memory_manager.h"
#include "functions/ds_stack.h"
#include "functions/ds_tables.h"
#include "functions/random.h"

namespace {

const char* TextOf(const RValue* v) {
  return v->pString != nullptr && v->pString->text != nullptr ? v->pString->text : "";
}

// Sort keys fall into three classes, in ascending order: neither real nor string, string, real.
int32_t SortClass(const RValue* v) {
  if (v->kind == VALUE_REAL) return 2;
  if (v->kind == VALUE_STRING) return 1;
  return 0;
}

// A strict weak order of two key cells: classes first, then reals by value with NaN last,
// strings by their bytes; keys of the first class are all equal.
int32_t CompareKeys(const RValue* a, const RValue* b) {
  const int32_t ca = SortClass(a);
  const int32_t cb = SortClass(b);
  if (ca != cb) return ca < cb ? -1 : 1;
  if (ca == 2) {
    const bool na = std::isnan(a->val);
    const bool nb = std::isnan(b->val);
    if (na || nb) return na == nb ? 0 : (na ? 1 : -1);
    return a->val < b->val ? -1 : (a->val > b->val ? 1 : 0);
  }
  if (ca == 1) {
    const int c = std::strcmp(TextOf(a), TextOf(b));  // compares as unsigned bytes
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  return 0;
}

// [lo, hi] of a disk's cells along one axis of `extent` cells; false when it holds none. The
// bounds are clamped as reals, so centres and radii far outside the int range select nothing.
bool DiskRange(double centre, double r, int32_t extent, int64_t* lo, int64_t* hi) {
  double from = std::floor(centre - r);
  double to = std::ceil(centre + r);
  from = std::max(from, 0.0);
  to = std::min(to, static_cast<double>(extent) - 1.0);
  if (!(from <= to)) return false;  // NaN as well
  *lo = static_cast<int64_t>(from);
  *hi = static_cast<int64_t>(to);
  return true;
}

}  // namespace

void CDS_Grid::SetSize(int32_t width, int32_t height) {
  DS_ReleaseSlots(m_cells, 0, CellCount());
  MEM_FREE(m_cells);
  m_cells = nullptr;
  m_width = width;
  m_height = height;
  const bool hasCells = width > 0 && height > 0;
  m_columns = hasCells ? width : 0;
  m_rows = hasCells ? height : 0;
  // Fresh blocks are zero: every cell a real 0.
  if (hasCells) m_cells = DS_GrowSlots(nullptr, CellCount());
}

void CDS_Grid::Resize(int32_t width, int32_t height) {
  const bool hasCells = width > 0 && height > 0;
  const int32_t columns = hasCells ? width : 0;
  const int32_t rows = hasCells ? height : 0;
  RValue* cells = hasCells ? DS_GrowSlots(nullptr, static_cast<int64_t>(columns) * rows) : nullptr;
  const int32_t keptColumns = std::min(columns, m_columns);
  const int32_t keptRows = std::min(rows, m_rows);
  for (int32_t y = 0; y < keptRows; ++y) {
    for (int32_t x = 0; x < keptColumns; ++x) RValue_Assign(&cells[x + static_cast<int64_t>(y) * columns], Cell(x, y));
  }
  DS_ReleaseSlots(m_cells, 0, CellCount());
  MEM_FREE(m_cells);
  m_cells = cells;
  m_width = width;
  m_height = height;
  m_columns = columns;
  m_rows = rows;
}

void CDS_Grid::Copy(const CDS_Grid* source) {
  if (source == this || source == nullptr) return;
  SetSize(source->m_width, source->m_height);
  const int64_t n = CellCount();
  for (int64_t i = 0; i < n; ++i) RValue_Assign(&m_cells[i], &source->m_cells[i]);
}

void CDS_Grid::Clear(const RValue* value) {
  // The value may be one of the cells.
  RValue held = RValue_MakeUndefined();
  RValue_Assign(&held, value);
  for (int32_t x = 0; x < m_columns; ++x) {
    for (int32_t y = 0; y < m_rows; ++y) RValue_Assign(Cell(x, y), &held);
  }
  RValue_Release(&held);
}

void CDS_Grid::SetCell(int32_t x, int32_t y, const RValue* value) { RValue_Assign(Cell(x, y), value); }

void CDS_Grid::Apply(DsGridOp op, RValue* cell, const RValue* value) {
  switch (op) {
    case kGridSet: RValue_Assign(cell, value); return;
    case kGridAdd:
      if (cell->kind == VALUE_REAL && value->kind == VALUE_REAL) {
        cell->val += value->val;
      } else if (cell->kind == VALUE_STRING && value->kind == VALUE_STRING) {
        // Joined whole; made before the cell lets go of its text, which the value may share.
        SharedString* joined = SharedString_Join(cell->pString, value->pString);
        if (joined == nullptr) return;  // longer than a string can be: the cell stays
        RValue_Release(cell);
        cell->pString = joined;
        cell->flags = 0;
        cell->kind = VALUE_STRING;
      } else {
        RValue_Assign(cell, value);
      }
      return;
    case kGridMultiply:
      if (cell->kind == VALUE_REAL && value->kind == VALUE_REAL) cell->val *= value->val;
      return;
  }
}

void CDS_Grid::CellOp(int32_t id, DsGridOp op, int32_t x, int32_t y, const RValue* value) {
  if (!Contains(x, y)) {
    Console_DebugOutput("Grid %d, index out of bounds writing [%d,%d] - size is [%d,%d]\n", id, x, y, m_width,
                        m_height);
    return;
  }
  Apply(op, Cell(x, y), value);
}

template <typename Visit>
void CDS_Grid::VisitRegion(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Visit visit) const {
  const int64_t xFrom = std::max<int64_t>(0, std::min(x1, x2));
  const int64_t xTo = std::min<int64_t>(static_cast<int64_t>(m_columns) - 1, std::max(x1, x2));
  const int64_t yFrom = std::max<int64_t>(0, std::min(y1, y2));
  const int64_t yTo = std::min<int64_t>(static_cast<int64_t>(m_rows) - 1, std::max(y1, y2));
  for (int64_t x = xFrom; x <= xTo; ++x) {
    for (int64_t y = yFrom; y <= yTo; ++y) {
      if (visit(static_cast<int32_t>(x), static_cast<int32_t>(y))) return;
    }
  }
}

template <typename Visit>
void CDS_Grid::VisitDisk(double cx, double cy, double r, Visit visit) const {
  if (!(r >= 0.0)) return;  // a negative or NaN radius
  int64_t xFrom = 0, xTo = 0, yFrom = 0, yTo = 0;
  if (!DiskRange(cx, r, m_columns, &xFrom, &xTo) || !DiskRange(cy, r, m_rows, &yFrom, &yTo)) return;
  const double r2 = r * r;
  for (int64_t x = xFrom; x <= xTo; ++x) {
    const double dx = static_cast<double>(x) - cx;
    for (int64_t y = yFrom; y <= yTo; ++y) {
      const double dy = static_cast<double>(y) - cy;
      if (dx * dx + dy * dy <= r2 && visit(static_cast<int32_t>(x), static_cast<int32_t>(y))) return;
    }
  }
}

void CDS_Grid::RegionOp(DsGridOp op, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const RValue* value) {
  VisitRegion(x1, y1, x2, y2, [&](int32_t x, int32_t y) {
    Apply(op, Cell(x, y), value);
    return false;
  });
}

void CDS_Grid::DiskOp(DsGridOp op, double cx, double cy, double r, const RValue* value) {
  VisitDisk(cx, cy, r, [&](int32_t x, int32_t y) {
    Apply(op, Cell(x, y), value);
    return false;
  });
}

void CDS_Grid::GridRegionOp(DsGridOp op, const CDS_Grid* source, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                            int32_t x, int32_t y) {
  int64_t sx0 = std::max<int64_t>(0, std::min(x1, x2));
  int64_t sx1 = std::min<int64_t>(static_cast<int64_t>(source->m_columns) - 1, std::max(x1, x2));
  int64_t sy0 = std::max<int64_t>(0, std::min(y1, y2));
  int64_t sy1 = std::min<int64_t>(static_cast<int64_t>(source->m_rows) - 1, std::max(y1, y2));
  int64_t dx0 = x;
  int64_t dy0 = y;
  if (dx0 < 0) {
    sx0 -= dx0;
    dx0 = 0;
  }
  if (dy0 < 0) {
    sy0 -= dy0;
    dy0 = 0;
  }
  if (sx1 - sx0 + dx0 > static_cast<int64_t>(m_columns) - 1) sx1 = m_columns - 1 - dx0 + sx0;
  if (sy1 - sy0 + dy0 > static_cast<int64_t>(m_rows) - 1) sy1 = m_rows - 1 - dy0 + sy0;
  if (sx0 > sx1 || sy0 > sy1) return;
  // Within one grid, a copy towards higher positions walks down, so every source cell is read
  // before it is overwritten.
  const bool iDown = sx0 < dx0;
  const bool jDown = sy0 < dy0;
  for (int64_t n = 0; n <= sx1 - sx0; ++n) {
    const int64_t i = iDown ? sx1 - n : sx0 + n;
    for (int64_t m = 0; m <= sy1 - sy0; ++m) {
      const int64_t j = jDown ? sy1 - m : sy0 + m;
      const int64_t tx = dx0 + i - sx0;
      const int64_t ty = dy0 + j - sy0;
      if (!Contains(tx, ty) || !source->Contains(i, j)) continue;
      Apply(op, Cell(static_cast<int32_t>(tx), static_cast<int32_t>(ty)),
            source->Cell(static_cast<int32_t>(i), static_cast<int32_t>(j)));
    }
  }
}

template <typename Shape>
void CDS_Grid::RunQuery(Query q, const RValue* value, RValue* out, Shape shape) const {
  switch (q) {
    case Query::kSum:
    case Query::kMean: {
      double sum = 0.0;
      int64_t n = 0;
      shape([&](int32_t x, int32_t y) {
        const RValue* c = Cell(x, y);
        if (c->kind == VALUE_REAL) {
          sum += c->val;
          ++n;
        }
        return false;
      });
      RValue_Release(out);
      *out = RValue_MakeReal(q == Query::kSum ? sum : (n > 0 ? sum / static_cast<double>(n) : 0.0));
      return;
    }
    case Query::kMax:
    case Query::kMin: {
      const int32_t sign = q == Query::kMax ? 1 : -1;
      const RValue* best = nullptr;
      shape([&](int32_t x, int32_t y) {
        const RValue* c = Cell(x, y);
        if (best == nullptr) {
          best = c;
        } else if (c->kind != best->kind) {
          // only cells of the first cell's kind compete
        } else if (c->kind == VALUE_REAL) {
          if (sign > 0 ? c->val > best->val : c->val < best->val) best = c;
        } else if (c->kind == VALUE_STRING && c->pString != nullptr) {
          const int d = std::strcmp(TextOf(c), TextOf(best));
          if (sign > 0 ? d > 0 : d < 0) best = c;
        }
        return false;
      });
      if (best == nullptr) return;
      RValue_Assign(out, best);
      out->kind &= MASK_KIND_RVALUE;
      return;
    }
    case Query::kExists:
    case Query::kX:
    case Query::kY: {
      int32_t fx = -1;
      int32_t fy = -1;
      shape([&](int32_t x, int32_t y) {
        if (RValue_Compare(Cell(x, y), value, g_DsPrecision) != 0) return false;
        fx = x;
        fy = y;
        return true;
      });
      const double answer = q == Query::kExists ? (fx >= 0 ? 1.0 : 0.0) : (q == Query::kX ? fx : fy);
      RValue_Release(out);
      *out = RValue_MakeReal(answer);
      return;
    }
  }
}

void CDS_Grid::RegionQuery(Query q, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const RValue* value,
                           RValue* out) const {
  RunQuery(q, value, out, [&](auto visit) { VisitRegion(x1, y1, x2, y2, visit); });
}

void CDS_Grid::DiskQuery(Query q, double cx, double cy, double r, const RValue* value, RValue* out) const {
  RunQuery(q, value, out, [&](auto visit) { VisitDisk(cx, cy, r, visit); });
}

void CDS_Grid::Shuffle() {
  const int64_t exchanges = CellCount() * 8;
  for (int64_t n = 0; n < exchanges; ++n) {
    const auto x1 = static_cast<int32_t>(Random_Int(m_columns));
    const auto x2 = static_cast<int32_t>(Random_Int(m_columns));
    const auto y1 = static_cast<int32_t>(Random_Int(m_rows));
    const auto y2 = static_cast<int32_t>(Random_Int(m_rows));
    if (x1 != x2 || y1 != y2) std::swap(*Cell(x1, y1), *Cell(x2, y2));
  }
}

void CDS_Grid::Sort(int32_t column, int32_t direction) {
  if (column < 0 || column >= m_columns) return;
  std::vector<int32_t> order(static_cast<size_t>(m_rows));
  for (int32_t i = 0; i < m_rows; ++i) order[static_cast<size_t>(i)] = i;
  const int32_t sign = direction < 0 ? -1 : 1;
  std::sort(order.begin(), order.end(), [&](int32_t p, int32_t q) {
    return sign * CompareKeys(Cell(column, p), Cell(column, q)) < 0;
  });
  // Rows are contiguous: each moves as one block of records, references and all.
  const size_t rowBytes = sizeof(RValue) * static_cast<size_t>(m_columns);
  std::vector<RValue> aside(m_cells, m_cells + CellCount());
  for (int32_t i = 0; i < m_rows; ++i) {
    const int32_t from = order[static_cast<size_t>(i)];
    if (from != i) {
      std::memcpy(Cell(0, i), &aside[static_cast<size_t>(from) * static_cast<size_t>(m_columns)], rowBytes);
    }
  }
}

int32_t DS_CreateGrid(int32_t width, int32_t height) { return g_DsGrids.Create(width, height); }
bool DS_DestroyGrid(int32_t id) { return g_DsGrids.Destroy(id); }
