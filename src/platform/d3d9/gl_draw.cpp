// The OpenGL device's fixed-function state and draws.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/d3d9/gl_device.h"
#include "platform/d3d9/gl_options.h"

namespace {

GLenum CompareFunc(DWORD f) {
  switch (f) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
  }
}

GLenum StencilOp(DWORD op) {
  switch (op) {
    case D3DSTENCILOP_ZERO: return GL_ZERO;
    case D3DSTENCILOP_REPLACE: return GL_REPLACE;
    case D3DSTENCILOP_INCRSAT: return GL_INCR;
    case D3DSTENCILOP_DECRSAT: return GL_DECR;
    case D3DSTENCILOP_INVERT: return GL_INVERT;
    case D3DSTENCILOP_INCR: return GL_INCR_WRAP;
    case D3DSTENCILOP_DECR: return GL_DECR_WRAP;
    default: return GL_KEEP;
  }
}

GLenum BlendFactor(DWORD f) {
  switch (f) {
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    // As a destination these two name their first half only.
    case D3DBLEND_BOTHSRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_BOTHINVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_BLENDFACTOR: return GL_CONSTANT_COLOR;
    case D3DBLEND_INVBLENDFACTOR: return GL_ONE_MINUS_CONSTANT_COLOR;
    // The fixed pipeline writes one colour, so a second source colour is that colour.
    case D3DBLEND_SRCCOLOR2: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR2: return GL_ONE_MINUS_SRC_COLOR;
    default: return GL_ZERO;
  }
}

// Source and destination factors; the "both" sources decide the destination too.
void BlendFactors(DWORD src, DWORD dst, GLenum* s, GLenum* d) {
  if (src == D3DBLEND_BOTHSRCALPHA) {
    *s = GL_SRC_ALPHA;
    *d = GL_ONE_MINUS_SRC_ALPHA;
  } else if (src == D3DBLEND_BOTHINVSRCALPHA) {
    *s = GL_ONE_MINUS_SRC_ALPHA;
    *d = GL_SRC_ALPHA;
  } else {
    *s = BlendFactor(src);
    *d = BlendFactor(dst);
  }
}

GLenum BlendEquation(DWORD op) {
  switch (op) {
    case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN: return GL_MIN;
    case D3DBLENDOP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
  }
}

GLenum AddressMode(DWORD mode) {
  switch (mode) {
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    // Mirroring once has no OpenGL 3.3 counterpart; it mirrors for good instead.
    case D3DTADDRESS_MIRROR:
    case D3DTADDRESS_MIRRORONCE: return GL_MIRRORED_REPEAT;
    default: return GL_REPEAT;
  }
}

GLenum PrimitiveMode(DWORD type) {
  switch (type) {
    case D3DPT_POINTLIST: return GL_POINTS;
    case D3DPT_LINELIST: return GL_LINES;
    case D3DPT_LINESTRIP: return GL_LINE_STRIP;
    case D3DPT_TRIANGLELIST: return GL_TRIANGLES;
    case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    default: return GL_TRIANGLE_FAN;
  }
}

void ColourToFloats(D3DCOLOR c, float* out, bool withAlpha) {
  out[0] = static_cast<float>((c >> 16) & 255) / 255.0f;
  out[1] = static_cast<float>((c >> 8) & 255) / 255.0f;
  out[2] = static_cast<float>(c & 255) / 255.0f;
  if (withAlpha) out[3] = static_cast<float>(c >> 24) / 255.0f;
}

void ColourValue(const D3DCOLORVALUE& c, float* out) {
  out[0] = c.r;
  out[1] = c.g;
  out[2] = c.b;
  out[3] = c.a;
}

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
  D3DMATRIX r{};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      double sum = 0.0;
      for (int k = 0; k < 4; ++k) sum += static_cast<double>(a.m[i][k]) * b.m[k][j];
      r.m[i][j] = static_cast<float>(sum);
    }
  }
  return r;
}

// The matrix that carries normals with a row-vector transform: the inverse transpose of its
// upper 3 x 3, stored row by row (zero when that part cannot be inverted).
void NormalMatrix(const D3DMATRIX& m, float out[9]) {
  const double a = m.m[0][0], b = m.m[0][1], c = m.m[0][2];
  const double d = m.m[1][0], e = m.m[1][1], f = m.m[1][2];
  const double g = m.m[2][0], h = m.m[2][1], i = m.m[2][2];
  const double cof[9] = {e * i - f * h, -(d * i - f * g), d * h - e * g,
                         -(b * i - c * h), a * i - c * g, -(a * h - b * g),
                         b * f - c * e, -(a * f - c * d), a * e - b * d};
  const double det = a * cof[0] + b * cof[1] + c * cof[2];
  // (M^-1)^T = cofactor matrix / det.
  for (int k = 0; k < 9; ++k) out[k] = det == 0.0 ? 0.0f : static_cast<float>(cof[k] / det);
}

void TransformPoint(const D3DVECTOR& p, const D3DMATRIX& m, float out[3]) {
  for (int j = 0; j < 3; ++j) out[j] = p.x * m.m[0][j] + p.y * m.m[1][j] + p.z * m.m[2][j] + m.m[3][j];
}

