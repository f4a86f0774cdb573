#include "platform/d3d9/gl_fixed_function.h"

#include <vector>

#include "core/console.h"
#include "platform/d3d9/d3d9.h"

uint64_t GLFFVariant::Key() const {
  uint64_t k = 0;
  int at = 0;
  auto put = [&](uint64_t value, int bits) {
    k |= (value & ((uint64_t{1} << bits) - 1)) << at;
    at += bits;
  };
  put(normal, 1);
  put(diffuse, 1);
  put(specular, 1);
  put(texCoord, 1);
  put(lighting, 1);
  put(diffuseSource, 2);
  put(ambientSource, 2);
  put(emissiveSource, 2);
  put(flat, 1);
  put(fog, 2);
  put(fogMode, 2);
  put(rangeFog, 1);
  put(alphaFunc, 4);
  put(colourOp, 4);
  put(alphaOp, 4);
  put(colourArg1, 6);
  put(colourArg2, 6);
  put(alphaArg1, 6);
  put(alphaArg2, 6);
  return k;  // 53 bits
}

namespace {

// The fog factor of a distance: 1 leaves the colour, 0 is all fog. A linear range of no length
// switches from clear to fog at its end instead of dividing by zero.
std::string FogFunction(int mode) {
  std::string body;
  switch (mode) {
    case D3DFOG_EXP: body = "  return exp(-d * uFogParams.z);\n"; break;
    case D3DFOG_EXP2: body = "  float x = d * uFogParams.z;\n  return exp(-x * x);\n"; break;
    default:
      body =
          "  if (uFogParams.y == uFogParams.x) return d < uFogParams.y ? 1.0 : 0.0;\n"
          "  return (uFogParams.y - d) / (uFogParams.y - uFogParams.x);\n";
      break;
  }
  return "float FogFactor(float d) {\n" + body + "}\n";
}

std::string SourceOf(int source) {
  switch (source) {
    case 1: return "aDiffuse";
    case 2: return "aSpecular";
    default: return "";
  }
}

// An argument of stage 0 as a vec4 expression. Stage 0's "current" is the diffuse colour.
std::string Argument(int arg) {
  std::string value;
  switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE:
    case D3DTA_CURRENT: value = "vColour"; break;
    case D3DTA_TEXTURE: value = "tex"; break;
    case D3DTA_TFACTOR: value = "uTextureFactor"; break;
    default: value = "vec4(0.0)"; break;  // no specular, temporary or constant registers here
  }
  if (arg & D3DTA_ALPHAREPLICATE) value = value + ".aaaa";
  if (arg & D3DTA_COMPLEMENT) value = "(vec4(1.0) - " + value + ")";
  return value;
}

std::string Operation(int op, const std::string& x, const std::string& y, const std::string& type) {
  const std::string one = type + "(1.0)", zero = type + "(0.0)";
  switch (op) {
    case D3DTOP_SELECTARG1: return x;
    case D3DTOP_SELECTARG2: return y;
    case D3DTOP_MODULATE2X: return "min(" + x + " * " + y + " * 2.0, " + one + ")";
    case D3DTOP_MODULATE4X: return "min(" + x + " * " + y + " * 4.0, " + one + ")";
    case D3DTOP_ADD: return "min(" + x + " + " + y + ", " + one + ")";
    case D3DTOP_ADDSIGNED: return "clamp(" + x + " + " + y + " - 0.5, " + zero + ", " + one + ")";
    case D3DTOP_ADDSIGNED2X: return "clamp((" + x + " + " + y + " - 0.5) * 2.0, " + zero + ", " + one + ")";
    case D3DTOP_SUBTRACT: return "max(" + x + " - " + y + ", " + zero + ")";
    default: return x + " * " + y;  // modulate
  }
}

bool UsesTexture(const GLFFVariant& v) {
  auto reads = [](int op, int a1, int a2) {
    if (op == D3DTOP_DISABLE) return false;
    const bool first = op != D3DTOP_SELECTARG2 && (a1 & D3DTA_SELECTMASK) == D3DTA_TEXTURE;
    const bool second = op != D3DTOP_SELECTARG1 && (a2 & D3DTA_SELECTMASK) == D3DTA_TEXTURE;
    return first || second;
  };
  return v.colourOp != D3DTOP_DISABLE &&
         (reads(v.colourOp, v.colourArg1, v.colourArg2) || reads(v.alphaOp, v.alphaArg1, v.alphaArg2));
}

