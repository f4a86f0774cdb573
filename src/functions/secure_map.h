// Maps saved to a file that only the same machine reads back: a header of 80 hexadecimal digits
// derived from the machine's identity, then the map's JSON text in Base64. The content is only
// encoded, not enciphered; the header keeps a file copied from another machine from loading.
#pragma once

#include <cstdint>
#include <string>

#include "core/function_registry.h"
#include "core/value.h"

inline constexpr size_t kSecureMapHeaderLength = 80;

// The header of a machine identity (an empty identity counts as unreadable: "NOT SUPPORTED").
std::string SecureMap_HeaderFor(const std::string& guid);
// The header of this machine.
std::string SecureMap_BuildHeader();
// Whether the 80 characters equal this machine's header.
bool SecureMap_CheckHeader(const char* header);

void F_DsMapSecureSave(RValue* result, CInstance* self, CInstance* other, int32_t argc, RValue* args);
void F_DsMapSecureLoad(RValue* result, CInstance* self, CInstance* other, int32_t argc, RValue* args);
