// What the game world uses of physics: a room's physics world, fixture definitions, and the body
// that an instance owns. The classes are declared here, where the instance and room records need
// them; physics/ defines their members over the physics library, so that the per-instance calls
// of the physics variables stay direct calls.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

class CInstance;
class CPhysicsWorld;
class b2Body;
class b2Fixture;
class b2Contact;
class b2World;

// A fixture definition: one shape in metres with its material, bound to instances' bodies.
class CPhysicsFixture {
 public:
  static constexpr int32_t kMaxPolygonPoints = 8;
  enum Shape : int32_t { kShapeNone, kShapeCircle, kShapeBox, kShapeEdge, kShapePolygon, kShapeChain };
  struct Point {
    float x;
    float y;
  };

  explicit CPhysicsFixture(int32_t id) : m_id(id) {}

  // Each shape setter drops the previous shape and its points.
  void SetCircleShape(float radiusMetres);
  void SetBoxShape(float halfWidthMetres, float halfHeightMetres);
  void SetEdgeShape(float x1, float y1, float x2, float y2);
  void SetPolygonShape();  // empty, room for 8 points
  void SetChainShape(bool loop);  // empty, room for 8 points, grows by half
  // True when the point was taken and, for a polygon, all points so far are convex and clockwise
  // on screen. A concave point stays in the list (reported); a ninth polygon point, or a point for
  // any other shape, is not stored.
  bool AddPoint(float xMetres, float yMetres);
  bool CheckConvex() const;

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
  float m_halfWidth = 0.0f;
  float m_halfHeight = 0.0f;
  std::vector<Point> m_points;   // polygon, chain, and the two ends of an edge
  int32_t m_pointCapacity = 0;   // what the point list has room for before it grows
  bool m_loop = false;
  float m_linearDamping = 0.0f;
  float m_angularDamping = 0.0f;
  bool m_sensor = false;
  int16_t m_collisionGroup = 0;
  float m_density = 0.0f;
  float m_restitution = 0.0f;
  float m_friction = 0.2f;
  bool m_awake = true;
  bool m_kinematic = false;
};

// Fixture definitions live in a table by id (from 1, never reused) until deleted.
CPhysicsFixture* PhysicsFixture_Create();
CPhysicsFixture* PhysicsFixture_Find(int32_t id);
bool PhysicsFixture_Delete(int32_t id);
// Definitions not yet deleted.
int32_t PhysicsFixture_LiveCount();

// The physics object of an instance: its body in a world. Lengths in metres, angles in the body's
// convention (radians, clockwise on screen) unless named otherwise. Deleting it destroys the body.
class CPhysicsObject {
 public:
  static constexpr int32_t kBodyStatic = 0;
  static constexpr int32_t kBodyKinematic = 1;
  static constexpr int32_t kBodyDynamic = 2;

  CPhysicsObject(CPhysicsWorld* world, b2Body* body, float offsetX, float offsetY, int32_t category);
  ~CPhysicsObject();
  CPhysicsObject(const CPhysicsObject&) = delete;
  CPhysicsObject& operator=(const CPhysicsObject&) = delete;

  float X() const;
  float Y() const;
  float Angle() const;
  float LinearVelocityX() const;
  float LinearVelocityY() const;
  float AngularVelocity() const;  // radians per second
  float LinearDamping() const;
  float AngularDamping() const;
  bool Bullet() const;
  bool FixedRotation() const;
  bool Active() const;
  bool Awake() const;
  int32_t BodyType() const;
  float Mass() const;
  float Inertia() const;  // about the body origin
  float WorldCentreX() const;
  float WorldCentreY() const;

  // Refused (nothing changes) when a value is not finite, or a damping is negative: the library
  // would stop the program on it.
  void SetPosition(float x, float y);  // keeps the angle, wakes the body
  void SetRotation(float degrees);     // not negated; keeps the position, wakes the body
  void SetLinearVelocity(float vx, float vy);
  void SetAngularVelocity(float degreesPerSecond);
  void SetLinearDamping(float v);
  void SetAngularDamping(float v);
  void SetBullet(bool on);
  void SetFixedRotation(bool on);
  void SetActive(bool on);

