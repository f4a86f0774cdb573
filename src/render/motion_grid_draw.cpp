#include "render/motion_grid_draw.h"

#include "render/primitives.h"
#include "world/motion_grid.h"

namespace {

// Script colours: blue in the high byte.
constexpr uint32_t kForbiddenColour = 0x0000FF;
constexpr uint32_t kFreeColour = 0x008000;

}  // namespace

void MPGrid_Draw(int32_t id) {
  const CGrid* grid = MPGrid_Data(id);
  if (grid == nullptr || grid->CellTotal() == 0) return;
  for (int32_t i = 0; i < grid->HCells(); ++i) {
    const auto x1 = static_cast<float>(grid->Left() + static_cast<int64_t>(i) * grid->CellWidth());
    const auto x2 = static_cast<float>(grid->Left() + static_cast<int64_t>(i + 1) * grid->CellWidth());
    for (int32_t j = 0; j < grid->VCells(); ++j) {
      const auto y1 = static_cast<float>(grid->Top() + static_cast<int64_t>(j) * grid->CellHeight());
      const auto y2 = static_cast<float>(grid->Top() + static_cast<int64_t>(j + 1) * grid->CellHeight());
      const uint32_t c = grid->Get(i, j) == kGridCellForbidden ? kForbiddenColour : kFreeColour;
      GR_Draw_RectangleColour(x1, y1, x2, y2, c, c, c, c, false);
    }
  }
}
