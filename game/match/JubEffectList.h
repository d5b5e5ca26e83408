#pragma once
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelTypes.h"
#include "engine/KetrelVector.h"

class CJubGameHost;

enum
{
    JUB_IMAGE_EXPLOSION = 24,      // "explosion.png", 4 x 4 frames
    JUB_EFFECT_FRAMES = 16
};

// One sprite-sheet animation at a world position.
struct CJubEffect
{
    CKetrelVector2 position;       // world units
    CKetrelVector2 size;           // half size, world units
    i32 frame = 0;                 // 0..15
    f32 time = 0.0f;               // seconds since it was added
    u32 colour = 0xFFFFFFFFu;      // 0xAARRGGBB
};

// Explosions during a match: 16 frames of the explosion sheet at 20 frames per second,
// so each lasts 0.8 s, drawn in the world through the camera. Main thread only.
class CJubEffectList
{
public:
    CJubEffectList();
    ~CJubEffectList();             // deletes every effect
    CJubEffectList(const CJubEffectList&) = delete;
    CJubEffectList& operator=(const CJubEffectList&) = delete;

    // The game whose renderer and images draw the effects; not owned.
    void SetGame(CJubGameHost* game) { m_game = game; }
    void Clear();
    // A new effect at frame 0 with half size (scale, scale).
    void AddEffect(const CKetrelVector2& position, f32 scale, u32 colour);

    // Advances every effect; one that reaches its last frame is removed at once.
    void Update(f32 dt);
    void Render();

    i32 GetCount() const { return m_effects.GetCount(); }
    const CJubEffect* GetEffect(i32 index) const;

private:
    CKetrelPtrArray m_effects;     // CJubEffect*, owned, order of adding
    CJubGameHost* m_game;          // not owned
};
