#include "vm/interpreter_stand_in.h"

// STAND-IN: no interpreter loop yet.
void VM_ExecuteCode(CCode*, CInstance*, CInstance*, RValue*, WXObjectBase*, int32_t, RValue*, int32_t,
                    WXObjectBase*) {}
