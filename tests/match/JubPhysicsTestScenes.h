#pragma once
// Helpers shared by the physics tests: small builders, a seeded generator whose output is
// the same with every standard library, scenes, and a bitwise digest of a world.
#include "game/match/JubPhysicsWorld.h"

#include <cstring>
#include <vector>

inline CKetrelVector2 Vec(f32 x, f32 y)
{
    return CKetrelVector2(x, y);
}

inline CKetrelRectF Rect(f32 left, f32 top, f32 right, f32 bottom)
{
    return CKetrelRectF(left, top, right, bottom);
}

inline CJubPhysicsBodyDesc BodyDesc(CKetrelVector2 position, CKetrelVector2 halfSize, u32 kind,
                                    f32 mass, f32 bounce = 0.5f, f32 friction = 0.5f,
                                    u32 group = 1)
{
    CJubPhysicsBodyDesc d;
    d.position = position;
    d.halfSize = halfSize;
    d.kind = kind;
    d.group = group;
    d.mass = mass;
    d.bounce = bounce;
    d.friction = friction;
    return d;
}

// A block as the level makes it: static, massless, friction 0.75, mask 0x11111111.
inline CJubPhysicsBody* AddBlock(CJubPhysicsWorld& world, CKetrelVector2 position,
                                 CKetrelVector2 halfSize, f32 bounce = 0.15f)
{
    CJubPhysicsBody* b =
        world.CreateBody(BodyDesc(position, halfSize, JUB_BODY_STATIC, 0.0f, bounce, 0.75f));
    b->SetMask(0x11111111u);
    return b;
}

inline CJubPhysicsBody* AddMover(CJubPhysicsWorld& world, CKetrelVector2 position,
                                 CKetrelVector2 halfSize, f32 mass, CKetrelVector2 velocity,
                                 f32 bounce = 0.5f, f32 friction = 0.5f)
{
    CJubPhysicsBody* b =
        world.CreateBody(BodyDesc(position, halfSize, JUB_BODY_MOVING, mass, bounce, friction));
    b->SetVelocity(velocity);
    return b;
}

// splitmix64: fixed output on every platform and library.
class CTestRandom
{
public:
    explicit CTestRandom(u64 seed) : m_state(seed) {}
    u64 Next()
    {
        u64 z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // An integer in [lo, hi].
    i32 Int(i32 lo, i32 hi) { return lo + (i32)(Next() % (u64)(hi - lo + 1)); }
    // A multiple of 1/denominator in [lo, hi] (in those units): one exact division, so the
    // value does not depend on how the compiler orders float operations.
    f32 Grid(i32 lo, i32 hi, f32 denominator) { return (f32)Int(lo, hi) / denominator; }

private:
    u64 m_state;
};

inline u32 FloatBits(f32 v)
{
    u32 bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

// FNV-1a over the bits of every body's position and velocity, in body order.
inline u64 WorldDigest(const CJubPhysicsWorld& world)
{
    u64 h = 0xCBF29CE484222325ull;
    auto mix = [&h](u32 word) {
        for (int i = 0; i < 4; ++i)
        {
            h ^= (word >> (8 * i)) & 0xFFu;
            h *= 0x100000001B3ull;
        }
    };
    for (i32 i = 0; i < world.GetBodyCount(); ++i)
    {
        const CJubPhysicsBody* b = world.GetBody(i);
        mix(FloatBits(b->GetPosition().x));
        mix(FloatBits(b->GetPosition().y));
        mix(FloatBits(b->GetVelocity().x));
        mix(FloatBits(b->GetVelocity().y));
    }
    return h;
}

// A seeded field: a floor, scattered blocks of the level's sizes, and moving creatures and
// projectiles thrown among them, some with the launch and fragment masks.
inline void BuildRandomScene(CJubPhysicsWorld& world, u64 seed, i32 blocks, i32 movers)
{
    CTestRandom rnd(seed);
    // Every draw goes into its own statement: the order in which a call's arguments are
    // evaluated differs between compilers.
    AddBlock(world, Vec(0.0f, -0.1f), Vec(3.2f, 0.1f));
    for (i32 i = 0; i < blocks; ++i)
    {
        const f32 hx = rnd.Grid(1, 6, 20.0f);
        const f32 hy = rnd.Grid(1, 6, 20.0f);
        const f32 x = rnd.Grid(-400, 400, 128.0f);
        const f32 y = rnd.Grid(0, 400, 128.0f);
        const f32 bounce = rnd.Int(0, 3) == 3 ? 0.8f : 0.15f;
        AddBlock(world, Vec(x, y), Vec(hx, hy), bounce);
    }
    static const u32 kMasks[] = {0x11101u, 0x11110u, 16u, 1u, 0x100u, 0x11111111u};
    for (i32 i = 0; i < movers; ++i)
    {
        const bool creature = rnd.Int(0, 3) == 0;
        const f32 half = creature ? 0.05f : 0.025f;
        const f32 x = rnd.Grid(-400, 400, 128.0f);
        const f32 y = rnd.Grid(100, 600, 128.0f);
        const f32 vx = rnd.Grid(-40, 40, 1000.0f);
        const f32 vy = rnd.Grid(-40, 40, 1000.0f);
        CJubPhysicsBody* b = AddMover(world, Vec(x, y), Vec(half, half), creature ? 20.0f : 15.0f,
                                      Vec(vx, vy), creature ? 0.05f : 0.2f, 0.5f);
        b->SetMask(kMasks[rnd.Int(0, 5)]);
        b->SetId(i);
    }
}

// Records every contact it is told of.
class CRecordingListener : public CJubPhysicsListener
{
public:
    void OnContact(const CJubPhysicsContact& contact) override { contacts.push_back(contact); }
    std::vector<CJubPhysicsContact> contacts;
};