void TransformDirection(const D3DVECTOR& p, const D3DMATRIX& m, float out[3]) {
  for (int j = 0; j < 3; ++j) out[j] = p.x * m.m[0][j] + p.y * m.m[1][j] + p.z * m.m[2][j];
}

uint8_t MaterialSource(DWORD source, bool colourVertex, bool diffuse, bool specular) {
  if (!colourVertex) return 0;
  if (source == D3DMCS_COLOR1 && diffuse) return 1;
  if (source == D3DMCS_COLOR2 && specular) return 2;
  return 0;
}

// Operations outside the supported set modulate.
uint8_t StageOp(DWORD op) {
  return static_cast<uint8_t>(op >= D3DTOP_DISABLE && op <= D3DTOP_SUBTRACT ? op : DWORD{D3DTOP_MODULATE});
}

}  // namespace

void GLDevice::InitDrawing() {
  glGenVertexArrays(1, &m_vao);
  glGenSamplers(1, &m_sampler);
  glGenBuffers(1, &m_streamBuffer);
  glGenTextures(1, &m_whiteTexture);
  // A stage without a texture reads as opaque white.
  const uint32_t white = 0xFFFFFFFF;
  m_gl.BindUploadTexture(m_whiteTexture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, &white);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  // Fixed conventions: flat shading takes a primitive's first vertex; clockwise on screen is
  // counter-clockwise once y has turned over, which is OpenGL's front.
  glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
  glFrontFace(GL_CCW);
  m_state.Reset(m_pp.EnableAutoDepthStencil != FALSE);
}

void GLDevice::FreeDrawing() {
  m_programs.Clear();
  if (m_vao) glDeleteVertexArrays(1, &m_vao);
  if (m_sampler) glDeleteSamplers(1, &m_sampler);
  if (m_streamBuffer) glDeleteBuffers(1, &m_streamBuffer);
  if (m_whiteTexture) glDeleteTextures(1, &m_whiteTexture);
  m_vao = m_sampler = m_streamBuffer = m_whiteTexture = 0;
}

void GLDevice::SetStream(UINT index, GLVertexBuffer* buffer, UINT offset, UINT stride) {
  if (buffer) buffer->Bind();
  if (m_streams[index].buffer) m_streams[index].buffer->Unbind();
  m_streams[index] = StreamBinding{buffer, offset, stride};
}

void GLDevice::SetDeclarationObject(GLVertexDeclaration* decl) {
  if (decl) decl->Bind();
  if (m_declaration) m_declaration->Unbind();
  m_declaration = decl;
}

void GLDevice::ResetBindings() {
  for (GLTexture*& t : m_textures) {
    if (t) t->Unbind();
    t = nullptr;
  }
  for (UINT i = 0; i < kD3D9Streams; ++i) SetStream(i, nullptr, 0, 0);
  SetDeclarationObject(nullptr);
  m_fvf = 0;
  m_state.Reset(m_pp.EnableAutoDepthStencil != FALSE);
  m_transformsDirty = m_lightingDirty = m_fogDirty = m_pixelDirty = m_samplerDirty = true;
}

void GLDevice::ForgetBuffer(GLuint buffer) {
  m_gl.ForgetBuffer(buffer);
  // The vertex array lets go of a deleted buffer; its name may come back for another one.
  for (Attribute& a : m_attributes) {
    if (a.buffer == buffer) a.buffer = GLState::kUnknown;
  }
}

bool GLDevice::CurrentLayout(D3D9VertexLayout* layout) const {
  if (m_declaration != nullptr) {
    *layout = m_declaration->layout();
    return true;
  }
  UINT stride;
  return m_fvf != 0 && D3D9Layout_FromFVF(m_fvf, layout, &stride);
}

// ---------------------------------------------------------------------------------------------
// States

HRESULT GLDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  bool changed;
  HRESULT hr = m_state.SetRenderState(state, value, &changed);
  if (!changed) return hr;
  switch (state) {
    case D3DRS_ALPHAREF:
    case D3DRS_TEXTUREFACTOR: m_pixelDirty = true; break;
    case D3DRS_FOGCOLOR:
    case D3DRS_FOGSTART:
    case D3DRS_FOGEND:
    case D3DRS_FOGDENSITY: m_fogDirty = true; break;
    case D3DRS_AMBIENT:
    case D3DRS_NORMALIZENORMALS: m_lightingDirty = true; break;
    default: break;  // read when drawing
  }
  return hr;
}

HRESULT GLDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* pValue) { return m_state.GetRenderState(state, pValue); }

HRESULT GLDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  bool changed;
  HRESULT hr = m_state.SetSamplerState(sampler, type, value, &changed);
  if (changed && sampler == 0) m_samplerDirty = true;
  return hr;
}

HRESULT GLDevice::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* pValue) {
  return m_state.GetSamplerState(sampler, type, pValue);
}

HRESULT GLDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  bool changed;
  return m_state.SetTextureStageState(stage, type, value, &changed);
}

