// Small text helpers shared by many modules, and one platform query of the vertex-buffer code.
#pragma once

// A new zero-filled memory-manager block holding the low byte of each 16-bit unit of text and a
// terminating zero; the caller frees it. Null gives null.
char* Common_WideToNarrow(const char16_t* text);

// Turns "#" into a carriage return (13) in place, and "\#" into a literal "#". Returns the number
// of characters written; a null text gives 0. The text never grows, so working in place is safe.
int Text_HashToNewline(char* text);

// Whether vertex data has to be converted when copied into a vertex buffer: never, here.
bool VertexFormat_NeedsConversion();
