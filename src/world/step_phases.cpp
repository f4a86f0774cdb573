#include "world/step_phases.h"

#include "host/game_step.h"
#include "world/event.h"
#include "world/instance.h"
#include "world/room.h"
#include "world/timeline.h"

namespace {

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

}  // namespace

// The game world's remaining phases are not built yet: they find nothing to run, and no saved
// game can be read or queued.
void HandleStep(int32_t) {}
void HandleAlarm() {}
void HandleKeyboard() {}
void HandleJoystick() {}
void HandleMouse() {}
void HandleOther() {}
void HandleAsync() {}
void HandleCollision() {}
void Game_DoQueuedLoad() {}
void Game_Load(const char*) {}

void HandleTimelines() {
  CRoom* room = Room_Current;
  if (room == nullptr) return;
  const uint64_t pass = Event_PassCounter++;
  for (CInstance* inst = room->active.first; inst != nullptr;) {
    CInstance* next = inst->list_next;
    if (!inst->marked && !inst->deactivated && inst->creation_stamp <= pass && inst->timeline_running &&
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
