#include "game/match/JubPhysicsWorld.h"

#include "engine/KetrelMath.h"
#include "game/match/JubPhysicsBoxScan.h"

#include <cassert>

namespace
{
const f32 kGravityY = -0.003f;        // units per Step, added once per Step
const f32 kEpsilon = 1e-5f;
const f32 kRestMotionSq = 0.0001f;    // a Step motion longer than 0.01 units wakes a body
const f32 kRestAfter = 1.0f;          // seconds of stillness before resting
const f32 kRestingTimer = 2.0f;
const f32 kReportStrength = 5e-6f;    // squared closing speed a contact must exceed
const f32 kDeadBand = 0.0001f;        // shorter vectors are not rescaled
const f32 kOverlapMargin = 0.001f;
const f32 kSweepStrideFactor = 0.75f;
const i32 kSweepLastCount = 1001;     // so at most 1002 boxes per sweep

inline f32 Length(f32 x, f32 y)
{
    return KetrelSqrt(x * x + y * y);
}

inline bool InDeadBand(f32 length)
{
    return length > -kDeadBand && length < kDeadBand;
}

// Strict overlap of two boxes given by their edges; a NaN edge fails every comparison and
// so counts as overlapping.
inline bool EdgesOverlap(f32 aMinX, f32 aMinY, f32 aMaxX, f32 aMaxY,
                         f32 bMinX, f32 bMinY, f32 bMaxX, f32 bMaxY)
{
    return !(aMaxX <= bMinX || aMinX >= bMaxX || aMaxY <= bMinY || aMinY >= bMaxY);
}

// Clamps v into [lo, hi]; clamped is set when v had to move.
inline f32 Clamp(f32 v, f32 lo, f32 hi, bool& clamped)
{
    if (v < lo)
    {
        clamped = true;
        return lo;
    }
    if (v > hi)
    {
        clamped = true;
        return hi;
    }
    return v;
}

// The contact normal with its axis component (x for a contact on x, else y) multiplied by
// the closing speed on that axis, then the whole scaled.
inline CKetrelVector2 AxisImpulse(const CKetrelVector2& normal, bool onX,
                                  const CKetrelVector2& closing, f32 scale)
{
    CKetrelVector2 j = normal;
    if (onX)
        j.x *= KetrelFabs(closing.x);
    else
        j.y *= KetrelFabs(closing.y);
    j.Scale(scale);
    return j;
}

// Friction: the velocity's component along the contact (y for a contact on x) times k.
inline CKetrelVector2 Tangential(const CKetrelVector2& velocity, bool onX, f32 k)
{
    CKetrelVector2 f(0.0f, 0.0f);
    if (onX)
        f.y = velocity.y * k;
    else
        f.x = velocity.x * k;
    return f;
}

// Lengthens a push by epsilon in its own direction; 0 stays 0.
inline f32 PushOut(f32 push, f32 epsilon)
{
    if (push < 0.0f)
        return push - epsilon;
    if (push > 0.0f)
        return push + epsilon;
    return push;
}
}

CJubPhysicsWorld::CJubPhysicsWorld()
    : m_step(0.05f),
      m_substepFraction(0.25f),
      m_epsilon(0.0f),
      m_substeps(4),
      m_gravity(0.0f, 0.0f),
      m_sweepStamp(0),
      m_stepping(false)
{
}

CJubPhysicsWorld::~CJubPhysicsWorld()
{
    m_stepping = false;
    Clear();
}

void CJubPhysicsWorld::SetStep(f32 dt, i32 substeps)
{
    assert(substeps >= 1);
    if (m_stepping)
    {
        assert(!"SetStep from inside Step");
        return;
    }
    if (substeps < 1)
        substeps = 1;
    m_step = dt;
    m_substeps = substeps;
    m_substepFraction = 1.0f / (f32)substeps;
    m_gravity.Set(0.0f, kGravityY);
    m_epsilon = kEpsilon;
    Clear();
}

