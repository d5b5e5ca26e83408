// Contacts, resting and queries of the physics world, each against a known outcome.
#include "JubPhysicsTestScenes.h"
#include "game/match/JubPhysicsWorld.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>

// Counts every allocation of the program, to check that a Step makes none.
static std::atomic<long> g_allocations(0);

void* operator new(std::size_t size)
{
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace
{
// A floor whose top is y = 0, 2 wide.
CJubPhysicsBody* AddFloor(CJubPhysicsWorld& world, f32 bounce = 0.15f, f32 friction = 0.75f)
{
    CJubPhysicsBody* b = AddBlock(world, Vec(0.0f, -0.1f), Vec(1.0f, 0.1f), bounce);
    b->SetFriction(friction);
    return b;
}
}

// Strict overlap: shared edges and corners are not overlaps, and both orders agree.
TEST(JubPhysicsOverlap, EdgesAndCornersDoNotCount)
{
    struct Case
    {
        const char* name;
        CKetrelRectF a, b;
        bool overlap, byMargin;
    };
    const Case cases[] = {
        {"shared edge", Rect(0, 0, 1, 1), Rect(1, 0, 2, 1), false, false},
        {"shared corner", Rect(0, 0, 1, 1), Rect(1, 1, 2, 2), false, false},
        {"shared edge on y", Rect(0, 0, 1, 1), Rect(0, 1, 1, 2), false, false},
        {"thin overlap", Rect(0, 0, 1, 1), Rect(0.999f, 0, 2, 1), true, false},
        {"overlap of 0.002", Rect(0, 0, 1, 1), Rect(0.998f, 0.998f, 2, 2), true, true},
        {"one inside", Rect(0, 0, 4, 4), Rect(1, 1, 2, 2), true, true},
        {"apart", Rect(0, 0, 1, 1), Rect(3, 3, 4, 4), false, false},
        {"thin on y only", Rect(0, 0, 1, 1), Rect(0.5f, 0.9995f, 2, 2), true, false},
    };
    CJubPhysicsWorld world;
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.overlap, world.BoxesOverlap(c.a, c.b)) << c.name;
        EXPECT_EQ(c.overlap, world.BoxesOverlap(c.b, c.a)) << c.name << ", swapped";
        EXPECT_EQ(c.byMargin, world.BoxesOverlapByMargin(c.a, c.b)) << c.name;
        EXPECT_EQ(c.byMargin, world.BoxesOverlapByMargin(c.b, c.a)) << c.name << ", swapped";
    }
}

TEST(JubPhysicsOverlap, BodiesUseTheirCurrentBoxes)
{
    CJubPhysicsWorld world;
    CJubPhysicsBody* a = AddBlock(world, Vec(0, 0), Vec(0.5f, 0.5f));
    CJubPhysicsBody* b = AddBlock(world, Vec(1, 0), Vec(0.5f, 0.5f));
    EXPECT_FALSE(world.BodiesOverlap(a, b));
    b->SetPosition(Vec(0.9f, 0));
    EXPECT_TRUE(world.BodiesOverlap(a, b));
    EXPECT_TRUE(world.BodiesOverlap(b, a));
    EXPECT_FALSE(world.BodiesOverlap(a, nullptr));
}

// Push-out of a still moving box from a static one (no gravity, no epsilon): the smaller
// push wins; equal penetrations resolve on y; equal pushes go right or up.
TEST(JubPhysicsSeparation, TieRules)
{
    struct Case
    {
        const char* name;
        CKetrelVector2 bPos, bHalf;   // the static box; the mover is at (0, 0), half 0.5
        CKetrelVector2 expected;
    };
    const Case cases[] = {
        {"equal penetrations go to y", Vec(0.75f, 0.75f), Vec(0.5f, 0.5f), Vec(0, -0.25f)},
        {"equal left and right push right", Vec(0, 0), Vec(0.1f, 1.0f), Vec(0.6f, 0)},
        {"equal down and up push up", Vec(0, 0), Vec(1.0f, 0.1f), Vec(0, 0.6f)},
        {"smaller push left wins", Vec(0.9f, 0), Vec(0.5f, 2.0f), Vec(-0.1f, 0)},
        {"smaller push down wins", Vec(0, 0.875f), Vec(3.0f, 0.5f), Vec(0, -0.125f)},
        {"smaller push up wins", Vec(0.25f, -0.875f), Vec(3.0f, 0.5f), Vec(0, 0.125f)},
        {"touching is no contact", Vec(1.0f, 0), Vec(0.5f, 0.5f), Vec(0, 0)},
    };
    for (const Case& c : cases)
    {
        CJubPhysicsWorld world;
        CJubPhysicsBody* a = AddMover(world, Vec(0, 0), Vec(0.5f, 0.5f), 1.0f, Vec(0, 0));
        AddBlock(world, c.bPos, c.bHalf);
        world.Step();
        EXPECT_FLOAT_EQ(c.expected.x, a->GetPosition().x) << c.name;
        EXPECT_FLOAT_EQ(c.expected.y, a->GetPosition().y) << c.name;
        EXPECT_EQ(0.0f, a->GetVelocity().x) << c.name;
        EXPECT_EQ(0.0f, a->GetVelocity().y) << c.name;
    }
}

