// A room's physics world over the library: binding fixtures, the step, contacts turned into
// collision events, and the collision categories taken from the objects' collision events.
#include <cstdio>
#include <string>
#include <unordered_map>
#include <utility>

#include "core/console.h"
#include "physics/lifecycle.h"
#include "physics/physics_internal.h"
#include "runtime/error_report.h"
#include "world/event.h"
#include "world/instance.h"
#include "world/object.h"
#include "world/object_lists.h"
#include "world/room.h"

using physics::CheckArgument;
using physics::Finite;
using physics::InstanceOf;

// One fixture pair's reports during one update.
struct CPhysicsWorld::ContactRecord {
  int32_t manifoldCount = 0;
  b2Fixture* a = nullptr;  // cleared when the fixture goes while the record waits
  b2Fixture* b = nullptr;
  b2Manifold manifolds[kMaxManifolds];
  b2WorldManifold world[kMaxManifolds];
};

namespace {

// Pairs follow the group rule, else each one's mask must hold the other's category.
class RunnerContactFilter final : public b2ContactFilter {
 public:
  bool ShouldCollide(b2Fixture* a, b2Fixture* b) override {
    const int16_t ga = a->GetFilterData().groupIndex;
    if (ga != 0 && ga == b->GetFilterData().groupIndex) return ga > 0;
    return (physics::FilterCategory(a) & physics::FilterMask(b)) != 0 &&
           (physics::FilterCategory(b) & physics::FilterMask(a)) != 0;
  }
};

// Sensors are reported when they begin to overlap; solid contacts after every library step in
// which they touch.
class CRunnerContactListener final : public b2ContactListener {
 public:
  explicit CRunnerContactListener(CPhysicsWorld* world) : m_world(world) {}
  void BeginContact(b2Contact* contact) override {
    if (contact->GetFixtureA()->IsSensor() || contact->GetFixtureB()->IsSensor()) m_world->PushContact(contact);
  }
  void PostSolve(b2Contact* contact, const b2ContactImpulse*) override { m_world->PushContact(contact); }

 private:
  CPhysicsWorld* m_world;
};

struct PairHash {
  size_t operator()(const std::pair<const b2Fixture*, const b2Fixture*>& p) const {
    return std::hash<const void*>()(p.first) * 31u ^ std::hash<const void*>()(p.second);
  }
};

std::pair<const b2Fixture*, const b2Fixture*> PairKey(const b2Fixture* a, const b2Fixture* b) {
  return a < b ? std::make_pair(a, b) : std::make_pair(b, a);
}

constexpr int32_t kStackBlock = 10;

}  // namespace

struct CPhysicsWorld::Parts {
  explicit Parts(CPhysicsWorld* world) : listener(world) {}
  CRunnerContactListener listener;
  RunnerContactFilter filter;
  std::vector<ContactRecord> stack;
  // Where each fixture pair's record sits on the stack during an update, so that filing a report
  // does not search the stack.
  std::unordered_map<std::pair<const b2Fixture*, const b2Fixture*>, size_t, PairHash> index;
  ContactRecord dispatching;
  ContactRecord* current = nullptr;
  std::unordered_map<int32_t, int32_t> categoryOf;  // object index -> category position
  bool filtersStale = false;
};

CPhysicsWorld::CPhysicsWorld(float pixelToMetreScale, int32_t updateSpeed)
    : m_updateSpeed(updateSpeed),
      m_pixelToMetreScale(pixelToMetreScale),
      m_world(new b2World(b2Vec2(0.0f, 10.0f))),
      m_parts(new Parts(this)) {
  m_parts->stack.reserve(kStackBlock);
  m_world->SetContactListener(&m_parts->listener);
  m_world->SetContactFilter(&m_parts->filter);
}

