// The least of the run-time room that instances need: the current room, kept copies and carried
// instances, for the collector's roots.
#include "world/room.h"

#include <algorithm>
#include <vector>

#include "world/instance.h"

CRoom* Room_Current = nullptr;
float View_Scale[2] = {1.0f, 1.0f};

namespace {

std::vector<CRoom*> g_keptRooms;
std::vector<CInstance*> g_carried;

void VisitList(const InstanceList& list, InstanceVisitor visit, void* context) {
  for (CInstance* i = list.first; i != nullptr; i = i->list_next) visit(i, context);
}

void VisitRoom(const CRoom* room, InstanceVisitor visit, void* context) {
  VisitList(room->active, visit, context);
  VisitList(room->inactive, visit, context);
}

}  // namespace

void Room_VisitInstanceRoots(InstanceVisitor visit, void* context) {
  if (Room_Current != nullptr) VisitRoom(Room_Current, visit, context);
  for (const CRoom* room : g_keptRooms) {
    if (room != Room_Current) VisitRoom(room, visit, context);
  }
  for (CInstance* instance : g_carried) visit(instance, context);
}

void Room_KeepCopy(CRoom* room) {
  if (room != nullptr && std::find(g_keptRooms.begin(), g_keptRooms.end(), room) == g_keptRooms.end()) {
    g_keptRooms.push_back(room);
  }
}

void Room_ForgetCopy(CRoom* room) { std::erase(g_keptRooms, room); }

void Room_CarryInstance(CInstance* instance) {
  if (instance != nullptr) g_carried.push_back(instance);
}

void Room_ClearCarried() { g_carried.clear(); }

// No room holds backgrounds yet.
void CRoom::ScrollBackgrounds() {}
void Room_DeleteMarked(CRoom*) {}
