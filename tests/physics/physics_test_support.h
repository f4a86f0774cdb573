// A room with a physics world and objects loaded from a written OBJT chunk: fixtures are bound to
// instances, the world is stepped as the motion phase steps it, and collision events run the
// kit's logging event.
#pragma once

#include <box2d/box2d.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/console.h"
#include "host/host_fixture.h"
#include "physics/world_update.h"
#include "world/physics_service.h"
#include "world/world_test_support.h"

class PhysicsTest : public ObjectWorldTest {
 protected:
  void SetUp() override {
    ObjectWorldTest::SetUp();
    m_room.m_speed = 60;
    MakeWorld(0.1f, 60);
    kit::TheLog().events.clear();
    kit::TheLog().onEvent = nullptr;
    error_occurred = false;
  }
  void TearDown() override {
    kit::TheLog().onEvent = nullptr;
    for (int32_t id : m_definitions) PhysicsFixture_Delete(id);
    ObjectWorldTest::TearDown();  // the instances go first, then the room with its world
  }

  void MakeWorld(float scale, int32_t updateSpeed) {
    delete m_room.physics_world;
    m_room.physics_world = new CPhysicsWorld(scale, updateSpeed);
    m_room.physics_world->SetGravity(0, 0);
  }
  CPhysicsWorld* World() { return m_room.physics_world; }

  // Objects named as given, each with a collision event (logged) with each object in `partners`.
  void LoadObjects(const std::vector<std::pair<const char*, std::vector<int32_t>>>& objects) {
    std::vector<ObjtEntry> entries;
    for (const auto& [name, partners] : objects) {
      ObjtEntry e = Entry(name);
      for (int32_t p : partners) e.on(kEventCollision, static_cast<uint32_t>(p), kit::kLogEvent);
      entries.push_back(e);
    }
    ASSERT_TRUE(Load(std::span(entries.data(), entries.size())));
    ObjectLists_Build();
  }

  CInstance* Place(int32_t objectIndex, float x, float y) {
    CInstance* i = NewInstance(objectIndex, 100000 + static_cast<int32_t>(m_instances.size()));
    i->x = x;
    i->y = y;
    return i;
  }

  CPhysicsFixture* Definition() {
    CPhysicsFixture* d = PhysicsFixture_Create();
    m_definitions.push_back(d->m_id);
    return d;
  }
  // A box of the size in pixels.
  CPhysicsFixture* Box(float width, float height, float density) {
    CPhysicsFixture* d = Definition();
    d->SetBoxShape(width / 2 * Scale(), height / 2 * Scale());
    d->SetDensity(density);
    return d;
  }
  float Scale() { return World()->m_pixelToMetreScale; }

  int32_t Bind(CPhysicsFixture* d, CInstance* i, float ox = 0, float oy = 0) { return World()->BindFixture(d, i, ox, oy); }

  void Step(int32_t times = 1) {
    for (int32_t n = 0; n < times; ++n) PhysicsWorldUpdate(m_room.m_speed, false);
  }

  // The collision events seen, as (self id, other id).
  static std::vector<std::pair<int32_t, int32_t>> Collisions() {
    std::vector<std::pair<int32_t, int32_t>> out;
    for (const kit::EventSeen& e : kit::TheLog().events) {
      if (e.type == kEventCollision) out.emplace_back(e.self, e.other);
    }
    return out;
  }

  std::vector<int32_t> m_definitions;
};

// Console output caught while it lives.
class CaptureOutput {
 public:
  CaptureOutput() : m_previous(g_pOutputConsole) { g_pOutputConsole = &m_console; }
  ~CaptureOutput() { g_pOutputConsole = m_previous; }
  CaptureOutput(const CaptureOutput&) = delete;
  CaptureOutput& operator=(const CaptureOutput&) = delete;
  const std::string& Text() const { return m_console.text; }

 private:
  CaptureConsole m_console;
  tagIConsole* m_previous;
};
