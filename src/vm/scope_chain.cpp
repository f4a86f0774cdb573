#include "vm/scope_chain.h"

WXObjectBase* g_pScopeChainHead = nullptr;
