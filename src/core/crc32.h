// CRC-32 of names and keys: reflected polynomial 0xEDB88320, start 0xFFFFFFFF and no final
// inversion, so the result is the complement of the usual CRC-32 of the same bytes.
#pragma once

#include <cstdint>

uint32_t CRC32_String(const char* text);        // 0xFFFFFFFF for null
uint32_t CRC32_Bytes(const void* data, int32_t n);  // 0xFFFFFFFF for n <= 0