void CJubPhysicsWorld::Clear()
{
    if (m_stepping)
    {
        assert(!"Clear from inside Step");
        return;
    }
    m_queryHits.RemoveAll();
    m_sweepHits.RemoveAll();
    for (i32 i = 0; i < m_bodies.GetCount(); ++i)
        delete m_bodies[i];
    m_bodies.RemoveAll();
    m_minX.RemoveAll();
    m_minY.RemoveAll();
    m_maxX.RemoveAll();
    m_maxY.RemoveAll();
    m_masks.RemoveAll();
    m_sweepMarks.RemoveAll();
    m_sweepCandidates.RemoveAll();
    m_moving.RemoveAll();
    m_stuck.RemoveAll();
}

CJubPhysicsBody* CJubPhysicsWorld::CreateBody(const CJubPhysicsBodyDesc& desc)
{
    CJubPhysicsBody* body = new CJubPhysicsBody(desc);
    const i32 index = m_bodies.GetCount();
    m_bodies.Add(body);
    SetBodyCount(index + 1);
    m_sweepMarks[index] = 0;
    SyncBox(index);
    return body;
}

void CJubPhysicsWorld::RemoveBody(CJubPhysicsBody* body)
{
    if (body == nullptr)
        return;
    if (m_stepping)
    {
        assert(!"RemoveBody from inside Step");
        return;
    }
    for (i32 i = 0; i < m_bodies.GetCount(); ++i)
    {
        if (m_bodies[i] != body)
            continue;
        // Results of the last queries must not keep a pointer to a deleted body.
        for (i32 h = m_sweepHits.GetCount() - 1; h >= 0; --h)
            if (m_sweepHits[h] == body)
                m_sweepHits.RemoveAt(h);
        for (i32 h = m_queryHits.GetCount() - 1; h >= 0; --h)
            if (m_queryHits[h].body == body)
                m_queryHits.RemoveAt(h);
        delete body;
        m_bodies.RemoveAt(i);
        m_minX.RemoveAt(i);
        m_minY.RemoveAt(i);
        m_maxX.RemoveAt(i);
        m_maxY.RemoveAt(i);
        m_masks.RemoveAt(i);
        m_sweepMarks.RemoveAt(i);
        return;
    }
}

void CJubPhysicsWorld::AddListener(CJubPhysicsListener* listener)
{
    if (listener == nullptr)
        return;
    for (i32 i = 0; i < m_listeners.GetCount(); ++i)
        if (m_listeners.GetAt(i) == listener)
            return;
    m_listeners.Add(listener);
}

void CJubPhysicsWorld::RemoveListener(CJubPhysicsListener* listener)
{
    for (i32 i = 0; i < m_listeners.GetCount(); ++i)
    {
        if (m_listeners.GetAt(i) == listener)
        {
            m_listeners.RemoveAt(i);
            return;
        }
    }
}

void CJubPhysicsWorld::ClearListeners()
{
    m_listeners.RemoveAll();
}

CJubPhysicsBody* CJubPhysicsWorld::GetBody(i32 index) const
{
    if (index < 0 || index >= m_bodies.GetCount())
        return nullptr;
    return m_bodies[index];
}

const CJubPhysicsQueryHit* CJubPhysicsWorld::GetQueryHit(i32 index) const
{
    if (index < 0 || index >= m_queryHits.GetCount())
        return nullptr;
    return m_queryHits.ElementAt(index);
}

CJubPhysicsBody* CJubPhysicsWorld::GetSweepHit(i32 index) const
{
    if (index < 0 || index >= m_sweepHits.GetCount())
        return nullptr;
    return m_sweepHits[index];
}

void CJubPhysicsWorld::SetBodyCount(i32 count)
{
    // The box arrays keep their padding after the last body; the step lists only need to
    // be long enough, and growing keeps what they hold, so a body created by a listener
    // is safe.
    const i32 padded = count + JUB_PHYSICS_BOX_PADDING;
    m_minX.SetSize(padded);
    m_minY.SetSize(padded);
    m_maxX.SetSize(padded);
    m_maxY.SetSize(padded);
    m_masks.SetSize(padded);
    for (i32 i = count; i < padded; ++i)
        m_masks[i] = 0;
    m_sweepMarks.SetSize(count);
    if (m_moving.GetCount() < count)
        m_moving.SetSize(count);
    if (m_stuck.GetCount() < count)
        m_stuck.SetSize(count);
}

