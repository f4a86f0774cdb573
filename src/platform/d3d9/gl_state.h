// The device's copy of the OpenGL state it sets, so that unchanged state costs no call.
// Every device operation sets all the state it depends on through here; none restores.
// Draw paths add their own pieces (blending, depth test, programs, samplers) the same way.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>

struct GLState {
  // Texture unit used for uploads, away from the units that draws sample from.
  static constexpr GLenum kUploadUnit = 15;

  void Invalidate() { *this = GLState{}; }

  void BindDrawFramebuffer(GLuint fbo) {
    if (drawFbo != fbo) {
      glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo);
      drawFbo = fbo;
    }
  }
  void BindReadFramebuffer(GLuint fbo) {
    if (readFbo != fbo) {
      glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
      readFbo = fbo;
    }
  }
  void SetScissorTest(bool on) {
    int value = on ? 1 : 0;
    if (scissorTest != value) {
      if (on)
        glEnable(GL_SCISSOR_TEST);
      else
        glDisable(GL_SCISSOR_TEST);
      scissorTest = value;
    }
  }
  void SetScissorBox(GLint x, GLint y, GLsizei w, GLsizei h) {
    if (!scissorKnown || scissor[0] != x || scissor[1] != y || scissor[2] != w || scissor[3] != h) {
      glScissor(x, y, w, h);
      scissor[0] = x;
      scissor[1] = y;
      scissor[2] = w;
      scissor[3] = h;
      scissorKnown = true;
    }
  }
  void SetViewport(GLint x, GLint y, GLsizei w, GLsizei h) {
    if (!viewportKnown || viewport[0] != x || viewport[1] != y || viewport[2] != w || viewport[3] != h) {
      glViewport(x, y, w, h);
      viewport[0] = x;
      viewport[1] = y;
      viewport[2] = w;
      viewport[3] = h;
      viewportKnown = true;
    }
  }
  // Bits 0-3: red, green, blue, alpha.
  void SetColourMask(unsigned mask) {
    if (colourMask != static_cast<int>(mask)) {
      glColorMask((mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0);
      colourMask = static_cast<int>(mask);
    }
  }
  void SetDepthMask(bool on) {
    int value = on ? 1 : 0;
    if (depthMask != value) {
      glDepthMask(on ? GL_TRUE : GL_FALSE);
      depthMask = value;
    }
  }
  void SetStencilWriteMask(GLuint mask) {
    if (!stencilMaskKnown || stencilWriteMask != mask) {
      glStencilMask(mask);
      stencilWriteMask = mask;
      stencilMaskKnown = true;
    }
  }
  void BindUploadTexture(GLuint texture) {
    if (activeUnit != kUploadUnit) {
      glActiveTexture(GL_TEXTURE0 + kUploadUnit);
      activeUnit = kUploadUnit;
    }
    if (uploadTexture != texture) {
      glBindTexture(GL_TEXTURE_2D, texture);
      uploadTexture = texture;
    }
  }
  // Draws sample from units 0 .. kUploadUnit - 1.
  void BindTexture(GLuint unit, GLuint texture) {
    if (boundTexture[unit] != texture) {
      if (activeUnit != unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        activeUnit = unit;
      }
      glBindTexture(GL_TEXTURE_2D, texture);
      boundTexture[unit] = texture;
    }
  }
  void BindSampler(GLuint unit, GLuint sampler) {
    if (boundSampler[unit] != sampler) {
      glBindSampler(unit, sampler);
      boundSampler[unit] = sampler;
    }
  }
  // A texture is being deleted: forget it wherever it was bound.
  void ForgetTexture(GLuint texture) {
    if (uploadTexture == texture) uploadTexture = kUnknown;
    for (GLuint& t : boundTexture) {
      if (t == texture) t = kUnknown;
    }
  }
  void ForgetBuffer(GLuint buffer) {
    if (arrayBuffer == buffer) arrayBuffer = kUnknown;
  }
  void BindArrayBuffer(GLuint buffer) {
    if (arrayBuffer != buffer) {
      glBindBuffer(GL_ARRAY_BUFFER, buffer);
      arrayBuffer = buffer;
    }
  }
  void BindVertexArray(GLuint vao) {
    if (vertexArray != vao) {
      glBindVertexArray(vao);
      vertexArray = vao;
    }
  }
  void UseProgram(GLuint p) {
    if (program != p) {
      glUseProgram(p);
      program = p;
    }
  }
  void SetCapability(GLenum cap, int* cached, bool on) {
    const int value = on ? 1 : 0;
    if (*cached != value) {
      if (on)
        glEnable(cap);
      else
        glDisable(cap);
      *cached = value;
    }
  }
  void SetBlend(bool on) { SetCapability(GL_BLEND, &blend, on); }
  void SetDepthTest(bool on) { SetCapability(GL_DEPTH_TEST, &depthTest, on); }
  void SetStencilTest(bool on) { SetCapability(GL_STENCIL_TEST, &stencilTest, on); }
  void SetCulling(bool on) { SetCapability(GL_CULL_FACE, &cullFace, on); }
  void SetBlendFunc(GLenum srcColour, GLenum dstColour, GLenum srcAlpha, GLenum dstAlpha) {
    const GLenum want[4] = {srcColour, dstColour, srcAlpha, dstAlpha};
    if (!Same(blendFunc, want, 4)) {
      glBlendFuncSeparate(srcColour, dstColour, srcAlpha, dstAlpha);
      Copy(blendFunc, want, 4);
    }
  }
  void SetBlendEquation(GLenum colour, GLenum alpha) {
    const GLenum want[2] = {colour, alpha};
    if (!Same(blendEquation, want, 2)) {
      glBlendEquationSeparate(colour, alpha);
      Copy(blendEquation, want, 2);
    }
  }
  // 0xAARRGGBB.
  void SetBlendColour(uint32_t argb) {
    if (!blendColourKnown || blendColour != argb) {
      glBlendColor(static_cast<float>((argb >> 16) & 255) / 255.0f, static_cast<float>((argb >> 8) & 255) / 255.0f,
                   static_cast<float>(argb & 255) / 255.0f, static_cast<float>(argb >> 24) / 255.0f);
      blendColour = argb;
      blendColourKnown = true;
    }
  }
  void SetDepthFunc(GLenum func) {
    if (depthFunc != func) {
      glDepthFunc(func);
      depthFunc = func;
    }
  }
  void SetDepthRange(float nearZ, float farZ) {
    if (!depthRangeKnown || depthRange[0] != nearZ || depthRange[1] != farZ) {
      glDepthRange(nearZ, farZ);
      depthRange[0] = nearZ;
      depthRange[1] = farZ;
      depthRangeKnown = true;
    }
  }
  void SetCullFace(GLenum face) {
    if (cullFaceMode != face) {
      glCullFace(face);
      cullFaceMode = face;
    }
  }
  void SetStencilFunc(GLenum func, GLint ref, GLuint mask) {
    const GLenum want[3] = {func, static_cast<GLenum>(ref), mask};
    if (!Same(stencilFunc, want, 3)) {
      glStencilFunc(func, ref, mask);
      Copy(stencilFunc, want, 3);
    }
  }
  void SetStencilOp(GLenum fail, GLenum depthFail, GLenum pass) {
    const GLenum want[3] = {fail, depthFail, pass};
    if (!Same(stencilOp, want, 3)) {
      glStencilOp(fail, depthFail, pass);
      Copy(stencilOp, want, 3);
    }
  }
  void SetPolygonMode(GLenum mode) {
    if (polygonMode != mode) {
      glPolygonMode(GL_FRONT_AND_BACK, mode);
      polygonMode = mode;
    }
  }
  void SetPointSize(float size) {
    if (pointSize != size) {
      glPointSize(size);
      pointSize = size;
    }
  }

  static constexpr GLuint kUnknown = 0xFFFFFFFFu;
  GLuint drawFbo = kUnknown;
  GLuint readFbo = kUnknown;
  int scissorTest = -1;
  bool scissorKnown = false;
  GLint scissor[4] = {};
  bool viewportKnown = false;
  GLint viewport[4] = {};
  int colourMask = -1;
  int depthMask = -1;
  bool stencilMaskKnown = false;
  GLuint stencilWriteMask = 0;
  GLenum activeUnit = kUnknown;
  GLuint uploadTexture = kUnknown;
  GLuint boundTexture[kUploadUnit] = {kUnknown, kUnknown, kUnknown, kUnknown, kUnknown, kUnknown, kUnknown, kUnknown,
                                      kUnknown, kUnknown, kUnknown, kUnknown, kUnknown, kUnknown, kUnknown};
  GLuint boundSampler[kUploadUnit] = {kUnknown, kUnknown, kUnknown, kUnknown, kUnknown, kUnknown, kUnknown, kUnknown,
                                      kUnknown, kUnknown, kUnknown, kUnknown, kUnknown, kUnknown, kUnknown};
  GLuint arrayBuffer = kUnknown;
  GLuint vertexArray = kUnknown;
  GLuint program = kUnknown;
  int blend = -1;
  int depthTest = -1;
  int stencilTest = -1;
  int cullFace = -1;
  GLenum blendFunc[4] = {kUnknown, kUnknown, kUnknown, kUnknown};
  GLenum blendEquation[2] = {kUnknown, kUnknown};
  bool blendColourKnown = false;
  uint32_t blendColour = 0;
  GLenum depthFunc = kUnknown;
  bool depthRangeKnown = false;
  float depthRange[2] = {};
  GLenum cullFaceMode = kUnknown;
  GLenum stencilFunc[3] = {kUnknown, kUnknown, kUnknown};
  GLenum stencilOp[3] = {kUnknown, kUnknown, kUnknown};
  GLenum polygonMode = kUnknown;
  float pointSize = -1.0f;

 private:
  static bool Same(const GLenum* a, const GLenum* b, int n) {
    for (int i = 0; i < n; ++i) {
      if (a[i] != b[i]) return false;
    }
    return true;
  }
  static void Copy(GLenum* a, const GLenum* b, int n) {
    for (int i = 0; i < n; ++i) a[i] = b[i];
  }
};
