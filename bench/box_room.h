// A room made current while it lives, holding instances of a 16 x 16 box sprite scattered by a
// fixed seed over an area, and a caller outside the room's list: for benches that walk a crowd.
#pragma once

#include <cstdint>
#include <vector>

#include "assets/sprite_table.h"
#include "world/instance.h"
#include "world/room.h"

class BoxRoom {
 public:
  // `count` instances of objects 0 .. objects - 1 in turn, ids from 100001, their boxes within
  // width x height; the caller (id 200000, object 0) stands at (-1000, -1000).
  BoxRoom(int32_t sprite, int32_t count, int32_t objects, uint32_t width, uint32_t height, bool solid) {
    Room_Current = &m_room;
    uint32_t seed = 12345;
    auto next = [&seed](uint32_t n) {
      seed = seed * 1103515245u + 12345u;
      return (seed >> 8) % n;
    };
    for (int32_t i = 0; i < count; ++i) {
      auto* instance = new CInstance(static_cast<float>(next(width - 16)), static_cast<float>(next(height - 16)),
                                     100001 + i, i % objects, true);
      instance->SetSpriteIndex(sprite);
      instance->solid = solid;
      instance->xprevious = instance->x;
      instance->yprevious = instance->y;
      m_room.active.InsertByDepth(instance);
      m_instances.push_back(instance);
    }
    caller = new CInstance(-1000, -1000, 200000, 0, false);
    caller->SetSpriteIndex(sprite);
  }
  ~BoxRoom() {
    Room_Current = nullptr;
    m_room.active = InstanceList();
    for (CInstance* i : m_instances) delete i;
    delete caller;
  }
  // A 16 x 16 box sprite added to the sprite table; its index. A box, not precise: without mask
  // bytes a precise sprite would collide with nothing.
  static int32_t AddSprite() {
    CSprite box;
    box.frameCount = 1;
    box.maskRight = 15;
    box.maskBottom = 15;
    box.precise = false;
    return Sprite_Add(box);
  }
  BoxRoom(const BoxRoom&) = delete;
  BoxRoom& operator=(const BoxRoom&) = delete;

  CInstance* caller = nullptr;

 private:
  CRoom m_room;
  std::vector<CInstance*> m_instances;
};