HRESULT GLDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* pValue) {
  return m_state.GetTextureStageState(stage, type, pValue);
}

HRESULT GLDevice::SetTexture(DWORD stage, IDirect3DBaseTexture9* pTexture) {
  GLTexture* texture = nullptr;
  if (stage >= kD3D9TextureStages) return D3DERR_INVALIDCALL;
  if (pTexture != nullptr) {
    texture = dynamic_cast<GLTexture*>(pTexture);
    if (texture == nullptr || texture->device() != this ||
        (texture->pool() != D3DPOOL_DEFAULT && texture->pool() != D3DPOOL_MANAGED)) {
      return D3DERR_INVALIDCALL;
    }
    texture->Bind();
  }
  if (m_textures[stage]) m_textures[stage]->Unbind();
  m_textures[stage] = texture;
  return D3D_OK;
}

HRESULT GLDevice::GetTexture(DWORD stage, IDirect3DBaseTexture9** ppTexture) {
  if (ppTexture == nullptr || stage >= kD3D9TextureStages) return D3DERR_INVALIDCALL;
  *ppTexture = m_textures[stage];
  if (m_textures[stage]) m_textures[stage]->AddRef();
  return D3D_OK;
}

HRESULT GLDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* pMatrix) {
  HRESULT hr = m_state.SetTransform(state, pMatrix);
  if (FAILED(hr)) return hr;
  if (state == D3DTS_VIEW || state == D3DTS_PROJECTION || state == D3DTS_WORLD) m_transformsDirty = true;
  if (state == D3DTS_VIEW) m_lightingDirty = true;    // lights live in camera space
  if (state == D3DTS_PROJECTION) m_fogDirty = true;   // which depth table fog reads
  return hr;
}

HRESULT GLDevice::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* pMatrix) {
  return m_state.GetTransform(state, pMatrix);
}

HRESULT GLDevice::SetMaterial(const D3DMATERIAL9* pMaterial) {
  HRESULT hr = m_state.SetMaterial(pMaterial);
  if (SUCCEEDED(hr)) m_lightingDirty = true;
  return hr;
}

HRESULT GLDevice::GetMaterial(D3DMATERIAL9* pMaterial) {
  if (pMaterial == nullptr) return D3DERR_INVALIDCALL;
  *pMaterial = m_state.material;
  return D3D_OK;
}

HRESULT GLDevice::SetLight(DWORD index, const D3DLIGHT9* pLight) {
  HRESULT hr = m_state.SetLight(index, pLight);
  if (SUCCEEDED(hr)) m_lightingDirty = true;
  return hr;
}

HRESULT GLDevice::GetLight(DWORD index, D3DLIGHT9* pLight) { return m_state.GetLight(index, pLight); }

HRESULT GLDevice::LightEnable(DWORD index, BOOL enable) {
  HRESULT hr = m_state.LightEnable(index, enable);
  if (SUCCEEDED(hr)) m_lightingDirty = true;
  return hr;
}

HRESULT GLDevice::GetLightEnable(DWORD index, BOOL* pEnable) { return m_state.GetLightEnable(index, pEnable); }

HRESULT GLDevice::SetFVF(DWORD fvf) {
  D3D9VertexLayout layout;
  UINT stride;
  if (fvf != 0 && !D3D9Layout_FromFVF(fvf, &layout, &stride)) return D3DERR_INVALIDCALL;
  m_fvf = fvf;
  if (fvf != 0) SetDeclarationObject(nullptr);
  return D3D_OK;
}

HRESULT GLDevice::GetFVF(DWORD* pFVF) {
  if (pFVF == nullptr) return D3DERR_INVALIDCALL;
  *pFVF = m_fvf;
  return D3D_OK;
}

HRESULT GLDevice::CreateVertexDeclaration(const D3DVERTEXELEMENT9* pVertexElements,
                                          IDirect3DVertexDeclaration9** ppDecl) {
  if (ppDecl == nullptr) return D3DERR_INVALIDCALL;
  *ppDecl = nullptr;
  D3D9VertexLayout layout;
  HRESULT hr = D3D9Layout_FromDeclaration(pVertexElements, &layout);
  if (FAILED(hr)) return hr;
  *ppDecl = new GLVertexDeclaration(this, std::move(layout));
  return D3D_OK;
}

HRESULT GLDevice::SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl) {
  GLVertexDeclaration* decl = nullptr;
  if (pDecl != nullptr) {
    decl = dynamic_cast<GLVertexDeclaration*>(pDecl);
    if (decl == nullptr || decl->device() != this) return D3DERR_INVALIDCALL;
  }
  SetDeclarationObject(decl);
  if (decl) m_fvf = 0;
  return D3D_OK;
}

HRESULT GLDevice::GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl) {
  if (ppDecl == nullptr) return D3DERR_INVALIDCALL;
  *ppDecl = m_declaration;
  if (m_declaration) m_declaration->AddRef();
  return D3D_OK;
}

