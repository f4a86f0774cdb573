// Walks the property names of a script object: the named numbered slots from slot 2 up, then the
// elements of the element store (slot 1) by index, then the named properties bucket by bucket,
// each bucket newest first; with walk prototypes, then the names of the "[[Prototype]]" chain that
// the starting object does not shadow. For-in loops, the Object functions that visit properties
// and JSON.stringify use it.
//
// The iterator keeps cursors into the object's slots and nodes: properties added or removed during
// the walk may be skipped or visited twice.
#pragma once

#include <cstdint>

#include "core/value.h"

class WXObjectBase;
struct CVariableNode;

class CJSPropertyIterator {
 public:
  CJSPropertyIterator() = default;
  ~CJSPropertyIterator();
  CJSPropertyIterator(const CJSPropertyIterator&) = delete;
  CJSPropertyIterator& operator=(const CJSPropertyIterator&) = delete;

  // With mask bit 0 set only properties whose attributes share a bit with the mask are yielded
  // (1: enumerable ones); 0 yields all. Set walkPrototypes and includeInternal after Init.
  void Init(WXObjectBase* object, int32_t mask);
  // One raw step of the current phase; false only once the walk is done.
  bool Step(RValue* name, RValue* value);
  // The next accepted name (a string holding its reference, the old contents released); false
  // at the end, after which the iterator is not asked again.
  bool Next(RValue* name);

  WXObjectBase* object = nullptr;
  int32_t phase = 3;  // 0 numbered slots, 1 elements, 2 named properties, 3 done
  int32_t position = 0;
  int32_t mask = 0;
  bool walkPrototypes = false;
  bool includeInternal = false;
  WXObjectBase* origin = nullptr;  // for an iterator over a prototype: where the walk started
  CVariableNode* node = nullptr;
  int32_t bucket = 0;
  CJSPropertyIterator* child = nullptr;  // over the prototype, made on demand, owned
  int32_t depth = 0;                     // prototypes between this object and the origin

 private:
  void SeekBucket(int32_t from);
};
