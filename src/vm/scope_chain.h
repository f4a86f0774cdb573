// The scope chain of object mode: the innermost local-variable scope, each scope linking to the
// next one outward through its outer-scope field, ending with null. The global object is the
// head while the game data loads; a run of byte code may push its self for the time of the run.
#pragma once

class WXObjectBase;

extern WXObjectBase* g_pScopeChainHead;

// Walks stop after this many scopes, so that a scope linked back onto the chain cannot hang them.
inline constexpr int kScopeChainWalkLimit = 65536;