  // Forces and impulses act on dynamic bodies only (woken first), in world or body-local terms;
  // the library clears forces after each of its steps.
  void ApplyForce(float pointX, float pointY, float forceX, float forceY);
  void ApplyImpulse(float pointX, float pointY, float impulseX, float impulseY);
  void ApplyLocalForce(float pointX, float pointY, float forceX, float forceY);
  void ApplyLocalImpulse(float pointX, float pointY, float impulseX, float impulseY);
  void ApplyTorque(float torque);
  void ApplyAngularImpulse(float impulse);
  void SetMassProperties(float mass, float localCentreX, float localCentreY, float inertia);

  // Binding ids count from 0 per body; a chain binding holds one edge fixture per segment.
  int32_t AddFixture(std::vector<b2Fixture*> fixtures);
  bool RemoveFixture(int32_t bindingId);
  float GetFriction(int32_t bindingId) const;
  float GetDensity(int32_t bindingId) const;
  float GetRestitution(int32_t bindingId) const;
  void SetFriction(int32_t bindingId, float v);
  void SetDensity(int32_t bindingId, float v);
  void SetRestitution(int32_t bindingId, float v);
  int32_t FixtureCount() const;  // library fixtures on the body
  // Draws the fixtures in the current draw colour, in pixels (k is 1 / scale); a circle around the
  // body origin.
  void DebugDraw(float k) const;

  CPhysicsWorld* m_pWorld;  // null once the world is gone
  b2Body* m_body;           // null once the world is gone
  float m_offsetX;          // pixels
  float m_offsetY;
  float m_previousX;        // metres, before the latest update's substeps
  float m_previousY;
  int32_t m_category;
  int32_t m_nextBinding = 0;
  std::unordered_map<int32_t, std::vector<b2Fixture*>> m_bindings;
};

// Any fixture of the instance's body, placed at (x, y) metres with that angle (radians), overlaps
// any fixture of the other's body where it is; false when either has no body.
bool Physics_TestOverlap(const CInstance* instance, const CInstance* other, float x, float y, float angle);

// A room's physics world: the library world, its contact stack and collision categories.
class CPhysicsWorld {
 public:
  static constexpr int32_t kMaxManifolds = 8;
  static constexpr int32_t kCategoryCount = 32;

  CPhysicsWorld(float pixelToMetreScale, int32_t updateSpeed);
  ~CPhysicsWorld();
  CPhysicsWorld(const CPhysicsWorld&) = delete;
  CPhysicsWorld& operator=(const CPhysicsWorld&) = delete;
  // A new, empty world with the source's update speed, iterations, scale and gravity.
  static CPhysicsWorld* CopyConstruct(const CPhysicsWorld* source);

  void SetGravity(float x, float y);
  float GravityX() const;
  float GravityY() const;

  // Binds the definition to the instance (its body made on first use, offset in pixels); the
  // binding id, or -1 when it cannot be bound.
  int32_t BindFixture(CPhysicsFixture* fixture, CInstance* instance, float offsetX, float offsetY);
  // Destroys an instance's body and deletes its physics object (either may be null).
  static void DestroyBody(CPhysicsWorld* world, CPhysicsObject* object);

  // Draws the whole world with the script's debug flags (shapes 1, joints 2, centres of mass 4,
  // boxes 8, contact pairs 64).
  void DrawDebug(int32_t flags);

  // The step of the motion phase: paths, substeps, instances following bodies, collision events.
  void Update(int32_t roomSpeed, bool anyInstanceOnPath);

  int32_t CollisionCategoryFor(int32_t objectIndex);
  void RefreshFilters();
  void PushContact(b2Contact* contact);
  void ForgetFixtureContacts(const b2Fixture* fixture);

  // The contact whose collision events run, as the reading instance sees it (room pixels).
  int32_t GetCollisionPointCount(const CInstance* instance) const;
  bool GetCollisionPoint(const CInstance* instance, int32_t index, float* x, float* y) const;
  bool GetCollisionNormal(const CInstance* instance, int32_t index, float* x, float* y) const;

  struct Category {
    int32_t objectIndex = -1;
    uint32_t categoryBits = 0;
    uint32_t maskBits = 0;
  };
  struct ContactRecord;
  struct Parts;  // what the library side owns: listener, filter, contact stack

  int32_t m_updateSpeed;
  int32_t m_iterations = 10;
  float m_pixelToMetreScale;
  bool m_paused = false;
  Category m_categories[kCategoryCount];
  b2World* m_world;
  Parts* m_parts;
};
