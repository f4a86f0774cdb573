#include "world/step_phases.h"

#include <cmath>
#include <vector>

#include "assets/sprite_table.h"
#include "io/input.h"
#include "io/joystick.h"
#include "io/main_window.h"
#include "io/window_services.h"
#include "world/room_mouse.h"
#include "world/async_deliveries_stand_in.h"
#include "world/async_queue.h"
#include "runtime/debug_services.h"
#include "platform/winmm/joystick.h"
#include "world/collision_grid.h"
#include "world/event.h"
#include "world/instance.h"
#include "world/object.h"
#include "world/object_lists.h"
#include "world/room.h"
#include "world/timeline.h"

int32_t g_StepMouseX = 0;
int32_t g_StepMouseY = 0;

namespace {

constexpr int32_t kFirstKey = 8;
constexpr int32_t kKeyNone = 0;
constexpr int32_t kKeyAny = 1;

constexpr int32_t kMouseNoButton = 3;
constexpr int32_t kMouseGlobalPress = 12;
constexpr int32_t kMouseGlobalRelease = 13;
constexpr int32_t kMouseEnter = 10;
constexpr int32_t kMouseLeave = 11;
constexpr int32_t kMouseWheelUp = 60;
constexpr int32_t kMouseWheelDown = 61;
constexpr int32_t kMouseState = 0;  // device

// Whether the joysticks must be looked for before the next joystick phase (once at the start;
// afterwards the window procedure looks whenever the devices change).
bool g_joystickDetectPending = true;

// One pass over the instances of the objects listed for (type, number), with the pass value
// `pass`: visit(instance) for each that is not destroyed, not deactivated and not newer than the
// pass. The list is looked up again for every object, since a handler may rebuild the lists; the
// next node is taken before the visit, since the instance may leave its object's list.
template <typename Visit>
void ForEachInPass(int32_t type, int32_t number, uint64_t pass, Visit visit) {
  for (int32_t i = 0;; ++i) {
    int32_t count = 0;
    const int32_t* objects = ObjectLists_Get(type, number, &count);
    if (i >= count) return;
    const CObject* object = Object_Data(objects[i]);
    if (object == nullptr) continue;
    for (const ObjectInstanceNode* node = object->instances.first; node != nullptr && node->instance != nullptr;) {
      const ObjectInstanceNode* next = node->next;
      CInstance* instance = node->instance;
      if (Instance_Eligible(instance) && instance->creation_stamp <= pass) visit(instance);
      node = next;
    }
  }
}

// A pass of its own that performs (type, number) on every qualifying instance that also passes
// `also`, behind the room-change filter.
template <typename Also>
void PerformPass(int32_t type, int32_t number, Also also) {
  const uint64_t pass = Event_PassCounter++;
  ForEachInPass(type, number, pass, [&](CInstance* instance) {
    if (also(instance)) Event_Perform(instance, instance, type, number);
  });
}
void PerformPass(int32_t type, int32_t number) {
  PerformPass(type, number, [](CInstance*) { return true; });
}

bool UnderStepMouse(CInstance* instance) {
  return instance->CollisionPoint(static_cast<float>(g_StepMouseX), static_cast<float>(g_StepMouseY), true);
}

bool AsyncEventDispatched(int32_t number) {
  return (number >= 60 && number <= 64) || number == 67 || (number >= 69 && number <= 75);
}

constexpr int32_t kOtherAnimationEnd = 7;
constexpr int32_t kOtherEndOfPath = 8;

// Runs the moments [from, to) upward or (to, from] downward. The timeline is looked up again for
// every moment: a moment may edit, clear or delete it.
void RunMoments(CInstance* inst, int32_t timelineIndex, int32_t from, int32_t to, bool upward) {
  if (upward) {
    for (int32_t m = from; m < to; ++m) TimeLine_Execute(inst, inst, timelineIndex, m);
  } else {
    for (int32_t m = from; m > to; --m) TimeLine_Execute(inst, inst, timelineIndex, m);
  }
}

void AdvanceTimeline(CInstance* inst) {
  const int32_t index = inst->timeline_index;
  const CTimeLine* timeline = TimeLine_Data(index);
  if (timeline == nullptr || timeline->GetCount() == 0) return;
  const float p = inst->timeline_position;
  const float s = inst->timeline_speed;
  const auto n = static_cast<float>(static_cast<double>(p) + s);
  if (s > 0.0f) {
    RunMoments(inst, index, timeline->FindFirstAtOrAfter(p), timeline->FindFirstAtOrAfter(n), true);
  } else if (s == 0.0f) {
    RunMoments(inst, index, timeline->FindFirstAtOrAfter(inst->timeline_positionprevious),
               timeline->FindFirstAtOrAfter(n), true);
  } else {
    RunMoments(inst, index, timeline->FindLastAtOrBefore(p), timeline->FindLastAtOrBefore(n), false);
  }
  // A moment that moved the position keeps its value.
  if (inst->timeline_position == p) inst->timeline_position = n;
  inst->timeline_positionprevious = p;
  if (!inst->timeline_loop) return;
  // The moments may have deleted the timeline: the last moment's time is read afresh.
  const CTimeLine* now = TimeLine_Data(index);
  const float lastTime = now != nullptr ? static_cast<float>(now->GetTime(now->GetCount() - 1)) : 0.0f;
  if (s >= 0.0f) {
    if (inst->timeline_position > lastTime) inst->timeline_position = 0.0f;
  } else if (inst->timeline_position < 0.0f) {
    inst->timeline_position = lastTime;
  }
}

constexpr int32_t kOtherOutsideRoom = 0;
constexpr int32_t kOtherIntersectBoundary = 1;
constexpr int32_t kOtherOutsideView = 40;
constexpr int32_t kOtherBoundaryView = 50;

// The shape the boundary events test: the bounding box of an instance with a sprite or mask,
// else its position as a box of no size. Edges count as inside.
struct Extent {
  float left, top, right, bottom;
};

Extent ExtentOf(CInstance* instance) {
  if (Sprite_Exists(instance->sprite_index) || Sprite_Exists(instance->mask_index)) {
    if (instance->bbox_dirty) Compute_BoundingBox(instance);
    return {static_cast<float>(instance->bbox_left), static_cast<float>(instance->bbox_top),
            static_cast<float>(instance->bbox_right), static_cast<float>(instance->bbox_bottom)};
  }
  return {instance->x, instance->y, instance->x, instance->y};
}

// Wholly beyond one side of the rectangle.
bool Outside(const Extent& e, float left, float top, float right, float bottom) {
  return e.right < left || e.left > right || e.bottom < top || e.top > bottom;
}
// Not wholly inside the rectangle.
bool Crossing(const Extent& e, float left, float top, float right, float bottom) {
  return e.left < left || e.right > right || e.top < top || e.bottom > bottom;
}

// A view's rectangle in whole pixels, halves to even.
struct ViewEdges {
  float left, top, right, bottom;
};
ViewEdges EdgesOf(const CRoomView& v) {
  return {std::nearbyint(v.view_x), std::nearbyint(v.view_y), std::nearbyint(v.view_x + v.view_w),
          std::nearbyint(v.view_y + v.view_h)};
}

// The view events of one kind: one pass value for all eight views.
void ViewPass(int32_t base, bool (*test)(const Extent&, float, float, float, float)) {
  const uint64_t pass = Event_PassCounter++;
  for (int32_t v = 0; v < kRoomViewCount; ++v) {
    CRoom* room = Room_Current;
    if (room == nullptr || !room->enable_views || !room->views[v].visible) continue;
    ForEachInPass(kEventOther, base + v, pass, [&](CInstance* instance) {
      CRoom* now = Room_Current;
      if (now == nullptr) return;
      const ViewEdges r = EdgesOf(now->views[v]);
      if (test(ExtentOf(instance), r.left, r.top, r.right, r.bottom)) {
        Event_Perform(instance, instance, kEventOther, base + v);
      }
    });
  }
}

// Puts the instance back where it was before this step's motion, its path position too.
void MoveBack(CInstance* instance) {
  instance->SetPosition(instance->xprevious, instance->yprevious);
  instance->SetPathPosition(instance->path_positionprevious);
}

void MoveBySpeed(CInstance* instance) {
  instance->SetPosition(static_cast<float>(static_cast<double>(instance->x) + instance->hspeed),
                        static_cast<float>(static_cast<double>(instance->y) + instance->vspeed));
}

bool Qualifies(const CInstance* instance, uint64_t pass) {
  return Instance_Eligible(instance) && instance->creation_stamp <= pass;
}

// One overlapping pair: solid colliders go back before the events, then move on again after
// them and go back once more when they still overlap.
void Collide(CInstance* a, CInstance* b) {
  if (!a->Collision_Instance(b, true)) return;
  if (a->solid || b->solid) {
    MoveBack(a);
    MoveBack(b);
  }
  Event_Perform(a, b, kEventCollision, b->object_index);
  Event_Perform(b, a, kEventCollision, a->object_index);
  if (a->solid || b->solid) {
    a->AdvancePath();
    b->AdvancePath();
    MoveBySpeed(a);
    MoveBySpeed(b);
    if (a->Collision_Instance(b, true)) {
      MoveBack(a);
      MoveBack(b);
    }
  }
}

// One pair record the plain way: every instance of the first object against every instance of the
// second. Events may create instances (appended, left out by their stamp) and destroy them (only
// marked): the next node is taken before each visit, so the walks neither break nor repeat.
void CollideEveryPair(const CObject* first, const CObject* second, uint64_t pass) {
  for (const ObjectInstanceNode* na = first->instances.first; na != nullptr && na->instance != nullptr;) {
    const ObjectInstanceNode* nextA = na->next;
    CInstance* a = na->instance;
    if (Qualifies(a, pass)) {
      for (const ObjectInstanceNode* nb = second->instances.first; nb != nullptr && nb->instance != nullptr;) {
        const ObjectInstanceNode* nextB = nb->next;
        CInstance* b = nb->instance;
        if (Qualifies(b, pass) && Qualifies(a, pass)) Collide(a, b);
        nb = nextB;
      }
    }
    na = nextA;
  }
}

// Below this many pairs of instances the plain walk is cheaper than indexing the boxes.
constexpr int64_t kGridPairs = 256;

// The same record through the grid: for each instance of the first object, the instances of the
// second whose boxes may touch its box, in the second object's list order; the others would fail
// the box test of Collide. The instances of the second object at the start are all there can be:
// those created later fail the stamp test. When anything moved, the rest of the walk asks the
// grid again from where it stands, so a box moved by an event counts as it is now.
void CollideThroughGrid(const CObject* first, const CObject* second, uint64_t pass) {
  static CollisionGrid grid;
  static std::vector<int32_t> candidates;
  grid.Build(second->instances);
  for (const ObjectInstanceNode* na = first->instances.first; na != nullptr && na->instance != nullptr;) {
    const ObjectInstanceNode* nextA = na->next;
    CInstance* a = na->instance;
    int32_t after = -1;
    bool again = Qualifies(a, pass);
    while (again) {
      again = false;
      grid.Refresh();
      if (a->bbox_dirty) Compute_BoundingBox(a);
      grid.Query(a->bbox_left, a->bbox_top, a->bbox_right, a->bbox_bottom, after, &candidates);
      for (const int32_t position : candidates) {
        // Once a no longer qualifies, no event of this walk runs, so it never qualifies again.
        if (!Qualifies(a, pass)) break;
        after = position;
        CInstance* b = grid.At(position);
        if (!Qualifies(b, pass)) continue;
        Collide(a, b);
        if (grid.HasChanges()) {
          again = Qualifies(a, pass);
          break;
        }
      }
    }
    na = nextA;
  }
  grid.Release();
}

}  // namespace

