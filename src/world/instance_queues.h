// The deferred instance queues: instances whose object or depth changed while a phase of the game
// step ran. Each holds an instance at most once; the game step applies them between phases.
#pragma once

#include <cstdint>

#include "world/room.h"

class CInstance;

// The bits of CInstance::queued_in.
inline constexpr uint8_t kQueuedObjectChange = 1;
inline constexpr uint8_t kQueuedDepthChange = 2;
inline constexpr uint8_t kQueuedActivation = 4;

class InstanceChangeList {
 public:
  // Each queue owns one bit of the instances' queued_in mask, so membership is a flag test and
  // queueing stays constant time however long the queue grows.
  explicit InstanceChangeList(uint8_t queuedBit) : m_bit(queuedBit) {}
  ~InstanceChangeList();
  InstanceChangeList(const InstanceChangeList&) = delete;
  InstanceChangeList& operator=(const InstanceChangeList&) = delete;

  // Appends the instance unless it is already queued.
  void AddUnique(CInstance* instance);
  bool Contains(const CInstance* instance) const;
  // Takes the instance out (keeping the others' order); false when it was not queued.
  bool Remove(const CInstance* instance);
  void Clear();
  int32_t Count() const { return m_count; }
  CInstance* Get(int32_t i) const { return m_items[i]; }

 private:
  uint8_t m_bit;
  CInstance** m_items = nullptr;
  int32_t m_count = 0;
  int32_t m_capacity = 0;
};

extern InstanceChangeList ObjectChangeList;
extern InstanceChangeList DepthChangeList;
// Instances activated or deactivated by script functions and not yet moved between the current
// room's active and inactive lists. Variable access and with-blocks visit them too.
extern InstanceChangeList Room_ActivationQueue;

// Relinks every instance of the object-change queue (instances queued meanwhile included) between
// its old and new object's lists and re-sorts it in the current room, then empties the queue.
void ObjectChangeList_Apply();
// Re-sorts every queued instance that is not deactivated in the current room's active list by its
// depth, then empties the queue.
void DepthChangeList_Apply();
// Empties both queues without applying them.
void InstanceQueues_Clear();
// Calls visit for every queued instance.
void InstanceQueues_Visit(InstanceVisitor visit, void* context);
// Takes an instance out of every queue, the activation queue included (it is being deleted).
void InstanceQueues_Forget(const CInstance* instance);
