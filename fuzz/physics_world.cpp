// Random bodies, velocities, listeners and queries from the fuzz bytes. The world must stay
// finite from finite, bounded input, every loop must end, and the sanitizers must stay quiet.
#include "game/match/JubPhysicsWorld.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace
{
class CByteReader
{
public:
    CByteReader(const uint8_t* data, size_t size) : m_data(data), m_size(size), m_pos(0) {}
    bool Done() const { return m_pos >= m_size; }
    uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    uint32_t Word()
    {
        uint32_t w = 0;
        for (int i = 0; i < 4; ++i)
            w = (w << 8) | Byte();
        return w;
    }
    // -4..4 world units in steps of 1/32.
    f32 Coordinate() { return (f32)(int8_t)Byte() / 32.0f; }
    // 0..1 in steps of 1/256.
    f32 Unit() { return (f32)Byte() / 256.0f; }
    CKetrelVector2 Point() { f32 x = Coordinate(); f32 y = Coordinate(); return CKetrelVector2(x, y); }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos;
};

bool Finite(const CKetrelVector2& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y);
}

void Check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

// Sticks or releases the moving side of some contacts, and nudges velocities, as the play
// screen's contact handler does.
class CFuzzListener : public CJubPhysicsListener
{
public:
    explicit CFuzzListener(uint8_t pattern) : m_pattern(pattern) {}
    void OnContact(const CJubPhysicsContact& c) override
    {
        Check(Finite(c.point) && Finite(c.normal) && std::isfinite(c.strength));
        Check(c.strength > 5e-6f);
        Check(c.bodyA != c.bodyB);
        const uint8_t turn = (uint8_t)(m_pattern + m_calls++);
        if ((turn & 7) == 1)
        {
            c.bodyA->SetKind(JUB_BODY_STUCK);
            c.bodyA->SetVelocity(CKetrelVector2(0.0f, 0.0f));
        }
        else if ((turn & 7) == 2)
        {
            c.bodyB->SetKind(JUB_BODY_MOVING);
        }
        else if ((turn & 7) == 3)
        {
            c.bodyA->SetMask(c.bodyA->GetMask() >> 1);
        }
    }

private:
    uint8_t m_pattern;
    uint32_t m_calls = 0;
};

const u32 kMasks[] = {0x11111111u, 0x11101u, 0x11110u, 16u, 1u, 0x100u, 0x1000u, 0u};
const u32 kKinds[] = {JUB_BODY_STATIC, JUB_BODY_STUCK, JUB_BODY_MOVING, JUB_BODY_MOVING};

void AddBody(CJubPhysicsWorld& world, CByteReader& in)
{
    CJubPhysicsBodyDesc d;
    d.position = in.Point();
    f32 hx = in.Unit();
    f32 hy = in.Unit();
    d.halfSize = CKetrelVector2(hx, hy);
    d.kind = kKinds[in.Byte() & 3];
    d.group = in.Byte() & 3;
    d.mass = (f32)in.Byte() / 8.0f;
    d.bounce = in.Unit();
    d.friction = in.Unit();
    CJubPhysicsBody* b = world.CreateBody(d);
    b->SetMask(kMasks[in.Byte() & 7]);
    f32 vx = in.Coordinate() / 8.0f;
    f32 vy = in.Coordinate() / 8.0f;
    b->SetVelocity(CKetrelVector2(vx, vy));
}

void CheckWorld(const CJubPhysicsWorld& world)
{
    for (i32 i = 0; i < world.GetBodyCount(); ++i)
    {
        const CJubPhysicsBody* b = world.GetBody(i);
        Check(Finite(b->GetPosition()) && Finite(b->GetVelocity()) && Finite(b->GetImpulseSum()));
        Check(b->GetResting() <= 1);
    }
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CByteReader in(data, size);
    CJubPhysicsWorld world;
    const uint8_t setup = in.Byte();
    if (setup & 1)
        world.SetStep(1.0f / 30.0f, 1 + (setup >> 1) % 8);
    CFuzzListener listener(in.Byte());
    if (setup & 0x80)
        world.AddListener(&listener);

    const int bodies = in.Byte() % 32;
    for (int i = 0; i < bodies; ++i)
        AddBody(world, in);

    int steps = 0;
    while (!in.Done() && steps < 120)
    {
        const uint8_t op = in.Byte();
        switch (op % 8)
        {
        case 0:
        case 1:
        case 2:
        {
            const int n = 1 + in.Byte() % 8;
            for (int i = 0; i < n; ++i)
                world.Step();
            steps += n;
            CheckWorld(world);
            break;
        }
        case 3:
        {
            CKetrelVector2 origin = in.Point();
            f32 hx = in.Unit();
            f32 hy = in.Unit();
            CKetrelVector2 delta = in.Point();
            delta.Scale((f32)(1 + in.Byte()));
            world.SweepBox(origin, CKetrelVector2(hx, hy), delta);
            for (i32 i = 0; i < world.GetSweepHitCount(); ++i)
                for (i32 j = i + 1; j < world.GetSweepHitCount(); ++j)
                    Check(world.GetSweepHit(i) != world.GetSweepHit(j));
            break;
        }
        case 4:
        {
            CKetrelVector2 centre = in.Point();
            const f32 radius = in.Unit() * 2.0f;
            world.QueryRadius(centre, radius);
            for (i32 i = 0; i < world.GetQueryHitCount(); ++i)
            {
                const CJubPhysicsQueryHit* hit = world.GetQueryHit(i);
                Check(hit->distance < radius && hit->distance >= 0.0f);
                Check(Finite(hit->offset) && Finite(hit->closestPoint));
            }
            break;
        }
        case 5:
        {
            CKetrelVector2 point = in.Point();
            CJubPhysicsBody* b = world.PickBody(point, in.Byte(), in.Byte());
            if (b != nullptr)
                Check(b->GetBox().Contains(point) == 1);
            break;
        }
        case 6:
            world.RemoveBody(world.GetBody(in.Byte() % 64));
            break;
        default:
            if (world.GetBodyCount() < 40)
                AddBody(world, in);
            break;
        }
    }
    // The results of the last queries never point at a body that is gone.
    for (i32 i = 0; i < world.GetSweepHitCount(); ++i)
    {
        bool found = false;
        for (i32 j = 0; j < world.GetBodyCount(); ++j)
            found = found || world.GetBody(j) == world.GetSweepHit(i);
        Check(found);
    }
    return 0;
}