const char* Comparison(int func) {
  switch (func) {
    case D3DCMP_NEVER: return "false";
    case D3DCMP_LESS: return "a < uAlphaRef";
    case D3DCMP_EQUAL: return "a == uAlphaRef";
    case D3DCMP_LESSEQUAL: return "a <= uAlphaRef";
    case D3DCMP_GREATER: return "a > uAlphaRef";
    case D3DCMP_NOTEQUAL: return "a != uAlphaRef";
    case D3DCMP_GREATEREQUAL: return "a >= uAlphaRef";
    default: return "true";
  }
}

}  // namespace

std::string GLFF_VertexSource(const GLFFVariant& v) {
  std::string s = "#version 330 core\n";
  s += "layout(location = 0) in vec4 aPosition;\n";
  if (v.normal) s += "layout(location = 1) in vec3 aNormal;\n";
  if (v.diffuse) s += "layout(location = 2) in vec4 aDiffuse;\n";
  if (v.specular) s += "layout(location = 3) in vec4 aSpecular;\n";
  if (v.texCoord) s += "layout(location = 4) in vec4 aTexCoord;\n";
  s += "uniform mat4 uWorldViewProj;\nuniform mat4 uWorldView;\nuniform vec4 uClipTransform;\n";
  if (v.lighting) {
    s +=
        "uniform mat3 uNormalMatrix;\n"
        "uniform vec4 uMaterialDiffuse;\nuniform vec4 uMaterialAmbient;\nuniform vec4 uMaterialEmissive;\n"
        "uniform vec3 uGlobalAmbient;\nuniform bool uNormalize;\n"
        "uniform int uLightType[8];\nuniform vec3 uLightDiffuse[8];\nuniform vec3 uLightAmbient[8];\n"
        "uniform vec3 uLightPosition[8];\nuniform vec3 uLightDirection[8];\nuniform vec4 uLightAttenuation[8];\n";
  }
  s += std::string(v.flat ? "flat " : "") + "out vec4 vColour;\n";
  s += "out vec2 vTexCoord;\n";
  if (v.fog == 1) s += "out float vEyeW;\n";
  if (v.fog == 2) s += "uniform vec4 uFogParams;\nout float vFog;\n" + FogFunction(v.fogMode);
  s += "void main() {\n";
  s += "  vec4 clip = uWorldViewProj * aPosition;\n";
  // Direct3D's clip space has y up and z in 0..w with pixel centres on whole coordinates; the
  // targets here are stored top row first, so y turns over, z spreads to -w..w, and the picture
  // moves half a pixel right and down onto OpenGL's pixel centres.
  // Drawing goes to a larger OpenGL viewport (a guard band) scissored to Direct3D's, so clip x and
  // y shrink to the viewport's share of it.
  s += "  gl_Position = vec4(clip.x * uClipTransform.x + clip.w * uClipTransform.z,\n"
       "                     clip.w * uClipTransform.w - clip.y * uClipTransform.y,\n"
       "                     2.0 * clip.z - clip.w, clip.w);\n";
  s += "  vec4 eye = uWorldView * aPosition;\n";
  s += v.texCoord ? "  vTexCoord = aTexCoord.xy;\n" : "  vTexCoord = vec2(0.0);\n";
  if (v.lighting) {
    auto source = [&](int src, const char* material) {
      const std::string vertex = SourceOf(src);
      return vertex.empty() ? std::string(material) : vertex;
    };
    s += "  vec4 matDiffuse = " + source(v.diffuseSource, "uMaterialDiffuse") + ";\n";
    s += "  vec3 matAmbient = " + source(v.ambientSource, "uMaterialAmbient") + ".rgb;\n";
    s += "  vec3 matEmissive = " + source(v.emissiveSource, "uMaterialEmissive") + ".rgb;\n";
    if (v.normal) {
      s += "  vec3 n = uNormalMatrix * aNormal;\n  if (uNormalize) n = normalize(n);\n";
    }
    s +=
        "  vec3 c = matEmissive + matAmbient * uGlobalAmbient;\n"
        "  for (int i = 0; i < 8; ++i) {\n"
        "    if (uLightType[i] == 0) continue;\n"
        "    vec3 l;\n"
        "    float att = 1.0;\n"
        "    if (uLightType[i] == 3) {\n"
        "      l = uLightDirection[i];\n"
        "    } else {\n"
        "      vec3 toLight = uLightPosition[i] - eye.xyz;\n"
        "      float d = length(toLight);\n"
        "      if (d > uLightAttenuation[i].w) continue;\n"
        "      l = d > 0.0 ? toLight / d : vec3(0.0);\n"
        "      att = 1.0 / (uLightAttenuation[i].x + d * (uLightAttenuation[i].y + d * uLightAttenuation[i].z));\n"
        "    }\n"
        "    c += att * matAmbient * uLightAmbient[i];\n";
    if (v.normal) s += "    c += att * matDiffuse.rgb * uLightDiffuse[i] * max(dot(n, l), 0.0);\n";
    s +=
        "  }\n"
        "  vColour = clamp(vec4(c, matDiffuse.a), 0.0, 1.0);\n";
  } else {
    s += v.diffuse ? "  vColour = aDiffuse;\n" : "  vColour = vec4(1.0);\n";
  }
  if (v.fog == 1) s += "  vEyeW = clip.w;\n";
  if (v.fog == 2) s += std::string("  vFog = clamp(FogFactor(") + (v.rangeFog ? "length(eye.xyz)" : "eye.z") + "), 0.0, 1.0);\n";
  s += "}\n";
  return s;
}

