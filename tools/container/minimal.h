// The least complete game: every chunk of a game in its usual file order, each list empty, with a
// header, options, one texture page and one page entry. What end-to-end tests start from and
// what `tolvarine-container --minimal` writes.
#pragma once

#include "container/writer.h"

namespace container {

void add_minimal_game(ContainerWriter& writer);

}  // namespace container