// After SetStep every push-out is lengthened by 1e-5 in its own direction.
TEST(JubPhysicsSeparation, EpsilonLengthensThePush)
{
    CJubPhysicsWorld world;
    world.SetStep(1.0f / 30.0f, 4);
    // The velocity cancels the Step's gravity, so only the push moves the body.
    CJubPhysicsBody* a = AddMover(world, Vec(0, 0), Vec(0.5f, 0.5f), 1.0f, Vec(0, 0.003f));
    AddBlock(world, Vec(0, 0.875f), Vec(3.0f, 0.5f));
    world.Step();
    EXPECT_FLOAT_EQ(-0.125f - 1e-5f, a->GetPosition().y);
    EXPECT_FLOAT_EQ(0.0f, a->GetPosition().x);
}

// A box falling onto a floor leaves upwards with |vy| × (average bounce); friction takes
// (f1 + f2) / 5 of the sliding speed; the speed cap stops a bounce above 1 from adding speed.
TEST(JubPhysicsContactResponse, BounceFrictionAndCap)
{
    struct Case
    {
        const char* name;
        f32 bodyBounce, floorBounce, bodyFriction, floorFriction, vx;
        f32 expectedVx, expectedVy;
    };
    const f32 vy = -0.1f;
    const Case cases[] = {
        {"creature on a block", 0.05f, 0.15f, 0.5f, 0.75f, 0.0f, 0.0f, 0.1f * 0.1f},
        {"projectile on a block", 0.2f, 0.15f, 0.5f, 0.75f, 0.0f, 0.0f, 0.1f * 0.175f},
        {"projectile on a bouncy block", 0.2f, 0.8f, 0.5f, 0.75f, 0.0f, 0.0f, 0.1f * 0.5f},
        {"dead drop", 0.0f, 0.0f, 0.5f, 0.75f, 0.0f, 0.0f, 0.0f},
        {"sliding, friction 0.25", 0.05f, 0.15f, 0.5f, 0.75f, 0.04f, 0.03f, 0.01f},
        {"sliding left, friction 0.25", 0.05f, 0.15f, 0.5f, 0.75f, -0.04f, -0.03f, 0.01f},
        {"sliding without friction", 0.05f, 0.15f, 0.0f, 0.0f, 0.04f, 0.04f, 0.01f},
        {"bounce above 1 is capped", 2.0f, 0.8f, 0.0f, 0.0f, 0.0f, 0.0f, 0.1f},
    };
    for (const Case& c : cases)
    {
        CJubPhysicsWorld world;
        CJubPhysicsBody* floor = AddFloor(world, c.floorBounce, c.floorFriction);
        // 0.01 above the floor: the first substep's quarter of vy sinks it 0.015 in.
        CJubPhysicsBody* a = AddMover(world, Vec(0, 0.06f), Vec(0.05f, 0.05f), 20.0f,
                                      Vec(c.vx, vy), c.bodyBounce, c.bodyFriction);
        CRecordingListener listener;
        world.AddListener(&listener);
        world.Step();
        EXPECT_NEAR(c.expectedVx, a->GetVelocity().x, 1e-7f) << c.name;
        EXPECT_NEAR(c.expectedVy, a->GetVelocity().y, 1e-7f) << c.name;
        EXPECT_GE(a->GetPosition().y - 0.05f, 0.0f) << c.name << ": ends inside the floor";

        ASSERT_EQ(1u, listener.contacts.size()) << c.name;
        const CJubPhysicsContact& contact = listener.contacts[0];
        EXPECT_EQ(a, contact.bodyA) << c.name;
        EXPECT_EQ(floor, contact.bodyB) << c.name;
        EXPECT_EQ(0.0f, contact.normal.x) << c.name;
        EXPECT_EQ(1.0f, contact.normal.y) << c.name;
        EXPECT_FLOAT_EQ(c.vx * c.vx + vy * vy, contact.strength) << c.name;
        EXPECT_NEAR(0.05f, contact.point.y, 1e-7f) << c.name;   // resting on the top

        // Twice the impulse, given to the body and taken from the floor.
        const f32 impulse = 0.1f * (1.0f + (c.bodyBounce + c.floorBounce) / 2.0f);
        EXPECT_NEAR(2.0f * impulse, a->GetImpulseSum().y, 1e-6f) << c.name;
        EXPECT_NEAR(-2.0f * impulse, floor->GetImpulseSum().y, 1e-6f) << c.name;
    }
}