void CJubPhysicsWorld::SyncBox(i32 index)
{
    const CJubPhysicsBody* b = m_bodies[index];
    m_minX[index] = b->m_position.x - b->m_halfSize.x;
    m_minY[index] = b->m_position.y - b->m_halfSize.y;
    m_maxX[index] = b->m_position.x + b->m_halfSize.x;
    m_maxY[index] = b->m_position.y + b->m_halfSize.y;
    m_masks[index] = b->m_mask;
}

void CJubPhysicsWorld::SavePreviousPositions()
{
    for (i32 i = 0; i < m_bodies.GetCount(); ++i)
    {
        CJubPhysicsBody* b = m_bodies[i];
        b->m_lastPosition = b->m_position;
    }
}

void CJubPhysicsWorld::Step()
{
    if (m_stepping)
    {
        assert(!"Step from inside Step");
        return;
    }
    m_stepping = true;

    // Gravity once per Step; the moving and stuck lists keep the kinds this Step began with.
    i32 movingCount = 0;
    i32 stuckCount = 0;
    for (i32 i = 0; i < m_bodies.GetCount(); ++i)
    {
        CJubPhysicsBody* b = m_bodies[i];
        b->m_impulseSum.Set(0.0f, 0.0f);
        if (b->m_kind == JUB_BODY_MOVING)
        {
            m_moving[movingCount++] = i;
            b->m_stepOrigin = b->m_position;
            b->m_velocity.y += m_gravity.y;
        }
        else if (b->m_kind == JUB_BODY_STUCK)
        {
            m_stuck[stuckCount++] = i;
        }
        // Owners may have moved, resized or masked any body since the last Step.
        SyncBox(i);
    }

    for (i32 sub = 0; sub < m_substeps; ++sub)
    {
        for (i32 m = 0; m < movingCount; ++m)
        {
            const i32 ia = m_moving[m];
            CJubPhysicsBody* a = m_bodies[ia];
            a->m_position.x += a->m_velocity.x * m_substepFraction;
            a->m_position.y += a->m_velocity.y * m_substepFraction;
            SyncBox(ia);
        }
        for (i32 s = 0; s < stuckCount; ++s)
            m_bodies[m_stuck[s]]->m_velocity.Set(0.0f, 0.0f);

        // Every moving body against every body in creation order. Two moving bodies meet
        // twice, once from each side; a push is seen by the pairs after it.
        for (i32 m = 0; m < movingCount; ++m)
            CollideFrom(m_moving[m], 0);
    }

    for (i32 m = 0; m < movingCount; ++m)
    {
        CJubPhysicsBody* b = m_bodies[m_moving[m]];
        b->m_stepMotion.SetDifference(b->m_position, b->m_stepOrigin);
        if (b->m_stepMotion.LengthSquared() > kRestMotionSq)
        {
            b->m_restTimer = 0.0f;
            b->m_resting = 0;
        }
        else
        {
            b->m_restTimer += m_step;
            if (b->m_restTimer > kRestAfter)
            {
                b->m_resting = 1;
                b->m_restTimer = kRestingTimer;
            }
        }
        // Made stuck by a listener during this Step: its stillness starts now.
        if (b->m_kind == JUB_BODY_STUCK)
            b->m_restTimer = 0.0f;
    }
    for (i32 s = 0; s < stuckCount; ++s)
    {
        CJubPhysicsBody* b = m_bodies[m_stuck[s]];
        if (!(b->m_mass > 0.0f))
            continue;
        b->m_restTimer += m_step;
        if (b->m_restTimer > kRestAfter)
        {
            b->m_resting = 1;
            b->m_restTimer = kRestingTimer;
        }
    }

    SavePreviousPositions();
    m_stepping = false;
}

