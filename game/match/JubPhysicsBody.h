#pragma once
#include "engine/KetrelRect.h"
#include "engine/KetrelTypes.h"
#include "engine/KetrelVector.h"

// Body kinds. Only moving bodies take the active side of a contact.
enum
{
    JUB_BODY_STATIC = 1,   // never moves; infinite mass in contacts
    JUB_BODY_STUCK  = 2,   // velocity forced to zero every substep; static to the bodies it meets
    JUB_BODY_MOVING = 4    // gravity, integration and contacts
};

// What CJubPhysicsWorld::CreateBody makes a body from. The defaults are a body's own.
struct CJubPhysicsBodyDesc
{
    CKetrelVector2 position;       // centre, world units
    CKetrelVector2 halfSize;       // half width, half height
    u32 kind = JUB_BODY_STATIC;
    u32 group = 1;                 // bits tested by CJubPhysicsWorld::PickBody
    f32 mass = 0.0f;               // 0 for static blocks
    f32 bounce = 0.5f;
    f32 friction = 0.5f;
};

// An axis-aligned box that never rotates. Boxes are stored as CKetrelRectF with
// left/top/right/bottom holding min x/min y/max x/max y: in this y-up world the rectangle's
// "top" is the lower edge. Bodies are made and deleted only by their CJubPhysicsWorld;
// a pointer dies with RemoveBody, Clear, SetStep or the world. The record may be copied
// whole onto another body (the turn snapshot does so) and then given its own owner.
class CJubPhysicsBody
{
public:
    const CKetrelVector2& GetPosition() const { return m_position; }
    void SetPosition(const CKetrelVector2& position) { m_position = position; }
    // Position at the end of the last completed Step; (-1000, -1000) before any.
    const CKetrelVector2& GetLastPosition() const { return m_lastPosition; }
    void SetLastPosition(const CKetrelVector2& position) { m_lastPosition = position; }
    // Position when the current Step began (moving bodies only).
    const CKetrelVector2& GetStepOrigin() const { return m_stepOrigin; }
    // Position minus step origin, set at the end of each Step (moving bodies only).
    const CKetrelVector2& GetStepMotion() const { return m_stepMotion; }
    void SetStepMotion(const CKetrelVector2& motion) { m_stepMotion = motion; }
    // World units per Step call, not per second.
    const CKetrelVector2& GetVelocity() const { return m_velocity; }
    void SetVelocity(const CKetrelVector2& velocity) { m_velocity = velocity; }
    const CKetrelVector2& GetHalfSize() const { return m_halfSize; }
    void SetHalfSize(const CKetrelVector2& halfSize) { m_halfSize = halfSize; }
    // Twice the contact impulses received in the current Step; zeroed when a Step begins.
    const CKetrelVector2& GetImpulseSum() const { return m_impulseSum; }
    void SetImpulseSum(const CKetrelVector2& sum) { m_impulseSum = sum; }
    // Zeroed for every body by QueryRadius; otherwise the caller's to use.
    const CKetrelVector2& GetBlastVector() const { return m_blastVector; }
    void SetBlastVector(const CKetrelVector2& blast) { m_blastVector = blast; }

    u32 GetKind() const { return m_kind; }
    void SetKind(u32 kind) { m_kind = kind; }
    u32 GetGroup() const { return m_group; }
    void SetGroup(u32 group) { m_group = group; }
    // 1 once the body has been still for more than 1 s of Steps.
    u32 GetResting() const { return m_resting; }
    void SetResting(u32 resting) { m_resting = resting; }
    // Two bodies interact only when their masks share a bit.
    u32 GetMask() const { return m_mask; }
    void SetMask(u32 mask) { m_mask = mask; }
    // Seconds of stillness; 2.0 once resting.
    f32 GetRestTimer() const { return m_restTimer; }
    void SetRestTimer(f32 seconds) { m_restTimer = seconds; }
    f32 GetMass() const { return m_mass; }
    void SetMass(f32 mass) { m_mass = mass; }
    f32 GetBounce() const { return m_bounce; }
    void SetBounce(f32 bounce) { m_bounce = bounce; }
    f32 GetFriction() const { return m_friction; }
    void SetFriction(f32 friction) { m_friction = friction; }
    // Set by the owner: a block id (32..254) or a creature's index.
    i32 GetId() const { return m_id; }
    void SetId(i32 id) { m_id = id; }
    // The game object this body belongs to; never used by the world.
    void* GetOwner() const { return m_owner; }
    void SetOwner(void* owner) { m_owner = owner; }

    // Position ± half size, now.
    CKetrelRectF GetBox() const;
    // The box as the last CreateBody or QueryRadius saw it.
    const CKetrelRectF& GetCachedBox() const { return m_cachedBox; }

private:
    friend class CJubPhysicsWorld;
    explicit CJubPhysicsBody(const CJubPhysicsBodyDesc& desc);

    // What every Step reads or writes for every body comes first, within one cache line.
    CKetrelVector2 m_position;
    CKetrelVector2 m_halfSize;
    CKetrelVector2 m_impulseSum;
    CKetrelVector2 m_lastPosition;
    CKetrelVector2 m_velocity;
    u32 m_kind;
    u32 m_mask;
    CKetrelVector2 m_stepOrigin;
    CKetrelVector2 m_stepMotion;
    CKetrelVector2 m_blastVector;
    u32 m_group;
    u32 m_resting;
    f32 m_restTimer;
    f32 m_mass;
    f32 m_bounce;
    f32 m_friction;
    i32 m_id;
    void* m_owner;           // not owned
    CKetrelRectF m_cachedBox;
};