// A side hit reports the normal from the wall towards the body.
TEST(JubPhysicsContactResponse, SideHitNormalPointsAwayFromTheWall)
{
    struct Case
    {
        const char* name;
        f32 startX, vx, normalX;
    };
    const Case cases[] = {
        {"moving right into a wall", -0.06f, 0.1f, -1.0f},
        {"moving left into a wall", 0.06f, -0.1f, 1.0f},
    };
    for (const Case& c : cases)
    {
        // The wall's face is x = 0; the body sits 0.01 off it and sinks 0.015 in on the
        // first substep.
        CJubPhysicsWorld world;
        AddBlock(world, Vec(-c.normalX * 0.5f, 0), Vec(0.5f, 2.0f), 0.15f);
        CJubPhysicsBody* a =
            AddMover(world, Vec(c.startX, 0), Vec(0.05f, 0.05f), 20.0f, Vec(c.vx, 0), 0.05f);
        CRecordingListener listener;
        world.AddListener(&listener);
        world.Step();
        ASSERT_EQ(1u, listener.contacts.size()) << c.name;
        EXPECT_EQ(c.normalX, listener.contacts[0].normal.x) << c.name;
        EXPECT_EQ(0.0f, listener.contacts[0].normal.y) << c.name;
        EXPECT_NEAR(c.normalX * 0.01f, a->GetVelocity().x, 1e-7f) << c.name;
    }
}

// Two moving bodies share the push by their masses: each takes the other's share.
TEST(JubPhysicsContactResponse, MovingPairsShareThePushByMass)
{
    struct Case
    {
        const char* name;
        f32 massA, massB;
        f32 expectedAx, expectedBx;
    };
    // A at x = 0 and B at x = 0.8, both half 0.5: 0.2 of penetration on x.
    const Case cases[] = {
        {"equal masses push half each", 10.0f, 10.0f, -0.1f, 0.9f},
        {"creature and projectile", 20.0f, 15.0f, -0.2f * (15.0f / 35.0f), 0.8f + 0.2f * (20.0f / 35.0f)},
        {"massless mover is pushed whole", 10.0f, 0.0f, 0.0f, 1.0f},
        {"two massless movers stay", 0.0f, 0.0f, 0.0f, 0.8f},
    };
    for (const Case& c : cases)
    {
        CJubPhysicsWorld world;
        CJubPhysicsBody* a = AddMover(world, Vec(0, 0), Vec(0.5f, 0.5f), c.massA, Vec(0, 0));
        CJubPhysicsBody* b = AddMover(world, Vec(0.8f, 0), Vec(0.5f, 0.5f), c.massB, Vec(0, 0));
        world.Step();
        EXPECT_FLOAT_EQ(c.expectedAx, a->GetPosition().x) << c.name;
        EXPECT_FLOAT_EQ(c.expectedBx, b->GetPosition().x) << c.name;
        EXPECT_EQ(0.0f, a->GetPosition().y) << c.name;
        EXPECT_EQ(0.0f, b->GetPosition().y) << c.name;
    }
}

namespace
{
// Notes both bodies' velocities as the first contact leaves them.
class CFirstContactListener : public CJubPhysicsListener
{
public:
    void OnContact(const CJubPhysicsContact& contact) override
    {
        if (++contacts > 1)
            return;
        first = contact;
        velocityA = contact.bodyA->GetVelocity();
        velocityB = contact.bodyB->GetVelocity();
    }
    int contacts = 0;
    CJubPhysicsContact first = {};
    CKetrelVector2 velocityA, velocityB;
};
}

// A moving pair's closing velocity is the mass-weighted mean; each side takes its share of
// the impulse on the contact axis.
TEST(JubPhysicsContactResponse, MovingPairImpulseUsesTheMeanVelocity)
{
    CJubPhysicsWorld world;
    // A falls onto B, which sits still; both bounce 0.5, so the factor is 1.5.
    CJubPhysicsBody* a = AddMover(world, Vec(0, 0.91f), Vec(0.5f, 0.5f), 10.0f, Vec(0, -0.08f));
    CJubPhysicsBody* b = AddMover(world, Vec(0, 0), Vec(0.5f, 0.5f), 30.0f, Vec(0, 0));
    CFirstContactListener listener;
    world.AddListener(&listener);
    world.Step();
    ASSERT_GE(listener.contacts, 1);
    // v = 10 × -0.08 / 40 = -0.02; A gets 0.02 × 0.75 × 1.5 up, B 0.02 × 0.25 × 1.5 down.
    EXPECT_EQ(a, listener.first.bodyA);
    EXPECT_EQ(b, listener.first.bodyB);
    EXPECT_FLOAT_EQ(0.02f * 0.02f, listener.first.strength);
    EXPECT_NEAR(-0.08f + 0.0225f, listener.velocityA.y, 1e-7f);
    EXPECT_NEAR(-0.0075f, listener.velocityB.y, 1e-7f);
    // The mean velocity still closes, so the pair meets again in later substeps: the
    // momentum of the two stays what it was.
    EXPECT_NEAR(10.0f * -0.08f, 10.0f * a->GetVelocity().y + 30.0f * b->GetVelocity().y, 1e-5f);
}