HRESULT GLDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                     IDirect3DVertexBuffer9** ppVertexBuffer, void** pSharedHandle) {
  if (ppVertexBuffer == nullptr) return D3DERR_INVALIDCALL;
  *ppVertexBuffer = nullptr;
  if (pSharedHandle != nullptr) return D3DERR_INVALIDCALL;
  HRESULT hr = D3D9_CheckVertexBuffer(length, usage, fvf, pool);
  if (FAILED(hr)) return hr;
  auto* buffer = new GLVertexBuffer(this, D3DVERTEXBUFFER_DESC{D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool,
                                                               length, fvf});
  if (!buffer->Init()) {
    buffer->Release();
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  *ppVertexBuffer = buffer;
  return D3D_OK;
}

HRESULT GLDevice::SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* pStreamData, UINT offsetInBytes,
                                  UINT stride) {
  GLVertexBuffer* buffer = nullptr;
  if (streamNumber >= kD3D9Streams) return D3DERR_INVALIDCALL;
  if (pStreamData != nullptr) {
    buffer = dynamic_cast<GLVertexBuffer*>(pStreamData);
    if (buffer == nullptr || buffer->device() != this) return D3DERR_INVALIDCALL;
  }
  SetStream(streamNumber, buffer, offsetInBytes, stride);
  return D3D_OK;
}

HRESULT GLDevice::GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9** ppStreamData, UINT* pOffsetInBytes,
                                  UINT* pStride) {
  if (streamNumber >= kD3D9Streams || ppStreamData == nullptr || pOffsetInBytes == nullptr || pStride == nullptr) {
    return D3DERR_INVALIDCALL;
  }
  const StreamBinding& s = m_streams[streamNumber];
  *ppStreamData = s.buffer;
  *pOffsetInBytes = s.offset;
  *pStride = s.stride;
  if (s.buffer) s.buffer->AddRef();
  return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// Draws

HRESULT GLDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
  const UINT count = D3D9_VertexCount(type, primitiveCount);
  D3D9VertexLayout layout;
  if (!m_inScene || count == 0 || primitiveCount > m_caps.MaxPrimitiveCount || !CurrentLayout(&layout)) {
    return D3DERR_INVALIDCALL;
  }
  D3D9StreamExtent extents[kD3D9Streams];
  for (UINT i = 0; i < kD3D9Streams; ++i) {
    const StreamBinding& s = m_streams[i];
    if (s.buffer) extents[i] = D3D9StreamExtent{true, s.buffer->size(), s.offset, s.stride, s.buffer->locked()};
  }
  if (!D3D9_StreamsHold(layout, extents, startVertex, count)) return D3DERR_INVALIDCALL;
  MakeCurrent();
  StreamSource sources[kD3D9Streams];
  for (const D3DVERTEXELEMENT9& e : layout.elements) {
    const StreamBinding& s = m_streams[e.Stream];
    sources[e.Stream] = StreamSource{s.buffer->DrawBuffer(), s.buffer->DrawOffset() + s.offset, s.stride};
    if (sources[e.Stream].buffer == 0) return D3DERR_INVALIDCALL;
  }
  return Draw(type, startVertex, count, layout, sources);
}

HRESULT GLDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* pVertexStreamZeroData,
                                  UINT vertexStreamZeroStride) {
  const UINT count = D3D9_VertexCount(type, primitiveCount);
  D3D9VertexLayout layout;
  if (!m_inScene || count == 0 || primitiveCount > m_caps.MaxPrimitiveCount || pVertexStreamZeroData == nullptr ||
      vertexStreamZeroStride == 0 || !CurrentLayout(&layout)) {
    return D3DERR_INVALIDCALL;
  }
  const uint64_t bytes = uint64_t{count} * vertexStreamZeroStride;
  D3D9StreamExtent extents[kD3D9Streams];
  extents[0] = D3D9StreamExtent{true, static_cast<UINT>(std::min<uint64_t>(bytes, 0xFFFFFFFFu)), 0, vertexStreamZeroStride};
  if (bytes > 0xFFFFFFFFu || !D3D9_StreamsHold(layout, extents, 0, count)) return D3DERR_INVALIDCALL;
  MakeCurrent();
  // Each draw's vertices get fresh storage: nothing waits for earlier draws, and nothing is mapped.
  const UINT size = static_cast<UINT>(bytes);
  m_gl.BindArrayBuffer(m_streamBuffer);
  glBufferData(GL_ARRAY_BUFFER, size, pVertexStreamZeroData, GL_STREAM_DRAW);
  StreamSource sources[kD3D9Streams];
  sources[0] = StreamSource{m_streamBuffer, 0, vertexStreamZeroStride};
  HRESULT hr = Draw(type, 0, count, layout, sources);
  SetStream(0, nullptr, 0, 0);
  return hr;
}

