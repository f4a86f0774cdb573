// Feeds arbitrary bytes to the saved-game loader as a queued stream of a game with one object:
// the run state, the globals, the rooms with their backgrounds, views, tiles and instances, and
// the input state. A stream is either refused whole or put in place; either way nothing may read
// outside the stream, size anything from a count the stream cannot hold, or leak.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "container/minimal.h"
#include "container/objt.h"
#include "container/room.h"
#include "container/writer.h"
#include "core/run_switches.h"
#include "host/game_loader.h"
#include "host/hooks.h"
#include "io/buffer.h"
#include "runtime/error_report.h"
#include "world/instance_ids.h"
#include "world/room.h"
#include "world/saved_game.h"

namespace {

std::vector<uint8_t> g_game;

void DeleteLoadedRooms() {
  for (CRoom*& room : Room_Copies) {
    delete room;
    room = nullptr;
  }
  Room_Copies.clear();
  Room_Current = nullptr;
  InstanceIdTable.Clear(kDisposeNone);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Console_SetHeadless(true);
  Runner_InstallHooks();
  // A stream of another game's globals is a runtime error that would end the process.
  Error_SetEndProcess([](int) {});
  // Object 0 exists, so that instance records load whole.
  container::ContainerWriter writer;
  container::ObjtEntry object;
  object.name = "ob";
  container::add_minimal_game(writer, std::span<const container::RoomEntry>(), std::span(&object, 1));
  g_game = writer.build().bytes;
  if (Game_ScanHeaderChunks({g_game.data(), g_game.size()})) Game_LoadChunks(g_game.data(), g_game.size());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Buffer_Standard stream(static_cast<int32_t>(size), eBuffer_Format_Fixed, 1);
  if (size > 0) stream.CopyIn(data, static_cast<int64_t>(size), 0, -1, 0);
  stream.m_position = 0;
  if (Game_LoadState(&stream)) DeleteLoadedRooms();
  Error_ClearSuppression();
  return 0;
}