CPhysicsWorld::~CPhysicsWorld() {
  m_world->SetContactListener(nullptr);
  // Instances whose bodies live here drop their physics objects without touching the library,
  // whichever room is current: the library world takes every body with it.
  for (b2Body* b = m_world->GetBodyList(); b != nullptr; b = b->GetNext()) {
    CInstance* instance = InstanceOf(b);
    if (instance == nullptr || instance->physics_object == nullptr || instance->physics_object->m_body != b) continue;
    instance->physics_object->m_body = nullptr;
    instance->physics_object->m_pWorld = nullptr;
    delete instance->physics_object;
    instance->physics_object = nullptr;
  }
  delete m_world;
  delete m_parts;
}

CPhysicsWorld* CPhysicsWorld::CopyConstruct(const CPhysicsWorld* source) {
  auto* world = new CPhysicsWorld(source->m_pixelToMetreScale, source->m_updateSpeed);
  world->m_iterations = source->m_iterations;
  world->SetGravity(source->GravityX(), source->GravityY());
  return world;
}

void CPhysicsWorld::SetGravity(float x, float y) {
  if (!CheckArgument(Finite(x) && Finite(y), L"gravity must be finite")) return;
  m_world->SetGravity(b2Vec2(x, y));
  if (x == 0.0f && y == 0.0f) return;
  for (b2Body* b = m_world->GetBodyList(); b != nullptr; b = b->GetNext()) {
    if (b->GetType() == b2_dynamicBody && !b->IsAwake()) b->SetAwake(true);
  }
}

float CPhysicsWorld::GravityX() const { return m_world->GetGravity().x; }
float CPhysicsWorld::GravityY() const { return m_world->GetGravity().y; }

void CPhysicsWorld::DestroyBody(CPhysicsWorld*, CPhysicsObject* object) { delete object; }

// --- binding -----------------------------------------------------------------------------------