void HandleOther() {
  if (Room_Current == nullptr) return;
  {
    const uint64_t pass = Event_PassCounter++;
    ForEachInPass(kEventOther, kOtherOutsideRoom, pass, [](CInstance* instance) {
      const CRoom* room = Room_Current;
      if (room == nullptr) return;
      const auto w = static_cast<float>(room->width);
      const auto h = static_cast<float>(room->height);
      const bool outside = Outside(ExtentOf(instance), 0.0f, 0.0f, w, h);
      if (outside && !instance->outside_room) Event_Perform(instance, instance, kEventOther, kOtherOutsideRoom);
      instance->outside_room = outside;
    });
  }
  {
    const uint64_t pass = Event_PassCounter++;
    ForEachInPass(kEventOther, kOtherIntersectBoundary, pass, [](CInstance* instance) {
      const CRoom* room = Room_Current;
      if (room == nullptr) return;
      if (Crossing(ExtentOf(instance), 0.0f, 0.0f, static_cast<float>(room->width), static_cast<float>(room->height))) {
        Event_Perform(instance, instance, kEventOther, kOtherIntersectBoundary);
      }
    });
  }
  ViewPass(kOtherOutsideView, Outside);
  ViewPass(kOtherBoundaryView, Crossing);
}

void HandleCollision() {
  // The pair list may be rebuilt by an event: its count and records are read again each time.
  for (int32_t k = 0; k < ObjectLists_PairCount(); ++k) {
    const ObjectCollisionPair pair = ObjectLists_Pairs()[k];
    const CObject* first = Object_Data(pair.first);
    const CObject* second = Object_Data(pair.second);
    if (first == nullptr || second == nullptr || first->instances.first == nullptr) continue;
    const uint64_t pass = Event_PassCounter++;
    if (static_cast<int64_t>(first->instances.count) * second->instances.count < kGridPairs) {
      CollideEveryPair(first, second, pass);
    } else {
      CollideThroughGrid(first, second, pass);
    }
  }
}