// Two bodies interact only when their masks share a bit.
TEST(JubPhysicsMasks, BodiesWithoutACommonBitPassThrough)
{
    struct Case
    {
        const char* name;
        u32 moverMask, blockMask;
        bool collides;
    };
    const Case cases[] = {
        {"creature 0 on a block", 0x11101u, 0x11111111u, true},
        {"creature 1 on a block", 0x11110u, 0x11111111u, true},
        {"launched by player 0, own creature", 16u, 0x11101u, false},
        {"launched by player 0, other creature", 16u, 0x11110u, true},
        {"launched by player 1, own creature", 1u, 0x11110u, false},
        {"launched by player 1, other creature", 1u, 0x11101u, true},
        {"fragment on a block", 0x100u, 0x11111111u, true},
        {"out of the game", 0u, 0x11111111u, false},
    };
    for (const Case& c : cases)
    {
        CJubPhysicsWorld world;
        world.SetStep(1.0f / 30.0f, 4);
        CJubPhysicsBody* block = AddBlock(world, Vec(0, 0), Vec(0.5f, 0.05f));
        block->SetMask(c.blockMask);
        CJubPhysicsBody* a = AddMover(world, Vec(0, 0.2f), Vec(0.025f, 0.025f), 15.0f, Vec(0, 0));
        a->SetMask(c.moverMask);
        for (int i = 0; i < 60; ++i)
            world.Step();
        if (c.collides)
            EXPECT_GT(a->GetPosition().y, 0.05f) << c.name << ": fell through";
        else
            EXPECT_LT(a->GetPosition().y, -0.05f) << c.name << ": was stopped";
    }
}

// Contacts are always resolved, but reported only above a squared closing speed of 5e-6.
TEST(JubPhysicsReports, ThresholdOnTheSquaredClosingSpeed)
{
    struct Case
    {
        const char* name;
        f32 vy;
        bool reported;
    };
    const Case cases[] = {
        {"4e-6", -0.002f, false},
        {"4.97e-6", -0.00223f, false},
        {"5.02e-6", -0.00224f, true},
        {"5.29e-6", -0.0023f, true},
        {"1e-2", -0.1f, true},
    };
    for (const Case& c : cases)
    {
        CJubPhysicsWorld world;
        AddFloor(world);
        CJubPhysicsBody* a =
            AddMover(world, Vec(0, 0.0501f), Vec(0.05f, 0.05f), 20.0f, Vec(0, c.vy), 0.5f);
        CRecordingListener listener;
        world.AddListener(&listener);
        world.AddListener(&listener);   // registered once
        world.Step();
        EXPECT_EQ(c.reported ? 1u : 0u, listener.contacts.size()) << c.name;
        EXPECT_GT(a->GetVelocity().y, 0.0f) << c.name << ": not resolved";
        EXPECT_GE(a->GetPosition().y, 0.05f) << c.name << ": left inside the floor";
    }
}

TEST(JubPhysicsReports, RemovedListenerHearsNothing)
{
    CJubPhysicsWorld world;
    AddFloor(world);
    AddMover(world, Vec(0, 0.06f), Vec(0.05f, 0.05f), 20.0f, Vec(0, -0.1f));
    CRecordingListener kept, removed;
    world.AddListener(&removed);
    world.AddListener(&kept);
    world.RemoveListener(&removed);
    world.Step();
    EXPECT_EQ(1u, kept.contacts.size());
    EXPECT_EQ(0u, removed.contacts.size());
}

namespace
{
// Makes the first moving body it hears of stuck where it is, as a sticky bomb.
class CStickListener : public CJubPhysicsListener
{
public:
    void OnContact(const CJubPhysicsContact& contact) override
    {
        if (contact.bodyB->GetKind() != JUB_BODY_STATIC)
            return;
        contact.bodyA->SetKind(JUB_BODY_STUCK);
        contact.bodyA->SetVelocity(Vec(0, 0));
        ++sticks;
    }
    int sticks = 0;
};
}

namespace
{
// Adds a body on every contact, as a burst of fragments might; the world's arrays grow
// while the Step runs over them.
class CSpawnListener : public CJubPhysicsListener
{
public:
    explicit CSpawnListener(CJubPhysicsWorld& world) : m_world(world) {}
    void OnContact(const CJubPhysicsContact& contact) override
    {
        if (spawned.size() >= 40)
            return;
        // Just inside the moving body, so that it meets the new body in this same pass.
        CKetrelVector2 at = contact.point;
        at.y += 0.03f;
        spawned.push_back(AddBlock(m_world, at, Vec(0.01f, 0.01f)));
    }
    std::vector<CJubPhysicsBody*> spawned;

private:
    CJubPhysicsWorld& m_world;
};
}

// Bodies created from inside a Step are safe to meet later in the same Step.
TEST(JubPhysicsReports, ListenerMayCreateBodies)
{
    CJubPhysicsWorld world;
    world.SetStep(1.0f / 30.0f, 4);
    AddFloor(world);
    std::vector<CJubPhysicsBody*> movers;
    for (int i = 0; i < 8; ++i)
        movers.push_back(AddMover(world, Vec(-0.8f + 0.2f * (f32)i, 0.06f), Vec(0.025f, 0.025f), 15.0f,
                                  Vec(0.0f, -0.1f)));
    CSpawnListener listener(world);
    world.AddListener(&listener);
    for (int i = 0; i < 30; ++i)
        world.Step();
    ASSERT_GE(listener.spawned.size(), 16u);
    EXPECT_EQ(1 + 8 + (i32)listener.spawned.size(), world.GetBodyCount());
    EXPECT_EQ(listener.spawned.back(), world.GetBody(world.GetBodyCount() - 1));
    for (CJubPhysicsBody* m : movers)
        EXPECT_TRUE(std::isfinite(m->GetPosition().x) && std::isfinite(m->GetPosition().y));
}

