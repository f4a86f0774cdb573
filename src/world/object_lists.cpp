#include "world/object_lists.h"

#include <algorithm>
#include <bitset>
#include <unordered_set>
#include <utility>
#include <vector>

#include "world/event.h"
#include "world/object.h"

namespace {

// Emptied, not freed, by a rebuild: the next build reuses the storage.
std::vector<int32_t> g_lists[kEventTypeCount][kObjectListNumbers];
std::vector<ObjectCollisionPair> g_pairs;

// Calls visit for the object and each of its ancestors (through the table), nearest first.
template <typename Visit>
void ForEachInChain(const CObject* start, Visit visit) {
  int32_t steps = 0;
  for (const CObject* o = start; o != nullptr && steps <= kObjectMaxAncestors; o = o->TableParent(), ++steps) visit(o);
}

// The numbers of `type` up to `highest` that some object of the chain defines: exactly the
// numbers for which the start object finds a handler, own or inherited.
std::bitset<kObjectListNumbers> ChainNumbers(const CObject* start, int32_t type, int32_t highest) {
  std::bitset<kObjectListNumbers> found;
  ForEachInChain(start, [&](const CObject* o) {
    const std::vector<CEvent*>& row = o->events[type];
    const size_t end = std::min(row.size(), static_cast<size_t>(highest) + 1);
    for (size_t n = 0; n < end; ++n) {
      if (row[n] != nullptr && row[n]->Defined()) found.set(n);
    }
  });
  return found;
}

}  // namespace

void ObjectLists_BuildType(int32_t type, int32_t highest) {
  if (type < 0 || type >= kEventTypeCount) return;
  for (std::vector<int32_t>& list : g_lists[type]) list.clear();
  if (highest >= kObjectListNumbers) highest = kObjectListNumbers - 1;
  if (highest < 0) return;
  // Objects in increasing index order, so every list is too.
  const int32_t count = Object_Count();
  for (int32_t i = 0; i < count; ++i) {
    const CObject* o = Object_Data(i);
    if (o == nullptr) continue;
    const std::bitset<kObjectListNumbers> found = ChainNumbers(o, type, highest);
    if (found.none()) continue;
    for (int32_t n = 0; n <= highest; ++n) {
      if (found.test(static_cast<size_t>(n))) g_lists[type][n].push_back(i);
    }
  }
}

void ObjectLists_BuildCollisions() {
  g_pairs.clear();
  const int32_t count = Object_Count();
  if (count <= 0) return;
  const auto n = static_cast<size_t>(count);

  // Each object's ancestors, flattened: ancestors of j are ancestry[start[j] .. start[j + 1]).
  std::vector<size_t> start(n + 1, 0);
  std::vector<int32_t> ancestry;
  for (size_t j = 0; j < n; ++j) {
    start[j] = ancestry.size();
    if (const CObject* o = Object_Data(static_cast<int32_t>(j))) {
      ForEachInChain(o->TableParent(), [&](const CObject* a) { ancestry.push_back(a->index); });
    }
  }
  start[n] = ancestry.size();

  // A pair stored with the smaller index first, so its mirror is not stored again.
  std::unordered_set<uint64_t> ordered;
  std::vector<uint8_t> numbers(n);
  for (int32_t i = 0; i < count; ++i) {
    CObject* o = Object_Data(i);
    if (o == nullptr) continue;
    // The collision numbers of i's chain; numbers past the last object can match no object.
    std::fill(numbers.begin(), numbers.end(), 0);
    bool any = false;
    ForEachInChain(o, [&](const CObject* member) {
      const std::vector<CEvent*>& row = member->events[kEventCollision];
      for (size_t k = 0; k < row.size() && k < n; ++k) {
        if (row[k] != nullptr && row[k]->Defined()) {
          numbers[k] = 1;
          any = true;
        }
      }
    });
    if (!any) continue;
    for (int32_t j = 0; j < count; ++j) {
      const auto uj = static_cast<size_t>(j);
      // Against j itself, or (when j exists) against one of its ancestors.
      bool found = numbers[uj] != 0;
      for (size_t a = start[uj]; !found && a < start[uj + 1]; ++a) found = numbers[static_cast<size_t>(ancestry[a])] != 0;
      if (!found) continue;
      const auto low = static_cast<uint64_t>(std::min(i, j));
      const auto high = static_cast<uint64_t>(std::max(i, j));
      const uint64_t key = low << 32 | high;
      if (i <= j) {
        ordered.insert(key);
      } else if (ordered.count(key) != 0) {
        continue;
      }
      g_pairs.push_back({i, j, o, Object_Data(j)});
    }
  }
}

void ObjectLists_Build() {
  ObjectLists_BuildType(kEventAlarm, 12);
  ObjectLists_BuildType(kEventStep, 16);
  ObjectLists_BuildType(kEventCollision, -1);
  for (int32_t type : {kEventKeyboard, kEventMouse, kEventOther, kEventKeyPress, kEventKeyRelease}) {
    ObjectLists_BuildType(type, 128);
  }
  ObjectLists_BuildCollisions();
}

void ObjectLists_FreeAll() {
  for (auto& row : g_lists) {
    for (std::vector<int32_t>& list : row) std::vector<int32_t>().swap(list);
  }
  std::vector<ObjectCollisionPair>().swap(g_pairs);
}

const int32_t* ObjectLists_Get(int32_t type, int32_t number, int32_t* count) {
  if (type < 0 || type >= kEventTypeCount || number < 0 || number >= kObjectListNumbers) {
    *count = 0;
    return nullptr;
  }
  const std::vector<int32_t>& list = g_lists[type][number];
  *count = static_cast<int32_t>(list.size());
  return list.data();
}

int32_t ObjectLists_PairCount() { return static_cast<int32_t>(g_pairs.size()); }

const ObjectCollisionPair* ObjectLists_Pairs() { return g_pairs.data(); }
