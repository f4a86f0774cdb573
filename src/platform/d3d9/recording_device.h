// The recording device: the same interfaces as the OpenGL device, logging every call with its
// arguments and drawing nothing. Render-state, batching and drawing tests read its log.
//
// Log lines look like the calls: "CreateTexture(64, 32, 1, 0x0, A8R8G8B8, MANAGED) -> texture1",
// "texture1.LockRect(0, {0, 0, 4, 4}, 0x0)", "SetRenderTarget(0, texture1.level0)",
// "Clear(0, null, 0x7, 0xFF000000, 1, 0)". Objects are named by kind and creation order
// (texture1, surface2; level N of a texture is textureK.levelN); the swap chain's surfaces are
// "backbuffer" and "depthstencil"; calls on the IDirect3D9 object start with "d3d.". A failed
// call ends in " -> FAILED 0x8876086C". AddRef and Release are logged only when asked for, the
// device's own as "device.AddRef() -> 2".
//
// Objects obey the same rules as on the OpenGL device (reference counts, which textures lock,
// target 0 resetting the viewport, lockable render targets, the checks of the state setters and
// draws). Locks hand out memory that keeps what was written; clears, copies, presents and draws
// change no pixels. Every draw that succeeds is also kept as a record with the vertex bytes it read.
//
// State calls log names without their prefixes and values as numbers: "SetRenderState(SRCBLEND, 5)",
// "SetSamplerState(0, MAGFILTER, 2)", "SetTextureStageState(0, COLOROP, 4)", "SetTexture(0, texture1)",
// "SetFVF(0x142)", "SetStreamSource(0, vertexbuffer2, 0, 24)", "DrawPrimitive(TRIANGLELIST, 0, 2)",
// "DrawPrimitiveUP(TRIANGLELIST, 2, 24)". Float render states log as numbers ("SetRenderState(FOGEND, 0.5)"),
// colour states in hexadecimal; matrices log their rows ("SetTransform(WORLD, {{1, 0, 0, 0}, ...})").
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"

// One draw as the device saw it.
struct D3D9RecordedDraw {
  D3DPRIMITIVETYPE type;
  UINT primitiveCount;
  UINT vertexCount;
  DWORD fvf;                      // 0 when a declaration describes the vertices
  std::string declaration;        // the declaration's name, empty with an FVF
  std::string texture;            // stage 0's texture, empty when none
  UINT stride;                    // of stream 0
  std::vector<uint8_t> vertices;  // the bytes of stream 0 that the draw read
};

class D3D9RecordingLog {
 public:
  const std::vector<std::string>& Lines() const { return m_lines; }
  const std::vector<D3D9RecordedDraw>& Draws() const { return m_draws; }
  void Clear() {
    m_lines.clear();
    m_draws.clear();
  }
  // The next call of that method (its bare name, e.g. "CreateTexture", "LockRect") answers hr
  // and does nothing else. Several failures queue up in order.
  void FailNext(const std::string& method, HRESULT hr) { m_failures.push_back({method, hr}); }
  void SetLogReferences(bool on) { m_logReferences = on; }
  // Off: calls keep their checks and effects but nothing is kept (benchmarks).
  void SetRecording(bool on) { m_recording = on; }
  bool Recording() const { return m_recording; }

  // For the recording objects.
  void Add(std::string line) {
    if (m_recording) m_lines.push_back(std::move(line));
  }
  void AddDraw(D3D9RecordedDraw draw) {
    if (m_recording) m_draws.push_back(std::move(draw));
  }
  bool TakeFailure(const char* method, HRESULT* hr);
  std::string NewName(const char* kind);
  bool LogReferences() const { return m_logReferences; }

 private:
  struct Failure {
    std::string method;
    HRESULT hr;
  };
  std::vector<std::string> m_lines;
  std::vector<D3D9RecordedDraw> m_draws;
  std::vector<Failure> m_failures;
  int m_nextId = 1;
  bool m_logReferences = false;
  bool m_recording = true;
};

// What the recording IDirect3D9 answers about the machine.
struct D3D9RecordingAdapter {
  std::string description = "Recording adapter";
  D3DDISPLAYMODE desktop{1024, 768, 60, D3DFMT_X8R8G8B8};
  std::vector<D3DDISPLAYMODE> modes{{640, 480, 60, D3DFMT_X8R8G8B8},
                                    {800, 600, 60, D3DFMT_X8R8G8B8},
                                    {1024, 768, 60, D3DFMT_X8R8G8B8}};
};

struct D3D9RecordingConfig {
  std::vector<D3D9RecordingAdapter> adapters{D3D9RecordingAdapter{}};
  std::vector<DWORD> sampleCounts{2, 4, 8, 16};  // besides 0
  UINT windowWidth = 640;                        // the client size that zero back-buffer sizes take
  UINT windowHeight = 480;
  D3DCAPS9 caps = DefaultCaps();

  static D3DCAPS9 DefaultCaps();
};

IDirect3D9* D3D9_CreateRecordingDirect3D(std::shared_ptr<D3D9RecordingLog> log,
                                         const D3D9RecordingConfig& config = D3D9RecordingConfig{});
// A device without the IDirect3D9 step; null when the parameters are refused.
IDirect3DDevice9* D3D9_CreateRecordingDevice(std::shared_ptr<D3D9RecordingLog> log, D3DPRESENT_PARAMETERS* pp,
                                             const D3D9RecordingConfig& config = D3D9RecordingConfig{});
