// The ds_grid_ script functions, with the two forms of ds_grid_get and ds_grid_set.
#include "core/console.h"
#include "functions/ds_grid.h"
#include "functions/ds_script.h"
#include "runtime/error_report.h"

namespace {

CDS_Grid* GridArg(const Args& a, int32_t needed) { return DS_Lookup(g_DsGrids, a, needed); }

// The grid of an id already read, or null after the bad-id report.
CDS_Grid* GridById(int32_t id) {
  CDS_Grid* grid = g_DsGrids.Get(id);
  if (grid == nullptr) DS_ReportBadId();
  return grid;
}

// The cell (x, y) of grid id, or null after the bad-id report or the console's bounds line.
RValue* CellOrReport(int32_t id, int32_t x, int32_t y) {
  CDS_Grid* grid = GridById(id);
  if (grid == nullptr) return nullptr;
  if (!grid->Contains(x, y)) {
    Console_DebugOutput("Grid %d, index out of bounds writing [%d,%d] - size is [%d,%d]\n", id, x, y, grid->Width(),
                        grid->Height());
    return nullptr;
  }
  return grid->Cell(x, y);
}

// The cell that id, x and y (the first three arguments) name, through the guarded checks.
RValue* GuardedCell(const Args& a, int32_t needed) {
  if (!a.Has(needed - 1)) return nullptr;
  return CellOrReport(DS_IdArg(a, 0), a.I(1), a.I(2));
}

// The fast forms test the id, x and y once each (unsigned, so negatives fail too) and leave
// everything else to the guarded path, which answers a failing call exactly as the guarded
// handlers do.
RValue* FastCell(const Args& a, int32_t needed) {
  if (!a.Has(needed - 1)) return nullptr;
  const int32_t id = DS_IdArg(a, 0);
  const int32_t x = a.I(1);
  const int32_t y = a.I(2);
  CDS_Grid* grid = g_DsGrids.Get(id);
  if (grid != nullptr && static_cast<uint32_t>(x) < static_cast<uint32_t>(grid->Columns()) &&
      static_cast<uint32_t>(y) < static_cast<uint32_t>(grid->Rows())) {
    return grid->Cell(x, y);
  }
  return CellOrReport(id, x, y);
}

BUILTIN_FN(ds_grid_create) {
  HANDLER_ARGS;
  if (a.Has(1)) Args_SetReal(result, DS_CreateGrid(a.I(0), a.I(1)));
}

BUILTIN_FN(ds_grid_copy) {
  HANDLER_ARGS;
  if (!a.Has(1)) return;
  const int32_t destId = DS_IdArg(a, 0);
  const int32_t sourceId = DS_IdArg(a, 1);
  CDS_Grid* dest = GridById(destId);
  if (dest == nullptr) return;
  if (const CDS_Grid* source = GridById(sourceId)) dest->Copy(source);
}

BUILTIN_FN(ds_grid_resize) {
  HANDLER_ARGS;
  if (!a.Has(2)) return;
  const int32_t id = DS_IdArg(a, 0);
  const int32_t width = a.I(1);
  const int32_t height = a.I(2);
  CDS_Grid* grid = GridById(id);
  if (grid == nullptr) return;
  if (width <= 0 || height <= 0) {
    Error_Report(true, "Error: Can not resize a grid with a dimension of <=0\n");
    return;
  }
  grid->Resize(width, height);
}

// Width and height answer 0 for a bad id.
BUILTIN_FN(ds_grid_width) {
  HANDLER_ARGS;
  if (!a.Has(0)) return;
  Args_SetReal(result, 0.0);
  if (CDS_Grid* grid = GridArg(a, 1)) Args_SetReal(result, grid->Width());
}

BUILTIN_FN(ds_grid_height) {
  HANDLER_ARGS;
  if (!a.Has(0)) return;
  Args_SetReal(result, 0.0);
  if (CDS_Grid* grid = GridArg(a, 1)) Args_SetReal(result, grid->Height());
}

BUILTIN_FN(ds_grid_clear) {
  HANDLER_ARGS;
  if (CDS_Grid* grid = GridArg(a, 2)) grid->Clear(a.At(1));
}

BUILTIN_FN(ds_grid_set) {
  HANDLER_ARGS;
  if (RValue* cell = GuardedCell(a, 4)) RValue_Assign(cell, a.At(3));
}

BUILTIN_FN(ds_grid_set_pre) {
  HANDLER_ARGS;
  RValue* cell = GuardedCell(a, 4);
  if (cell == nullptr) return;
  RValue_Assign(cell, a.At(3));
  DS_SetCopy(result, a.At(3));
}

BUILTIN_FN(ds_grid_set_post) {
  HANDLER_ARGS;
  RValue* cell = GuardedCell(a, 4);
  if (cell == nullptr) return;
  DS_SetCopy(result, cell);
  RValue_Assign(cell, a.At(3));
}

BUILTIN_FN(ds_grid_get) {
  HANDLER_ARGS;
  DS_SetCopy(result, GuardedCell(a, 3));
}

BUILTIN_FN(ds_grid_set_fast) {
  HANDLER_ARGS;
  if (RValue* cell = FastCell(a, 4)) RValue_Assign(cell, a.At(3));
}

BUILTIN_FN(ds_grid_get_fast) {
  HANDLER_ARGS;
  DS_SetCopy(result, FastCell(a, 3));
}

// Add and multiply leave the bounds test, and its console line, to the grid.
template <DsGridOp op>
BUILTIN_FN(CellOpHandler) {
  HANDLER_ARGS;
  if (!a.Has(3)) return;
  const int32_t id = DS_IdArg(a, 0);
  if (CDS_Grid* grid = GridById(id)) grid->CellOp(id, op, a.I(1), a.I(2), a.At(3));
}

template <DsGridOp op>
BUILTIN_FN(RegionOpHandler) {
  HANDLER_ARGS;
  if (CDS_Grid* grid = GridArg(a, 6)) grid->RegionOp(op, a.I(1), a.I(2), a.I(3), a.I(4), a.At(5));
}

template <DsGridOp op>
BUILTIN_FN(DiskOpHandler) {
  HANDLER_ARGS;
  if (CDS_Grid* grid = GridArg(a, 5)) grid->DiskOp(op, a.R(1), a.R(2), a.R(3), a.At(4));
}

// Every argument is read before the destination id, then the source id, is checked.
template <DsGridOp op>
BUILTIN_FN(GridRegionOpHandler) {
  HANDLER_ARGS;
  if (!a.Has(7)) return;
  const int32_t destId = DS_IdArg(a, 0);
  const int32_t sourceId = DS_IdArg(a, 1);
  const int32_t x1 = a.I(2), y1 = a.I(3), x2 = a.I(4), y2 = a.I(5), x = a.I(6), y = a.I(7);
  CDS_Grid* dest = GridById(destId);
  if (dest == nullptr) return;
  if (const CDS_Grid* source = GridById(sourceId)) dest->GridRegionOp(op, source, x1, y1, x2, y2, x, y);
}

using Query = CDS_Grid::Query;

template <Query q>
BUILTIN_FN(RegionQueryHandler) {
  HANDLER_ARGS;
  if (CDS_Grid* grid = GridArg(a, 5)) grid->RegionQuery(q, a.I(1), a.I(2), a.I(3), a.I(4), nullptr, result);
}

template <Query q>
BUILTIN_FN(DiskQueryHandler) {
  HANDLER_ARGS;
  if (CDS_Grid* grid = GridArg(a, 4)) grid->DiskQuery(q, a.R(1), a.R(2), a.R(3), nullptr, result);
}

template <Query q>
BUILTIN_FN(RegionSearchHandler) {
  HANDLER_ARGS;
  if (CDS_Grid* grid = GridArg(a, 6)) grid->RegionQuery(q, a.I(1), a.I(2), a.I(3), a.I(4), a.At(5), result);
}

template <Query q>
BUILTIN_FN(DiskSearchHandler) {
  HANDLER_ARGS;
  if (CDS_Grid* grid = GridArg(a, 5)) grid->DiskQuery(q, a.R(1), a.R(2), a.R(3), a.At(4), result);
}

BUILTIN_FN(ds_grid_shuffle) {
  HANDLER_ARGS;
  if (CDS_Grid* grid = GridArg(a, 1)) grid->Shuffle();
}

BUILTIN_FN(ds_grid_sort) {
  HANDLER_ARGS;
  if (CDS_Grid* grid = GridArg(a, 3)) grid->Sort(a.I(1), a.B(2) ? 1 : -1);
}

}  // namespace