void CJubPhysicsWorld::CollideFrom(i32 ia, i32 first)
{
    // A resolved pair moves A, so the tests resume after it with A's new box.
    i32 ib = first;
    while (ib < m_bodies.GetCount())
    {
        CJubPhysicsBoxScan scan;
        scan.minX = m_minX.GetData();
        scan.minY = m_minY.GetData();
        scan.maxX = m_maxX.GetData();
        scan.maxY = m_maxY.GetData();
        scan.masks = m_masks.GetData();
        scan.aMinX = m_minX[ia];
        scan.aMinY = m_minY[ia];
        scan.aMaxX = m_maxX[ia];
        scan.aMaxY = m_maxY[ia];
        scan.aMask = m_masks[ia];
        scan.self = ia;
        scan.count = m_bodies.GetCount();
        const i32 hit = JubFindMeeting(scan, ib);
        if (hit < 0)
            return;
        if (ResolvePair(ia, hit))
        {
            // A listener may have moved or re-masked the pair, or added bodies.
            SyncBox(ia);
            SyncBox(hit);
        }
        ib = hit + 1;
    }
}

bool CJubPhysicsWorld::ResolvePair(i32 ia, i32 ib)
{
    CJubPhysicsBody* a = m_bodies[ia];
    CJubPhysicsBody* b = m_bodies[ib];
    const f32 speedA = Length(a->m_velocity.x, a->m_velocity.y);

    // Separation on the axis of least penetration. Ties push right and up, and equal
    // penetrations on both axes resolve on y.
    const f32 leftPush = m_minX[ib] - m_maxX[ia];
    const f32 rightPush = m_maxX[ib] - m_minX[ia];
    const f32 pushX = rightPush > KetrelFabs(leftPush) ? leftPush : rightPush;
    const f32 downPush = m_minY[ib] - m_maxY[ia];
    const f32 upPush = m_maxY[ib] - m_minY[ia];
    const f32 pushY = upPush > KetrelFabs(downPush) ? downPush : upPush;
    const bool onX = KetrelFabs(pushX) < KetrelFabs(pushY);
    CKetrelVector2 p(0.0f, 0.0f);
    CKetrelVector2 n(0.0f, 0.0f);
    if (onX)
    {
        p.x = PushOut(pushX, m_epsilon);
        n.x = pushX < 0.0f ? -1.0f : 1.0f;
    }
    else
    {
        p.y = PushOut(pushY, m_epsilon);
        n.y = pushY < 0.0f ? -1.0f : 1.0f;
    }

    const f32 mA = a->m_mass;
    const f32 mB = b->m_mass;
    const f32 mSum = mA + mB;
    if (mSum == 0.0f)
        return false;

    const bool bMoving = b->m_kind == JUB_BODY_MOVING;
    const CKetrelVector2 vA = a->m_velocity;
    CKetrelVector2 vB(0.0f, 0.0f);
    CKetrelVector2 v;
    f32 shareA, shareB, extraSpeed, k;
    const f32 frictionK = (a->m_friction + b->m_friction) / 5.0f;
    if (bMoving)
    {
        vB = b->m_velocity;
        shareA = mB / mSum;
        shareB = mA / mSum;
        v.x = (mA * vA.x + mB * vB.x) / mSum;
        v.y = (mA * vA.y + mB * vB.y) / mSum;
        extraSpeed = Length(vB.x, vB.y);
        k = frictionK * 0.25f;
    }
    else
    {
        shareA = 1.0f;
        shareB = 0.0f;
        v = vA;
        extraSpeed = 0.0f;
        k = frictionK;
    }

    a->m_position.x += p.x * shareA;
    a->m_position.y += p.y * shareA;

    // Impulse along the contact axis: (1 + average bounce) times the closing speed there.
    const f32 restitution = 1.0f + (a->m_bounce + b->m_bounce) / 2.0f;
    const CKetrelVector2 j = AxisImpulse(n, onX, v, shareA * restitution);
    CKetrelVector2 velA = a->m_velocity;
    velA.Add(j);

    a->m_impulseSum.x += 2.0f * j.x;
    a->m_impulseSum.y += 2.0f * j.y;
    b->m_impulseSum.x -= 2.0f * j.x;
    b->m_impulseSum.y -= 2.0f * j.y;

    // Friction on the other axis, from the velocities before this contact.
    const CKetrelVector2 f = Tangential(vA, onX, k);
    velA.Subtract(f);

    if (bMoving)
    {
        b->m_position.x -= p.x * shareB;
        b->m_position.y -= p.y * shareB;
        b->m_velocity.Add(AxisImpulse(CKetrelVector2(-n.x, -n.y), onX, v, shareB * restitution));
    }

    if (b->m_kind != JUB_BODY_STATIC)
    {
        const CKetrelVector2 f2 = Tangential(vB, onX, k);
        velA.Add(f2);
        if (bMoving)
        {
            b->m_velocity.Subtract(f2);
            b->m_velocity.Add(f);
        }
    }
    a->m_velocity = velA;
    SyncBox(ia);
    if (bMoving)
        SyncBox(ib);

    const f32 strength = v.LengthSquared();
    bool reported = false;
    if (m_listeners.GetCount() > 0 && strength > kReportStrength)
    {
        CJubPhysicsContact contact;
        contact.bodyA = a;
        contact.bodyB = b;
        contact.point = a->m_position;
        contact.normal = n;
        contact.strength = strength;
        for (i32 i = 0; i < m_listeners.GetCount(); ++i)
            static_cast<CJubPhysicsListener*>(m_listeners.GetAt(i))->OnContact(contact);
        reported = true;
    }

    // A contact never leaves A faster than it came plus what B brought.
    const f32 cap = speedA + extraSpeed;
    const f32 speedAfter = Length(a->m_velocity.x, a->m_velocity.y);
    if (speedAfter > cap && !InDeadBand(speedAfter))
        a->m_velocity.Scale(cap / speedAfter);
    return reported;
}

