// An instance's body: its state for the physics variables, its bound fixtures, and its end.
#include <initializer_list>

#include "physics/physics_internal.h"
#include "world/instance.h"

using physics::CheckArgument;
using physics::Finite;

CPhysicsObject::CPhysicsObject(CPhysicsWorld* world, b2Body* body, float offsetX, float offsetY, int32_t category)
    : m_pWorld(world),
      m_body(body),
      m_offsetX(offsetX),
      m_offsetY(offsetY),
      m_previousX(body->GetPosition().x),
      m_previousY(body->GetPosition().y),
      m_category(category) {}

CPhysicsObject::~CPhysicsObject() {
  if (m_pWorld == nullptr || m_body == nullptr) return;  // the world went first and took the body
  // Records still on the contact stack (the one whose events run included) must not keep the
  // fixtures the library is about to free.
  for (b2Fixture* f = m_body->GetFixtureList(); f != nullptr; f = f->GetNext()) m_pWorld->ForgetFixtureContacts(f);
  m_pWorld->m_world->DestroyBody(m_body);
  m_body = nullptr;
}

float CPhysicsObject::X() const { return m_body != nullptr ? m_body->GetPosition().x : 0.0f; }
float CPhysicsObject::Y() const { return m_body != nullptr ? m_body->GetPosition().y : 0.0f; }
float CPhysicsObject::Angle() const { return m_body != nullptr ? m_body->GetAngle() : 0.0f; }
float CPhysicsObject::LinearVelocityX() const { return m_body != nullptr ? m_body->GetLinearVelocity().x : 0.0f; }
float CPhysicsObject::LinearVelocityY() const { return m_body != nullptr ? m_body->GetLinearVelocity().y : 0.0f; }
float CPhysicsObject::AngularVelocity() const { return m_body != nullptr ? m_body->GetAngularVelocity() : 0.0f; }
float CPhysicsObject::LinearDamping() const { return m_body != nullptr ? m_body->GetLinearDamping() : 0.0f; }
float CPhysicsObject::AngularDamping() const { return m_body != nullptr ? m_body->GetAngularDamping() : 0.0f; }
bool CPhysicsObject::Bullet() const { return m_body != nullptr && m_body->IsBullet(); }
bool CPhysicsObject::FixedRotation() const { return m_body != nullptr && m_body->IsFixedRotation(); }
bool CPhysicsObject::Active() const { return m_body != nullptr && m_body->IsEnabled(); }
bool CPhysicsObject::Awake() const { return m_body != nullptr && m_body->IsAwake(); }
float CPhysicsObject::Mass() const { return m_body != nullptr ? m_body->GetMass() : 0.0f; }
float CPhysicsObject::Inertia() const { return m_body != nullptr ? m_body->GetInertia() : 0.0f; }
float CPhysicsObject::WorldCentreX() const { return m_body != nullptr ? m_body->GetWorldCenter().x : 0.0f; }
float CPhysicsObject::WorldCentreY() const { return m_body != nullptr ? m_body->GetWorldCenter().y : 0.0f; }

int32_t CPhysicsObject::BodyType() const {
  if (m_body == nullptr) return kBodyStatic;
  switch (m_body->GetType()) {
    case b2_dynamicBody:
      return kBodyDynamic;
    case b2_kinematicBody:
      return kBodyKinematic;
    default:
      return kBodyStatic;
  }
}

void CPhysicsObject::SetPosition(float x, float y) {
  if (m_body == nullptr || !CheckArgument(Finite(x) && Finite(y), L"body position must be finite")) return;
  m_body->SetTransform(b2Vec2(x, y), m_body->GetAngle());
  m_body->SetAwake(true);
}

void CPhysicsObject::SetRotation(float degrees) {
  const float radians = physics::DegreesToRadians(degrees);
  if (m_body == nullptr || !CheckArgument(Finite(radians), L"body angle must be finite")) return;
  m_body->SetTransform(m_body->GetPosition(), radians);
  m_body->SetAwake(true);
}

void CPhysicsObject::SetLinearVelocity(float vx, float vy) {
  if (m_body == nullptr || !CheckArgument(Finite(vx) && Finite(vy), L"linear velocity must be finite")) return;
  const bool moving = vx != 0.0f || vy != 0.0f;
  // A static body told to move becomes kinematic, so that it moves without being pushed.
  if (moving && m_body->GetType() == b2_staticBody) m_body->SetType(b2_kinematicBody);
  if (m_body->GetType() != b2_staticBody) {
    if (moving) m_body->SetAwake(true);
    m_body->SetLinearVelocity(b2Vec2(vx, vy));
  }
  m_body->SetAwake(true);
}

