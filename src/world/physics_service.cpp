// Recording stand-in of the physics world: bodies and fixtures are kept as plain records so that
// the instance record's use of them can be checked; nothing is simulated.
#include <cmath>
#include <map>

#include "world/physics_recording.h"
#include "world/instance.h"

namespace {
PhysicsRecord g_record;
std::map<int32_t, CPhysicsFixture*> g_fixtures;
int32_t g_nextFixtureId = 0;
}  // namespace

void CPhysicsFixture::SetCircleShape(float radiusMetres) {
  m_shape = kShapeCircle;
  m_radius = radiusMetres;
  m_pointCount = 0;
}

void CPhysicsFixture::SetPolygonShape() {
  m_shape = kShapePolygon;
  m_pointCount = 0;
}

void CPhysicsFixture::AddPoint(float xMetres, float yMetres) {
  if (m_shape != kShapePolygon || m_pointCount >= kMaxPolygonPoints) return;
  m_points[m_pointCount][0] = xMetres;
  m_points[m_pointCount][1] = yMetres;
  ++m_pointCount;
}

CPhysicsObject::~CPhysicsObject() { ++g_record.bodiesDestroyed; }

namespace {
constexpr float kDegreesPerRadian = 180.0f / 3.1415927410125732f;
}  // namespace

void CPhysicsObject::SetRotation(float degrees) { m_angle = degrees / kDegreesPerRadian; }

void CPhysicsObject::SetPosition(float xMetres, float yMetres) {
  m_previousX = m_x;
  m_previousY = m_y;
  m_x = xMetres;
  m_y = yMetres;
}

void CPhysicsObject::SetAngularVelocity(float degreesPerSecond) { m_angularVelocity = degreesPerSecond / kDegreesPerRadian; }

void CPhysicsObject::SetLinearVelocity(float xMetres, float yMetres) {
  m_linearVelocityX = xMetres;
  m_linearVelocityY = yMetres;
}

float CPhysicsObject::WorldCentreX() const {
  return m_x + std::cos(m_angle) * m_localCentreX - std::sin(m_angle) * m_localCentreY;
}
float CPhysicsObject::WorldCentreY() const {
  return m_y + std::sin(m_angle) * m_localCentreX + std::cos(m_angle) * m_localCentreY;
}

int32_t CPhysicsWorld::GetCollisionPointCount(const CInstance* instance) const {
  return instance != nullptr && instance == m_contactInstance ? static_cast<int32_t>(m_contactPoints.size()) : 0;
}

bool CPhysicsWorld::GetCollisionPoint(const CInstance* instance, int32_t index, float* x, float* y) const {
  if (index < 0 || index >= GetCollisionPointCount(instance)) return false;
  *x = m_contactPoints[static_cast<size_t>(index)].x;
  *y = m_contactPoints[static_cast<size_t>(index)].y;
  return true;
}

bool CPhysicsWorld::GetCollisionNormal(const CInstance* instance, int32_t index, float* x, float* y) const {
  if (index < 0 || index >= GetCollisionPointCount(instance)) return false;
  *x = m_contactPoints[static_cast<size_t>(index)].normalX;
  *y = m_contactPoints[static_cast<size_t>(index)].normalY;
  return true;
}

void CPhysicsWorld::BindFixture(CPhysicsFixture* fixture, CInstance* instance, float offsetX, float offsetY) {
  if (fixture == nullptr || instance == nullptr) return;
  if (instance->physics_object == nullptr) {
    instance->physics_object = new CPhysicsObject(this);
    ++g_record.bodiesCreated;
  }
  g_record.binds.push_back(PhysicsBindRecord{instance, *fixture, offsetX, offsetY});
}

void CPhysicsWorld::DestroyBody(CPhysicsWorld*, CPhysicsObject* object) { delete object; }

CPhysicsFixture* PhysicsFixture_Create() {
  auto* fixture = new CPhysicsFixture(g_nextFixtureId++);
  g_fixtures[fixture->m_id] = fixture;
  return fixture;
}

void PhysicsFixture_Delete(int32_t id) {
  auto it = g_fixtures.find(id);
  if (it == g_fixtures.end()) return;
  delete it->second;
  g_fixtures.erase(it);
}

const PhysicsRecord& Physics_Record() { return g_record; }
void Physics_ClearRecord() { g_record = PhysicsRecord(); }
int32_t PhysicsFixture_LiveCount() { return static_cast<int32_t>(g_fixtures.size()); }
