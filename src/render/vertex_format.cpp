#include "render/vertex_format.h"

#include "core/function_registry.h"
#include "core/vm_error.h"
#include "render/d3d_device.h"
#include "render/frame_services.h"
#include "render/lifecycle.h"
#include "render/vertex_args.h"
#include "render/vertex_batch.h"
#include "render/vertex_buffer.h"
#include "runtime/error_report.h"
#include "world/builtin_values.h"

#include <string>

namespace {

std::vector<VertexFormat*> g_formats;
VertexFormat* g_building = nullptr;
uint32_t g_nextBit = 0;

BYTE DeclType(int32_t type) {
  switch (type) {
    case kVertexTypeFloat1: return D3DDECLTYPE_FLOAT1;
    case kVertexTypeFloat2: return D3DDECLTYPE_FLOAT2;
    case kVertexTypeFloat3: return D3DDECLTYPE_FLOAT3;
    case kVertexTypeFloat4: return D3DDECLTYPE_FLOAT4;
    case kVertexTypeColour: return D3DDECLTYPE_D3DCOLOR;
    default: return D3DDECLTYPE_UBYTE4;
  }
}

BYTE DeclUsage(int32_t usage) {
  static constexpr BYTE kUsages[] = {D3DDECLUSAGE_POSITION,   D3DDECLUSAGE_COLOR,      D3DDECLUSAGE_NORMAL,
                                     D3DDECLUSAGE_TEXCOORD,   D3DDECLUSAGE_BLENDWEIGHT, D3DDECLUSAGE_BLENDWEIGHT,
                                     D3DDECLUSAGE_TANGENT,    D3DDECLUSAGE_TANGENT,    D3DDECLUSAGE_BINORMAL,
                                     D3DDECLUSAGE_TESSFACTOR, D3DDECLUSAGE_POSITIONT,  D3DDECLUSAGE_FOG,
                                     D3DDECLUSAGE_DEPTH,      D3DDECLUSAGE_SAMPLE};
  return usage >= 1 && usage <= kVertexUsageLast ? kUsages[usage - 1] : BYTE{D3DDECLUSAGE_POSITION};
}

void Answer(RValue* result, double v) { Builtin_Real(result, v); }

// The checks every add function makes before adding; false after the report.
bool MayAdd(const char* name) {
  if (g_building == nullptr) {
    Error_Report(false, (std::string(name) + "(): haven't started a new format.").c_str());
    return false;
  }
  if (g_nextBit == 0) {
    Error_Report(false, (std::string(name) + "(): Too many elements").c_str());
    return false;
  }
  return true;
}

void Add(int32_t type, int32_t usage) {
  VertexFormat_AddElement(g_building, type, usage, g_nextBit);
  g_nextBit <<= 1;
}

void FixedAdd(RValue* result, int32_t argc, const char* name, int32_t type, int32_t usage) {
  Answer(result, -1);
  if (argc != 0) {
    Error_Report(false, (std::string(name) + "(): Illegal argument count").c_str());
    return;
  }
  if (MayAdd(name)) Add(type, usage);
}

#define FORMAT_FN(name) void name(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args)

FORMAT_FN(FormatBegin) {
  (void)args;
  Answer(result, -1);
  if (argc != 0) {
    Error_Report(false, "vertex_format_begin(): Illegal argument count");
    return;
  }
  if (g_building != nullptr) {
    Error_Report(false, "vertex_format_begin(): Can't start a new format, still creating another one.");
    return;
  }
  g_building = new VertexFormat;
  g_nextBit = 1;
}

#define FIXED_ADD(handler, name, type, usage) \
  FORMAT_FN(handler) {                         \
    (void)args;                                \
    FixedAdd(result, argc, name, type, usage); \
  }
FIXED_ADD(AddPosition, "vertex_format_add_position", kVertexTypeFloat2, kVertexUsagePosition)
FIXED_ADD(AddPosition3D, "vertex_format_add_position_3d", kVertexTypeFloat3, kVertexUsagePosition)
FIXED_ADD(AddColour, "vertex_format_add_colour", kVertexTypeColour, kVertexUsageColour)
FIXED_ADD(AddNormal, "vertex_format_add_normal", kVertexTypeFloat3, kVertexUsageNormal)
FIXED_ADD(AddTexCoord, "vertex_format_add_textcoord", kVertexTypeFloat2, kVertexUsageTexCoord)

FORMAT_FN(FormatAddCustom) {
  Answer(result, -1);
  if (argc != 2) {
    Error_Report(false, "vertex_format_add_custom(): Illegal argument count");
    return;
  }
  // A value that is not a number reads as 0 from here on, which the range checks refuse.
  if (!vertex_args::AllNumbers(args, argc)) Error_Report(false, "vertex_format_add_custom(): incorrect formats.");
  if (!MayAdd("vertex_format_add_custom")) return;
  const int32_t type = vertex_args::Int(args, argc, 0);
  const int32_t usage = vertex_args::Int(args, argc, 1);
  if (type < 1 || type > kVertexTypeUByte4) {
    Error_Report(false, "vertex_format_add_custom(): illegal types");
    return;
  }
  if (usage < 1 || usage > kVertexUsageLast) {
    Error_Report(false, "vertex_format_add_custom(): illegal usage");
    return;
  }
  Add(type, usage);
}

FORMAT_FN(FormatEnd) {
  (void)args;
  Answer(result, -1);
  if (argc != 0) {
    Error_Report(false, "vertex_format_end(): Illegal argument count");
    return;
  }
  if (g_building == nullptr) {
    Error_Report(false, "vertex_format_end(): Can't end format, you haven't started one yet.");
    return;
  }
  VertexFormat* format = g_building;
  g_building = nullptr;
  g_nextBit = 0;
  VertexFormat_Register(format);
  VertexFormat_CreateDeclaration(format);
  Answer(result, format->id);
}

FORMAT_FN(FormatDelete) {
  Answer(result, -1);
  if (argc != 1) {
    Error_Report(true, "vertex_format_delete: Illegal argument count");
    return;
  }
  if (!vertex_args::IsNumber(args, argc, 0)) {
    Error_Report(true, "vertex_format_delete: Illegal argument type");
    return;
  }
  const int32_t id = vertex_args::Int(args, argc, 0);
  VertexFormat* format = VertexFormat_Get(id);
  if (format == nullptr || format->id != id) return;
  // Delete releases the declaration after the batch has drawn what it holds in this format.
  VertexFormat_Delete(format);
}

}  // namespace

