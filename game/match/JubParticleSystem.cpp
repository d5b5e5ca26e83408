#include "game/match/JubParticleSystem.h"

#include "engine/KetrelColor.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubGameHost.h"
#include "game/match/JubRenderer.h"

#include <cmath>

namespace
{
const f32 kPi = 3.14159265f;
const f32 kLife = 4.0f;              // seconds
const f32 kFullAge = 1.0f;           // grown in and fully visible from this age on
const f32 kTurn = 0.25f;             // largest heading change per update, radians
const f32 kSpeed = 0.75f;            // pixels per update
const f32 kSpin = 0.035f;            // radians per update
const i32 kTrailEvery = 12;          // a trail after more than this many updates
const f32 kSpread = 0.75f;           // of the half extents, for new wanderers
const f32 kSizeOfWidth = 0.018f;     // a wanderer's half size, of the screen width
const f32 kTrailMin = 0.1f;          // a trail's size, of its wanderer's current size
const f32 kTrailMax = 0.5f;
} // namespace

CJubParticleSystem::CJubParticleSystem()
    : m_game(nullptr), m_capacity(JUB_PARTICLE_CAPACITY), m_dead(0)
{
}

CJubParticleSystem::~CJubParticleSystem()
{
    for (i32 i = 0; i < m_particles.GetCount(); ++i)
        delete GetParticle(i);
    m_particles.RemoveAll();
}

void CJubParticleSystem::Init(CJubGameHost* game)
{
    m_game = game;
    CJubRenderer* renderer = game ? game->GetRenderer() : nullptr;
    const f32 halfW = renderer ? renderer->GetCamera().GetScreenWidth() * 0.5f : 0.0f;
    const f32 halfH = renderer ? renderer->GetCamera().GetScreenHeight() * 0.5f : 0.0f;
    m_centre.Set(halfW, halfH * 0.33f);
    m_halfExtents.Set(halfW * 0.5f, halfH * 0.25f);
}

CJubParticle* CJubParticleSystem::GetParticle(i32 index) const
{
    if (index < 0 || index >= m_particles.GetCount())
        return nullptr;
    return static_cast<CJubParticle*>(m_particles.GetAt(index));
}

i32 CJubParticleSystem::FadeAlpha(f32 age, f32 life)
{
    const f32 t = (life - age) / (life - kFullAge);
    if (!(t >= 0.0f))
        return 0;
    if (t > 1.0f)
        return 255;
    return (i32)(t * 255.0f);
}

CJubParticle* CJubParticleSystem::NewParticle()
{
    // Particles marked dead in this update no longer count.
    if (m_particles.GetCount() - m_dead >= m_capacity)
        return nullptr;
    CJubParticle* particle = new CJubParticle();
    particle->life = kLife;
    m_particles.Add(particle);
    return particle;
}

void CJubParticleSystem::SpawnParticle()
{
    if (!m_game)
        return;
    CJubParticle* particle = NewParticle();
    if (!particle)
        return;
    const f32 dx = m_game->RandomFloat(-kSpread * m_halfExtents.x, kSpread * m_halfExtents.x);
    const f32 dy = m_game->RandomFloat(-kSpread * m_halfExtents.y, kSpread * m_halfExtents.y);
    particle->position.Set(m_centre.x + dx, m_centre.y + dy);
    CJubRenderer* renderer = m_game->GetRenderer();
    const f32 half = renderer ? kSizeOfWidth * renderer->GetCamera().GetScreenWidth() : 0.0f;
    particle->baseSize.Set(half, half);
    particle->size.Set(0.0f, 0.0f);
    particle->spin = m_game->RandomFloat(0.0f, kPi);
    particle->heading = m_game->RandomFloat(0.0f, kPi);
    particle->texture = JUB_IMAGE_PARTICLE_WANDERER;
}

void CJubParticleSystem::Kill(CJubParticle* particle)
{
    particle->alive = 0;
    ++m_dead;
    for (i32 i = 0; i < m_particles.GetCount(); ++i)
    {
        CJubParticle* other = GetParticle(i);
        if (other->parent == particle)
            other->parent = nullptr;
    }
}

void CJubParticleSystem::Update(f32 dt)
{
    if (!m_game)
        return;
    const f32 left = m_centre.x - m_halfExtents.x;
    const f32 right = m_centre.x + m_halfExtents.x;
    const f32 top = m_centre.y - m_halfExtents.y;
    const f32 bottom = m_centre.y + m_halfExtents.y;

    const i32 count = m_particles.GetCount();
    for (i32 i = 0; i < count; ++i)
    {
        CJubParticle* p = GetParticle(i);
        if (!p->alive)
            continue;
        p->size = p->baseSize;
        if (p->age < kFullAge)
            p->size.Scale(p->age);

        if (p->parent)
        {
            p->age += dt;
            if (p->age > p->life)
                Kill(p);
            continue;
        }

        p->heading += m_game->RandomFloat(-kTurn, kTurn);
        p->step.Set(std::cos(p->heading) * kSpeed, std::sin(p->heading) * kSpeed);
        p->position.Add(p->step);
        p->spin += kSpin;
        if (++p->trailCounter > kTrailEvery)
        {
            p->trailCounter = 0;
            CJubParticle* trail = NewParticle();
            if (trail)
            {
                const f32 scale = m_game->RandomFloat(kTrailMin, kTrailMax);
                trail->position = p->position;
                trail->baseSize.Set(p->size.x * scale, p->size.y * scale);
                trail->texture = JUB_IMAGE_PARTICLE_TRAIL;
                trail->parent = trail;
            }
        }

        const bool inside = left <= p->position.x && p->position.x <= right &&
                            top <= p->position.y && p->position.y <= bottom;
        if (inside)
        {
            if (p->age < kFullAge)
                p->age += dt;
            else if ((p->age -= dt) < kFullAge)
                p->age = kFullAge;
        }
        else
        {
            p->age += dt;
            if (p->age > p->life)
            {
                Kill(p);
                SpawnParticle();
            }
        }
    }

    for (i32 i = m_particles.GetCount() - 1; i >= 0; --i)
    {
        CJubParticle* p = GetParticle(i);
        if (!p->alive)
        {
            m_particles.RemoveAt(i);
            delete p;
        }
    }
    m_dead = 0;
}

void CJubParticleSystem::Render()
{
    CJubRenderer* renderer = m_game ? m_game->GetRenderer() : nullptr;
    CJubAssetCache* assets = m_game ? m_game->GetAssets() : nullptr;
    if (!renderer || !assets)
        return;
    for (i32 i = 0; i < m_particles.GetCount(); ++i)
    {
        const CJubParticle* p = GetParticle(i);
        CKetrelColor colour;
        colour.Set(1.0f, 1.0f, 1.0f, (f32)FadeAlpha(p->age, p->life) / 255.0f);
        renderer->DrawParticle(p->position, p->size, assets->GetImage(p->texture), p->spin,
                               colour);
    }
}