// A body made stuck inside the Step stops there, starts its stillness anew, and then rests
// as a stuck body after more than a second.
TEST(JubPhysicsResting, BodyMadeStuckByAListener)
{
    CJubPhysicsWorld world;
    world.SetStep(0.25f, 4);
    AddFloor(world);
    CJubPhysicsBody* a = AddMover(world, Vec(0, 0.06f), Vec(0.025f, 0.025f), 15.0f, Vec(0.02f, -0.1f));
    CStickListener listener;
    world.AddListener(&listener);
    world.Step();
    ASSERT_EQ(1, listener.sticks);
    EXPECT_EQ((u32)JUB_BODY_STUCK, a->GetKind());
    EXPECT_EQ(0.0f, a->GetRestTimer());
    const CKetrelVector2 stuckAt = a->GetPosition();
    EXPECT_GE(stuckAt.y - 0.025f, 0.0f);
    const u32 expectedResting[] = {0, 0, 0, 0, 1};   // 0.25 s a Step: resting after > 1 s
    for (u32 resting : expectedResting)
    {
        world.Step();
        EXPECT_EQ(resting, a->GetResting());
        EXPECT_EQ(stuckAt.x, a->GetPosition().x);
        EXPECT_EQ(stuckAt.y, a->GetPosition().y);
        EXPECT_EQ(0.0f, a->GetVelocity().y);
    }
    EXPECT_EQ(2.0f, a->GetRestTimer());
    EXPECT_EQ(1, listener.sticks);
}

// A body still for more than one second of Steps rests with its timer at 2.0.
TEST(JubPhysicsResting, StillnessTiming)
{
    struct Case
    {
        const char* name;
        f32 dt;
        int stepsToRest;
    };
    const Case cases[] = {
        {"quarter-second steps", 0.25f, 5},
        {"eighth-second steps", 0.125f, 9},
        {"half-second steps", 0.5f, 3},
        {"one-second steps", 1.0f, 2},
    };
    for (const Case& c : cases)
    {
        CJubPhysicsWorld world;
        world.SetStep(c.dt, 4);
        CJubPhysicsBody* a = AddMover(world, Vec(0, 1), Vec(0.05f, 0.05f), 20.0f, Vec(0, 0));
        for (int i = 1; i <= c.stepsToRest; ++i)
        {
            a->SetVelocity(Vec(0, 0.003f));   // cancels gravity: no motion at all
            world.Step();
            EXPECT_EQ(i == c.stepsToRest ? 1u : 0u, a->GetResting()) << c.name << ", step " << i;
        }
        EXPECT_EQ(2.0f, a->GetRestTimer()) << c.name;
    }
}

// Motion of 0.01 or less per Step counts as still; more wakes the body at once.
TEST(JubPhysicsResting, MotionThreshold)
{
    struct Case
    {
        const char* name;
        CKetrelVector2 motion;   // per Step
        u32 resting;
    };
    const Case cases[] = {
        {"still", Vec(0, 0), 1},
        {"creeping 0.009 on x", Vec(0.009f, 0), 1},
        {"creeping 0.007 on both axes", Vec(0.007f, -0.007f), 1},
        {"moving 0.011 on x", Vec(0.011f, 0), 0},
        {"moving 0.008 on both axes", Vec(0.008f, 0.008f), 0},
    };
    for (const Case& c : cases)
    {
        CJubPhysicsWorld world;
        world.SetStep(0.1f, 4);
        CJubPhysicsBody* a = AddMover(world, Vec(0, 1), Vec(0.05f, 0.05f), 20.0f, Vec(0, 0));
        for (int i = 0; i < 20; ++i)
        {
            a->SetVelocity(Vec(c.motion.x, c.motion.y + 0.003f));
            world.Step();
        }
        EXPECT_EQ(c.resting, a->GetResting()) << c.name;
        EXPECT_EQ(c.resting ? 2.0f : 0.0f, a->GetRestTimer()) << c.name;

        // One larger motion clears the resting state at once.
        a->SetVelocity(Vec(0.02f, 0.003f));
        world.Step();
        EXPECT_EQ(0u, a->GetResting()) << c.name;
        EXPECT_EQ(0.0f, a->GetRestTimer()) << c.name;
        EXPECT_NEAR(0.02f, a->GetStepMotion().x, 1e-6f) << c.name;
    }
}

// A stuck body keeps its place and loses its velocity in every substep; it rests after a
// second only when it has a mass.
TEST(JubPhysicsResting, StuckBodies)
{
    struct Case
    {
        const char* name;
        f32 mass;
        u32 resting;
    };
    const Case cases[] = {{"stuck projectile", 15.0f, 1}, {"massless stuck body", 0.0f, 0}};
    for (const Case& c : cases)
    {
        CJubPhysicsWorld world;
        world.SetStep(0.25f, 4);
        CJubPhysicsBody* s = world.CreateBody(
            BodyDesc(Vec(0.5f, 1.0f), Vec(0.025f, 0.025f), JUB_BODY_STUCK, c.mass));
        s->SetVelocity(Vec(0.3f, 0.3f));
        for (int i = 0; i < 5; ++i)
            world.Step();
        EXPECT_EQ(c.resting, s->GetResting()) << c.name;
        EXPECT_EQ(0.5f, s->GetPosition().x) << c.name;
        EXPECT_EQ(1.0f, s->GetPosition().y) << c.name;
        EXPECT_EQ(0.0f, s->GetVelocity().x) << c.name;
        EXPECT_EQ(0.5f, s->GetLastPosition().x) << c.name;
    }
}