void HandleStep(int32_t kind) {
  ProfilerScope scope(kProfilerMarkerStep);
  PerformPass(kEventStep, kind);
}

void HandleAlarm() {
  ProfilerScope scope(kProfilerMarkerAlarm);
  const uint64_t pass = Event_PassCounter++;
  for (int32_t alarm = 0; alarm < kInstanceAlarmCount; ++alarm) {
    ForEachInPass(kEventAlarm, alarm, pass, [alarm](CInstance* instance) {
      const int32_t left = instance->GetAlarm(alarm);
      if (left >= 0) instance->SetAlarm(alarm, left - 1);
      if (instance->GetAlarm(alarm) == 0) Event_Perform(instance, instance, kEventAlarm, alarm);
    });
  }
}

void HandleKey(int32_t key) { PerformPass(kEventKeyboard, key); }
void HandleKeyPress(int32_t key) { PerformPass(kEventKeyPress, key); }
void HandleKeyRelease(int32_t key) { PerformPass(kEventKeyRelease, key); }

void HandleKeyboard() {
  bool anyHeld = false;
  bool anyPressed = false;
  bool anyReleased = false;
  for (int32_t key = kFirstKey; key < IO_KEY_COUNT; ++key) {
    const bool pressed = IO_KeyPressed(key);
    if (pressed || IO_KeyDown(key)) {
      anyHeld = true;
      HandleKey(key);
      if (pressed) {
        anyPressed = true;
        HandleKeyPress(key);
      }
    }
    if (IO_KeyReleased(key)) {
      anyReleased = true;
      HandleKeyRelease(key);
    }
  }
  HandleKey(anyHeld ? kKeyAny : kKeyNone);
  HandleKeyPress(anyPressed ? kKeyAny : kKeyNone);
  HandleKeyRelease(anyReleased ? kKeyAny : kKeyNone);
}

