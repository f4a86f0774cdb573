// Vertex formats that scripts describe (vertex_format_begin, the vertex_format_add_* functions,
// vertex_format_end): a table of layouts whose ids have bit 24 set (index | 0x1000000), each with a
// device vertex declaration. The batcher takes the stride and declaration of such an id in place
// of a vertex size; the vertex buffers are written and drawn in these formats.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d9/d3d9.h"

// Element types: 1..4 floats, 5 a colour, 6 four bytes.
inline constexpr int32_t kVertexTypeFloat1 = 1;
inline constexpr int32_t kVertexTypeFloat2 = 2;
inline constexpr int32_t kVertexTypeFloat3 = 3;
inline constexpr int32_t kVertexTypeFloat4 = 4;
inline constexpr int32_t kVertexTypeColour = 5;
inline constexpr int32_t kVertexTypeUByte4 = 6;
// Element usages 1..14.
inline constexpr int32_t kVertexUsagePosition = 1;
inline constexpr int32_t kVertexUsageColour = 2;
inline constexpr int32_t kVertexUsageNormal = 3;
inline constexpr int32_t kVertexUsageTexCoord = 4;
inline constexpr int32_t kVertexUsageLast = 14;

struct VertexFormatElement {
  int32_t offset = 0;
  int32_t type = 0;
  int32_t usage = 0;
  uint32_t bit = 0;
};

struct VertexFormat {
  int32_t id = 0;  // slot | 0x1000000 once registered
  std::vector<VertexFormatElement> elements;
  IDirect3DVertexDeclaration9* declaration = nullptr;
  uint32_t mask = 0;  // every element's bit: a vertex is complete when all are written
  int32_t stride = 0;
  int32_t Count() const { return static_cast<int32_t>(elements.size()); }
};

// The bytes an element of the type takes; 0 for a type outside 1..6.
int32_t VertexFormat_TypeSize(int32_t type);
// The registered format of an id; null for an id without bit 24, out of range or in an empty slot.
VertexFormat* VertexFormat_Get(int32_t id);
// Stores the format in the first empty slot (or a new one) and sets its id.
void VertexFormat_Register(VertexFormat* format);
// Appends an element at the end of the vertex; the new stride.
int32_t VertexFormat_AddElement(VertexFormat* format, int32_t type, int32_t usage, uint32_t bit);
// The device declaration of the elements (none without a device or when the device refuses it).
void VertexFormat_CreateDeclaration(VertexFormat* format);
void VertexFormat_ReleaseDeclaration(VertexFormat* format);
// Every format lets go of its declaration (before the device goes).
void VertexFormat_ReleaseDeclarations();
// Empties the format's slots and frees it; the vertex buffers that use it drop it first.
void VertexFormat_Delete(VertexFormat* format);
// The number of table slots (filled or not).
int32_t VertexFormat_SlotCount();

// The declaration elements, with D3DDECL_END, that a format's declaration is made from.
std::vector<D3DVERTEXELEMENT9> VertexFormat_DeclarationElements(const VertexFormat& format);

// Registers vertex_format_begin … vertex_format_add_custom.
void InitVertexFormatFunctions();
