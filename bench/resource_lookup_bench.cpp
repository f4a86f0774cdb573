// asset_get_index of a room's name, the last table its lookup tries, with 1,000 named assets in
// every table tried before it (objects, sprites, legacy sounds, audio assets, backgrounds, paths,
// fonts, timelines and scripts), called through the built-in table as compiled code calls it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "assets/asset_names_stand_in.h"
#include "assets/font.h"
#include "assets/sprite_table.h"
#include "audio/audio_engine.h"
#include "audio/sound_names_stand_in.h"
#include "core/function_registry.h"
#include "core/value.h"
#include "functions/load_stand_in.h"
#include "runtime/game_header.h"
#include "vm/calls.h"
#include "vm/script_table.h"
#include "world/asset_names_stand_in.h"
#include "world/object.h"
#include "world/room_table.h"

namespace {

constexpr int32_t kAssets = 1000;

class Tables {
 public:
  Tables() {
    GameFormatVersion = 800;
    InitResourceFunctions();
    const std::vector<const char*> names = Names("asset");
    for (int32_t i = 0; i < kAssets; ++i) {
      Object_Data(Object_Add())->SetName(names[static_cast<size_t>(i)]);
      CSprite fields;
      fields.name = names[static_cast<size_t>(i)];
      Sprite_Add(fields);
    }
    Sound_StandInSetNames(names.data(), kAssets);
    Audio_SetNames(names.data(), kAssets);
    Background_StandInSetNames(names.data(), kAssets);
    Path_StandInSetNames(names.data(), kAssets);
    Font_SetNamesForTest(names.data(), kAssets);
    TimeLine_StandInSetNames(names.data(), kAssets);
    Script_SetNames(names.data(), kAssets);
    Room_Init();
    Room_Add();
    Room_Add();
  }
  ~Tables() {
    Room_FreeDefinitions();
    Script_DeleteAll();
    TimeLine_StandInSetNames(nullptr, 0);
    Font_SetNamesForTest(nullptr, 0);
    Path_StandInSetNames(nullptr, 0);
    Background_StandInSetNames(nullptr, 0);
    Audio_SetNames(nullptr, 0);
    Sound_StandInSetNames(nullptr, 0);
    Sprite_DeleteAll();
    Object_Shutdown();
    Builtin_Shutdown();
  }
  Tables(const Tables&) = delete;
  Tables& operator=(const Tables&) = delete;

 private:
  std::vector<const char*> Names(const char* prefix) {
    for (int32_t i = 0; i < kAssets; ++i) m_texts.push_back(prefix + std::to_string(i));
    std::vector<const char*> out;
    for (const std::string& t : m_texts) out.push_back(t.c_str());
    return out;
  }
  std::vector<std::string> m_texts;
};

void BM_AssetGetIndexOfARoom(benchmark::State& state) {
  // Made once: every run of the benchmark looks up in the same tables.
  static const Tables tables;
  int32_t id = -1;
  Builtin_FindCallable("asset_get_index", &id);
  RValue name = RValue_MakeUndefined();
  RValue_InitString(&name, "__newroom1");
  RValue* args[] = {&name};
  RValue result = RValue_MakeUndefined();
  for (auto _ : state) {
    VM_CallBuiltin(nullptr, nullptr, &result, 1, id, args);
    benchmark::DoNotOptimize(&result);
  }
  if (result.val != 1.0) state.SkipWithError("the room was not found");
  RValue_Release(&name);
  RValue_Release(&result);
}
BENCHMARK(BM_AssetGetIndexOfARoom);

}  // namespace