void HandleJoystickEvent(int32_t number) { PerformPass(kEventMouse, number); }

void HandleJoystick() {
  if (g_joystickDetectPending) {
    g_joystickDetectPending = false;
    Joystick_Detect();
  }
  const int32_t present = Joystick_PresentFlags();
  if (present == 0) return;
  struct Stick {
    int32_t presentBit;
    UINT id;
    int32_t left;     // left, right, up, down follow
    int32_t button1;  // buttons 1..8 follow
  };
  static constexpr Stick kSticks[] = {{1, JOYSTICKID1, 16, 21}, {2, JOYSTICKID2, 31, 36}};
  for (const Stick& stick : kSticks) {
    if ((present & stick.presentBit) == 0) continue;
    JOYINFOEX info;
    info.dwFlags = JOY_RETURNALL;
    if (joyGetPosEx(stick.id, &info) != JOYERR_NOERROR) continue;
    if (info.dwXpos < kJoystickLowThreshold) HandleJoystickEvent(stick.left);
    if (info.dwXpos > kJoystickHighThreshold) HandleJoystickEvent(stick.left + 1);
    if (info.dwYpos < kJoystickLowThreshold) HandleJoystickEvent(stick.left + 2);
    if (info.dwYpos > kJoystickHighThreshold) HandleJoystickEvent(stick.left + 3);
    for (int32_t k = 0; k < 8; ++k) {
      if ((info.dwButtons & (1u << k)) != 0) HandleJoystickEvent(stick.button1 + k);
    }
  }
}

void HandleMouseButton(int32_t number) { PerformPass(kEventMouse, number, UnderStepMouse); }
void HandleMouseGlobal(int32_t number) { PerformPass(kEventMouse, number); }

void HandleMouseEnterLeave() {
  // Each instance is tested once, though it may be listed for both events: the test stamps it
  // with the update's pass value, and an instance carrying that stamp is not tested again.
  const uint64_t update = Event_PassCounter++;
  for (int32_t number : {kMouseEnter, kMouseLeave}) {
    ForEachInPass(kEventMouse, number, update, [update](CInstance* instance) {
      if (instance->creation_stamp == update) return;
      instance->creation_stamp = update;
      const int32_t now = UnderStepMouse(instance) ? 1 : 2;
      instance->mouse_state = (((now ^ instance->mouse_state) & 3) << 2) | now;
    });
  }
  // Bits 2 and 0: just came inside; bits 3 and 1: just went outside.
  PerformPass(kEventMouse, kMouseEnter, [](CInstance* i) { return (i->mouse_state & 5) == 5; });
  PerformPass(kEventMouse, kMouseLeave, [](CInstance* i) { return (i->mouse_state & 10) == 10; });
}