// The swept box steps 0.75 × its smaller half size at a time, lists each body once in the
// order first met, and tests at most 1002 boxes.
TEST(JubPhysicsSweep, BoxCountsAndOrder)
{
    struct Case
    {
        const char* name;
        CKetrelVector2 delta;
        std::vector<f32> bodiesX;    // small static bodies on y = 0, in creation order
        std::vector<int> expected;   // indices into bodiesX, in hit order
    };
    // Half size (0.1, 0.2): stride 0.075, each box reaching 0.1 either side of its centre.
    const Case cases[] = {
        {"zero delta tests the origin box", Vec(0, 0), {0.0f, 0.15f, -0.15f}, {0}},
        {"tiny delta tests one box", Vec(0.00009f, 0), {0.0f, 0.15f}, {0}},
        {"two boxes for 0.14", Vec(0.14f, 0), {0.2f, 0.18f, -0.05f}, {2, 1}},
        {"order met, each once", Vec(0.4f, 0), {0.3f, 0.0f, 0.15f, 0.6f}, {1, 2, 0}},
        {"backwards", Vec(-0.4f, 0), {-0.3f, 0.0f, 0.3f}, {1, 0}},
        {"stops after 1002 boxes", Vec(1000.0f, 0), {75.25f, 75.1f, 40.0f}, {2, 1}},
    };
    for (const Case& c : cases)
    {
        CJubPhysicsWorld world;
        std::vector<CJubPhysicsBody*> bodies;
        for (f32 x : c.bodiesX)
            bodies.push_back(AddBlock(world, Vec(x, 0), Vec(0.01f, 0.01f)));
        world.SweepBox(Vec(0, 0), Vec(0.1f, 0.2f), c.delta);
        ASSERT_EQ((i32)c.expected.size(), world.GetSweepHitCount()) << c.name;
        for (size_t i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ(bodies[c.expected[i]], world.GetSweepHit((i32)i)) << c.name << ", hit " << i;
    }
}

TEST(JubPhysicsSweep, NoMaskOrKindFilterAndResultsReplaced)
{
    CJubPhysicsWorld world;
    CJubPhysicsBody* ghost = AddMover(world, Vec(0, 0), Vec(0.05f, 0.05f), 15.0f, Vec(0, 0));
    ghost->SetMask(0);
    CJubPhysicsBody* far = AddBlock(world, Vec(3, 0), Vec(0.05f, 0.05f));
    world.SweepBox(Vec(0, 0), Vec(0.05f, 0.05f), Vec(0, 0));
    ASSERT_EQ(1, world.GetSweepHitCount());
    EXPECT_EQ(ghost, world.GetSweepHit(0));
    world.SweepBox(Vec(3, 0), Vec(0.05f, 0.05f), Vec(0, 0));
    ASSERT_EQ(1, world.GetSweepHitCount());
    EXPECT_EQ(far, world.GetSweepHit(0));
    EXPECT_EQ(nullptr, world.GetSweepHit(1));
}

// The closest point of each box to the centre decides; a centre inside a box measures to
// the box's centre, so a large block is missed when its centre lies beyond the radius.
TEST(JubPhysicsQuery, ClosestPointsAndTheInsideCase)
{
    struct Case
    {
        const char* name;
        CKetrelVector2 centre;
        f32 radius;
        bool hit;
        CKetrelVector2 closest, offset;
        f32 distance;
    };
    // One block at (0, 0), half size (1, 1).
    const Case cases[] = {
        {"inside, centre beyond the radius", Vec(0.5f, 0), 0.4f, false, Vec(0, 0), Vec(0, 0), 0},
        {"inside, centre within the radius", Vec(0.5f, 0), 0.6f, true, Vec(0.5f, 0), Vec(-0.5f, 0), 0.5f},
        {"inside, on the body's centre", Vec(0, 0), 0.1f, true, Vec(0, 0), Vec(0, 1e-6f), 0.0f},
        {"inside, on the edge", Vec(1.0f, 0.5f), 1.2f, true, Vec(1.0f, 0.5f), Vec(-1.0f, -0.5f), std::sqrt(1.25f)},
        {"outside a face", Vec(1.5f, 0), 0.6f, true, Vec(1.0f, 0), Vec(-0.5f, 0), 0.5f},
        {"outside a corner", Vec(1.3f, -1.4f), 0.51f, true, Vec(1.0f, -1.0f), Vec(-0.3f, 0.4f), 0.5f},
        {"corner in the query box, beyond the radius", Vec(1.3f, 1.3f), 0.35f, false, Vec(0, 0), Vec(0, 0), 0},
        {"query box touching only", Vec(1.5f, 0), 0.5f, false, Vec(0, 0), Vec(0, 0), 0},
    };
    for (const Case& c : cases)
    {
        CJubPhysicsWorld world;
        CJubPhysicsBody* block = AddBlock(world, Vec(0, 0), Vec(1, 1));
        world.QueryRadius(c.centre, c.radius);
        ASSERT_EQ(c.hit ? 1 : 0, world.GetQueryHitCount()) << c.name;
        if (!c.hit)
            continue;
        const CJubPhysicsQueryHit* hit = world.GetQueryHit(0);
        EXPECT_EQ(block, hit->body) << c.name;
        EXPECT_FLOAT_EQ(c.closest.x, hit->closestPoint.x) << c.name;
        EXPECT_FLOAT_EQ(c.closest.y, hit->closestPoint.y) << c.name;
        EXPECT_FLOAT_EQ(c.offset.x, hit->offset.x) << c.name;
        EXPECT_FLOAT_EQ(c.offset.y, hit->offset.y) << c.name;
        EXPECT_FLOAT_EQ(c.distance, hit->distance) << c.name;
    }
}

TEST(JubPhysicsQuery, ZeroesBlastVectorsAndRefreshesCachedBoxes)
{
    CJubPhysicsWorld world;
    CJubPhysicsBody* near = AddBlock(world, Vec(0, 0), Vec(0.1f, 0.1f));
    CJubPhysicsBody* far = AddBlock(world, Vec(2, 2), Vec(0.1f, 0.1f));
    far->SetBlastVector(Vec(1, 1));
    far->SetPosition(Vec(2.5f, 2));
    EXPECT_EQ(2.1f, far->GetCachedBox().right);   // as created
    world.QueryRadius(Vec(0, 0), 0.5f);
    ASSERT_EQ(1, world.GetQueryHitCount());
    EXPECT_EQ(near, world.GetQueryHit(0)->body);
    EXPECT_EQ(0.0f, far->GetBlastVector().x);
    EXPECT_EQ(0.0f, far->GetBlastVector().y);
    EXPECT_EQ(2.6f, far->GetCachedBox().right);
    EXPECT_EQ(2.4f, far->GetCachedBox().left);
    EXPECT_EQ(1.9f, far->GetCachedBox().top);      // the smaller y
    world.QueryRadius(Vec(2.5f, 2), 0.05f);        // replaces the results
    ASSERT_EQ(1, world.GetQueryHitCount());
    EXPECT_EQ(far, world.GetQueryHit(0)->body);
}

// The most recently created body wins; the masks filter; the point must be strictly inside.
TEST(JubPhysicsPick, LatestBodyWithStrictContainment)
{
    CJubPhysicsWorld world;
    CJubPhysicsBody* big = world.CreateBody(BodyDesc(Vec(0, 0), Vec(1, 1), JUB_BODY_STATIC, 0, 0.5f, 0.5f, 1));
    CJubPhysicsBody* mover = world.CreateBody(BodyDesc(Vec(0.2f, 0), Vec(0.5f, 0.5f), JUB_BODY_MOVING, 20, 0.5f, 0.5f, 2));
    CJubPhysicsBody* small = world.CreateBody(BodyDesc(Vec(0.3f, 0), Vec(0.5f, 0.5f), JUB_BODY_STATIC, 0, 0.5f, 0.5f, 1));
    struct Case
    {
        const char* name;
        CKetrelVector2 point;
        u32 kindMask, groupMask;
        CJubPhysicsBody* expected;
    };
    const Case cases[] = {
        {"three overlap: latest", Vec(0.25f, 0), 0xFFu, 0xFFu, small},
        {"kind mask picks the mover", Vec(0.25f, 0), JUB_BODY_MOVING, 3u, mover},
        {"group mask skips the mover", Vec(0.25f, 0), 0xFFu, 1u, small},
        {"kind and group exclude all", Vec(0.25f, 0), JUB_BODY_STATIC, 2u, nullptr},
        {"only the big one", Vec(-0.5f, 0), 0xFFu, 0xFFu, big},
        {"on the latest's right edge", Vec(0.8f, 0), 0xFFu, 0xFFu, big},
        {"on the big one's edge", Vec(1.0f, 0), 0xFFu, 0xFFu, nullptr},
        {"on the big one's top edge", Vec(-0.9f, 1.0f), 0xFFu, 0xFFu, nullptr},
        {"outside", Vec(5, 5), 0xFFu, 0xFFu, nullptr},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, world.PickBody(c.point, c.kindMask, c.groupMask)) << c.name;
}

// Removing keeps the order of the others, ignores strangers, and leaves no pointer to the
// deleted body in the last query's or sweep's results.
TEST(JubPhysicsBodies, RemoveKeepsOrderAndPurgesResults)
{
    CJubPhysicsWorld world;
    CJubPhysicsWorld other;
    CJubPhysicsBody* b[4];
    for (int i = 0; i < 4; ++i)
        b[i] = AddBlock(world, Vec(0.1f * (f32)i, 0), Vec(0.2f, 0.2f));
    CJubPhysicsBody* stranger = AddBlock(other, Vec(0, 0), Vec(1, 1));
    world.QueryRadius(Vec(0.15f, 0), 1.0f);
    world.SweepBox(Vec(0.15f, 0), Vec(0.1f, 0.1f), Vec(0, 0));
    ASSERT_EQ(4, world.GetQueryHitCount());
    ASSERT_EQ(4, world.GetSweepHitCount());

    world.RemoveBody(b[1]);
    world.RemoveBody(stranger);
    world.RemoveBody(nullptr);
    ASSERT_EQ(3, world.GetBodyCount());
    EXPECT_EQ(b[0], world.GetBody(0));
    EXPECT_EQ(b[2], world.GetBody(1));
    EXPECT_EQ(b[3], world.GetBody(2));
    EXPECT_EQ(nullptr, world.GetBody(3));
    EXPECT_EQ(1, other.GetBodyCount());
    ASSERT_EQ(3, world.GetQueryHitCount());
    ASSERT_EQ(3, world.GetSweepHitCount());
    for (i32 i = 0; i < 3; ++i)
    {
        EXPECT_NE(b[1], world.GetQueryHit(i)->body);
        EXPECT_NE(b[1], world.GetSweepHit(i));
    }
    EXPECT_EQ(b[3], world.GetSweepHit(2));

    world.Clear();
    EXPECT_EQ(0, world.GetBodyCount());
    EXPECT_EQ(0, world.GetQueryHitCount());
    EXPECT_EQ(0, world.GetSweepHitCount());
}

// Fresh bodies: the level's defaults before their owners change them.
TEST(JubPhysicsBodies, CreatedBodiesStartAtRestWithAFullMask)
{
    CJubPhysicsWorld world;
    CJubPhysicsBodyDesc desc;
    desc.position = Vec(1, 2);
    desc.halfSize = Vec(0.25f, 0.5f);
    CJubPhysicsBody* b = world.CreateBody(desc);
    EXPECT_EQ(0xFFFFFFFFu, b->GetMask());
    EXPECT_EQ(-1000.0f, b->GetLastPosition().x);
    EXPECT_EQ(0.75f, b->GetCachedBox().left);
    EXPECT_EQ(1.5f, b->GetCachedBox().top);
    EXPECT_EQ(2.5f, b->GetCachedBox().bottom);
    world.Step();
    EXPECT_EQ(1.0f, b->GetLastPosition().x);
    EXPECT_EQ(2.0f, b->GetLastPosition().y);
}

// A Step in a settled world allocates nothing.
TEST(JubPhysicsStep, AllocatesNothing)
{
    CJubPhysicsWorld world;
    world.SetStep(1.0f / 30.0f, 4);
    BuildRandomScene(world, 7, 60, 12);
    CRecordingListener listener;
    listener.contacts.reserve(100000);
    world.AddListener(&listener);
    world.Step();
    long before = g_allocations.load();
    for (int i = 0; i < 50; ++i)
        world.Step();
    EXPECT_EQ(before, g_allocations.load());
    EXPECT_FALSE(listener.contacts.empty());
}

// SetStep empties the world and nothing survives it: a reused world replays a new one.
TEST(JubPhysicsStep, EmptiedWorldBehavesLikeANewOne)
{
    CJubPhysicsWorld fresh, reused;
    reused.SetStep(1.0f / 30.0f, 4);
    BuildRandomScene(reused, 11, 40, 10);
    for (int i = 0; i < 100; ++i)
        reused.Step();
    reused.SetStep(1.0f / 30.0f, 4);
    EXPECT_EQ(0, reused.GetBodyCount());
    BuildRandomScene(reused, 12, 40, 10);
    fresh.SetStep(1.0f / 30.0f, 4);
    BuildRandomScene(fresh, 12, 40, 10);
    for (int i = 0; i < 200; ++i)
    {
        fresh.Step();
        reused.Step();
    }
    EXPECT_EQ(WorldDigest(fresh), WorldDigest(reused));
}

// One Step moves a body by exactly its velocity in free flight; gravity comes once per Step.
TEST(JubPhysicsStep, VelocityIsPerStepAndGravityOncePerStep)
{
    struct Case
    {
        const char* name;
        i32 substeps;
    };
    const Case cases[] = {{"one substep", 1}, {"four substeps", 4}, {"eight substeps", 8}};
    for (const Case& c : cases)
    {
        CJubPhysicsWorld world;
        world.SetStep(1.0f / 30.0f, c.substeps);
        CJubPhysicsBody* a = AddMover(world, Vec(0, 0), Vec(0.05f, 0.05f), 20.0f, Vec(0.5f, 0.5f));
        world.Step();
        EXPECT_EQ(0.5f, a->GetVelocity().x) << c.name;
        EXPECT_FLOAT_EQ(0.497f, a->GetVelocity().y) << c.name;
        EXPECT_FLOAT_EQ(0.5f, a->GetPosition().x) << c.name;
        EXPECT_FLOAT_EQ(0.497f, a->GetPosition().y) << c.name;
        EXPECT_FLOAT_EQ(0.5f, a->GetStepMotion().x) << c.name;
        EXPECT_EQ(0.0f, a->GetStepOrigin().x) << c.name;
    }
}
