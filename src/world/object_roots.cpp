#include "world/object_roots.h"

#include "world/instance.h"
#include "world/instance_queues.h"
#include "world/room.h"

namespace {

struct RootMarking {
  ObjectRootMark mark;
  void* context;
};

void MarkInstance(CInstance* instance, void* context) {
  const auto* marking = static_cast<const RootMarking*>(context);
  marking->mark(instance, marking->context);
}

}  // namespace

void World_VisitObjectRoots(ObjectRootMark mark, void* context) {
  RootMarking marking{mark, context};
  // Everything that can still reach an instance: the rooms (current and kept), the instances
  // carried to the next room and the deferred queues.
  Room_VisitInstanceRoots(&MarkInstance, &marking);
  InstanceQueues_Visit(&MarkInstance, &marking);
}
