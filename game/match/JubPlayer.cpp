#include "game/match/JubPlayer.h"

#include "engine/KetrelMath.h"
#include "game/match/JubPhysicsBody.h"

#include <cmath>

namespace
{
const f32 kPi = 3.14159265358979f;
const f32 kDisplayRise = 0.0025f;    // per update
const f32 kDisplayEnd = 0.3f;
const f32 kWhipRate = 12.0f;         // radians per second
}

CJubPlayer::CJubPlayer()
    : alive(0), nextSlot(0), name(L"Player"), index(0), aimDirection(0), aimAngle(0.0f),
      body(nullptr), opponentBody(nullptr), health(100), aiming(0), aimPreview(0),
      whipActive(0), whipPhase(0.0f), displayFlag(0), displayTimer(0.0f),
      wornItemTexture(nullptr), wearsItem(0), timeOutsLeft(3), bombUsed(0), ownsSnowBomb(0),
      ownsClusterBomb(0), ownedSpare(0), selectedWeapon(1), roundsWon(0), ready(0)
{
    for (i32 i = 0; i < JUB_PROJECTILE_SLOTS; ++i)
        projectiles[i] = nullptr;
    for (i32 i = 0; i < JUB_DISPLAY_SLOTS; ++i)
        displaySlots[i] = 0;
    for (i32 i = 0; i < JUB_ITEM_WORDS; ++i)
        itemWords[i] = 0;
    displaySize[0].Set(0.2f, 0.2f);
    displaySize[1].Set(0.2f, 0.2f);
}

void CJubPlayer::Build(u8 playerIndex, CJubPhysicsBody* creatureBody,
                       const CKetrelColor& creatureColour)
{
    index = playerIndex;
    body = creatureBody;
    opponentBody = nullptr;
    colour = creatureColour;
    alive = 1;
    health = 100;
    for (i32 i = 0; i < JUB_PROJECTILE_SLOTS; ++i)
        projectiles[i] = nullptr;
    nextSlot = 0;
    displaySize[0].Set(0.2f, 0.2f);
    displaySize[1].Set(0.2f, 0.2f);
    aimVector.Set(0.0f, 0.0f);
    whipVector.Set(0.0f, 0.0f);
    whipBase.Set(0.0f, 0.0f);
    aiming = 0;
    aimPreview = 0;
    whipActive = 0;
    whipPhase = 0.0f;
    displayFlag = 0;
    displayTimer = 0.0f;
    for (i32 i = 0; i < JUB_DISPLAY_SLOTS; ++i)
        displaySlots[i] = 0;
    upperBlocks.RemoveAll();
    lowerBlocks.RemoveAll();
}

CJubProjectile* CJubPlayer::GetProjectile(i32 slot) const
{
    if (slot < 0 || slot >= JUB_PROJECTILE_SLOTS)
        return nullptr;
    return projectiles[slot];
}

i32 CJubPlayer::TakeNextSlot()
{
    i32 slot = nextSlot;
    if (slot < 0 || slot >= JUB_PROJECTILE_SLOTS)
        slot = 0;
    nextSlot = (slot + 1) % JUB_PROJECTILE_SLOTS;
    return slot;
}

void CJubPlayer::UpdateAim()
{
    if (!opponentBody || !body)
        return;
    CKetrelVector2 d;
    d.SetDifference(opponentBody->GetPosition(), body->GetPosition());
    if (d.y == 0.0f)
        d.y = 1e-5f;
    f32 r = KetrelAtan(d.x / d.y);
    if (d.y > 0.0f)
        r -= kPi;
    f32 angle = (-kPi / 2.0f - r) / kPi * 180.0f;
    if (angle < 0.0f)
        angle += 360.0f;
    // A position of NaN or infinity gives no direction; the creature keeps its last one.
    if (!std::isfinite(angle))
        return;
    aimAngle = angle;
    aimDirection = (i32)((angle + 22.5f) / 45.0f) % JUB_AIM_DIRECTIONS;
}

void CJubPlayer::ClearCounters()
{
    for (i32 i = 0; i < JUB_ITEM_WORDS; ++i)
        itemWords[i] = 0;
    bombUsed = 0;
    ownsSnowBomb = 0;
    ownsClusterBomb = 0;
    ownedSpare = 0;
}

void CJubPlayer::UpdateCreature(f32 dt, f32 screenWidth)
{
    if (displayFlag)
    {
        displayTimer += kDisplayRise;
        if (displayTimer > kDisplayEnd)
        {
            for (i32 i = 0; i < JUB_DISPLAY_SLOTS; ++i)
                displaySlots[i] = 0;
            displayFlag = 0;
            displayTimer = 0.3001f;
        }
    }
    else
    {
        for (i32 i = 0; i < JUB_DISPLAY_SLOTS; ++i)
            displaySlots[i] = 0;
    }

    if (whipActive)
    {
        if (body)
        {
            // The creature stays awake while it swings.
            body->SetRestTimer(0.0f);
            body->SetResting(0);
        }
        aiming = 1;
        whipPhase += kWhipRate * dt;
        f32 s = KetrelSin(whipPhase);
        if (s >= 0.0f)
        {
            whipVector = whipBase;
            whipVector.Scale(-s);
        }
        else
        {
            whipActive = 0;
            aiming = 0;
            whipVector.Set(0.0f, 0.0f);
        }
    }

    f32 size = screenWidth / 20.0f;
    displaySize[0].Set(size, size);
    displaySize[1].Set(size, size);
}
