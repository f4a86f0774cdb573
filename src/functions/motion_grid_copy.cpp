#include "functions/motion_grid_copy.h"

#include "core/value.h"
#include "functions/ds_grid.h"
#include "functions/ds_tables.h"
#include "runtime/error_report.h"
#include "world/motion_grid.h"

void MPGrid_ToDsGrid(int32_t source, int32_t destination) {
  const CGrid* grid = MPGrid_Data(source);
  CDS_Grid* ds = g_DsGrids.Get(destination);
  if (grid == nullptr || ds == nullptr) {
    Error_Report(false, "Invalid source or destination grid");
    return;
  }
  if (grid->HCells() != ds->Width() || grid->VCells() != ds->Height()) {
    Error_Report(false, "Error, grid sizes do not match (mp_grid_to_ds_grid) ");
    return;
  }
  // Equal sizes above 0 mean that both grids hold these cells; otherwise the loops run no round.
  for (int32_t j = 0; j < grid->VCells(); ++j) {
    for (int32_t i = 0; i < grid->HCells(); ++i) {
      const RValue value = RValue_MakeReal(grid->Get(i, j));
      ds->SetCell(i, j, &value);
    }
  }
}