const DsFunction kDsGridFunctions[kDsGridFunctionCount] = {
    {"ds_grid_create", ds_grid_create, 2},
    {"ds_grid_destroy", DS_DestroyReportingHandler<DS_DestroyGrid>, 1},
    {"ds_grid_copy", ds_grid_copy, 2},
    {"ds_grid_resize", ds_grid_resize, 3},
    {"ds_grid_width", ds_grid_width, 1},
    {"ds_grid_height", ds_grid_height, 1},
    {"ds_grid_clear", ds_grid_clear, 2},
    {"ds_grid_set", ds_grid_set, 4},
    {"ds_grid_set_pre", ds_grid_set_pre, 4},
    {"ds_grid_set_post", ds_grid_set_post, 4},
    {"ds_grid_add", CellOpHandler<kGridAdd>, 4},
    {"ds_grid_multiply", CellOpHandler<kGridMultiply>, 4},
    {"ds_grid_set_region", RegionOpHandler<kGridSet>, 6},
    {"ds_grid_add_region", RegionOpHandler<kGridAdd>, 6},
    {"ds_grid_multiply_region", RegionOpHandler<kGridMultiply>, 6},
    {"ds_grid_set_disk", DiskOpHandler<kGridSet>, 5},
    {"ds_grid_add_disk", DiskOpHandler<kGridAdd>, 5},
    {"ds_grid_multiply_disk", DiskOpHandler<kGridMultiply>, 5},
    {"ds_grid_set_grid_region", GridRegionOpHandler<kGridSet>, 8},
    {"ds_grid_add_grid_region", GridRegionOpHandler<kGridAdd>, 8},
    {"ds_grid_multiply_grid_region", GridRegionOpHandler<kGridMultiply>, 8},
    {"ds_grid_get", ds_grid_get, 3},
    {"ds_grid_get_sum", RegionQueryHandler<Query::kSum>, 5},
    {"ds_grid_get_max", RegionQueryHandler<Query::kMax>, 5},
    {"ds_grid_get_min", RegionQueryHandler<Query::kMin>, 5},
    {"ds_grid_get_mean", RegionQueryHandler<Query::kMean>, 5},
    {"ds_grid_get_disk_sum", DiskQueryHandler<Query::kSum>, 4},
    {"ds_grid_get_disk_max", DiskQueryHandler<Query::kMax>, 4},
    {"ds_grid_get_disk_min", DiskQueryHandler<Query::kMin>, 4},
    {"ds_grid_get_disk_mean", DiskQueryHandler<Query::kMean>, 4},
    {"ds_grid_value_exists", RegionSearchHandler<Query::kExists>, 6},
    {"ds_grid_value_x", RegionSearchHandler<Query::kX>, 6},
    {"ds_grid_value_y", RegionSearchHandler<Query::kY>, 6},
    {"ds_grid_value_disk_exists", DiskSearchHandler<Query::kExists>, 5},
    {"ds_grid_value_disk_x", DiskSearchHandler<Query::kX>, 5},
    {"ds_grid_value_disk_y", DiskSearchHandler<Query::kY>, 5},
    {"ds_grid_shuffle", ds_grid_shuffle, 1},
    {"ds_grid_write", DS_WriteHandler<g_DsGrids>, 1},
    {"ds_grid_read", DS_ReadHandler<g_DsGrids>, 2},
    {"ds_grid_sort", ds_grid_sort, 3},
};

void DS_UseGuardedGridAccess(bool guarded) {
  Builtin_Replace("ds_grid_set", guarded ? ds_grid_set : ds_grid_set_fast);
  Builtin_Replace("ds_grid_get", guarded ? ds_grid_get : ds_grid_get_fast);
}
