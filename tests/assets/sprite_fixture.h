// Sprites on the recording device: written containers with pages, page entries and sprites,
// image files in a save area of the test's own, and the table, downloads and errors put back.
#pragma once

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "assets/sprite_table.h"
#include "container/gen8.h"
#include "container/sprt.h"
#include "container/tpag.h"
#include "container/txtr.h"
#include "container/writer.h"
#include "core/run_switches.h"
#include "core/value.h"
#include "runtime/error_report.h"
#include "host/game_loader.h"
#include "io/load_save.h"
#include "world/async_queue.h"
#include "assets/http_stand_in.h"
#include "render/render_fixture.h"

namespace sprite_test {

// Bytes R, G, B, A of width x height pixels, each from f(x, y) as 0xAARRGGBB.
template <typename F>
std::vector<uint8_t> RGBA(int32_t width, int32_t height, F f) {
  std::vector<uint8_t> out;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t p = f(x, y);
      out.insert(out.end(), {static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p),
                             static_cast<uint8_t>(p >> 24)});
    }
  }
  return out;
}

class SpriteTest : public render_test::RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    if (RecordingScene()) InitScene();
    // Suite and test together: tests of one name in several suites (or parameters) run at once.
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test->test_suite_name()) + "." + test->name();
    std::replace(name.begin(), name.end(), '/', '_');
    m_root = std::filesystem::path(TOLVARINE_TEST_TMP) / ("sprites_" + name);
    std::filesystem::remove_all(m_root);
    std::filesystem::create_directories(m_root);
    Win32_SetSaveDirectory((m_root.string() + "/").c_str());
    m_wasHeadless = g_IsHeadless;
    g_IsHeadless = true;  // errors are logged, never shown in a dialog
  }
  void TearDown() override {
    g_IsHeadless = m_wasHeadless;
    Async_Shutdown();
    Sprite_DeleteAll();
    Runner_FreeGameData();
    Win32_FreeSaveDirectory();
    std::filesystem::remove_all(m_root);
    error_last = SharedString_Unref(error_last);
    RenderTest::TearDown();
  }

  // False: the test makes its own device.
  virtual bool RecordingScene() const { return true; }

  // A file in the save area.
  void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    ASSERT_TRUE(LoadSave_WriteFile(name.c_str(), bytes.data(), static_cast<int32_t>(bytes.size())));
  }

  // Loads a container of the pages, page entries and sprites; the bytes stay with the test.
  // `damage` may change the bytes first (given the container offset of the first sprite entry).
  bool Load(const std::vector<container::TexturePage>& pages, const std::vector<container::TexturePageEntry>& tpag,
            const std::vector<std::optional<container::SpriteEntry>>& sprites,
            void (*damage)(uint8_t* bytes, uint32_t firstEntry) = nullptr) {
    container::ContainerWriter writer;
    container::write_gen8(writer, {});
    container::write_tpag(writer, tpag);
    container::write_txtr(writer, pages);
    container::write_sprt(writer, sprites);
    const container::BuildResult built = writer.build();
    if (!built.ok()) return false;
    m_bytes = built.bytes;
    if (damage != nullptr) {
      // The SPRT body starts with the count, then the entry offsets.
      for (size_t at = 8; at + 8 <= m_bytes.size();) {
        const uint32_t size = Container_U32(m_bytes.data() + at + 4);
        if (std::memcmp(m_bytes.data() + at, "SPRT", 4) == 0) {
          damage(m_bytes.data(), Container_U32(m_bytes.data() + at + 12));
          break;
        }
        at += 8 + size;
      }
    }
    return Game_ScanHeaderChunks({m_bytes.data(), m_bytes.size()}) && Game_LoadChunks(m_bytes.data(), m_bytes.size());
  }

  static std::string LastError() {
    return error_last != nullptr && error_last->text != nullptr ? error_last->text : "";
  }

  std::filesystem::path m_root;
  std::vector<uint8_t> m_bytes;
  bool m_wasHeadless = false;
};

}  // namespace sprite_test
