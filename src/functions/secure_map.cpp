#include "functions/secure_map.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "core/base64.h"
#include "core/memory_manager.h"
#include "core/sha1.h"
#include "functions/handler_args.h"
#include "functions/json_functions.h"
#include "io/load_save.h"
#include "platform/system/machine_guid.h"

namespace {

// XORed into the chosen byte of the identity, one for odd positions and one for even: part of
// the format, so a file written with another pair fails the header test.
constexpr uint8_t kOddMix = 0x5B;
constexpr uint8_t kEvenMix = 0x3C;

void Digest(const std::string& text, uint32_t out[5]) {
  SHA1Context context;
  SHA1_Reset(&context);
  // The terminating zero byte is hashed too.
  SHA1_Input(&context, reinterpret_cast<const uint8_t*>(text.c_str()), static_cast<uint32_t>(text.size() + 1));
  SHA1_Result(&context);
  std::memcpy(out, context.Message_Digest, sizeof context.Message_Digest);
}

}  // namespace

std::string SecureMap_HeaderFor(const std::string& guid) {
  // Bytes are taken unsigned: a signed byte of 0x80 or more would pick a negative position.
  const std::string g = guid.empty() ? std::string("NOT SUPPORTED") : guid;
  const size_t length = g.size();
  const size_t position = static_cast<uint8_t>(g[2 % length]) % length;
  const uint8_t mixed = static_cast<uint8_t>(g[position]) ^ (position % 2 != 0 ? kOddMix : kEvenMix);
  char n[8];
  std::snprintf(n, sizeof n, "%03d", static_cast<int>(mixed));
  const std::string inserted = g.substr(0, position) + n + g.substr(position);
  uint32_t a[5];
  uint32_t b[5];
  Digest(inserted, a);
  Digest(n, b);
  char header[kSecureMapHeaderLength + 1] = {};
  for (int i = 0; i < 5; ++i) std::snprintf(header + i * 16, 17, "%08x%08x", a[i], b[i]);
  return std::string(header, kSecureMapHeaderLength);
}

std::string SecureMap_BuildHeader() { return SecureMap_HeaderFor(OS_GetMachineGuid()); }

bool SecureMap_CheckHeader(const char* header) {
  if (header == nullptr) return false;
  const std::string expected = SecureMap_BuildHeader();
  return std::memcmp(header, expected.data(), kSecureMapHeaderLength) == 0;
}

void F_DsMapSecureSave(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const Args a{argc, args};
  Args_SetReal(result, 0.0);
  const int32_t map = a.I(0);
  const char* name = a.S(1);
  if (name == nullptr) return;
  std::string text;
  // A map that does not exist is saved as an empty one.
  if (!F_JsonMapToText(map, &text)) text = "{ }";
  std::string block = SecureMap_BuildHeader();
  std::vector<char> encoded((text.size() + 1) * 4 / 3 + 4, '\0');
  Base64_Encode(reinterpret_cast<const uint8_t*>(text.c_str()), text.size() + 1, encoded.data());
  block += encoded.data();
  if (block.size() > static_cast<size_t>(INT32_MAX)) return;
  LoadSave_WriteFile(name, block.data(), static_cast<int32_t>(block.size()));
}

void F_DsMapSecureLoad(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const Args a{argc, args};
  Args_SetReal(result, -1.0);
  const char* name = a.S(0);
  if (name == nullptr) return;
  const std::string path = LoadSave_MapSavePath(name);
  if (path.empty()) return;
  int32_t size = 0;
  uint8_t* bytes = LoadSave_ReadFile(path.c_str(), &size);
  if (bytes == nullptr) return;
  int32_t id = -1;
  if (static_cast<size_t>(size) >= kSecureMapHeaderLength && SecureMap_CheckHeader(reinterpret_cast<char*>(bytes))) {
    const std::string rest(reinterpret_cast<char*>(bytes) + kSecureMapHeaderLength,
                           static_cast<size_t>(size) - kSecureMapHeaderLength);
    std::vector<uint8_t> decoded(rest.size() * 3 / 4 + 4, 0);
    Base64_Decode(rest.c_str(), decoded.size(), decoded.data(), true);
    id = F_JsonParseIntoMap(reinterpret_cast<const char*>(decoded.data()), -1);
  }
  MEM_FREE(bytes);
  Args_SetReal(result, id);
}