GLFFVariant GLDevice::DescribeVariant(const D3D9VertexLayout& layout) const {
  const DWORD* rs = m_state.render;
  const DWORD* stage = m_state.stage[0];
  GLFFVariant v;
  const BYTE texSet = static_cast<BYTE>(std::min<DWORD>(stage[D3DTSS_TEXCOORDINDEX] & 0xFFFF, 15));
  v.normal = layout.Find(D3DDECLUSAGE_NORMAL, 0) != nullptr;
  v.diffuse = layout.Find(D3DDECLUSAGE_COLOR, 0) != nullptr;
  v.specular = layout.Find(D3DDECLUSAGE_COLOR, 1) != nullptr;
  v.texCoord = layout.Find(D3DDECLUSAGE_TEXCOORD, texSet) != nullptr;
  v.lighting = rs[D3DRS_LIGHTING] != FALSE;
  if (v.lighting) {
    const bool colourVertex = rs[D3DRS_COLORVERTEX] != FALSE;
    v.diffuseSource = MaterialSource(rs[D3DRS_DIFFUSEMATERIALSOURCE], colourVertex, v.diffuse, v.specular);
    v.ambientSource = MaterialSource(rs[D3DRS_AMBIENTMATERIALSOURCE], colourVertex, v.diffuse, v.specular);
    v.emissiveSource = MaterialSource(rs[D3DRS_EMISSIVEMATERIALSOURCE], colourVertex, v.diffuse, v.specular);
  }
  v.flat = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
  // Table fog wins over vertex fog; range fog only changes vertex fog.
  if (rs[D3DRS_FOGENABLE] != FALSE) {
    const DWORD table = rs[D3DRS_FOGTABLEMODE], vertex = rs[D3DRS_FOGVERTEXMODE];
    if (table >= D3DFOG_EXP && table <= D3DFOG_LINEAR) {
      v.fog = 1;
      v.fogMode = static_cast<uint8_t>(table);
    } else if (vertex >= D3DFOG_EXP && vertex <= D3DFOG_LINEAR) {
      v.fog = 2;
      v.fogMode = static_cast<uint8_t>(vertex);
      v.rangeFog = rs[D3DRS_RANGEFOGENABLE] != FALSE;
    }
  }
  if (rs[D3DRS_ALPHATESTENABLE] != FALSE) {
    const DWORD f = rs[D3DRS_ALPHAFUNC];
    v.alphaFunc = static_cast<uint8_t>(f >= D3DCMP_NEVER && f <= D3DCMP_ALWAYS ? f : D3DCMP_ALWAYS);
  }
  v.colourOp = StageOp(stage[D3DTSS_COLOROP]);
  if (v.colourOp != D3DTOP_DISABLE) {
    v.alphaOp = StageOp(stage[D3DTSS_ALPHAOP]);
    v.colourArg1 = static_cast<uint8_t>(stage[D3DTSS_COLORARG1] & 0x3F);
    v.colourArg2 = static_cast<uint8_t>(stage[D3DTSS_COLORARG2] & 0x3F);
    if (v.alphaOp != D3DTOP_DISABLE) {
      v.alphaArg1 = static_cast<uint8_t>(stage[D3DTSS_ALPHAARG1] & 0x3F);
      v.alphaArg2 = static_cast<uint8_t>(stage[D3DTSS_ALPHAARG2] & 0x3F);
    }
  }
  return v;
}

