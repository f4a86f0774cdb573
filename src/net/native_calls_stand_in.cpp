#include "net/native_calls_stand_in.h"

#include <algorithm>

#include "core/value.h"

ExternalStandInLog& External_StandInLog() {
  static ExternalStandInLog log;
  return log;
}

int32_t External_Define(const char* library, const char* name, int32_t callType, int32_t argumentCount,
                        const int32_t* kinds, bool resultIsString) {
  ExternalStandInLog& log = External_StandInLog();
  ++log.defines;
  log.library = library != nullptr ? library : "";
  log.name = name != nullptr ? name : "";
  log.callType = callType;
  log.argumentCount = argumentCount;
  std::fill(std::begin(log.kinds), std::end(log.kinds), 0);
  const int32_t read = std::clamp(argumentCount, 0, kExternalKindWords);
  if (kinds != nullptr) std::copy(kinds, kinds + read, log.kinds);
  log.resultIsString = resultIsString;
  return -1;
}

void External_Call(int32_t index, int32_t argumentCount, RValue*, RValue* result) {
  ExternalStandInLog& log = External_StandInLog();
  ++log.calls;
  log.callIndex = index;
  log.callArgumentCount = argumentCount;
  RValue_Release(result);
  *result = RValue_MakeReal(0.0);
}

void External_Free(const char* library) {
  ExternalStandInLog& log = External_StandInLog();
  ++log.frees;
  log.freed = library != nullptr ? library : "";
}