namespace {

// The library shapes of a definition: one, or one two-sided edge per chain segment. Empty (with
// the failure reported) when the definition cannot be built.
bool BuildShapes(const CPhysicsFixture& d, const CInstance* instance, std::vector<b2EdgeShape>* edges,
                 b2CircleShape* circle, b2PolygonShape* polygon, b2Shape** single) {
  using Shape = CPhysicsFixture::Shape;
  const int32_t count = static_cast<int32_t>(d.m_points.size());
  for (const CPhysicsFixture::Point& p : d.m_points) {
    if (!CheckArgument(Finite(p.x) && Finite(p.y), L"fixture points must be finite")) return false;
  }
  switch (d.m_shape) {
    case Shape::kShapeCircle:
      if (!CheckArgument(Finite(d.m_radius) && d.m_radius >= 0.0f, L"circle radius must be finite and not negative")) {
        return false;
      }
      circle->m_radius = d.m_radius;
      *single = circle;
      return true;
    case Shape::kShapeBox:
      if (!CheckArgument(Finite(d.m_halfWidth) && Finite(d.m_halfHeight) && d.m_halfWidth > b2_linearSlop &&
                             d.m_halfHeight > b2_linearSlop,
                         L"box must span an area")) {
        return false;
      }
      polygon->SetAsBox(d.m_halfWidth, d.m_halfHeight);
      *single = polygon;
      return true;
    case Shape::kShapePolygon: {
      if (count < 3) {
        char text[512];
        std::snprintf(text, sizeof text, "Too few vertices in polygon shape fixture for %s", Object_Name(instance->object_index));
        Error_Report(true, text);
        return false;
      }
      if (!CheckArgument(physics::PolygonSpansArea(d.m_points.data(), count), L"polygon must span an area")) return false;
      b2Vec2 vs[b2_maxPolygonVertices];
      for (int32_t i = 0; i < count; ++i) vs[i].Set(d.m_points[i].x, d.m_points[i].y);
      polygon->Set(vs, count);
      *single = polygon;
      return true;
    }
    case Shape::kShapeEdge:
    case Shape::kShapeChain: {
      const bool loop = d.m_shape == Shape::kShapeChain && d.m_loop && count > 2;
      if (!CheckArgument(count >= 2, L"a chain needs two points or more")) return false;
      const int32_t segments = loop ? count : count - 1;
      for (int32_t i = 0; i < segments; ++i) {
        const b2Vec2 a(d.m_points[i].x, d.m_points[i].y);
        const b2Vec2 b(d.m_points[(i + 1) % count].x, d.m_points[(i + 1) % count].y);
        if (!CheckArgument(b2DistanceSquared(a, b) > b2_linearSlop * b2_linearSlop, L"chain points are too close")) {
          return false;
        }
        b2EdgeShape edge;
        edge.SetTwoSided(a, b);
        edges->push_back(edge);
      }
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

int32_t CPhysicsWorld::BindFixture(CPhysicsFixture* d, CInstance* instance, float offsetX, float offsetY) {
  if (d == nullptr || instance == nullptr) return -1;
  if (d->m_shape == CPhysicsFixture::kShapeNone) {
    char text[512];
    std::snprintf(text, sizeof text, "No fixture shape data present for %s\n", Object_Name(instance->object_index));
    Error_Show(text, true);
    return -1;
  }
  std::vector<b2EdgeShape> edges;
  b2CircleShape circle;
  b2PolygonShape polygon;
  b2Shape* single = nullptr;
  if (!BuildShapes(*d, instance, &edges, &circle, &polygon, &single)) return -1;
  if (!CheckArgument(Finite(d->m_density) && d->m_density >= 0.0f, L"density must be finite and not negative") ||
      !CheckArgument(Finite(d->m_friction) && Finite(d->m_restitution), L"friction and restitution must be finite")) {
    return -1;
  }

  const int32_t category = CollisionCategoryFor(instance->object_index);
  b2FixtureDef def;
  def.friction = d->m_friction;
  def.restitution = d->m_restitution;
  def.density = d->m_density;
  def.isSensor = d->m_sensor;
  def.filter.groupIndex = d->m_collisionGroup;
  def.userData.pointer = category >= 0 ? physics::PackFilter(m_categories[category].categoryBits, m_categories[category].maskBits)
                                       : physics::PackFilter(0, 0);

  CPhysicsObject* object = instance->physics_object;
  const bool newBody = object == nullptr || object->m_body == nullptr;
  b2Body* body = nullptr;
  if (!newBody) {
    body = object->m_body;
  } else {
    if (!CheckArgument(Finite(m_pixelToMetreScale) && m_pixelToMetreScale > 0.0f, L"the world's scale must be positive") ||
        !CheckArgument(Finite(d->m_linearDamping) && d->m_linearDamping >= 0.0f && Finite(d->m_angularDamping) &&
                           d->m_angularDamping >= 0.0f,
                       L"damping must be finite and not negative") ||
        !CheckArgument(Finite(offsetX) && Finite(offsetY), L"fixture offset must be finite")) {
      return -1;
    }
    b2BodyDef bd;
    if (d->m_density > 0.0f) {
      bd.type = b2_dynamicBody;
    } else {
      bd.type = d->m_kinematic ? b2_kinematicBody : b2_staticBody;
    }
    const float a = physics::DegreesToRadians(-static_cast<double>(instance->image_angle));
    const float rx = offsetX * std::cos(a) - offsetY * std::sin(a);
    const float ry = offsetX * std::sin(a) + offsetY * std::cos(a);
    bd.angle = a;
    bd.position.Set((instance->x - rx) * m_pixelToMetreScale, (instance->y - ry) * m_pixelToMetreScale);
    if (!CheckArgument(Finite(a) && bd.position.IsValid(), L"body position must be finite")) return -1;
    bd.linearDamping = d->m_linearDamping;
    bd.angularDamping = d->m_angularDamping;
    bd.awake = d->m_awake;
    bd.allowSleep = true;
    bd.userData.pointer = reinterpret_cast<uintptr_t>(instance);
    body = m_world->CreateBody(&bd);
  }

  std::vector<b2Fixture*> fixtures;
  if (single != nullptr) {
    def.shape = single;
    fixtures.push_back(body->CreateFixture(&def));
  } else {
    fixtures.reserve(edges.size());
    for (const b2EdgeShape& edge : edges) {
      def.shape = &edge;
      fixtures.push_back(body->CreateFixture(&def));
    }
  }
  if (!newBody) return object->AddFixture(std::move(fixtures));

  if (object != nullptr) delete object;  // a body-less object left by a world that went
  object = new CPhysicsObject(this, body, offsetX, offsetY, category);
  instance->physics_object = object;
  const int32_t id = object->AddFixture(std::move(fixtures));
  if (m_parts->filtersStale) RefreshFilters();
  return id;
}

// --- categories --------------------------------------------------------------------------------

int32_t CPhysicsWorld::CollisionCategoryFor(int32_t objectIndex) {
  auto known = m_parts->categoryOf.find(objectIndex);
  if (known != m_parts->categoryOf.end()) return known->second;

  const ObjectCollisionPair* pairs = ObjectLists_Pairs();
  const int32_t pairCount = ObjectLists_PairCount();
  std::vector<int32_t> partners;
  for (int32_t i = 0; i < pairCount; ++i) {
    int32_t other;
    if (pairs[i].first == objectIndex) {
      other = pairs[i].second;
    } else if (pairs[i].second == objectIndex) {
      other = pairs[i].first;
    } else {
      continue;
    }
    if (other != -1) partners.push_back(other);
  }
  if (partners.empty()) {
    m_parts->categoryOf[objectIndex] = -1;
    return -1;
  }

  // Children that add no collision events of their own share their ancestor's category.
  int32_t owner = objectIndex;
  for (int32_t depth = 0; depth < 1000; ++depth) {
    const CObject* o = Object_Data(owner);
    if (o == nullptr || o->parent_index < 0 || !Object_Exists(o->parent_index)) break;
    const int32_t parent = o->parent_index;
    size_t count = 0;
    for (int32_t i = 0; i < pairCount; ++i) {
      if ((pairs[i].first == parent && pairs[i].second != -1) || (pairs[i].second == parent && pairs[i].first != -1)) {
        ++count;
      }
    }
    if (count != partners.size()) break;
    owner = parent;
  }

  int32_t found = -1;
  for (int32_t i = 0; i < kCategoryCount && found < 0; ++i) {
    if (m_categories[i].objectIndex == owner) found = i;
  }
  for (int32_t i = 0; i < kCategoryCount && found < 0; ++i) {
    if (m_categories[i].objectIndex == -1) {
      found = i;
      m_categories[i].objectIndex = owner;
      m_categories[i].categoryBits = 1u << i;
      m_categories[i].maskBits = 0;
    }
  }
  if (found < 0) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "Unable to assign a collision category for object %s.\nConsider using parenting to reduce collision "
                  "overheads where possible.",
                  Object_Name(owner));
    Error_Report(false, text);
    return -1;
  }
  for (int32_t partner : partners) {
    for (Category& c : m_categories) {
      if (c.objectIndex != partner) continue;
      const uint32_t before = m_categories[found].maskBits | c.maskBits;
      m_categories[found].maskBits |= c.categoryBits;
      c.maskBits |= m_categories[found].categoryBits;
      if ((m_categories[found].maskBits | c.maskBits) != before) m_parts->filtersStale = true;
    }
  }
  m_parts->categoryOf[objectIndex] = found;
  return found;
}

void CPhysicsWorld::RefreshFilters() {
  m_parts->filtersStale = false;
  for (b2Body* b = m_world->GetBodyList(); b != nullptr; b = b->GetNext()) {
    const CInstance* instance = InstanceOf(b);
    if (instance == nullptr || instance->physics_object == nullptr || instance->physics_object->m_category < 0) continue;
    const Category& c = m_categories[instance->physics_object->m_category];
    for (b2Fixture* f = b->GetFixtureList(); f != nullptr; f = f->GetNext()) {
      f->GetUserData().pointer = physics::PackFilter(c.categoryBits, c.maskBits);
      f->Refilter();
    }
  }
}

// --- contacts ----------------------------------------------------------------------------------

void CPhysicsWorld::PushContact(b2Contact* contact) {
  b2WorldManifold worldManifold;
  const b2Fixture* fa = contact->GetFixtureA();
  const b2Fixture* fb = contact->GetFixtureB();
  contact->GetWorldManifold(&worldManifold);
  auto key = PairKey(fa, fb);
  auto it = m_parts->index.find(key);
  if (it != m_parts->index.end()) {
    ContactRecord& r = m_parts->stack[it->second];
    if (r.manifoldCount >= kMaxManifolds) {
      Console_Output("WARNING: Too many manifolds in collision\n");
      return;
    }
    r.manifolds[r.manifoldCount] = *contact->GetManifold();
    r.world[r.manifoldCount] = worldManifold;
    ++r.manifoldCount;
    return;
  }
  std::vector<ContactRecord>& stack = m_parts->stack;
  if (stack.size() == stack.capacity()) stack.reserve(stack.capacity() + kStackBlock);
  ContactRecord r;
  r.manifoldCount = 1;
  r.a = contact->GetFixtureA();
  r.b = contact->GetFixtureB();
  r.manifolds[0] = *contact->GetManifold();
  r.world[0] = worldManifold;
  stack.push_back(r);
  m_parts->index.emplace(key, stack.size() - 1);
}

void CPhysicsWorld::ForgetFixtureContacts(const b2Fixture* fixture) {
  for (ContactRecord& r : m_parts->stack) {
    if (r.a == fixture) r.a = nullptr;
    if (r.b == fixture) r.b = nullptr;
  }
  if (m_parts->current != nullptr) {
    if (m_parts->current->a == fixture) m_parts->current->a = nullptr;
    if (m_parts->current->b == fixture) m_parts->current->b = nullptr;
  }
}

namespace {

// The reader is the instance of a side of the record whose fixture is still there.
bool Reads(const CPhysicsWorld::ContactRecord* r, const CInstance* instance) {
  if (r == nullptr || instance == nullptr) return false;
  return (r->a != nullptr && InstanceOf(r->a->GetBody()) == instance) ||
         (r->b != nullptr && InstanceOf(r->b->GetBody()) == instance);
}

// The manifold holding point `index` counted across the manifolds, and the point within it.
bool FindPoint(const CPhysicsWorld::ContactRecord* r, int32_t index, int32_t* manifold, int32_t* point) {
  if (index < 0) return false;
  int32_t c = 0;
  for (int32_t k = 0; k < r->manifoldCount; ++k) {
    const int32_t n = r->manifolds[k].pointCount;
    if (index < c + n) {
      *manifold = k;
      *point = index - c;
      return true;
    }
    c += n;
  }
  return false;
}

}  // namespace

int32_t CPhysicsWorld::GetCollisionPointCount(const CInstance* instance) const {
  const ContactRecord* r = m_parts->current;
  if (!Reads(r, instance)) return 0;
  int32_t n = 0;
  for (int32_t k = 0; k < r->manifoldCount; ++k) n += r->manifolds[k].pointCount;
  return n;
}

bool CPhysicsWorld::GetCollisionPoint(const CInstance* instance, int32_t index, float* x, float* y) const {
  const ContactRecord* r = m_parts->current;
  int32_t k, p;
  if (!Reads(r, instance) || !FindPoint(r, index, &k, &p)) return false;
  const float inverse = 1.0f / m_pixelToMetreScale;
  *x = r->world[k].points[p].x * inverse;
  *y = r->world[k].points[p].y * inverse;
  return true;
}

bool CPhysicsWorld::GetCollisionNormal(const CInstance* instance, int32_t index, float* x, float* y) const {
  const ContactRecord* r = m_parts->current;
  int32_t k, p;
  if (!Reads(r, instance) || !FindPoint(r, index, &k, &p)) return false;
  *x = r->world[k].normal.x;
  *y = r->world[k].normal.y;
  return true;
}

// --- the step ----------------------------------------------------------------------------------

void CPhysicsWorld::Update(int32_t roomSpeed, bool anyInstanceOnPath) {
  if (roomSpeed <= 0) return;
  CRoom* room = Room_Current;
  if (anyInstanceOnPath && room != nullptr) {
    const float scale = m_pixelToMetreScale;
    for (CInstance* i = room->active.first; i != nullptr; i = i->list_next) {
      if (i->path_index < 0) continue;
      if (i->AdvancePath()) Event_Perform(i, i, kEventOther, 8);
      CPhysicsObject* o = i->physics_object;
      if (o != nullptr && o->BodyType() != CPhysicsObject::kBodyDynamic) o->SetPosition(i->x * scale, i->y * scale);
    }
  }
  if (m_paused) return;

  for (b2Body* b = m_world->GetBodyList(); b != nullptr; b = b->GetNext()) {
    CInstance* instance = InstanceOf(b);
    if (instance == nullptr || instance->physics_object == nullptr) continue;
    instance->physics_object->m_previousX = b->GetPosition().x;
    instance->physics_object->m_previousY = b->GetPosition().y;
  }

  float n = static_cast<float>(m_updateSpeed) / static_cast<float>(roomSpeed);
  const float dt = 1.0f / static_cast<float>(m_updateSpeed);
  m_parts->index.clear();
  while (n > 0.0f) {
    m_world->Step(n > 1.0f ? dt : n * dt, m_iterations, m_iterations);
    n -= 1.0f;
  }
  m_world->ClearForces();

  const float inverse = 1.0f / m_pixelToMetreScale;
  for (b2Body* b = m_world->GetBodyList(); b != nullptr; b = b->GetNext()) {
    CInstance* instance = InstanceOf(b);
    if (instance == nullptr || instance->physics_object == nullptr) continue;
    const CPhysicsObject* o = instance->physics_object;
    const float a = b->GetAngle();
    float rx = 0.0f;
    float ry = 0.0f;
    if (o->m_offsetX != 0.0f || o->m_offsetY != 0.0f) {
      rx = o->m_offsetX * std::cos(a) - o->m_offsetY * std::sin(a);
      ry = o->m_offsetX * std::sin(a) + o->m_offsetY * std::cos(a);
    }
    instance->x = b->GetPosition().x * inverse + rx;
    instance->y = b->GetPosition().y * inverse + ry;
    instance->SetImageAngle(physics::RadiansToDegrees(-static_cast<double>(a)));
    instance->MarkBoundingBoxDirty();
  }

  // Last filed first; event code may destroy bodies, whose fixtures are then cleared from the
  // records still waiting and from the one whose events run.
  std::vector<ContactRecord>& stack = m_parts->stack;
  while (!stack.empty()) {
    m_parts->dispatching = stack.back();
    stack.pop_back();
    ContactRecord& r = m_parts->dispatching;
    if (r.a == nullptr || r.b == nullptr) continue;
    CInstance* a = InstanceOf(r.a->GetBody());
    CInstance* b = InstanceOf(r.b->GetBody());
    m_parts->current = &r;
    if (a != nullptr && b != nullptr) {
      Event_Perform(a, b, kEventCollision, b->object_index);
      Event_Perform(b, a, kEventCollision, a->object_index);
    }
    m_parts->current = nullptr;
  }
  m_parts->index.clear();
}
