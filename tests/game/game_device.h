// A device for the game's drawing tests: the recording device with its log off, so that
// surfaces (the minimap's, the messages') can be made, drawn into and freed without a display.
#pragma once

#include <memory>

#include "level_flow.h"

#include "platform/d3d9/recording_device.h"
#include "render/d3d_device.h"
#include "render/vertex_batch.h"

class GameDevice {
 public:
  GameDevice() {
    s_log = std::make_shared<D3D9RecordingLog>();
    s_log->SetRecording(false);
    m_old = GR_D3D_SetFactory(&Recording);
    m_ok = GR_D3D_Init(nullptr, 1024, 768, 0);
  }
  ~GameDevice() {
    GR_D3D_Shutdown();
    g_D3D = GR_D3DDeviceState{};
    g_Batch = GR_BatchState{};
    GR_D3D_SetFactory(m_old);
  }
  GameDevice(const GameDevice&) = delete;
  GameDevice& operator=(const GameDevice&) = delete;
  bool ok() const { return m_ok; }

 private:
  static IDirect3D9* Recording() { return D3D9_CreateRecordingDirect3D(s_log); }
  static inline std::shared_ptr<D3D9RecordingLog> s_log;
  GR_Direct3DFactory m_old = nullptr;
  bool m_ok = false;
};

// The game entered through its menu, as LevelFlowTest enters it, with the device made first: the
// controller makes the minimap's surface as it is created.
class DrawnLevelTest : public LevelFlowTest {
 protected:
  void SetUp() override {
    m_device = std::make_unique<GameDevice>();
    ASSERT_TRUE(m_device->ok());
    LevelFlowTest::SetUp();
  }
  void TearDown() override {
    LevelFlowTest::TearDown();
    m_device.reset();
  }

 private:
  std::unique_ptr<GameDevice> m_device;
};
