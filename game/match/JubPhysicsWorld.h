#pragma once
#include "engine/KetrelArray.h"
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelRect.h"
#include "engine/KetrelTypes.h"
#include "engine/KetrelVector.h"
#include "game/match/JubPhysicsBody.h"
#include "game/match/JubPhysicsContact.h"

// The match's physics: axis-aligned boxes that never rotate, moved in a fixed number of
// substeps per Step, pushed apart along the axis of least penetration. Velocities are world
// units per Step; gravity is added once per Step; the time step only drives the resting
// timers. Every loop runs in body creation order, so a world replays alike from the same
// start. The world owns its bodies; listeners belong to the caller and must stay registered
// only while alive. Main thread only.
class CJubPhysicsWorld
{
public:
    // Step 0.05 s, 4 substeps, no gravity, no push-out epsilon.
    CJubPhysicsWorld();
    ~CJubPhysicsWorld();                      // deletes every body
    CJubPhysicsWorld(const CJubPhysicsWorld&) = delete;
    CJubPhysicsWorld& operator=(const CJubPhysicsWorld&) = delete;

    // dt in seconds per Step; substeps of at least 1 (less is asserted and counts as 1).
    // Sets the match's gravity (-0.003 units per Step on y) and push-out epsilon (1e-5),
    // then empties the world: every body pointer dies here.
    void SetStep(f32 dt, i32 substeps);
    // Deletes every body and the query and sweep results. Listeners stay.
    void Clear();

    // The world keeps ownership; valid until RemoveBody, Clear, SetStep or the world's end.
    // Collision mask 0xFFFFFFFF, id 0, no owner, not resting, at rest.
    CJubPhysicsBody* CreateBody(const CJubPhysicsBodyDesc& desc);
    // Deletes the body and drops it from the query and sweep results; the other bodies keep
    // their order. A body not in this world is ignored.
    void RemoveBody(CJubPhysicsBody* body);

    // A listener added twice is registered once.
    void AddListener(CJubPhysicsListener* listener);
    void RemoveListener(CJubPhysicsListener* listener);
    void ClearListeners();

    // One time step; allocates nothing. Listeners run inside it (see CJubPhysicsListener).
    // Bodies removed, the world cleared or Step called again from a listener are ignored
    // (and asserted).
    void Step();
    // Last position := position, for every body.
    void SavePreviousPositions();

    // The most recently created body whose kind and group share a bit with the masks and
    // whose box holds the point strictly inside; null when none.
    CJubPhysicsBody* PickBody(const CKetrelVector2& point, u32 kindMask, u32 groupMask) const;
    // Strict: boxes that only share an edge or a corner do not overlap. A box edge of NaN
    // counts as overlapping.
    bool BodiesOverlap(const CJubPhysicsBody* a, const CJubPhysicsBody* b) const;
    bool BoxesOverlap(const CKetrelRectF& a, const CKetrelRectF& b) const;
    // Overlap by more than 0.001 on both axes.
    bool BoxesOverlapByMargin(const CKetrelRectF& a, const CKetrelRectF& b) const;

    // Every body met by a box of halfSize moved from origin along delta in strides of
    // 0.75 × its smaller half size, each body once, in the order first met; at most 1002
    // boxes are tested. No mask or kind filter. Replaces the last sweep's results.
    void SweepBox(const CKetrelVector2& origin, const CKetrelVector2& halfSize,
                  const CKetrelVector2& delta);
    // Every body whose closest point to centre lies closer than radius (a centre inside a
    // box measures to the box's centre). Zeroes every body's blast vector and refreshes every
    // cached box. Replaces the last query's results.
    void QueryRadius(const CKetrelVector2& centre, f32 radius);

    // Creation order. Out-of-range indices give null.
    i32 GetBodyCount() const { return m_bodies.GetCount(); }
    CJubPhysicsBody* GetBody(i32 index) const;
    i32 GetQueryHitCount() const { return m_queryHits.GetCount(); }
    const CJubPhysicsQueryHit* GetQueryHit(i32 index) const;
    i32 GetSweepHitCount() const { return m_sweepHits.GetCount(); }
    CJubPhysicsBody* GetSweepHit(i32 index) const;

    f32 GetStep() const { return m_step; }
    i32 GetSubsteps() const { return m_substeps; }
    const CKetrelVector2& GetGravity() const { return m_gravity; }

private:
    void SyncBox(i32 index);
    void SetBodyCount(i32 count);
    // Resolves moving body ia against body ib; returns true when listeners ran.
    bool ResolvePair(i32 ia, i32 ib);
    // Moving body ia against every body from index first on, in body order.
    void CollideFrom(i32 ia, i32 first);

    f32 m_step;                        // seconds per Step, for the resting timers
    f32 m_substepFraction;             // 1 / substeps
    f32 m_epsilon;                     // extra push-out added to every separation
    i32 m_substeps;
    CKetrelVector2 m_gravity;          // only y is applied
    CKetrelArray<CJubPhysicsBody*> m_bodies;   // owned, creation order
    // Each body's box edges and mask as the pair loop reads them, one array per field so
    // that several bodies are tested at once. Refreshed from the bodies when a Step begins;
    // kept current by the Step as it moves bodies. Each array holds JUB_PHYSICS_BOX_PADDING entries
    // beyond the bodies, with mask 0, so the loop reads whole groups.
    CKetrelArray<f32> m_minX, m_minY, m_maxX, m_maxY;
    CKetrelArray<u32> m_masks;
    CKetrelArray<u32> m_sweepMarks;    // last SweepBox call that listed each body
    CKetrelArray<i32> m_sweepCandidates;   // bodies that meet a sweep's whole path
    CKetrelArray<CJubPhysicsQueryHit> m_queryHits;
    CKetrelArray<CJubPhysicsBody*> m_sweepHits;   // not owned
    CKetrelPtrArray m_listeners;       // CJubPhysicsListener*, not owned
    // The per-call moving and stuck lists (body indices), sized with the body list so that
    // a Step allocates nothing.
    CKetrelArray<i32> m_moving;
    CKetrelArray<i32> m_stuck;
    u32 m_sweepStamp;
    bool m_stepping;
};
