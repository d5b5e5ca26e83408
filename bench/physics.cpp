// Steps per second of the match's physics world against Box2D 2.4 on the same scenes: a
// full level (223 static blocks, 2 creatures, 4 projectiles in flight) and a worst case of
// 64 projectiles in flight. Box2D steps the same static boxes with fixed-rotation dynamic
// boxes at its usual 8 velocity and 3 position iterations. Every 90 steps the moving bodies
// of both worlds are put back to their launch state, so both keep flying for the whole run.
#include "game/match/JubPhysicsWorld.h"

#include <box2d/box2d.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <vector>

namespace
{
const float kStep = 1.0f / 30.0f;   // the game world's step
const float kBox2DScale = 10.0f;    // Box2D metres per world unit: blocks of 1 to 6 m
const int kResetEvery = 90;

struct Box
{
    float x, y, hx, hy;
};

struct Mover
{
    float x, y, half, mass, bounce;
    float vx, vy;   // world units per Step
    uint32_t mask;
};

struct Scene
{
    std::vector<Box> blocks;
    std::vector<Mover> movers;
};

// splitmix64, so every run builds the same level.
struct Random
{
    uint64_t state;
    uint64_t Next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Int(int lo, int hi) { return lo + (int)(Next() % (uint64_t)(hi - lo + 1)); }
};

// A level of 223 blocks on a grid of 0.2 cells: a ground row over the water line, then
// towers and ledges of seeded heights, as the level editor would place them.
std::vector<Box> BuildLevel()
{
    std::vector<Box> blocks;
    Random rnd{2026};
    int height[32] = {};
    for (int col = 0; col < 32; ++col)
    {
        blocks.push_back({-3.1f + 0.2f * (float)col, 0.1f, 0.1f, 0.1f});
        height[col] = 1;
    }
    while (blocks.size() < 223)
    {
        int col = rnd.Int(0, 31);
        if (col >= 14 && col <= 17)
            continue;   // a valley in the middle for the shots to fall into
        if (height[col] >= 12)
            continue;
        // Mostly cubes, sometimes a wide ledge block spanning two columns.
        if (col < 31 && height[col] == height[col + 1] && rnd.Int(0, 3) == 0)
        {
            blocks.push_back({-3.0f + 0.2f * (float)col, 0.1f + 0.2f * (float)height[col], 0.2f, 0.1f});
            ++height[col];
            ++height[col + 1];
        }
        else
        {
            blocks.push_back({-3.1f + 0.2f * (float)col, 0.1f + 0.2f * (float)height[col], 0.1f, 0.1f});
            ++height[col];
        }
    }
    return blocks;
}

Scene LevelScene()
{
    Scene s;
    s.blocks = BuildLevel();
    s.movers.push_back({-0.5f, 3.0f, 0.05f, 20.0f, 0.05f, 0.0f, 0.0f, 0x11101u});
    s.movers.push_back({0.5f, 3.0f, 0.05f, 20.0f, 0.05f, 0.0f, 0.0f, 0x11110u});
    const float vx[4] = {0.05f, -0.06f, 0.03f, -0.02f};
    const float vy[4] = {0.08f, 0.07f, 0.1f, 0.09f};
    for (int i = 0; i < 4; ++i)
        s.movers.push_back({-2.0f + 1.3f * (float)i, 3.0f, 0.025f, 15.0f, 0.2f, vx[i], vy[i], 0x11111111u});
    return s;
}

Scene WorstScene()
{
    Scene s;
    s.blocks = BuildLevel();
    for (int i = 0; i < 64; ++i)
    {
        const float spread = (float)(i - 32) / 32.0f;
        s.movers.push_back({spread * 2.8f, 3.2f + 0.06f * (float)(i % 8), 0.025f, 15.0f, 0.2f,
                            -0.04f * spread, 0.02f + 0.001f * (float)(i % 16), 0x11111111u});
    }
    return s;
}

class OurWorld
{
public:
    explicit OurWorld(const Scene& scene) : m_scene(scene)
    {
        m_world.SetStep(kStep, 4);
        for (const Box& b : scene.blocks)
        {
            CJubPhysicsBodyDesc d;
            d.position = CKetrelVector2(b.x, b.y);
            d.halfSize = CKetrelVector2(b.hx, b.hy);
            d.kind = JUB_BODY_STATIC;
            d.bounce = 0.15f;
            d.friction = 0.75f;
            m_world.CreateBody(d)->SetMask(0x11111111u);
        }
        for (const Mover& m : scene.movers)
        {
            CJubPhysicsBodyDesc d;
            d.position = CKetrelVector2(m.x, m.y);
            d.halfSize = CKetrelVector2(m.half, m.half);
            d.kind = JUB_BODY_MOVING;
            d.mass = m.mass;
            d.bounce = m.bounce;
            d.friction = 0.5f;
            CJubPhysicsBody* body = m_world.CreateBody(d);
            body->SetMask(m.mask);
            m_movers.push_back(body);
        }
        Reset();
    }
    void Reset()
    {
        for (size_t i = 0; i < m_movers.size(); ++i)
        {
            const Mover& m = m_scene.movers[i];
            m_movers[i]->SetPosition(CKetrelVector2(m.x, m.y));
            m_movers[i]->SetVelocity(CKetrelVector2(m.vx, m.vy));
        }
    }
    void Step() { m_world.Step(); }
    float Height(size_t i) const { return m_movers[i]->GetPosition().y; }

private:
    const Scene& m_scene;
    CJubPhysicsWorld m_world;
    std::vector<CJubPhysicsBody*> m_movers;
};

class Box2DWorld
{
public:
    explicit Box2DWorld(const Scene& scene)
        // -0.003 units per Step each Step, at 30 Steps a second, in metres.
        : m_scene(scene), m_world(b2Vec2(0.0f, -0.003f * 30.0f * 30.0f * kBox2DScale))
    {
        for (const Box& b : scene.blocks)
        {
            b2BodyDef def;
            def.type = b2_staticBody;
            def.position.Set(b.x * kBox2DScale, b.y * kBox2DScale);
            b2Body* body = m_world.CreateBody(&def);
            b2PolygonShape shape;
            shape.SetAsBox(b.hx * kBox2DScale, b.hy * kBox2DScale);
            b2FixtureDef fixture;
            fixture.shape = &shape;
            fixture.friction = 0.75f;
            fixture.restitution = 0.15f;
            body->CreateFixture(&fixture);
        }
        for (const Mover& m : scene.movers)
        {
            b2BodyDef def;
            def.type = b2_dynamicBody;
            def.fixedRotation = true;
            def.bullet = false;
            def.position.Set(m.x * kBox2DScale, m.y * kBox2DScale);
            b2Body* body = m_world.CreateBody(&def);
            b2PolygonShape shape;
            shape.SetAsBox(m.half * kBox2DScale, m.half * kBox2DScale);
            b2FixtureDef fixture;
            fixture.shape = &shape;
            fixture.density = m.mass / (4.0f * m.half * m.half * kBox2DScale * kBox2DScale);
            fixture.friction = 0.5f;
            fixture.restitution = m.bounce;
            body->CreateFixture(&fixture);
            m_movers.push_back(body);
        }
        Reset();
    }
    void Reset()
    {
        for (size_t i = 0; i < m_movers.size(); ++i)
        {
            const Mover& m = m_scene.movers[i];
            m_movers[i]->SetTransform(b2Vec2(m.x * kBox2DScale, m.y * kBox2DScale), 0.0f);
            m_movers[i]->SetLinearVelocity(b2Vec2(m.vx * 30.0f * kBox2DScale, m.vy * 30.0f * kBox2DScale));
            m_movers[i]->SetAwake(true);
        }
    }
    void Step() { m_world.Step(kStep, 8, 3); }
    float Height(size_t i) const { return m_movers[i]->GetPosition().y / kBox2DScale; }

private:
    const Scene& m_scene;
    b2World m_world;
    std::vector<b2Body*> m_movers;
};

// Seconds of this thread's processor time: other processes on the machine count less
// than on a wall clock.
double ThreadSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

// Steps per second: the best of `rounds` runs of `steps` Steps from the launch state.
template <class World>
double StepsPerSecond(World& world, int steps, int rounds, double* sink)
{
    double best = 0.0;
    for (int r = 0; r < rounds; ++r)
    {
        world.Reset();
        const double start = ThreadSeconds();
        for (int i = 0; i < steps; ++i)
        {
            if (i % kResetEvery == kResetEvery - 1)
                world.Reset();
            world.Step();
        }
        const double seconds = ThreadSeconds() - start;
        *sink += world.Height(0);
        const double rate = seconds > 0.0 ? steps / seconds : 0.0;
        if (rate > best)
            best = rate;
    }
    return best;
}

double Compare(const char* name, const char* label, const Scene& scene, int steps)
{
    OurWorld ours(scene);
    Box2DWorld box2d(scene);
    double sink = 0.0;
    // Short runs of each in turn, so both see the same machine load; the best of each.
    double ourRate = 0.0, boxRate = 0.0;
    for (int i = 0; i < 10; ++i)
    {
        const double a = StepsPerSecond(ours, steps, 3, &sink);
        const double b = StepsPerSecond(box2d, steps, 3, &sink);
        if (a > ourRate)
            ourRate = a;
        if (b > boxRate)
            boxRate = b;
    }
    double ratio = ourRate / boxRate;
    std::printf("%-34s %6zu bodies %12.0f %12.0f %8.2f\n", label,
                scene.blocks.size() + scene.movers.size(), ourRate, boxRate, ratio);
    std::printf("BENCH %s ratio=%.2f\n", name, ratio);
    if (sink == 12345.678)
        std::printf("\n");
    return ratio;
}
}

int main()
{
    std::printf("%-34s %13s %12s %12s %8s\n", "scene", "", "steps/s", "Box2D st/s", "ratio");
    Compare("physics_level", "level: 223 blocks, 2 creatures, 4 shots", LevelScene(), 900);
    Compare("physics_64", "worst case: 64 projectiles", WorstScene(), 270);
    return 0;
}