int32_t VertexFormat_TypeSize(int32_t type) {
  switch (type) {
    case kVertexTypeFloat1: return 4;
    case kVertexTypeFloat2: return 8;
    case kVertexTypeFloat3: return 12;
    case kVertexTypeFloat4: return 16;
    case kVertexTypeColour:
    case kVertexTypeUByte4: return 4;
    default: return 0;
  }
}

VertexFormat* VertexFormat_Get(int32_t id) {
  if (id < kVertexFormatIdBit) return nullptr;
  const int32_t slot = id & ~kVertexFormatIdBit;
  if (slot >= static_cast<int32_t>(g_formats.size())) return nullptr;
  return g_formats[static_cast<size_t>(slot)];
}

void VertexFormat_Register(VertexFormat* format) {
  size_t slot = 0;
  while (slot < g_formats.size() && g_formats[slot] != nullptr) ++slot;
  if (slot == g_formats.size()) g_formats.push_back(nullptr);
  g_formats[slot] = format;
  format->id = static_cast<int32_t>(slot) | kVertexFormatIdBit;
}

int32_t VertexFormat_AddElement(VertexFormat* format, int32_t type, int32_t usage, uint32_t bit) {
  format->elements.push_back(VertexFormatElement{format->stride, type, usage, bit});
  format->mask |= bit;
  format->stride += VertexFormat_TypeSize(type);
  return format->stride;
}