void GLDevice::UpdateUniforms() {
  GLFFUniforms& u = m_uniforms;
  const D3D9FixedState& st = m_state;
  if (m_transformsDirty) {
    const D3DMATRIX worldView = Multiply(st.world, st.view);
    const D3DMATRIX all = Multiply(worldView, st.projection);
    // Row-major rows given to OpenGL as columns: "matrix * column" is then "row * matrix".
    std::memcpy(u.worldViewProj, &all.m[0][0], sizeof u.worldViewProj);
    std::memcpy(u.worldView, &worldView.m[0][0], sizeof u.worldView);
    NormalMatrix(worldView, u.normalMatrix);
    u.version[GLFFUniforms::kTransform] = NextVersion();
    m_transformsDirty = false;
  }
  const float vw = static_cast<float>(m_viewport.Width), vh = static_cast<float>(m_viewport.Height);
  if (u.version[GLFFUniforms::kViewport] == 0 || m_uniformViewport[0] != vw || m_uniformViewport[1] != vh) {
    const float gw = vw + 2.0f * static_cast<float>(GuardBand(m_viewport.Width));
    const float gh = vh + 2.0f * static_cast<float>(GuardBand(m_viewport.Height));
    u.clipTransform[0] = vw > 0.0f ? vw / gw : 0.0f;
    u.clipTransform[1] = vh > 0.0f ? vh / gh : 0.0f;
    u.clipTransform[2] = vw > 0.0f ? 1.0f / gw : 0.0f;
    u.clipTransform[3] = vh > 0.0f ? 1.0f / gh : 0.0f;
    m_uniformViewport[0] = vw;
    m_uniformViewport[1] = vh;
    u.version[GLFFUniforms::kViewport] = NextVersion();
  }
  if (m_lightingDirty) {
    ColourValue(st.material.Diffuse, u.materialDiffuse);
    ColourValue(st.material.Ambient, u.materialAmbient);
    ColourValue(st.material.Emissive, u.materialEmissive);
    ColourToFloats(st.render[D3DRS_AMBIENT], u.globalAmbient, false);
    u.normalize = st.render[D3DRS_NORMALIZENORMALS] != FALSE ? 1 : 0;
    for (DWORD i = 0; i < kD3D9Lights; ++i) {
      const D3DLIGHT9& l = st.lights[i];
      u.lightType[i] = st.lightEnabled[i] ? static_cast<int>(l.Type) : 0;
      const float diffuse[3] = {l.Diffuse.r, l.Diffuse.g, l.Diffuse.b};
      const float ambient[3] = {l.Ambient.r, l.Ambient.g, l.Ambient.b};
      std::memcpy(u.lightDiffuse[i], diffuse, sizeof diffuse);
      std::memcpy(u.lightAmbient[i], ambient, sizeof ambient);
      TransformPoint(l.Position, st.view, u.lightPosition[i]);
      float dir[3];
      TransformDirection(l.Direction, st.view, dir);
      const float length = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
      for (int k = 0; k < 3; ++k) u.lightDirection[i][k] = length > 0.0f ? -dir[k] / length : 0.0f;
      const float attenuation[4] = {l.Attenuation0, l.Attenuation1, l.Attenuation2, l.Range};
      std::memcpy(u.lightAttenuation[i], attenuation, sizeof attenuation);
    }
    u.version[GLFFUniforms::kLighting] = NextVersion();
    m_lightingDirty = false;
  }
  if (m_fogDirty) {
    ColourToFloats(st.render[D3DRS_FOGCOLOR], u.fogColour, false);
    u.fogParams[0] = D3D9_FloatFromBits(st.render[D3DRS_FOGSTART]);
    u.fogParams[1] = D3D9_FloatFromBits(st.render[D3DRS_FOGEND]);
    u.fogParams[2] = D3D9_FloatFromBits(st.render[D3DRS_FOGDENSITY]);
    // Table fog reads eye depth (w) under a projection that divides by it, else the pixel's depth.
    const D3DMATRIX& p = st.projection;
    const bool affine = p.m[0][3] == 0.0f && p.m[1][3] == 0.0f && p.m[2][3] == 0.0f && p.m[3][3] == 1.0f;
    u.fogParams[3] = affine ? 0.0f : 1.0f;
    u.version[GLFFUniforms::kFog] = NextVersion();
    m_fogDirty = false;
  }
  if (m_pixelDirty) {
    u.alphaRef = static_cast<float>(st.render[D3DRS_ALPHAREF] & 0xFF);
    ColourToFloats(st.render[D3DRS_TEXTUREFACTOR], u.textureFactor, true);
    u.version[GLFFUniforms::kPixel] = NextVersion();
    m_pixelDirty = false;
  }
}

