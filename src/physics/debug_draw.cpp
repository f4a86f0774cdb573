#include "physics/debug_draw.h"

#include "physics/physics_internal.h"
#include "render/primitives.h"

namespace {

void RunnerLine(float x1, float y1, float x2, float y2) { GR_Draw_Line(x1, y1, x2, y2); }

constexpr PhysicsDebugPrimitives kRunnerPrimitives = {&GR_SetColour, &RunnerLine, &GR_Draw_Triangle, &GR_Draw_Ellipse};
const PhysicsDebugPrimitives* g_primitives = &kRunnerPrimitives;

void SetLibraryColour(const b2Color& c) {
  g_primitives->setColour(GR_MakeColour(Physics_ColourByte(c.r), Physics_ColourByte(c.g), Physics_ColourByte(c.b)));
}

// Draws what the library hands it, scaled from metres to room pixels.
class CPhysicsDebugRender final : public b2Draw {
 public:
  explicit CPhysicsDebugRender(float k) : m_k(k) {}

  void DrawPolygon(const b2Vec2* v, int32 count, const b2Color& colour) override {
    SetLibraryColour(colour);
    for (int32 i = 0; i < count; ++i) Line(v[i], v[i + 1 < count ? i + 1 : 0]);
  }
  void DrawSolidPolygon(const b2Vec2* v, int32 count, const b2Color& colour) override {
    SetLibraryColour(colour);
    for (int32 i = 1; i + 1 < count; ++i) {
      g_primitives->triangle(v[0].x * m_k, v[0].y * m_k, v[i].x * m_k, v[i].y * m_k, v[i + 1].x * m_k, v[i + 1].y * m_k, false);
    }
  }
  void DrawCircle(const b2Vec2& centre, float radius, const b2Color& colour) override {
    SetLibraryColour(colour);
    Ellipse(centre, radius, true);
  }
  void DrawSolidCircle(const b2Vec2& centre, float radius, const b2Vec2&, const b2Color& colour) override {
    SetLibraryColour(colour);
    Ellipse(centre, radius, false);
  }
  void DrawSegment(const b2Vec2& p1, const b2Vec2& p2, const b2Color& colour) override {
    SetLibraryColour(colour);
    Line(p1, p2);
  }
  void DrawTransform(const b2Transform& xf) override {
    const float length = 0.4f;
    g_primitives->setColour(0x0000FF);
    Line(xf.p, xf.p + length * xf.q.GetXAxis());
    g_primitives->setColour(0xFF0000);
    Line(xf.p, xf.p + length * xf.q.GetYAxis());
  }
  void DrawPoint(const b2Vec2&, float, const b2Color&) override {}

  void Line(const b2Vec2& a, const b2Vec2& b) const { g_primitives->line(a.x * m_k, a.y * m_k, b.x * m_k, b.y * m_k); }

 private:
  void Ellipse(const b2Vec2& c, float r, bool outline) const {
    g_primitives->ellipse((c.x - r) * m_k, (c.y - r) * m_k, (c.x + r) * m_k, (c.y + r) * m_k, outline);
  }

  float m_k;
};

}  // namespace

void Physics_SetDebugPrimitives(const PhysicsDebugPrimitives* primitives) {
  g_primitives = primitives != nullptr ? primitives : &kRunnerPrimitives;
}

int32_t Physics_ColourByte(float component) {
  // × 256 would wrap a full component to 0.
  if (!(component > 0.0f)) return 0;
  if (component >= 1.0f) return 255;
  return static_cast<int32_t>(component * 256.0f) & 0xFF;
}

uint32_t Physics_DebugFlags(int32_t scriptFlags) {
  const uint32_t low = static_cast<uint32_t>(scriptFlags) & 0xFFu;
  uint32_t flags = 0;
  if ((low & 1u) != 0) flags |= b2Draw::e_shapeBit;
  if ((low & 2u) != 0) flags |= b2Draw::e_jointBit;
  if ((low & 4u) != 0) flags |= b2Draw::e_centerOfMassBit;
  if ((low & 8u) != 0) flags |= b2Draw::e_aabbBit;
  if ((low & 64u) != 0) flags |= b2Draw::e_pairBit;
  return flags;
}

void CPhysicsWorld::DrawDebug(int32_t scriptFlags) {
  CPhysicsDebugRender render(1.0f / m_pixelToMetreScale);
  const uint32_t flags = Physics_DebugFlags(scriptFlags);
  render.SetFlags(flags);
  m_world->SetDebugDraw(&render);
  m_world->DebugDraw();
  m_world->SetDebugDraw(nullptr);
}

void CPhysicsObject::DebugDraw(float k) const {
  if (m_body == nullptr) return;
  const b2Transform& xf = m_body->GetTransform();
  const b2Vec2 p = xf.p;
  for (const b2Fixture* f = m_body->GetFixtureList(); f != nullptr; f = f->GetNext()) {
    if (f->GetType() == b2Shape::e_circle) {
      const float r = f->GetShape()->m_radius;
      g_primitives->ellipse((p.x - r) * k, (p.y - r) * k, (p.x + r) * k, (p.y + r) * k, true);
    } else if (f->GetType() == b2Shape::e_polygon) {
      const auto* polygon = static_cast<const b2PolygonShape*>(f->GetShape());
      for (int32 i = 0; i < polygon->m_count; ++i) {
        const b2Vec2 a = b2Mul(xf, polygon->m_vertices[i]);
        const b2Vec2 b = b2Mul(xf, polygon->m_vertices[i + 1 < polygon->m_count ? i + 1 : 0]);
        g_primitives->line(a.x * k, a.y * k, b.x * k, b.y * k);
      }
    }
  }
}