void CPhysicsObject::SetAngularVelocity(float degreesPerSecond) {
  const float radians = physics::DegreesToRadians(degreesPerSecond);
  if (m_body == nullptr || !CheckArgument(Finite(radians), L"angular velocity must be finite")) return;
  if (m_body->GetType() != b2_staticBody) {
    if (radians != 0.0f) m_body->SetAwake(true);
    m_body->SetAngularVelocity(radians);
  }
  m_body->SetAwake(true);
}

void CPhysicsObject::SetLinearDamping(float v) {
  if (m_body == nullptr || !CheckArgument(Finite(v) && v >= 0.0f, L"linear damping must be finite and not negative")) return;
  m_body->SetLinearDamping(v);
}

void CPhysicsObject::SetAngularDamping(float v) {
  if (m_body == nullptr || !CheckArgument(Finite(v) && v >= 0.0f, L"angular damping must be finite and not negative")) return;
  m_body->SetAngularDamping(v);
}

void CPhysicsObject::SetBullet(bool on) {
  if (m_body != nullptr) m_body->SetBullet(on);
}
void CPhysicsObject::SetFixedRotation(bool on) {
  if (m_body != nullptr) m_body->SetFixedRotation(on);
}
void CPhysicsObject::SetActive(bool on) {
  if (m_body != nullptr) m_body->SetEnabled(on);
}

int32_t CPhysicsObject::AddFixture(std::vector<b2Fixture*> fixtures) {
  const int32_t id = m_nextBinding++;
  m_bindings[id] = std::move(fixtures);
  return id;
}

bool CPhysicsObject::RemoveFixture(int32_t bindingId) {
  auto it = m_bindings.find(bindingId);
  if (it == m_bindings.end()) return false;
  if (m_body != nullptr && m_pWorld != nullptr) {
    for (b2Fixture* f : it->second) {
      m_pWorld->ForgetFixtureContacts(f);
      m_body->DestroyFixture(f);
    }
  }
  m_bindings.erase(it);
  return true;
}

float CPhysicsObject::GetFriction(int32_t bindingId) const {
  auto it = m_bindings.find(bindingId);
  return it != m_bindings.end() && !it->second.empty() ? it->second.front()->GetFriction() : 0.0f;
}
float CPhysicsObject::GetDensity(int32_t bindingId) const {
  auto it = m_bindings.find(bindingId);
  return it != m_bindings.end() && !it->second.empty() ? it->second.front()->GetDensity() : 0.0f;
}
float CPhysicsObject::GetRestitution(int32_t bindingId) const {
  auto it = m_bindings.find(bindingId);
  return it != m_bindings.end() && !it->second.empty() ? it->second.front()->GetRestitution() : 0.0f;
}

void CPhysicsObject::SetFriction(int32_t bindingId, float v) {
  auto it = m_bindings.find(bindingId);
  if (it == m_bindings.end() || !CheckArgument(Finite(v), L"friction must be finite")) return;
  for (b2Fixture* f : it->second) f->SetFriction(v);
}
void CPhysicsObject::SetRestitution(int32_t bindingId, float v) {
  auto it = m_bindings.find(bindingId);
  if (it == m_bindings.end() || !CheckArgument(Finite(v), L"restitution must be finite")) return;
  for (b2Fixture* f : it->second) f->SetRestitution(v);
}
void CPhysicsObject::SetDensity(int32_t bindingId, float v) {
  auto it = m_bindings.find(bindingId);
  if (it == m_bindings.end() || m_body == nullptr ||
      !CheckArgument(Finite(v) && v >= 0.0f, L"density must be finite and not negative")) {
    return;
  }
  for (b2Fixture* f : it->second) f->SetDensity(v);
  m_body->ResetMassData();
}

int32_t CPhysicsObject::FixtureCount() const {
  int32_t n = 0;
  if (m_body != nullptr) {
    for (const b2Fixture* f = m_body->GetFixtureList(); f != nullptr; f = f->GetNext()) ++n;
  }
  return n;
}