void GLDevice::ApplyRasterState() {
  const DWORD* rs = m_state.render;
  // The OpenGL viewport is Direct3D's widened by a guard band on every side, and the scissor
  // keeps drawing inside Direct3D's (and inside its scissor rectangle when that test is on): the
  // same pixels, without clipping the many primitives that only cross the viewport's edges.
  int64_t left = m_viewport.X, top = m_viewport.Y;
  int64_t right = left + m_viewport.Width, bottom = top + m_viewport.Height;
  if (rs[D3DRS_SCISSORTESTENABLE] != FALSE) {
    left = std::max<int64_t>(left, m_scissor.left);
    top = std::max<int64_t>(top, m_scissor.top);
    right = std::min<int64_t>(right, m_scissor.right);
    bottom = std::min<int64_t>(bottom, m_scissor.bottom);
  }
  m_gl.SetScissorTest(true);
  m_gl.SetScissorBox(static_cast<GLint>(left), static_cast<GLint>(top), static_cast<GLsizei>(std::max<int64_t>(right - left, 0)),
                     static_cast<GLsizei>(std::max<int64_t>(bottom - top, 0)));
  const GLint gx = static_cast<GLint>(GuardBand(m_viewport.Width)), gy = static_cast<GLint>(GuardBand(m_viewport.Height));
  m_gl.SetViewport(static_cast<GLint>(m_viewport.X) - gx, static_cast<GLint>(m_viewport.Y) - gy,
                   static_cast<GLsizei>(m_viewport.Width) + 2 * gx, static_cast<GLsizei>(m_viewport.Height) + 2 * gy);
  m_gl.SetDepthRange(m_viewport.MinZ, m_viewport.MaxZ);

  const bool blend = rs[D3DRS_ALPHABLENDENABLE] != FALSE;
  m_gl.SetBlend(blend);
  if (blend) {
    GLenum src, dst, srcAlpha, dstAlpha;
    BlendFactors(rs[D3DRS_SRCBLEND], rs[D3DRS_DESTBLEND], &src, &dst);
    GLenum equation = BlendEquation(rs[D3DRS_BLENDOP]), equationAlpha = equation;
    if (rs[D3DRS_SEPARATEALPHABLENDENABLE] != FALSE) {
      BlendFactors(rs[D3DRS_SRCBLENDALPHA], rs[D3DRS_DESTBLENDALPHA], &srcAlpha, &dstAlpha);
      equationAlpha = BlendEquation(rs[D3DRS_BLENDOPALPHA]);
    } else {
      srcAlpha = src;
      dstAlpha = dst;
    }
    m_gl.SetBlendFunc(src, dst, srcAlpha, dstAlpha);
    m_gl.SetBlendEquation(equation, equationAlpha);
    m_gl.SetBlendColour(rs[D3DRS_BLENDFACTOR]);
  }

  const bool depth = rs[D3DRS_ZENABLE] != D3DZB_FALSE;
  m_gl.SetDepthTest(depth);
  if (depth) m_gl.SetDepthFunc(CompareFunc(rs[D3DRS_ZFUNC]));
  m_gl.SetDepthMask(depth && rs[D3DRS_ZWRITEENABLE] != FALSE);

  const bool stencil = rs[D3DRS_STENCILENABLE] != FALSE;
  m_gl.SetStencilTest(stencil);
  if (stencil) {
    m_gl.SetStencilFunc(CompareFunc(rs[D3DRS_STENCILFUNC]), static_cast<GLint>(rs[D3DRS_STENCILREF] & 0xFF),
                        rs[D3DRS_STENCILMASK] & 0xFF);
    m_gl.SetStencilOp(StencilOp(rs[D3DRS_STENCILFAIL]), StencilOp(rs[D3DRS_STENCILZFAIL]),
                      StencilOp(rs[D3DRS_STENCILPASS]));
    m_gl.SetStencilWriteMask(rs[D3DRS_STENCILWRITEMASK] & 0xFF);
  }

  // Clockwise on screen is OpenGL's front (see gl_device.h).
  const DWORD cull = rs[D3DRS_CULLMODE];
  m_gl.SetCulling(cull == D3DCULL_CW || cull == D3DCULL_CCW);
  if (cull == D3DCULL_CW) m_gl.SetCullFace(GL_FRONT);
  if (cull == D3DCULL_CCW) m_gl.SetCullFace(GL_BACK);

  m_gl.SetColourMask(rs[D3DRS_COLORWRITEENABLE] & 0xF);
  const DWORD fill = rs[D3DRS_FILLMODE];
  m_gl.SetPolygonMode(fill == D3DFILL_POINT ? GL_POINT : fill == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL);
  const float size = D3D9_FloatFromBits(rs[D3DRS_POINTSIZE]);
  const float smallest = std::max(D3D9_FloatFromBits(rs[D3DRS_POINTSIZE_MIN]), 1.0f);
  const float largest = std::min(D3D9_FloatFromBits(rs[D3DRS_POINTSIZE_MAX]), m_caps.MaxPointSize);
  m_gl.SetPointSize(std::isfinite(size) ? std::clamp(size, smallest, std::max(smallest, largest)) : 1.0f);
}