void HandleMouse() {
  ProfilerScope scope(kProfilerMarkerMouse);
  if (!g_WindowState.visible) return;
  g_StepMouseX = Window_DeviceMouseX(kMouseState);
  g_StepMouseY = Window_DeviceMouseY(kMouseState);
  bool anyButton = false;
  for (int32_t b = 1; b <= IO_BUTTON_COUNT; ++b) {
    if (IO_ButtonDown(b, kMouseState) || IO_ButtonPressed(b, kMouseState)) {
      anyButton = true;
      HandleMouseButton(b - 1);
      HandleMouseGlobal(49 + b);
    }
  }
  if (!anyButton) HandleMouseButton(kMouseNoButton);
  for (int32_t b = 1; b <= IO_BUTTON_COUNT; ++b) {
    if (!IO_ButtonPressed(b, kMouseState)) continue;
    HandleMouseButton(b + 3);
    HandleMouseGlobal(kMouseGlobalPress);
    HandleMouseGlobal(52 + b);
  }
  for (int32_t b = 1; b <= IO_BUTTON_COUNT; ++b) {
    if (!IO_ButtonReleased(b, kMouseState)) continue;
    HandleMouseButton(b + 6);
    HandleMouseGlobal(kMouseGlobalRelease);
    HandleMouseGlobal(55 + b);
  }
  HandleMouseEnterLeave();
  if (IO_WheelUp(kMouseState)) HandleMouseGlobal(kMouseWheelUp);
  if (IO_WheelDown(kMouseState)) HandleMouseGlobal(kMouseWheelDown);
}

void Async_PerformEvent(int32_t number) {
  if (!AsyncEventDispatched(number)) return;
  const uint64_t pass = Event_PassCounter++;
  // Straight to the handler: asynchronous results reach the game while a room change waits.
  ForEachInPass(kEventOther, number, pass, [number](CInstance* instance) {
    PerformEvent(instance, instance, instance->object_index, kEventOther, number);
  });
}

void HandleAsync() {
  IAP_DeliverEvents();
  Push_DeliverEvents();
  DeferredScriptCalls_Process();
  HTTP_Tick();
  Async_ProcessQueue(Async_PerformEvent);
}

void HandleTimelines() {
  CRoom* room = Room_Current;
  if (room == nullptr) return;
  const uint64_t pass = Event_PassCounter++;
  for (CInstance* inst = room->active.first; inst != nullptr;) {
    CInstance* next = inst->list_next;
    if (Instance_Eligible(inst) && inst->creation_stamp <= pass && inst->timeline_running &&
        inst->timeline_index >= 0) {
      AdvanceTimeline(inst);
      if (Room_Current != room) return;
    }
    inst = next;
  }
}

ActiveInstanceNotes Instances_AdvanceImages(CRoom* room) {
  ActiveInstanceNotes notes;
  for (CInstance* inst = room->active.first; inst != nullptr;) {
    CInstance* next = inst->list_next;
    inst->xprevious = inst->x;
    inst->yprevious = inst->y;
    inst->path_positionprevious = inst->path_position;
    double index = inst->image_index;
    const bool wrapped = Runner_AdvanceImage(&index, inst->image_speed, inst->GetImageNumber());
    inst->image_index = static_cast<float>(index);
    if (inst->timeline_running) notes.anyTimelineRunning = true;
    if (inst->path_index >= 0) notes.anyOnPath = true;
    if (wrapped) Event_Perform(inst, inst, kEventOther, kOtherAnimationEnd);
    inst = next;
  }
  return notes;
}

void Instances_Move(CRoom* room, uint64_t passStamp) {
  for (CInstance* inst = room->active.first; inst != nullptr;) {
    CInstance* next = inst->list_next;
    inst->ApplyFrictionAndGravity();
    if (inst->AdvancePath() && inst->creation_stamp <= passStamp) {
      Event_Perform(inst, inst, kEventOther, kOtherEndOfPath);
    }
    inst->SetPosition(inst->x + inst->hspeed, inst->y + inst->vspeed);
    inst = next;
  }
}

bool Runner_AdvanceImage(double* imageIndex, double imageSpeed, int32_t imageCount) {
  double index = *imageIndex + imageSpeed;
  bool wrapped = false;
  if (std::trunc(index) >= imageCount) {
    index -= imageCount;
    wrapped = true;
  } else if (index < 0.0) {
    index += imageCount;
    wrapped = true;
  }
  *imageIndex = index;
  return wrapped;
}
