// CRC-32 over the reflected polynomial 0xEDB88320, table-driven, one lookup per byte.
//
// The register starts at 0xFFFFFFFF and is returned as it stands, without the final inversion:
// every value is the bitwise complement of the usual CRC-32 of the same bytes. Variable and map
// keys are hashed with it and reliable datagrams are checked with it, so the form must not change.
#pragma once

#include <cstdint>

// The table is built at compile time; this remains the start-up step that guarantees it, and
// costs nothing.
void CRC32_InitTable();

// CRC of the text's bytes without the terminator; 0xFFFFFFFF for null.
uint32_t CRC32_String(const char* text);
// CRC of n bytes; 0xFFFFFFFF for n of 0 or less.
uint32_t CRC32_Bytes(const void* data, int n);