CJubPhysicsBody* CJubPhysicsWorld::PickBody(const CKetrelVector2& point, u32 kindMask,
                                            u32 groupMask) const
{
    for (i32 i = m_bodies.GetCount() - 1; i >= 0; --i)
    {
        CJubPhysicsBody* b = m_bodies[i];
        if ((b->m_kind & kindMask) == 0 || (b->m_group & groupMask) == 0)
            continue;
        CKetrelRectF box = b->GetBox();
        if (box.left < point.x && point.x < box.right && box.top < point.y && point.y < box.bottom)
            return b;
    }
    return nullptr;
}

bool CJubPhysicsWorld::BodiesOverlap(const CJubPhysicsBody* a, const CJubPhysicsBody* b) const
{
    if (a == nullptr || b == nullptr)
        return false;
    return BoxesOverlap(a->GetBox(), b->GetBox());
}

bool CJubPhysicsWorld::BoxesOverlap(const CKetrelRectF& a, const CKetrelRectF& b) const
{
    return EdgesOverlap(a.left, a.top, a.right, a.bottom, b.left, b.top, b.right, b.bottom);
}

bool CJubPhysicsWorld::BoxesOverlapByMargin(const CKetrelRectF& a, const CKetrelRectF& b) const
{
    return !(a.right <= b.left + kOverlapMargin || a.left >= b.right - kOverlapMargin ||
             a.bottom <= b.top + kOverlapMargin || a.top >= b.bottom - kOverlapMargin);
}