std::string GLFF_FragmentSource(const GLFFVariant& v) {
  std::string s = "#version 330 core\n";
  s += std::string(v.flat ? "flat " : "") + "in vec4 vColour;\n";
  s += "in vec2 vTexCoord;\n";
  s += "uniform sampler2D uTexture0;\nuniform vec4 uTextureFactor;\nuniform float uAlphaRef;\n";
  if (v.fog != 0) s += "uniform vec3 uFogColour;\nuniform vec4 uFogParams;\n";
  if (v.fog == 1) s += "in float vEyeW;\n" + FogFunction(v.fogMode);
  if (v.fog == 2) s += "in float vFog;\n";
  s += "layout(location = 0) out vec4 oColour;\n";
  s += "void main() {\n";
  if (UsesTexture(v)) s += "  vec4 tex = texture(uTexture0, vTexCoord);\n";
  if (v.colourOp == D3DTOP_DISABLE) {
    s += "  vec4 result = vColour;\n";
  } else {
    s += "  vec4 result;\n";
    s += "  result.rgb = " + Operation(v.colourOp, Argument(v.colourArg1) + ".rgb", Argument(v.colourArg2) + ".rgb", "vec3") +
         ";\n";
    if (v.alphaOp == D3DTOP_DISABLE) {
      s += "  result.a = vColour.a;\n";
    } else {
      s += "  result.a = " + Operation(v.alphaOp, Argument(v.alphaArg1) + ".a", Argument(v.alphaArg2) + ".a", "float") +
           ";\n";
    }
  }
  if (v.alphaFunc != D3DCMP_ALWAYS) {
    // The test compares 8-bit values, as the reference is one.
    s += "  float a = floor(clamp(result.a, 0.0, 1.0) * 255.0 + 0.5);\n";
    s += std::string("  if (!(") + Comparison(v.alphaFunc) + ")) discard;\n";
  }
  if (v.fog == 1) {
    s += "  float f = clamp(FogFactor(uFogParams.w > 0.5 ? vEyeW : gl_FragCoord.z), 0.0, 1.0);\n";
  } else if (v.fog == 2) {
    s += "  float f = vFog;\n";
  }
  if (v.fog != 0) s += "  result.rgb = mix(uFogColour, result.rgb, f);\n";
  s += "  oColour = result;\n}\n";
  return s;
}