std::vector<D3DVERTEXELEMENT9> VertexFormat_DeclarationElements(const VertexFormat& format) {
  std::vector<D3DVERTEXELEMENT9> out;
  int32_t seen[kVertexUsageLast + 1] = {};
  for (const VertexFormatElement& e : format.elements) {
    const int32_t usage = e.usage >= 1 && e.usage <= kVertexUsageLast ? e.usage : 0;
    out.push_back(D3DVERTEXELEMENT9{0, static_cast<WORD>(e.offset), DeclType(e.type), D3DDECLMETHOD_DEFAULT,
                                    DeclUsage(e.usage), static_cast<BYTE>(seen[usage]++)});
  }
  out.push_back(D3DDECL_END());
  return out;
}

void VertexFormat_CreateDeclaration(VertexFormat* format) {
  IDirect3DDevice9* device = g_D3D.device;
  if (device == nullptr) return;
  const std::vector<D3DVERTEXELEMENT9> elements = VertexFormat_DeclarationElements(*format);
  IDirect3DVertexDeclaration9* declaration = nullptr;
  // A refused declaration leaves the format without one: drawing in it then draws nothing.
  if (SUCCEEDED(device->CreateVertexDeclaration(elements.data(), &declaration))) format->declaration = declaration;
}

void VertexFormat_ReleaseDeclaration(VertexFormat* format) {
  if (format->declaration != nullptr) format->declaration->Release();
  format->declaration = nullptr;
}

void VertexFormat_Delete(VertexFormat* format) {
  if (format == nullptr) return;
  // Vertices of this format waiting in the batch are drawn while its declaration still exists.
  if (g_Batch.format == format->id) GraphicsFlush();
  VertexBuffer_FormatDeleted(format);
  for (VertexFormat*& slot : g_formats) {
    if (slot == format) slot = nullptr;
  }
  VertexFormat_ReleaseDeclaration(format);
  delete format;
}

void VertexFormat_ReleaseDeclarations() {
  for (VertexFormat* format : g_formats) {
    if (format != nullptr) VertexFormat_ReleaseDeclaration(format);
  }
}

int32_t VertexFormat_SlotCount() { return static_cast<int32_t>(g_formats.size()); }

void VertexFormat_FreeAll() {
  for (VertexFormat* format : std::vector<VertexFormat*>(g_formats)) {
    if (format != nullptr) VertexFormat_Delete(format);
  }
  g_formats.clear();
  g_formats.shrink_to_fit();
}

void VertexFormat_Reset() {
  VertexFormat_FreeAll();
  delete g_building;
  g_building = nullptr;
  g_nextBit = 0;
}

uint32_t VertexFormat_Stride(int32_t id) {
  const VertexFormat* format = VertexFormat_Get(id);
  return format != nullptr ? static_cast<uint32_t>(format->stride) : 0;
}

IDirect3DVertexDeclaration9* VertexFormat_Declaration(int32_t id) {
  const VertexFormat* format = VertexFormat_Get(id);
  return format != nullptr ? format->declaration : nullptr;
}

void InitVertexFormatFunctions() {
  struct Registration {
    const char* name;
    BuiltinHandler handler;
    int32_t arguments;
  };
  static const Registration kFunctions[] = {
      {"vertex_format_begin", FormatBegin, 0},
      {"vertex_format_delete", FormatDelete, 1},
      {"vertex_format_end", FormatEnd, 0},
      {"vertex_format_add_position", AddPosition, 0},
      {"vertex_format_add_position_3d", AddPosition3D, 0},
      {"vertex_format_add_colour", AddColour, 0},
      {"vertex_format_add_normal", AddNormal, 0},
      {"vertex_format_add_textcoord", AddTexCoord, 0},
      {"vertex_format_add_custom", FormatAddCustom, 2},
  };
  for (const Registration& r : kFunctions) Builtin_Add(r.name, r.handler, r.arguments, 0);
}
