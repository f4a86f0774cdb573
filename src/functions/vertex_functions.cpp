#include "functions/vertex_functions.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "assets/texture_pages.h"
#include "core/function_registry.h"
#include "core/vm_error.h"
#include "functions/buffer_functions.h"
#include "io/buffer.h"
#include "render/vertex_args.h"
#include "render/vertex_buffer.h"
#include "render/vertex_format.h"
#include "runtime/error_report.h"
#include "world/builtin_values.h"

namespace {

using vertex_args::AllNumbers;
using vertex_args::Float;
using vertex_args::Int;
using vertex_args::IsNumber;
using vertex_args::Number;
using vertex_args::Trunc64;

#define VERTEX_FN(name) void name(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args)

void Answer(RValue* result, double v) { Builtin_Real(result, v); }
void Fail(const std::string& message) { Error_Report(true, message.c_str()); }

// The checks of argument count and kinds that most functions share; false after the report.
bool NumbersOnly(const char* name, int32_t argc, const RValue* args, int32_t want) {
  if (argc != want) {
    Fail(std::string(name) + ": Illegal argument count");
    return false;
  }
  if (!AllNumbers(args, argc)) {
    Fail(std::string(name) + ": Illegal argument type");
    return false;
  }
  return true;
}

// A buffer that exists and is not frozen; null after "<name>: Illegal vertex buffer specified.".
VertexBuffer* Unfrozen(const char* name, const RValue* args, int32_t argc) {
  VertexBuffer* buffer = VertexBuffer_Get(Int(args, argc, 0));
  if (buffer == nullptr || buffer->frozen) {
    Fail(std::string(name) + ": Illegal vertex buffer specified.");
    return nullptr;
  }
  return buffer;
}

uint32_t ColourOf(const RValue* args, int32_t argc) {
  return GR_ColourToARGB(static_cast<uint32_t>(Trunc64(Number(args, argc, 1))), Float(args, argc, 2));
}
uint32_t Low32(const RValue* args, int32_t argc, int32_t i) { return static_cast<uint32_t>(Trunc64(Number(args, argc, i))); }

// --- buffers ---------------------------------------------------------------------------------

VERTEX_FN(CreateBuffer) {
  (void)args;
  Answer(result, -1);
  if (argc != 0) {
    Fail("vertex_create_buffer: Illegal argument count");
    return;
  }
  Answer(result, VertexBuffer_Create(32768));
}

VERTEX_FN(CreateBufferExt) {
  Answer(result, -1);
  if (!NumbersOnly("vertex_create_buffer_ext", argc, args, 1)) return;
  // Sizes below 256, negative ones included, make the smallest buffer.
  const int64_t size = Trunc64(Number(args, argc, 0));
  if (size > INT32_MAX) {
    Fail("vertex_create_buffer_ext: could not create vertex buffer");
    return;
  }
  Answer(result, VertexBuffer_Create(std::max<int64_t>(size, kVertexBufferMinimumSize)));
}

VERTEX_FN(DeleteBuffer) {
  Answer(result, -1);
  if (!NumbersOnly("vertex_delete_buffer", argc, args, 1)) return;
  if (!VertexBuffer_Delete(Int(args, argc, 0))) Fail("vertex_delete_buffer: Invalid vertex buffer specified");
}

VERTEX_FN(Begin) {
  Answer(result, 0);
  if (!NumbersOnly("vertex_begin", argc, args, 2)) return;
  VertexBuffer* buffer = Unfrozen("vertex_begin", args, argc);
  if (buffer == nullptr) return;
  VertexFormat* format = VertexFormat_Get(Int(args, argc, 1));
  if (format == nullptr) {
    Fail("vertex_begin: Illegal vertex format specified.");
    return;
  }
  buffer->writtenMask = 0;
  buffer->writePosition = 0;
  buffer->vertexCount = 0;
  buffer->elementCounter = 0;
  buffer->writing = format;
  buffer->elementCount = format->Count();
}

VERTEX_FN(End) {
  Answer(result, 0);
  if (!NumbersOnly("vertex_end", argc, args, 1)) return;
  VertexBuffer* buffer = Unfrozen("vertex_end", args, argc);
  if (buffer == nullptr) return;
  if (buffer->writtenMask != 0) {
    Fail("vertex_end: Must finish writing vertex before end.");
    return;
  }
  buffer->contents = buffer->writing;
  buffer->writing = nullptr;
}

VERTEX_FN(GetNumber) {
  Answer(result, 0);
  if (!NumbersOnly("vertex_get_number", argc, args, 1)) return;
  const VertexBuffer* buffer = VertexBuffer_Get(Int(args, argc, 0));
  if (buffer == nullptr) {
    Fail("vertex_get_number: specified vertex buffer doesn't exists");
    return;
  }
  Answer(result, buffer->vertexCount);
}

VERTEX_FN(GetBufferSize) {
  Answer(result, -1);
  const VertexBuffer* buffer = argc >= 1 ? VertexBuffer_Get(Int(args, argc, 0)) : nullptr;
  if (buffer == nullptr) {
    VM_RuntimeError("Vertex Buffer index is out of range");
    return;
  }
  Answer(result, buffer->capacity);
}

// --- the validating writers -----------------------------------------------------------------

// Where the element of that usage (0: any) and type goes in the current vertex; null after the
// report. Completing the vertex advances the buffer.
uint8_t* ElementSlot(int32_t argc, const RValue* args, int32_t wantArgc, int32_t usage, int32_t type) {
  if (argc != wantArgc) {
    Fail("VERTEX BUILDER: Illegal argument count");
    return nullptr;
  }
  if (!AllNumbers(args, argc)) {
    Fail("VERTEX BUILDER: Illegal argument type");
    return nullptr;
  }
  VertexBuffer* buffer = VertexBuffer_Get(Int(args, argc, 0));
  if (buffer == nullptr || buffer->frozen) {
    Fail("VERTEX BUILDER: Illegal vertex buffer specified.");
    return nullptr;
  }
  const VertexFormat* format = buffer->writing;
  if (format == nullptr) {
    Fail("VERTEX BUILDER: Must use vertex_begin() before writing to buffer");
    return nullptr;
  }
  if (buffer->writtenMask == 0 && !VertexBuffer_EnsureVertexRoom(buffer)) {
    Fail("VERTEX BUILDER: Vertex buffer is too large.");
    return nullptr;
  }
  const VertexFormatElement* found = nullptr;
  bool matches = false;
  for (const VertexFormatElement& e : format->elements) {
    if (e.type != type || (usage != 0 && e.usage != usage)) continue;
    matches = true;
    if ((buffer->writtenMask & e.bit) == 0) {
      found = &e;
      break;
    }
  }
  if (found == nullptr) {
    Fail(matches ? "VERTEX BUILDER: element already written, must write the whole vertex first\n\n"
                 : "VERTEX BUILDER: Vertex format does not contain selected type.\n\n");
    return nullptr;
  }
  uint8_t* at = buffer->data + buffer->writePosition + found->offset;
  buffer->writtenMask |= found->bit;
  if (buffer->writtenMask == format->mask) {
    buffer->writtenMask = 0;
    ++buffer->vertexCount;
    buffer->writePosition += static_cast<uint32_t>(format->stride);
  }
  return at;
}

void PutFloats(uint8_t* at, const RValue* args, int32_t argc, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    const float v = Float(args, argc, i + 1);
    std::memcpy(at + 4 * i, &v, 4);
  }
}
void PutWord(uint8_t* at, uint32_t word) { std::memcpy(at, &word, 4); }
void PutBytes(uint8_t* at, const RValue* args, int32_t argc) {
  for (int32_t i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(Low32(args, argc, i + 1) & 0xFF);
}

#define FLOAT_WRITER(handler, arguments, usage, type, n)                                  \
  VERTEX_FN(handler) {                                                                    \
    Answer(result, 0);                                                                    \
    if (uint8_t* at = ElementSlot(argc, args, arguments, usage, type)) PutFloats(at, args, argc, n); \
  }
FLOAT_WRITER(Position, 3, kVertexUsagePosition, kVertexTypeFloat2, 2)
FLOAT_WRITER(Position3D, 4, kVertexUsagePosition, kVertexTypeFloat3, 3)
FLOAT_WRITER(TexCoord, 3, kVertexUsageTexCoord, kVertexTypeFloat2, 2)
FLOAT_WRITER(Normal, 4, kVertexUsageNormal, kVertexTypeFloat3, 3)
FLOAT_WRITER(Float1, 2, 0, kVertexTypeFloat1, 1)
FLOAT_WRITER(Float2, 3, 0, kVertexTypeFloat2, 2)
FLOAT_WRITER(Float3, 4, 0, kVertexTypeFloat3, 3)
FLOAT_WRITER(Float4, 5, 0, kVertexTypeFloat4, 4)

VERTEX_FN(Colour) {
  Answer(result, 0);
  if (uint8_t* at = ElementSlot(argc, args, 3, kVertexUsageColour, kVertexTypeColour)) PutWord(at, ColourOf(args, argc));
}
VERTEX_FN(Argb) {
  Answer(result, 0);
  if (uint8_t* at = ElementSlot(argc, args, 2, kVertexUsageColour, kVertexTypeColour)) PutWord(at, Low32(args, argc, 1));
}
VERTEX_FN(UByte4) {
  Answer(result, 0);
  if (uint8_t* at = ElementSlot(argc, args, 5, 0, kVertexTypeUByte4)) PutBytes(at, args, argc);
}

VERTEX_FN(Submit) {
  Answer(result, -1);
  if (argc != 3) {
    Fail("vertex_submit: Illegal argument count");
    return;
  }
  if (!IsNumber(args, argc, 0) || !IsNumber(args, argc, 1) || !vertex_args::IsTextureValue(args, argc, 2)) {
    Fail("vertex_submit: Illegal argument type");
    return;
  }
  VertexBuffer* buffer = VertexBuffer_Get(Int(args, argc, 0));
  if (buffer == nullptr) {
    Fail("vertex_submit: Illegal vertex buffer specified.");
    return;
  }
  if (buffer->contents == nullptr) {
    Fail("vertex_submit: Must finish with vertex_end() before submitting.");
    return;
  }
  const int32_t kind = Int(args, argc, 1);
  if (kind < 1 || kind > 5) {
    Fail("vertex_submit: Primitive type error.");
    return;
  }
  VertexBuffer_Submit(buffer, kind, vertex_args::TextureValue(args, argc, 2));
}

VERTEX_FN(Freeze) {
  Answer(result, -1);
  if (!NumbersOnly("vertex_freeze", argc, args, 1)) return;
  VertexBuffer* buffer = Unfrozen("vertex_freeze", args, argc);
  if (buffer == nullptr) return;
  if (buffer->writing != nullptr) {
    Fail("vertex_freeze: must end the vertex builder first");
    return;
  }
  // A buffer that was never ended has nothing to freeze.
  if (buffer->contents == nullptr) {
    Fail("vertex_freeze: Must finish with vertex_end() before freezing.");
    return;
  }
  VertexBuffer_Freeze(buffer);
}

// --- the fast writers (release mode) --------------------------------------------------------

// The buffer being written at the index, with room for `bytes` more; null (nothing done) for an
// index without a buffer, a frozen buffer or one outside vertex_begin.
VertexBuffer* FastTarget(const RValue* args, int32_t argc, uint32_t bytes) {
  VertexBuffer* buffer = VertexBuffer_Get(Int(args, argc, 0));
  if (buffer == nullptr || buffer->frozen || buffer->writing == nullptr) return nullptr;
  if (!VertexBuffer_EnsureRoom(buffer, bytes)) return nullptr;
  return buffer;
}

void FastAdvance(VertexBuffer* buffer, uint32_t bytes) {
  buffer->writePosition += bytes;
  if (++buffer->elementCounter >= buffer->elementCount) {
    buffer->elementCounter = 0;
    ++buffer->vertexCount;
  }
}

#define FAST_FLOATS(handler, n)                                           \
  VERTEX_FN(handler) {                                                    \
    Answer(result, 0);                                                    \
    if (VertexBuffer* b = FastTarget(args, argc, 4 * (n))) {              \
      PutFloats(b->data + b->writePosition, args, argc, n);               \
      FastAdvance(b, 4 * (n));                                            \
    }                                                                     \
  }
FAST_FLOATS(FastPosition, 2)
FAST_FLOATS(FastPosition3D, 3)
FAST_FLOATS(FastTexCoord, 2)
FAST_FLOATS(FastNormal, 3)
FAST_FLOATS(FastFloat1, 1)
FAST_FLOATS(FastFloat2, 2)
FAST_FLOATS(FastFloat3, 3)
FAST_FLOATS(FastFloat4, 4)

VERTEX_FN(FastColour) {
  Answer(result, 0);
  if (VertexBuffer* b = FastTarget(args, argc, 4)) {
    PutWord(b->data + b->writePosition, ColourOf(args, argc));
    FastAdvance(b, 4);
  }
}
VERTEX_FN(FastArgb) {
  Answer(result, 0);
  if (VertexBuffer* b = FastTarget(args, argc, 4)) {
    PutWord(b->data + b->writePosition, Low32(args, argc, 1));
    FastAdvance(b, 4);
  }
}
VERTEX_FN(FastUByte4) {
  Answer(result, 0);
  if (VertexBuffer* b = FastTarget(args, argc, 4)) {
    PutBytes(b->data + b->writePosition, args, argc);
    FastAdvance(b, 4);
  }
}

VERTEX_FN(FastSubmit) {
  Answer(result, -1);
  VertexBuffer* buffer = VertexBuffer_Get(Int(args, argc, 0));
  if (buffer == nullptr || buffer->contents == nullptr) return;
  VertexBuffer_Submit(buffer, Int(args, argc, 1), vertex_args::TextureValue(args, argc, 2));
}

VERTEX_FN(FastFreeze) {
  Answer(result, -1);
  VertexBuffer* buffer = VertexBuffer_Get(Int(args, argc, 0));
  if (buffer == nullptr || buffer->frozen || buffer->writing != nullptr || buffer->contents == nullptr) return;
  VertexBuffer_Freeze(buffer);
}

// --- conversions from data buffers ------------------------------------------------------------

// The data buffer and format of a conversion after the checks both conversions make; false after
// the report.
bool ConversionSources(const char* name, int32_t argc, const RValue* args, int32_t want, IBuffer** source,
                       VertexFormat** format) {
  if (!NumbersOnly(name, argc, args, want)) return false;
  *source = GetBuffer(Int(args, argc, 0));
  if (*source == nullptr) {
    Fail(std::string(name) + ": specified buffer doesn't exists");
    return false;
  }
  *format = VertexFormat_Get(Int(args, argc, 1));
  if (*format == nullptr) {
    Fail(std::string(name) + ": specified vertex format doesn't exist");
    return false;
  }
  return true;
}

VERTEX_FN(CreateFromBuffer) {
  Answer(result, -1);
  const char* name = "vertex_create_buffer_from_buffer";
  IBuffer* source = nullptr;
  VertexFormat* format = nullptr;
  if (!ConversionSources(name, argc, args, 2, &source, &format)) return;
  const int32_t used = std::clamp(source->m_usedSize, 0, std::max(source->m_size, 0));
  const int32_t index = VertexBuffer_Create(std::max(used, kVertexBufferMinimumSize));
  VertexBuffer* buffer = VertexBuffer_Get(index);
  if (buffer == nullptr) {
    Fail(std::string(name) + ": could not create vertex buffer");
    return;
  }
  if (used > 0) std::memcpy(buffer->data, source->GetData(), static_cast<size_t>(used));
  buffer->contents = format;
  buffer->writePosition = static_cast<uint32_t>(used);
  // A format without elements has no vertices to count.
  buffer->vertexCount = format->stride > 0 ? used / format->stride : 0;
  Answer(result, index);
}

VERTEX_FN(CreateFromBufferExt) {
  Answer(result, -1);
  const char* name = "vertex_create_buffer_from_buffer_ext";
  IBuffer* source = nullptr;
  VertexFormat* format = nullptr;
  if (!ConversionSources(name, argc, args, 4, &source, &format)) return;
  const int64_t offset = Trunc64(Number(args, argc, 2));
  const int64_t count = Trunc64(Number(args, argc, 3));
  // count x stride below 0 or past int32 makes no buffer.
  const int64_t bytes = count >= 0 && count <= INT32_MAX ? count * format->stride : -1;
  const int32_t index = bytes >= 0 && bytes <= INT32_MAX ? VertexBuffer_Create(bytes) : -1;
  VertexBuffer* buffer = VertexBuffer_Get(index);
  if (buffer == nullptr) {
    Fail(std::string(name) + ": could not create vertex buffer");
    return;
  }
  const int64_t sourceSize = std::max(source->m_size, 0);
  if (bytes > 0 && sourceSize > 0) {
    const bool wrap = source->m_kind == eBuffer_Format_Wrap;
    CopyMemoryToMemory(buffer->data, bytes, source->GetData(), sourceSize, offset, bytes, 0, false, wrap);
  }
  buffer->contents = format;
  buffer->writePosition = static_cast<uint32_t>(bytes);
  buffer->vertexCount = static_cast<int32_t>(count);
  Answer(result, index);
}

struct Registration {
  const char* name;
  BuiltinHandler validating;
  BuiltinHandler fast;  // null: the same handler in both modes
  int32_t arguments;
};

const Registration kFunctions[] = {
    {"vertex_create_buffer", CreateBuffer, nullptr, 0},
    {"vertex_create_buffer_ext", CreateBufferExt, nullptr, 1},
    {"vertex_delete_buffer", DeleteBuffer, nullptr, 1},
    {"vertex_begin", Begin, nullptr, 2},
    {"vertex_end", End, nullptr, 1},
    {"vertex_position", Position, FastPosition, 3},
    {"vertex_position_3d", Position3D, FastPosition3D, 4},
    {"vertex_colour", Colour, FastColour, 3},
    {"vertex_argb", Argb, FastArgb, 2},
    {"vertex_texcoord", TexCoord, FastTexCoord, 3},
    {"vertex_normal", Normal, FastNormal, 4},
    {"vertex_float1", Float1, FastFloat1, 2},
    {"vertex_float2", Float2, FastFloat2, 3},
    {"vertex_float3", Float3, FastFloat3, 4},
    {"vertex_float4", Float4, FastFloat4, 5},
    {"vertex_ubyte4", UByte4, FastUByte4, 5},
    {"vertex_submit", Submit, FastSubmit, 3},
    {"vertex_freeze", Freeze, FastFreeze, 1},
    {"vertex_get_number", GetNumber, nullptr, 1},
    {"vertex_get_buffer_size", GetBufferSize, nullptr, 1},
    {"vertex_create_buffer_from_buffer", CreateFromBuffer, nullptr, 2},
    {"vertex_create_buffer_from_buffer_ext", CreateFromBufferExt, nullptr, 4},
};

}  // namespace

void InitVertexBuilderFunctions() {
  for (const Registration& r : kFunctions) Builtin_Add(r.name, r.validating, r.arguments, 0);
}

void VertexBuilder_RegisterFastFunctions(bool validating) {
  for (const Registration& r : kFunctions) {
    if (r.fast != nullptr) Builtin_Replace(r.name, validating ? r.validating : r.fast);
  }
}