void CJubPhysicsWorld::SweepBox(const CKetrelVector2& origin, const CKetrelVector2& halfSize,
                                const CKetrelVector2& delta)
{
    m_sweepHits.RemoveAt(0, m_sweepHits.GetCount());
    if (++m_sweepStamp == 0)
    {
        // The stamp wrapped: forget every old mark so none passes for this call's.
        for (i32 i = 0; i < m_sweepMarks.GetCount(); ++i)
            m_sweepMarks[i] = 0;
        m_sweepStamp = 1;
    }

    const f32 stride = kSweepStrideFactor * (halfSize.x < halfSize.y ? halfSize.x : halfSize.y);
    const f32 length = Length(delta.x, delta.y);
    CKetrelVector2 step = delta;
    if (!InDeadBand(length))
        step.Scale(stride / length);

    // Calls visit with the edges of every box along the path, the origin's first.
    auto walk = [&](auto&& visit) {
        f32 travelled = 0.0f;
        i32 count = 0;
        CKetrelVector2 p = origin;
        for (;;)
        {
            visit(p.x - halfSize.x, p.y - halfSize.y, p.x + halfSize.x, p.y + halfSize.y);
            travelled += stride;
            p.Add(step);
            if (count == kSweepLastCount || length < travelled)
                break;
            ++count;
        }
    };

    // A body that meets any box of the path meets the union of them all, so only the
    // bodies meeting the union are tested box by box; the result is the same.
    f32 uMinX = origin.x, uMinY = origin.y, uMaxX = origin.x, uMaxY = origin.y;
    bool unbounded = false;
    bool first = true;
    walk([&](f32 minX, f32 minY, f32 maxX, f32 maxY) {
        if (minX != minX || minY != minY || maxX != maxX || maxY != maxY)
            unbounded = true;   // a NaN edge overlaps everything
        if (first || minX < uMinX)
            uMinX = minX;
        if (first || minY < uMinY)
            uMinY = minY;
        if (first || maxX > uMaxX)
            uMaxX = maxX;
        if (first || maxY > uMaxY)
            uMaxY = maxY;
        first = false;
    });
    m_sweepCandidates.RemoveAt(0, m_sweepCandidates.GetCount());
    for (i32 i = 0; i < m_bodies.GetCount(); ++i)
    {
        CKetrelRectF box = m_bodies[i]->GetBox();
        if (unbounded || EdgesOverlap(uMinX, uMinY, uMaxX, uMaxY, box.left, box.top, box.right, box.bottom))
            m_sweepCandidates.Add(i);
    }
    if (m_sweepCandidates.GetCount() == 0)
        return;

    walk([&](f32 minX, f32 minY, f32 maxX, f32 maxY) {
        for (i32 c = 0; c < m_sweepCandidates.GetCount(); ++c)
        {
            const i32 i = m_sweepCandidates[c];
            if (m_sweepMarks[i] == m_sweepStamp)
                continue;
            CJubPhysicsBody* b = m_bodies[i];
            CKetrelRectF box = b->GetBox();
            if (!EdgesOverlap(minX, minY, maxX, maxY, box.left, box.top, box.right, box.bottom))
                continue;
            m_sweepMarks[i] = m_sweepStamp;
            m_sweepHits.Add(b);
        }
    });
}

void CJubPhysicsWorld::QueryRadius(const CKetrelVector2& centre, f32 radius)
{
    m_queryHits.RemoveAt(0, m_queryHits.GetCount());
    const f32 qMinX = centre.x - radius;
    const f32 qMinY = centre.y - radius;
    const f32 qMaxX = centre.x + radius;
    const f32 qMaxY = centre.y + radius;
    for (i32 i = 0; i < m_bodies.GetCount(); ++i)
    {
        CJubPhysicsBody* b = m_bodies[i];
        b->m_blastVector.Set(0.0f, 0.0f);
        b->m_cachedBox = b->GetBox();
        const CKetrelRectF& box = b->m_cachedBox;
        if (!EdgesOverlap(qMinX, qMinY, qMaxX, qMaxY, box.left, box.top, box.right, box.bottom))
            continue;

        CJubPhysicsQueryHit hit;
        hit.body = b;
        bool clamped = false;
        hit.closestPoint.x = Clamp(centre.x, box.left, box.right, clamped);
        hit.closestPoint.y = Clamp(centre.y, box.top, box.bottom, clamped);
        if (clamped)
        {
            hit.offset.SetDifference(hit.closestPoint, centre);
            hit.distance = Length(hit.offset.x, hit.offset.y);
        }
        else
        {
            // Inside the box: measured from the body's centre.
            hit.offset.SetDifference(b->m_position, centre);
            hit.distance = Length(hit.offset.x, hit.offset.y);
            if (hit.offset.x == 0.0f && hit.offset.y == 0.0f)
            {
                hit.offset.Set(0.0f, 1e-6f);
                hit.distance = 0.0f;
            }
        }
        if (hit.distance < radius)
            m_queryHits.Add(hit);
    }
}
