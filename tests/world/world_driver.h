// A headless world driver: writes a game with the container writer, loads it as start-up does,
// starts it in its first room and runs steps without drawing, acting on room changes as the main
// loop does. Every handler and creation code that names the kit's logging event (kit::kLogEvent)
// writes a line to the event log, so a test reads the order in which the world ran things.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "container/bytecode_asm.h"
#include "container/objt.h"
#include "container/room.h"
#include "container/writer.h"
#include "core/registry_test_support.h"
#include "core/translated_kit.h"

class CInstance;

class WorldDriverTest : public RegistryTest {
 protected:
  static constexpr int32_t kLog = kit::kLogEvent;

  void SetUp() override;
  void TearDown() override;

  // Writes the rooms and objects into a game (room order 0, 1, ...) and loads it; false, with the
  // failure reported to the test, when the load fails.
  bool Load(std::span<const container::RoomEntry> rooms, std::span<const container::ObjtEntry> objects);
  bool Load(std::initializer_list<container::RoomEntry> rooms, std::initializer_list<container::ObjtEntry> objects) {
    return Load(std::span(rooms.begin(), rooms.size()), std::span(objects.begin(), objects.size()));
  }
  // Loads what the writer holds (a game of any make-up).
  bool Load(const container::ContainerWriter& writer);
  // The container last loaded (loading rewrites parts of it in place).
  const std::vector<uint8_t>& Bytes() const { return m_bytes; }
  // StartGame.
  void Start();
  // Runs up to n steps, each followed by the frame's room change; fewer when the game ends.
  // Returns the number run.
  int32_t Run(int32_t n);
  // One pass of the Step event as the step's dispatch makes it (for each object of the Step
  // list, each instance in its object's instance list), while the step phases have none.
  static void StepPass();
  // Runner_EndGame (Room End and Game End) while a room runs.
  void End();

  // The lines of the event log, from the logging event's runs: "<event> <self id>", where the
  // event is Create, Destroy, Step, GameStart, GameEnd, RoomStart, RoomEnd or "type/number";
  // code run outside any event (a creation code) logs "code <self id>", the room's own creation
  // code with self id 0.
  static std::vector<std::string> Log();
  static void ClearLog();
  // Called after each logged run with its instance (tests make handlers that act).
  static void OnEvent(void (*hook)(CInstance* self, CInstance* other));

  // An object whose handlers for these (type, number) pairs are the logging event.
  static container::ObjtEntry LoggingObject(const char* name,
                                            std::initializer_list<std::pair<int32_t, int32_t>> events,
                                            bool persistent = false);

  bool m_ended = false;  // the game asked to end (game_end or a fatal error)

 private:
  std::vector<uint8_t> m_bytes;
};
