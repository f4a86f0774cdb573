// The renderer with its debug log kept in memory, made on construction (ok() says whether it was)
// and torn down with its textures after: on the recording device with its log off, for
// benchmarks of the CPU side of drawing, or on the OpenGL device for whole frames.
#pragma once

#include <cstdlib>
#include <memory>

#include "assets/texture_pages.h"
#include "core/console.h"
#include "platform/d3d9/recording_device.h"
#include "render/d3d_device.h"
#include "render/vertex_batch.h"

class RecordingRenderer {
 public:
  enum class Device { Recording, OpenGL };

  explicit RecordingRenderer(Device device = Device::Recording, int32_t width = 1024, int32_t height = 768) {
    m_debug = g_pDebugConsole;
    g_pDebugConsole = &m_quiet;
    if (device == Device::Recording) {
      s_log = std::make_shared<D3D9RecordingLog>();
      s_log->SetRecording(false);
      m_old = GR_D3D_SetFactory(&Recording);
    } else {
      setenv("SDL_VIDEODRIVER", "offscreen", 0);
      m_old = GR_D3D_SetFactory(nullptr);
    }
    // Without a window the device makes one of the back buffer's size to present to.
    m_ok = GR_D3D_Init(nullptr, width, height, 0);
  }
  ~RecordingRenderer() {
    GR_Texture_FreeAll();
    GR_D3D_Shutdown();
    g_D3D = GR_D3DDeviceState{};
    g_Batch = GR_BatchState{};
    GR_D3D_SetFactory(m_old);
    g_pDebugConsole = m_debug;
  }
  RecordingRenderer(const RecordingRenderer&) = delete;
  RecordingRenderer& operator=(const RecordingRenderer&) = delete;
  bool ok() const { return m_ok; }

 private:
  static IDirect3D9* Recording() { return D3D9_CreateRecordingDirect3D(s_log); }
  static inline std::shared_ptr<D3D9RecordingLog> s_log;
  TErrStreamConsole m_quiet;
  tagIConsole* m_debug = nullptr;
  GR_Direct3DFactory m_old = nullptr;
  bool m_ok = false;
};
