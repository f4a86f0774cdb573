// The renderer on the recording device with its log off, for benchmarks of the CPU side of
// drawing: made on construction (ok() says whether it was), torn down with its textures after.
#pragma once

#include <memory>

#include "assets/texture_pages.h"
#include "core/console.h"
#include "platform/d3d9/recording_device.h"
#include "render/d3d_device.h"
#include "render/vertex_batch.h"

class RecordingRenderer {
 public:
  RecordingRenderer() {
    m_debug = g_pDebugConsole;
    g_pDebugConsole = &m_quiet;
    s_log = std::make_shared<D3D9RecordingLog>();
    s_log->SetRecording(false);
    m_old = GR_D3D_SetFactory(&Recording);
    m_ok = GR_D3D_Init(nullptr, 1024, 768, 0);
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