void GLDevice::BindStageZero() {
  GLuint texture = m_whiteTexture;
  if (GLTexture* t = m_textures[0]; t != nullptr && t->glTexture() != 0) {
    t->FlushDirty();
    texture = t->glTexture();
  }
  m_gl.BindTexture(0, texture);
  if (m_samplerDirty) {
    const DWORD* s = m_state.sampler[0];
    const bool magLinear = s[D3DSAMP_MAGFILTER] == D3DTEXF_LINEAR || s[D3DSAMP_MAGFILTER] == D3DTEXF_ANISOTROPIC;
    const bool minLinear = s[D3DSAMP_MINFILTER] == D3DTEXF_LINEAR || s[D3DSAMP_MINFILTER] == D3DTEXF_ANISOTROPIC;
    GLenum minFilter = minLinear ? GL_LINEAR : GL_NEAREST;
    if (s[D3DSAMP_MIPFILTER] == D3DTEXF_POINT) minFilter = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    if (s[D3DSAMP_MIPFILTER] >= D3DTEXF_LINEAR) minFilter = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    glSamplerParameteri(m_sampler, GL_TEXTURE_MAG_FILTER, magLinear ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(m_sampler, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(minFilter));
    glSamplerParameteri(m_sampler, GL_TEXTURE_WRAP_S, static_cast<GLint>(AddressMode(s[D3DSAMP_ADDRESSU])));
    glSamplerParameteri(m_sampler, GL_TEXTURE_WRAP_T, static_cast<GLint>(AddressMode(s[D3DSAMP_ADDRESSV])));
    float border[4];
    ColourToFloats(s[D3DSAMP_BORDERCOLOR], border, true);
    glSamplerParameterfv(m_sampler, GL_TEXTURE_BORDER_COLOR, border);
    glSamplerParameterf(m_sampler, GL_TEXTURE_LOD_BIAS, D3D9_FloatFromBits(s[D3DSAMP_MIPMAPLODBIAS]));
    glSamplerParameterf(m_sampler, GL_TEXTURE_MIN_LOD, static_cast<float>(s[D3DSAMP_MAXMIPLEVEL]));
    m_samplerDirty = false;
  }
  m_gl.BindSampler(0, m_sampler);
}

void GLDevice::SetAttribute(GLuint location, const D3DVERTEXELEMENT9* e, const StreamSource* streams) {
  Attribute want;
  if (e != nullptr) {
    const StreamSource& s = streams[e->Stream];
    want.enabled = true;
    want.buffer = s.buffer;
    want.stride = static_cast<GLsizei>(s.stride);
    want.offset = s.base + e->Offset;
    switch (e->Type) {
      case D3DDECLTYPE_D3DCOLOR:
        // Bytes B, G, R, A: OpenGL reads them in that order with the BGRA size.
        want.size = GL_BGRA;
        want.type = GL_UNSIGNED_BYTE;
        want.normalized = GL_TRUE;
        break;
      case D3DDECLTYPE_UBYTE4:
        want.size = 4;
        want.type = GL_UNSIGNED_BYTE;
        break;
      default:
        want.size = static_cast<GLint>(e->Type - D3DDECLTYPE_FLOAT1 + 1);
        want.type = GL_FLOAT;
        break;
    }
  }
  Attribute& have = m_attributes[location];
  if (!want.enabled) {
    if (have.enabled) glDisableVertexAttribArray(location);
    have.enabled = false;
    return;
  }
  if (!have.enabled) glEnableVertexAttribArray(location);
  if (!have.enabled || have.buffer != want.buffer || have.size != want.size || have.type != want.type ||
      have.normalized != want.normalized || have.stride != want.stride || have.offset != want.offset) {
    m_gl.BindArrayBuffer(want.buffer);
    glVertexAttribPointer(location, want.size, want.type, want.normalized, want.stride,
                          reinterpret_cast<const void*>(want.offset));
  }
  have = want;
}

UINT GLDevice::GuardBand(UINT side) {
  // OpenGL takes viewports of at least 8192 pixels a side; the band is what fits of 1024.
  constexpr UINT kLargestViewport = 8192, kBand = 1024;
  return side >= kLargestViewport ? 0 : std::min(kBand, (kLargestViewport - side) / 2);
}

HRESULT GLDevice::Draw(D3DPRIMITIVETYPE type, UINT first, UINT count, const D3D9VertexLayout& layout,
                       const StreamSource* streams) {
  if (!ApplyTargets()) return D3DERR_INVALIDCALL;
  GLFFProgram* program = m_programs.Get(DescribeVariant(layout));
  if (program == nullptr) return D3DERR_INVALIDCALL;
  m_gl.UseProgram(program->program);
  UpdateUniforms();
  program->Upload(m_uniforms);
  ApplyRasterState();
  BindStageZero();
  m_gl.BindVertexArray(m_vao);
  const BYTE texSet = static_cast<BYTE>(std::min<DWORD>(m_state.stage[0][D3DTSS_TEXCOORDINDEX] & 0xFFFF, 15));
  const D3DVERTEXELEMENT9* inputs[kGLFFInputs] = {
      layout.Find(D3DDECLUSAGE_POSITION, 0), layout.Find(D3DDECLUSAGE_NORMAL, 0), layout.Find(D3DDECLUSAGE_COLOR, 0),
      layout.Find(D3DDECLUSAGE_COLOR, 1), layout.Find(D3DDECLUSAGE_TEXCOORD, texSet)};
  for (GLuint i = 0; i < kGLFFInputs; ++i) SetAttribute(i, inputs[i], streams);
  glDrawArrays(PrimitiveMode(type), static_cast<GLint>(first), static_cast<GLsizei>(count));

  // Lines leave out their last pixel; with the last-pixel state on (the default) it is drawn as
  // a point of its own: the strip's final vertex, or every second vertex of a list.
  // A flat-shaded line has its first vertex's colours up to that last pixel.
  if ((type == D3DPT_LINESTRIP || type == D3DPT_LINELIST) && m_state.render[D3DRS_LASTPIXEL] != FALSE && count >= 2) {
    m_gl.SetPointSize(1.0f);
    const bool flat = m_state.render[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
    // Each point at a line's last vertex; its colours from the line's first vertex when flat.
    const UINT last = type == D3DPT_LINESTRIP ? first + count - 1 : first + 1;
    const UINT step = type == D3DPT_LINESTRIP ? 0 : 2;
    StreamSource ends[kD3D9Streams], starts[kD3D9Streams];
    for (UINT i = 0; i < kD3D9Streams; ++i) {
      ends[i] = StreamSource{streams[i].buffer, streams[i].base + uintptr_t{last} * streams[i].stride,
                             streams[i].stride * step};
      starts[i] = StreamSource{streams[i].buffer, streams[i].base + uintptr_t{last - 1} * streams[i].stride,
                               streams[i].stride * step};
    }
    for (GLuint i = 0; i < kGLFFInputs; ++i) {
      const bool colour = i == 2 || i == 3;
      SetAttribute(i, inputs[i], flat && colour ? starts : ends);
    }
    glDrawArrays(GL_POINTS, 0, type == D3DPT_LINESTRIP ? 1 : static_cast<GLsizei>(count / 2));
  }
  return D3D_OK;
}

size_t D3D9GL_ProgramCount(IDirect3DDevice9* device) {
  auto* gl = dynamic_cast<GLDevice*>(device);
  return gl ? gl->ProgramCount() : 0;
}
