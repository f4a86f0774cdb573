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

// Calls visit for each number of the object's row of `type`, up to `highest`, that holds a
// defined handler.
template <typename Visit>
void ForEachDefined(const CObject* o, int32_t type, size_t highest, Visit visit) {
  const std::vector<CEvent*>& row = o->events[type];
  const size_t end = std::min(row.size(), highest + 1);
  for (size_t n = 0; n < end; ++n) {
    if (row[n] != nullptr && row[n]->Defined()) visit(n);
  }
}

}  // namespace

void ObjectLists_BuildType(int32_t type, int32_t highest) {
  if (type < 0 || type >= kEventTypeCount) return;
  for (std::vector<int32_t>& list : g_lists[type]) list.clear();
  if (highest >= kObjectListNumbers) highest = kObjectListNumbers - 1;
  if (highest < 0) return;
  // Objects in increasing index order, so every list is too. An object is listed for the numbers
  // that some object of its chain defines: those it finds a handler for, own or inherited.
  const int32_t count = Object_Count();
  std::bitset<kObjectListNumbers> found;
  std::vector<size_t> numbers;
  for (int32_t i = 0; i < count; ++i) {
    const CObject* o = Object_Data(i);
    if (o == nullptr) continue;
    found.reset();
    numbers.clear();
    ForEachInChain(o, [&](const CObject* member) {
      ForEachDefined(member, type, static_cast<size_t>(highest), [&](size_t n) {
        if (found.test(n)) return;
        found.set(n);
        numbers.push_back(n);
      });
    });
    for (size_t n : numbers) g_lists[type][n].push_back(i);
  }
}

void ObjectLists_BuildCollisions() {
  g_pairs.clear();
  const int32_t count = Object_Count();
  if (count <= 0) return;
  const auto n = static_cast<size_t>(count);

  // By object index: its children through the table, and its own collision numbers below the
  // count (numbers past the last object match no object).
  std::vector<std::vector<int32_t>> children(n);
  std::vector<std::vector<int32_t>> targets(n);
  for (int32_t j = 0; j < count; ++j) {
    const CObject* o = Object_Data(j);
    if (o == nullptr) continue;
    if (const CObject* p = o->TableParent()) children[static_cast<size_t>(p->index)].push_back(j);
    std::vector<int32_t>& own = targets[static_cast<size_t>(j)];
    ForEachDefined(o, kEventCollision, n - 1, [&](size_t k) { own.push_back(static_cast<int32_t>(k)); });
  }

  // A pair stored with the smaller index first, so its mirror is not stored again.
  std::unordered_set<uint64_t> ordered;
  std::vector<int32_t> seenBy(n, -1);  // the last i that matched each j
  std::vector<int32_t> matched;
  std::vector<int32_t> pending;
  for (int32_t i = 0; i < count; ++i) {
    CObject* o = Object_Data(i);
    if (o == nullptr) continue;
    // i finds a collision handler against j when its chain has one for j itself (j need not
    // exist) or for an ancestor of j: so against each collision number of its chain and every
    // descendant of one.
    matched.clear();
    ForEachInChain(o, [&](const CObject* member) {
      pending = targets[static_cast<size_t>(member->index)];
      while (!pending.empty()) {
        const auto j = static_cast<size_t>(pending.back());
        pending.pop_back();
        if (seenBy[j] == i) continue;
        seenBy[j] = i;
        matched.push_back(static_cast<int32_t>(j));
        pending.insert(pending.end(), children[j].begin(), children[j].end());
      }
    });
    std::sort(matched.begin(), matched.end());
    for (int32_t j : matched) {
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
