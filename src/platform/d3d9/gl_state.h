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
  // A texture is being deleted: forget it wherever it was bound.
  void ForgetTexture(GLuint texture) {
    if (uploadTexture == texture) uploadTexture = kUnknown;
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
};