namespace {

bool AllFinite(std::initializer_list<float> values) {
  for (float v : values) {
    if (!Finite(v)) return false;
  }
  return true;
}

}  // namespace

void CPhysicsObject::ApplyForce(float pointX, float pointY, float forceX, float forceY) {
  if (m_body == nullptr || m_body->GetType() != b2_dynamicBody ||
      !CheckArgument(AllFinite({pointX, pointY, forceX, forceY}), L"force must be finite")) {
    return;
  }
  m_body->ApplyForce(b2Vec2(forceX, forceY), b2Vec2(pointX, pointY), true);
}

void CPhysicsObject::ApplyImpulse(float pointX, float pointY, float impulseX, float impulseY) {
  if (m_body == nullptr || m_body->GetType() != b2_dynamicBody ||
      !CheckArgument(AllFinite({pointX, pointY, impulseX, impulseY}), L"impulse must be finite")) {
    return;
  }
  m_body->ApplyLinearImpulse(b2Vec2(impulseX, impulseY), b2Vec2(pointX, pointY), true);
}

void CPhysicsObject::ApplyLocalForce(float pointX, float pointY, float forceX, float forceY) {
  if (m_body == nullptr) return;
  const b2Vec2 point = m_body->GetWorldPoint(b2Vec2(pointX, pointY));
  const b2Vec2 force = m_body->GetWorldVector(b2Vec2(forceX, forceY));
  ApplyForce(point.x, point.y, force.x, force.y);
}

void CPhysicsObject::ApplyLocalImpulse(float pointX, float pointY, float impulseX, float impulseY) {
  if (m_body == nullptr) return;
  const b2Vec2 point = m_body->GetWorldPoint(b2Vec2(pointX, pointY));
  const b2Vec2 impulse = m_body->GetWorldVector(b2Vec2(impulseX, impulseY));
  ApplyImpulse(point.x, point.y, impulse.x, impulse.y);
}

void CPhysicsObject::ApplyTorque(float torque) {
  if (m_body == nullptr || m_body->GetType() != b2_dynamicBody || !CheckArgument(Finite(torque), L"torque must be finite")) {
    return;
  }
  m_body->ApplyTorque(torque, true);
}

void CPhysicsObject::ApplyAngularImpulse(float impulse) {
  if (m_body == nullptr || m_body->GetType() != b2_dynamicBody ||
      !CheckArgument(Finite(impulse), L"angular impulse must be finite")) {
    return;
  }
  m_body->ApplyAngularImpulse(impulse, true);
}

void CPhysicsObject::SetMassProperties(float mass, float localCentreX, float localCentreY, float inertia) {
  // The library stops on an inertia at or below the mass's own about the centre.
  // A mass of 0 or less counts as 1 there, as the library takes it.
  const float centre = localCentreX * localCentreX + localCentreY * localCentreY;
  const float effectiveMass = mass > 0.0f ? mass : 1.0f;
  if (m_body == nullptr ||
      !CheckArgument(AllFinite({mass, localCentreX, localCentreY, inertia}) && mass >= 0.0f && inertia >= 0.0f &&
                         (inertia == 0.0f || m_body->IsFixedRotation() || inertia - effectiveMass * centre > 0.0f),
                     L"mass properties must be finite, not negative, and the inertia above the mass's own")) {
    return;
  }
  b2MassData data;
  data.mass = mass;
  data.center.Set(localCentreX, localCentreY);
  data.I = inertia;
  m_body->SetMassData(&data);
}

bool Physics_TestOverlap(const CInstance* instance, const CInstance* other, float x, float y, float angle) {
  if (instance == nullptr || other == nullptr || instance->physics_object == nullptr || other->physics_object == nullptr) {
    return false;
  }
  const b2Body* a = instance->physics_object->m_body;
  const b2Body* b = other->physics_object->m_body;
  if (a == nullptr || b == nullptr || !AllFinite({x, y, angle})) return false;
  const b2Transform placed(b2Vec2(x, y), b2Rot(angle));
  for (const b2Fixture* fa = a->GetFixtureList(); fa != nullptr; fa = fa->GetNext()) {
    for (const b2Fixture* fb = b->GetFixtureList(); fb != nullptr; fb = fb->GetNext()) {
      if (b2TestOverlap(fa->GetShape(), 0, fb->GetShape(), 0, placed, b->GetTransform())) return true;
    }
  }
  return false;
}
