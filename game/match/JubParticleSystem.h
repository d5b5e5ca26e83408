#pragma once
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelTypes.h"
#include "engine/KetrelVector.h"

class CJubGameHost;

enum
{
    JUB_PARTICLE_CAPACITY = 256,
    JUB_IMAGE_PARTICLE_WANDERER = 46,   // "particle_brix.png"
    JUB_IMAGE_PARTICLE_TRAIL = 47       // "particle_dot.png"
};

// One sprite of the background animation, in screen pixels.
struct CJubParticle
{
    CKetrelVector2 position;
    CKetrelVector2 size;           // half size drawn this frame
    CKetrelVector2 baseSize;       // half size when fully grown
    CKetrelVector2 step;           // last movement
    f32 spin = 0.0f;               // radians; +0.035 per update
    f32 heading = 0.0f;            // direction of travel, radians
    i32 texture = JUB_IMAGE_PARTICLE_WANDERER;   // index of the game's image table
    i32 trailCounter = 0;          // updates since the last trail
    f32 age = 0.0f;                // seconds; drives growing in and fading
    f32 life = 4.0f;               // seconds
    // Null for a wanderer. A trail points at itself: it only marks the particle as a
    // trail, so no particle ever points at another one and none can dangle.
    CJubParticle* parent = nullptr;
    i32 alive = 1;                 // 0 marks it for removal
};

// Slowly wandering, spinning sprites that leave fading trails, for the backgrounds of the
// menu, connecting and training screens. Wanderers stay in view while they are inside
// the emitter box and fade out over 3 s once they leave it; each one that dies is
// replaced. Main thread only.
class CJubParticleSystem
{
public:
    CJubParticleSystem();
    ~CJubParticleSystem();         // deletes every particle
    CJubParticleSystem(const CJubParticleSystem&) = delete;
    CJubParticleSystem& operator=(const CJubParticleSystem&) = delete;

    // Keeps the game (random numbers, images, renderer) and places the emitter box from
    // the renderer's screen size: centre (w/2, 0.33 h/2), half extents (w/4, h/8).
    void Init(CJubGameHost* game);
    // A new wanderer near the emitter's centre; nothing when 256 particles live or
    // before Init.
    void SpawnParticle();

    // Moves, ages and replaces the particles; nothing before Init. Particles made during
    // the update (trails, replacements) are first moved by the next one.
    void Update(f32 dt);
    // Additive quads of the particles' images.
    void Render();

    i32 GetCount() const { return m_particles.GetCount(); }
    CJubParticle* GetParticle(i32 index) const;
    const CKetrelVector2& GetEmitterCentre() const { return m_centre; }
    const CKetrelVector2& GetEmitterHalfExtents() const { return m_halfExtents; }

    // Alpha of a particle: trunc(255 (life - age) / (life - 1)) held within 0..255, so
    // 255 up to an age of 1 s and 0 from its life on.
    static i32 FadeAlpha(f32 age, f32 life);

private:
    // A new particle when fewer than the capacity live; null otherwise.
    CJubParticle* NewParticle();
    void Kill(CJubParticle* particle);

    CJubGameHost* m_game;          // not owned
    CKetrelVector2 m_centre;       // pixels
    CKetrelVector2 m_halfExtents;
    CKetrelPtrArray m_particles;   // CJubParticle*, owned
    i32 m_capacity;
    i32 m_dead;                    // particles marked dead and not yet removed
};
