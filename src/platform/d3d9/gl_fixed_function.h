// The fixed-function pipeline as OpenGL programs. The states that change what a vertex or pixel
// computes (which inputs a vertex has, lighting and its colour sources, flat shading, the fog
// kind, the alpha test and stage 0's operations) select a program variant, generated as GLSL and
// compiled once; everything else (matrices, lights, material, fog numbers, references) travels
// as uniforms, uploaded only when its group changed since the program last saw it.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

// Attribute locations of the vertex inputs.
constexpr GLuint kGLFFPosition = 0;
constexpr GLuint kGLFFNormal = 1;
constexpr GLuint kGLFFDiffuse = 2;
constexpr GLuint kGLFFSpecular = 3;
constexpr GLuint kGLFFTexCoord = 4;
constexpr GLuint kGLFFInputs = 5;

// What selects a program. Values use the device's own numbers (D3DFOG_*, D3DCMP_*, D3DTOP_*,
// D3DTA_*); Describe-side code normalises them so that equal behaviour gives equal keys.
struct GLFFVariant {
  bool normal = false;  // the vertex inputs present
  bool diffuse = false;
  bool specular = false;
  bool texCoord = false;
  bool lighting = false;
  uint8_t diffuseSource = 0;  // 0 material, 1 vertex diffuse, 2 vertex specular (only when present)
  uint8_t ambientSource = 0;
  uint8_t emissiveSource = 0;
  bool flat = false;
  uint8_t fog = 0;  // 0 none, 1 per pixel (table), 2 per vertex
  uint8_t fogMode = 0;
  bool rangeFog = false;
  uint8_t alphaFunc = 8;  // D3DCMP_ALWAYS: no test
  uint8_t colourOp = 1;   // D3DTOP_DISABLE .. D3DTOP_SUBTRACT
  uint8_t alphaOp = 1;
  uint8_t colourArg1 = 0, colourArg2 = 0, alphaArg1 = 0, alphaArg2 = 0;  // D3DTA_* with modifiers

  uint64_t Key() const;
};

// The values behind the uniforms, in groups that change together. A group's version changes
// whenever one of its values does; versions are never reused.
struct GLFFUniforms {
  enum Group { kTransform, kViewport, kLighting, kFog, kPixel, kGroups };
  uint64_t version[kGroups] = {};

  float worldViewProj[16] = {};  // column-major for OpenGL: the row-vector matrices as they are
  float worldView[16] = {};
  float normalMatrix[9] = {};
  // Clip x and y scale (the viewport's share of the guard band) and offset (half a pixel).
  float clipTransform[4] = {};
  float materialDiffuse[4] = {};
  float materialAmbient[4] = {};
  float materialEmissive[4] = {};
  float globalAmbient[3] = {};
  int normalize = 0;
  int lightType[8] = {};  // 0 off, 1 point, 3 directional
  float lightDiffuse[8][3] = {};
  float lightAmbient[8][3] = {};
  float lightPosition[8][3] = {};   // camera space
  float lightDirection[8][3] = {};  // camera space, towards the light, unit length
  float lightAttenuation[8][4] = {};  // a0, a1, a2, range
  float fogColour[3] = {};
  float fogParams[4] = {};  // start, end, density, 1 when table fog uses eye depth
  float alphaRef = 0.0f;
  float textureFactor[4] = {};
};

struct GLFFProgram {
  GLuint program = 0;
  GLint uWorldViewProj = -1, uWorldView = -1, uNormalMatrix = -1, uClipTransform = -1;
  GLint uMaterialDiffuse = -1, uMaterialAmbient = -1, uMaterialEmissive = -1, uGlobalAmbient = -1, uNormalize = -1;
  GLint uLightType = -1, uLightDiffuse = -1, uLightAmbient = -1, uLightPosition = -1, uLightDirection = -1,
        uLightAttenuation = -1;
  GLint uFogColour = -1, uFogParams = -1, uAlphaRef = -1, uTextureFactor = -1;
  uint64_t seen[GLFFUniforms::kGroups] = {};

  // Sends the groups that changed since this program last saw them; the program must be in use.
  void Upload(const GLFFUniforms& u);
};

class GLFFCache {
 public:
  GLFFCache() = default;
  GLFFCache(const GLFFCache&) = delete;
  GLFFCache& operator=(const GLFFCache&) = delete;
  // The variant's program, compiled on first use; null when it does not compile (which is a
  // fault of this layer, reported on the debug console).
  GLFFProgram* Get(const GLFFVariant& variant);
  // Programs compiled so far (failures included).
  size_t CompiledCount() const { return m_programs.size(); }
  // Deletes every program; the device's context must be current.
  void Clear();

 private:
  std::unordered_map<uint64_t, std::unique_ptr<GLFFProgram>> m_programs;
};

// The GLSL of a variant, for the cache and for diagnostics.
std::string GLFF_VertexSource(const GLFFVariant& v);
std::string GLFF_FragmentSource(const GLFFVariant& v);
