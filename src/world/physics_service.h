// What the instance record uses of physics: the room's world, fixture definitions, and the body
// that an instance owns.
#pragma once

#include <cstdint>
#include <vector>

class CInstance;
class CPhysicsWorld;

// A fixture definition: one shape with its material, bound to an instance's body.
class CPhysicsFixture {
 public:
  static constexpr int32_t kMaxPolygonPoints = 8;
  enum Shape : int32_t { kShapeNone = 0, kShapeCircle = 1, kShapePolygon = 2 };

  explicit CPhysicsFixture(int32_t id) : m_id(id) {}

  void SetCircleShape(float radiusMetres);
  // An empty polygon with room for 8 points.
  void SetPolygonShape();
  // Adds a polygon point in metres; points beyond 8 are dropped.
  void AddPoint(float xMetres, float yMetres);

  void SetLinearDamping(float v) { m_linearDamping = v; }
  void SetAngularDamping(float v) { m_angularDamping = v; }
  void SetSensor(bool v) { m_sensor = v; }
  void SetCollisionGroup(int16_t v) { m_collisionGroup = v; }
  void SetDensity(float v) { m_density = v; }
  void SetRestitution(float v) { m_restitution = v; }
  void SetFriction(float v) { m_friction = v; }
  void SetAwake(bool v) { m_awake = v; }
  void SetKinematic() { m_kinematic = true; }

  int32_t m_id;
  Shape m_shape = kShapeNone;
  float m_radius = 0.0f;
  int32_t m_pointCount = 0;
  float m_points[kMaxPolygonPoints][2] = {};
  float m_linearDamping = 0.0f;
  float m_angularDamping = 0.0f;
  bool m_sensor = false;
  int16_t m_collisionGroup = 0;
  float m_density = 0.0f;
  float m_restitution = 0.0f;
  float m_friction = 0.0f;
  bool m_awake = true;
  bool m_kinematic = false;
};

// The physics object of an instance: its body in a world. Deleting it destroys the body.
class CPhysicsObject {
 public:
  explicit CPhysicsObject(CPhysicsWorld* world) : m_pWorld(world) {}
  ~CPhysicsObject();
  CPhysicsObject(const CPhysicsObject&) = delete;
  CPhysicsObject& operator=(const CPhysicsObject&) = delete;

  // The body as the stand-in keeps it: what was written, nothing simulated. Metres, radians and
  // seconds, as the body itself counts.
  static constexpr int32_t kBodyStatic = 0;
  static constexpr int32_t kBodyKinematic = 1;
  static constexpr int32_t kBodyDynamic = 2;

  void SetRotation(float degrees);
  void SetPosition(float xMetres, float yMetres);  // the old position becomes the previous one
  void SetAngularVelocity(float degreesPerSecond);
  void SetLinearVelocity(float xMetres, float yMetres);
  void SetFixedRotation(bool on) { m_fixedRotation = on; }
  void SetActive(bool on) { m_active = on; }
  // The centre of mass in world coordinates (metres).
  float WorldCentreX() const;
  float WorldCentreY() const;

  CPhysicsWorld* m_pWorld;
  float m_angle = 0.0f;
  float m_x = 0.0f;
  float m_y = 0.0f;
  float m_previousX = 0.0f;
  float m_previousY = 0.0f;
  float m_linearVelocityX = 0.0f;
  float m_linearVelocityY = 0.0f;
  float m_angularVelocity = 0.0f;
  float m_angularDamping = 0.0f;
  float m_linearDamping = 0.0f;
  bool m_bullet = false;
  bool m_fixedRotation = false;
  bool m_active = true;
  bool m_awake = true;
  int32_t m_bodyType = kBodyDynamic;
  float m_mass = 0.0f;
  float m_inertia = 0.0f;  // about the centre of mass
  float m_localCentreX = 0.0f;
  float m_localCentreY = 0.0f;
};

// A room's physics world.
class CPhysicsWorld {
 public:
  explicit CPhysicsWorld(float pixelToMetreScale) : m_pixelToMetreScale(pixelToMetreScale) {}

  // Creates the instance's body on first use, attaches a copy of the fixture at the offset (in
  // pixels) and stores the body in the instance.
  void BindFixture(CPhysicsFixture* fixture, CInstance* instance, float offsetX, float offsetY);
  // Destroys an instance's body in the world and deletes its physics object.
  static void DestroyBody(CPhysicsWorld* world, CPhysicsObject* object);

  // The contact being reported (a collision event of a physics instance): its points in room
  // units and its normals, for the instance involved.
  struct ContactPoint {
    float x;
    float y;
    float normalX;
    float normalY;
  };
  int32_t GetCollisionPointCount(const CInstance* instance) const;
  // False when the instance is not the contact's or the point does not exist.
  bool GetCollisionPoint(const CInstance* instance, int32_t index, float* x, float* y) const;
  bool GetCollisionNormal(const CInstance* instance, int32_t index, float* x, float* y) const;

  float m_pixelToMetreScale;
  const CInstance* m_contactInstance = nullptr;
  std::vector<ContactPoint> m_contactPoints;
};

// Fixture definitions live in a table by running id until deleted.
CPhysicsFixture* PhysicsFixture_Create();
void PhysicsFixture_Delete(int32_t id);
