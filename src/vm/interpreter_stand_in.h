// STAND-IN until the byte-code interpreter is built: the entry that runs a code object's byte
// code. It runs nothing; the result is left as it was.
#pragma once

#include <cstdint>

struct CCode;
struct RValue;
class CInstance;
class WXObjectBase;

void VM_ExecuteCode(CCode* code, CInstance* self, CInstance* other, RValue* result, WXObjectBase* locals,
                    int32_t argc, RValue* args, int32_t scopeFlags, WXObjectBase* argumentsObject);