namespace {

GLuint Compile(GLenum kind, const std::string& source) {
  GLuint shader = glCreateShader(kind);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok != GL_TRUE) {
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(static_cast<size_t>(length) + 1, 0);
    glGetShaderInfoLog(shader, length, nullptr, log.data());
    Console_DebugOutput("Fixed-function shader did not compile: %s\n%s\n", log.data(), source.c_str());
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

GLuint Link(const GLFFVariant& v) {
  GLuint vs = Compile(GL_VERTEX_SHADER, GLFF_VertexSource(v));
  GLuint fs = Compile(GL_FRAGMENT_SHADER, GLFF_FragmentSource(v));
  if (vs == 0 || fs == 0) {
    if (vs) glDeleteShader(vs);
    if (fs) glDeleteShader(fs);
    return 0;
  }
  GLuint program = glCreateProgram();
  glAttachShader(program, vs);
  glAttachShader(program, fs);
  glLinkProgram(program);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint ok = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (ok != GL_TRUE) {
    char log[1024] = {};
    glGetProgramInfoLog(program, sizeof log, nullptr, log);
    Console_DebugOutput("Fixed-function program did not link: %s\n", log);
    glDeleteProgram(program);
    return 0;
  }
  return program;
}

}  // namespace

GLFFProgram* GLFFCache::Get(const GLFFVariant& variant) {
  const uint64_t key = variant.Key();
  auto it = m_programs.find(key);
  if (it != m_programs.end()) return it->second->program ? it->second.get() : nullptr;
  auto p = std::make_unique<GLFFProgram>();
  p->program = Link(variant);
  GLFFProgram* result = p.get();
  m_programs.emplace(key, std::move(p));
  if (result->program == 0) return nullptr;
  const GLuint id = result->program;
  auto loc = [id](const char* name) { return glGetUniformLocation(id, name); };
  result->uWorldViewProj = loc("uWorldViewProj");
  result->uWorldView = loc("uWorldView");
  result->uNormalMatrix = loc("uNormalMatrix");
  result->uClipTransform = loc("uClipTransform");
  result->uMaterialDiffuse = loc("uMaterialDiffuse");
  result->uMaterialAmbient = loc("uMaterialAmbient");
  result->uMaterialEmissive = loc("uMaterialEmissive");
  result->uGlobalAmbient = loc("uGlobalAmbient");
  result->uNormalize = loc("uNormalize");
  result->uLightType = loc("uLightType");
  result->uLightDiffuse = loc("uLightDiffuse");
  result->uLightAmbient = loc("uLightAmbient");
  result->uLightPosition = loc("uLightPosition");
  result->uLightDirection = loc("uLightDirection");
  result->uLightAttenuation = loc("uLightAttenuation");
  result->uFogColour = loc("uFogColour");
  result->uFogParams = loc("uFogParams");
  result->uAlphaRef = loc("uAlphaRef");
  result->uTextureFactor = loc("uTextureFactor");
  // The sampler reads unit 0 for good; the caller binds the program again before drawing.
  glUseProgram(id);
  glUniform1i(loc("uTexture0"), 0);
  return result;
}

void GLFFCache::Clear() {
  for (auto& entry : m_programs) {
    if (entry.second->program) glDeleteProgram(entry.second->program);
  }
  m_programs.clear();
}

void GLFFProgram::Upload(const GLFFUniforms& u) {
  if (seen[GLFFUniforms::kTransform] != u.version[GLFFUniforms::kTransform]) {
    glUniformMatrix4fv(uWorldViewProj, 1, GL_FALSE, u.worldViewProj);
    glUniformMatrix4fv(uWorldView, 1, GL_FALSE, u.worldView);
    if (uNormalMatrix >= 0) glUniformMatrix3fv(uNormalMatrix, 1, GL_FALSE, u.normalMatrix);
    seen[GLFFUniforms::kTransform] = u.version[GLFFUniforms::kTransform];
  }
  if (seen[GLFFUniforms::kViewport] != u.version[GLFFUniforms::kViewport]) {
    glUniform4fv(uClipTransform, 1, u.clipTransform);
    seen[GLFFUniforms::kViewport] = u.version[GLFFUniforms::kViewport];
  }
  if (uLightType >= 0 && seen[GLFFUniforms::kLighting] != u.version[GLFFUniforms::kLighting]) {
    glUniform4fv(uMaterialDiffuse, 1, u.materialDiffuse);
    glUniform4fv(uMaterialAmbient, 1, u.materialAmbient);
    glUniform4fv(uMaterialEmissive, 1, u.materialEmissive);
    glUniform3fv(uGlobalAmbient, 1, u.globalAmbient);
    glUniform1i(uNormalize, u.normalize);
    glUniform1iv(uLightType, 8, u.lightType);
    glUniform3fv(uLightDiffuse, 8, &u.lightDiffuse[0][0]);
    glUniform3fv(uLightAmbient, 8, &u.lightAmbient[0][0]);
    glUniform3fv(uLightPosition, 8, &u.lightPosition[0][0]);
    glUniform3fv(uLightDirection, 8, &u.lightDirection[0][0]);
    glUniform4fv(uLightAttenuation, 8, &u.lightAttenuation[0][0]);
    seen[GLFFUniforms::kLighting] = u.version[GLFFUniforms::kLighting];
  }
  if (uFogParams >= 0 && seen[GLFFUniforms::kFog] != u.version[GLFFUniforms::kFog]) {
    if (uFogColour >= 0) glUniform3fv(uFogColour, 1, u.fogColour);
    glUniform4fv(uFogParams, 1, u.fogParams);
    seen[GLFFUniforms::kFog] = u.version[GLFFUniforms::kFog];
  }
  if (seen[GLFFUniforms::kPixel] != u.version[GLFFUniforms::kPixel]) {
    if (uAlphaRef >= 0) glUniform1f(uAlphaRef, u.alphaRef);
    if (uTextureFactor >= 0) glUniform4fv(uTextureFactor, 1, u.textureFactor);
    seen[GLFFUniforms::kPixel] = u.version[GLFFUniforms::kPixel];
  }
}
