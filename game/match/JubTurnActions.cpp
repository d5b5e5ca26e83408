// A turn's action: aiming, the weapon's events, the simulate-ahead with its settling
// check, blasts, the whip, the out-of-round checks and the contact handling. Whatever
// the check decides leaves as events with explicit values, so a replay never decides
// anything again.
#include "game/match/JubPlayState.h"

#include "engine/KetrelMath.h"
#include "engine/KetrelResult.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubEffectList.h"
#include "game/match/JubGameHost.h"
#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubScene.h"
#include "game/match/JubTouchState.h"

#include <cmath>

namespace
{
const f32 kStep = 1.0f / 30.0f;
const f32 kSimulateLimit = 30.0f;      // seconds of simulate-ahead before a turn is undone
const f32 kFrameBudget = 1.0f;         // seconds simulated per update at most
const f32 kMaxStretch = 0.4f;
const f32 kHalfPi = 1.5707964f;
const f32 kWaterSeconds = 1.0f;
const f32 kContactImpulse = 0.0005f;
const i32 kBlockThrowHealth = 64;
const u32 kGreen = 0xFF00FF00u;
const u32 kGrey = 0xFF808080u;

// Health one blast or whip hit takes from a block, by material; bouncy blocks take none.
const i32 kMaterialDamage[JUB_BLOCK_MATERIAL_COUNT] = {160, 80, 240, 0};

i32 MaterialDamage(u8 material)
{
    return material < JUB_BLOCK_MATERIAL_COUNT ? kMaterialDamage[material] : 0;
}

f32 Clamp01(f32 v)
{
    if (!(v > 0.0f))
        return 0.0f;
    return v > 1.0f ? 1.0f : v;
}

// v set to the length; a zero vector stays zero.
CKetrelVector2 WithLength(const CKetrelVector2& v, f32 length)
{
    const f32 l = v.Length();
    if (!(l > 0.0f))
        return CKetrelVector2(0.0f, 0.0f);
    return CKetrelVector2(v.x * (length / l), v.y * (length / l));
}

bool IsSticky(u8 kind)
{
    return kind == JUB_KIND_STICKY || kind == JUB_KIND_CLUSTER || kind == JUB_KIND_SNOW;
}
}

// ------------------------------------------------------------------- aiming

void CJubPlayState::HandleAimTouch()
{
    CJubPlayer& me = m_liveScene->GetPlayer(m_f.localPlayer);
    // 1. A released aim fires on the next update, or relaxes once the turn has acted.
    if (me.aiming && m_f.aimRelease)
    {
        if (!m_f.acted)
        {
            me.aimPreview = 0;
            ExecuteAction();
        }
        else
        {
            CJubPlayer& shown = m_snapshotScene->GetPlayer(m_f.localPlayer);
            const f32 l = shown.whipVector.Length();
            if (l - 0.06f <= 0.01f)
            {
                shown.whipVector.Set(0.0f, 0.0f);
                shown.aiming = 0;
            }
            else
            {
                shown.whipVector = WithLength(shown.whipVector, l - 0.06f);
            }
            CJubPlayer& current = m_currentScene->GetPlayer(m_f.localPlayer);
            current.aiming = shown.aiming;
            current.whipVector = shown.whipVector;
        }
        return;
    }
    if (m_f.acted || !me.body)
        return;

    const CJubTouchPoint& touch = m_game->GetTouchState().Primary();
    const CKetrelVector2 finger = touch.position;
    CKetrelVector2 at;
    m_camera->WorldToScreen(me.body->GetPosition(), at);
    const CKetrelVector2 reach = me.displaySize[0];

    // 2. Start: the finger on the creature's body or inside its box on screen.
    if (touch.down && !m_f.aimStarted)
    {
        CKetrelVector2 world;
        m_camera->ScreenToWorld(finger, world);
        const CJubPhysicsBody* picked = m_world->PickBody(world, JUB_BODY_MOVING, 3);
        const bool inside = finger.x >= at.x - reach.x && finger.x <= at.x + reach.x
                            && finger.y >= at.y - reach.y && finger.y <= at.y + reach.y;
        if (picked == me.body || inside)
        {
            m_f.aimStarted = 1;
            m_camera->StopFollowing();
        }
    }
    CKetrelVector2 d;
    d.SetDifference(at, finger);
    // 3. Lift: far enough from the creature fires, else the aim is cancelled.
    if (touch.released && m_f.aimStarted)
    {
        m_f.aimStarted = 0;
        if (d.Length() > reach.x && me.aiming)
        {
            me.aiming = 1;
            me.aimPreview = 1;
            m_f.aimRelease = 1;
            m_f.stretchSound = 0;
        }
        else
        {
            me.aiming = 0;
            me.aimPreview = 0;
        }
        return;
    }
    // 4. Drag: the stretch, at most 0.4 long, against the finger.
    if (!touch.down || !m_f.aimStarted)
        return;
    f32 s = (d.Length() - reach.x) * 0.75f;
    const f32 quarter = m_camera->GetScreenWidth() * 0.25f;
    if (s > 0.0f && quarter > 0.0f)
    {
        d = WithLength(d, s);
        d.x = -d.x;
        d.x /= quarter;
        d.y /= quarter;
        s = d.Length();
        if (s > kMaxStretch)
            d = WithLength(d, kMaxStretch);
    }
    // A finger on or near the creature gives no direction: no aim, nothing fires.
    if (!(s > 0.0f) || !(quarter > 0.0f))
    {
        m_f.stretchSound = 0;
        me.aiming = 0;
        me.aimPreview = 0;
        return;
    }
    if (!m_f.stretchSound)
    {
        m_f.stretchSound = 1;
        PlaySound(JUB_SOUND_STRETCH);
    }
    me.whipVector = d;
    me.aimVector = d;
    me.aiming = 1;
    me.aimPreview = 1;
}

int CJubPlayState::Act(const CJubTurnAction& action)
{
    if (m_f.phase != JUB_PHASE_LOCAL_TURN || m_f.acted || m_liveSimulation || !m_timerRunning
        || m_f.matchDecided)
        return KE_ERR_NOT_READY;
    if (SelectWeapon(action.weapon) != KE_OK)
        return KE_ERR_ARGUMENT;
    const f32 l = action.aim.Length();
    if (!std::isfinite(l) || !(l > 0.0f))
        return KE_ERR_ARGUMENT;
    CJubPlayer& me = m_liveScene->GetPlayer(m_f.localPlayer);
    me.aimVector = l > kMaxStretch ? WithLength(action.aim, kMaxStretch) : action.aim;
    me.whipVector = me.aimVector;
    me.aiming = 1;
    ExecuteAction();
    return KE_OK;
}

// -------------------------------------------------------------------- action

void CJubPlayState::ExecuteAction()
{
    if (m_f.phase != JUB_PHASE_LOCAL_TURN || m_f.acted || m_liveSimulation)
        return;
    CJubPlayer& me = m_liveScene->GetPlayer(m_f.localPlayer);
    // The weapon is taken before an owned bomb is used up, so the bomb fires as itself.
    const i32 weapon = me.selectedWeapon;
    const CKetrelVector2 aim = me.aimVector;
    const CKetrelVector2 whip = me.whipVector;
    const i32 local = m_f.localPlayer;

    m_exchange->ClearHistory();
    m_f.acted = 1;
    SetLiveSimulation(1);
    m_simulatedTime = 0.0f;
    if (weapon == JUB_WEAPON_SNOW || weapon == JUB_WEAPON_CLUSTER)
    {
        if (!m_singlePlayer)
        {
            me.bombUsed = 1;
            me.selectedWeapon = JUB_WEAPON_BOMB;
            const u32 item = weapon == JUB_WEAPON_SNOW ? me.itemWords[4] : me.itemWords[3];
            m_game->SendItemUsed(item, 1, local * 80);
        }
        LayoutButtons(1);
    }
    SaveSnapshot();
    m_game->ResetClock();
    m_stepIndex = 0;
    ClearCheckState();

    PostSyncPositions();
    i32 slot = -1;
    switch (weapon)
    {
    case JUB_WEAPON_JUMP:
        PostJump(local, aim, 0);
        break;
    case JUB_WEAPON_WHIP:
        PostWhip(local, whip);
        break;
    default:
    {
        static const i32 kKinds[JUB_WEAPON_COUNT] = {-1, JUB_KIND_BOMB, JUB_KIND_STICKY, -1,
                                                     JUB_KIND_SNOW, JUB_KIND_CLUSTER};
        const i32 kind = weapon >= 0 && weapon < JUB_WEAPON_COUNT ? kKinds[weapon] : -1;
        if (kind >= 0)
        {
            slot = PostLoadProjectile(local, kind);
            if (slot >= 0)
                PostFire(local, aim, slot);
        }
        break;
    }
    }
    PostSimulation(1);
}

// ------------------------------------------------------------ simulate-ahead

void CJubPlayState::UpdateLiveSimulation()
{
    m_f.timeAccumulator = 0.0f;
    while (m_liveSimulation && m_f.timeAccumulator < kFrameBudget)
    {
        StepAhead();
        m_f.timeAccumulator += kStep;
    }
    m_game->ResyncFixedStep();
}

// One step in the replay's order (release, dispatch, scene and effects, clock, world),
// with the settling check after the dispatch. The clock moves on before the check, so
// whatever the check posts carries the time of the step that dispatches it.
void CJubPlayState::StepAhead()
{
    m_exchange->DispatchEvents();
    if (m_observer)
        m_observer->OnTurnStep(*m_liveScene, 0, m_stepIndex);
    m_game->AdvanceClock(JUB_STEP_MS);
    ++m_stepIndex;
    CheckSettled();
    if (!m_liveSimulation)
        return;
    StepScene();
    if (m_simulationRunning)
        m_world->Step();
    m_simulatedTime += kStep;
    if (m_simulatedTime >= kSimulateLimit)
        AbandonSimulation();
}

void CJubPlayState::AbandonSimulation()
{
    RestoreSnapshot();
    SetLiveSimulation(0);
    m_exchange->ClearHistory();
    m_exchange->GetLocalQueue().Clear();
    m_game->ResetClock();
    m_stepIndex = 0;
    // The turn may act again, and its timer goes on: the restore marks the turn as acted
    // and released, which would leave it waiting for a replay that never comes.
    m_f.acted = 0;
    m_f.aimRelease = 0;
    m_f.aimStarted = 0;
    m_f.stretchSound = 0;
    CJubPlayer& me = m_liveScene->GetPlayer(m_f.localPlayer);
    me.aiming = 0;
    me.aimPreview = 0;
    ++m_abandoned;
}

void CJubPlayState::ClearCheckState()
{
    for (i32 p = 0; p < 2; ++p)
    {
        m_inWater[p] = 0;
        m_waterTimer[p] = 0.0f;
        m_whipHitDone[p] = 0;
        m_shadowHealth[p] = 0;
        for (i32 s = 0; s < JUB_PROJECTILE_SLOTS; ++s)
        {
            m_shotInWater[p][s] = 0;
            m_shotWaterTimer[p][s] = 0.0f;
        }
    }
    m_shadowActive = 0;
}

void CJubPlayState::BeginShadow()
{
    if (m_shadowActive)
        return;
    m_shadowActive = 1;
    for (i32 p = 0; p < 2; ++p)
    {
        const CJubPlayer& player = m_liveScene->GetPlayer(p);
        m_shadowHealth[p] = player.alive ? player.health : 0;
    }
    for (i32 i = 0; i < 256; ++i)
    {
        m_blockHealth[i] = -1;
        m_blockDoomed[i] = 0;
    }
}

i32 CJubPlayState::FindCreature(const CJubPhysicsBody* body) const
{
    for (i32 p = 0; p < 2; ++p)
    {
        if (body && m_liveScene->GetPlayer(p).body == body)
            return p;
    }
    return -1;
}

CJubBlock* CJubPlayState::FindBlockOfBody(const CJubPhysicsBody* body) const
{
    if (!body || body->GetId() < JUB_BLOCK_FIRST_ID || body->GetId() > JUB_BLOCK_LAST_ID)
        return nullptr;
    CJubBlock* block = m_liveScene->GetBlocks()->FindBlock((u8)body->GetId());
    return block && block->body == body ? block : nullptr;
}

int CJubPlayState::CheckSettled()
{
    CJubScene& scene = *m_liveScene;
    BeginShadow();

    // 1. A swinging whip hits once, when its phase passes a quarter turn.
    for (i32 p = 0; p < 2; ++p)
    {
        CJubPlayer& player = scene.GetPlayer(p);
        if (player.whipActive && !m_whipHitDone[p] && player.whipPhase > kHalfPi)
        {
            m_whipHitDone[p] = 1;
            CKetrelVector2 direction(-player.whipVector.x, -player.whipVector.y);
            ResolveWhip(p, direction);
        }
    }

    // 2. Creatures: moving, or drowning.
    i32 creatures = 1;
    for (i32 p = 0; p < 2; ++p)
    {
        CJubPlayer& player = scene.GetPlayer(p);
        if (!player.alive || !player.body || player.body->GetResting())
            continue;
        creatures = 0;
        const f32 bottom = player.body->GetPosition().y + 2.0f * player.body->GetHalfSize().y;
        if (bottom < 0.0f)
        {
            if (!m_inWater[p])
            {
                m_inWater[p] = 1;
                m_waterTimer[p] = 0.0f;
                PlaySound(JUB_SOUND_CREATURE_SPLASH);
            }
            else if (m_waterTimer[p] > kWaterSeconds && m_shadowHealth[p] >= 0)
            {
                m_shadowHealth[p] = -1;   // out: posted once
                PostPlayerOut(p, CJubEventPlayerOut::kDrowned);
            }
        }
    }

    // 3. Projectiles: moving, or sinking.
    i32 projectiles = 1;
    for (i32 p = 0; p < 2; ++p)
    {
        CJubPlayer& player = scene.GetPlayer(p);
        for (i32 s = 0; s < JUB_PROJECTILE_SLOTS; ++s)
        {
            CJubProjectile* shot = player.projectiles[s];
            if (!shot || !shot->body || shot->body->GetResting())
                continue;
            projectiles = 0;
            const f32 bottom = shot->body->GetPosition().y + 2.0f * shot->body->GetHalfSize().y;
            if (bottom >= 0.0f)
                continue;
            if (!m_shotInWater[p][s])
            {
                m_shotInWater[p][s] = 1;
                m_shotWaterTimer[p][s] = 0.0f;
                PlaySound(JUB_SOUND_SHOT_SPLASH);
            }
            else if (m_shotWaterTimer[p][s] > kWaterSeconds && m_shotInWater[p][s] == 1)
            {
                m_shotInWater[p][s] = 2;   // removal posted
                PostRemoveProjectile(p, 1, s);
            }
        }
    }

    // 4. Everything rests: the local player's projectiles go off.
    if (creatures && projectiles)
        Detonate();

    // 5. Queue and effects.
    m_f.creaturesSettled = creatures;
    m_f.projectilesSettled = projectiles;
    m_f.queueSettled = !m_exchange->GetLocalQueue().HasEvents();
    m_f.effectsSettled = m_effects->GetCount() == 0;
    // A block still turning to ice would change after the turn; it settles first, so
    // every handset ends the turn with the same blocks.
    const i32 others = creatures && projectiles && m_f.queueSettled && m_f.effectsSettled;
    i32 blocks = 1;
    for (i32 i = 0; others && i < scene.GetBlocks()->GetCount() && blocks; ++i)
        blocks = scene.GetBlocks()->GetBlock(i)->pending ? 0 : 1;

    // 6. Water timers.
    for (i32 p = 0; p < 2; ++p)
    {
        if (m_inWater[p] && m_waterTimer[p] <= kWaterSeconds)
            m_waterTimer[p] += kStep;
        for (i32 s = 0; s < JUB_PROJECTILE_SLOTS; ++s)
        {
            if (m_shotInWater[p][s] && m_shotWaterTimer[p][s] <= kWaterSeconds)
                m_shotWaterTimer[p][s] += kStep;
        }
    }
    m_f.waterTimerRunning = m_inWater[0] || m_inWater[1];

    // 7. Settled: first the positions are pinned, then the turn's batch goes.
    if (!others || !blocks)
        return 0;
    if (!m_f.positionsSynced)
    {
        m_f.positionsSynced = 1;
        PostSyncPositions();
        PostSimulation(1);
        return 0;
    }
    if (m_f.replayStarted)
        return 1;
    if (m_observer)
        m_observer->OnSimulateAheadEnd(*m_liveScene);
    const int rc = PostBatch();
    if (rc == KE_ERR_MEMORY)
    {
        // Nothing went out: the turn is undone and may act again.
        AbandonSimulation();
        return 0;
    }
    if (rc != KE_OK)
        ++m_shortBatches;
    RestoreSnapshot();
    SetLiveSimulation(0);
    m_game->ResetClock();
    m_stepIndex = 0;
    m_replayEndHandled = 0;
    m_f.replayStarted = 1;
    return 1;
}

void CJubPlayState::Detonate()
{
    CJubScene& scene = *m_liveScene;
    const i32 local = m_f.localPlayer;
    CJubPlayer& me = scene.GetPlayer(local);
    i32 held[JUB_PROJECTILE_SLOTS];
    i32 heldCount = 0;
    i32 any = 0;
    for (i32 s = 0; s < JUB_PROJECTILE_SLOTS; ++s)
    {
        CJubProjectile* shot = me.projectiles[s];
        if (!shot || !shot->body)
            continue;
        held[heldCount++] = s;
        const CKetrelVector2 at = shot->body->GetPosition();
        PostPlaceProjectile(local, at, s);
        const u32 colour = shot->kind == JUB_KIND_STICKY ? kGreen : me.colour.GetARGB();
        PostExplosion(at, shot->blastRadius, shot->kind, colour, 1);
        any = 1;
    }
    if (!any)
        return;
    ResolveBlasts(local);
    // A cluster bomb leaves three fragments, which go off in a later pass.
    static const f32 kFragments[3][2] = {{0.0f, -3.0f}, {3.0f, -3.0f}, {-3.0f, -3.0f}};
    for (i32 h = 0; h < heldCount; ++h)
    {
        CJubProjectile* shot = me.projectiles[held[h]];
        if (!shot || !shot->body || shot->kind != JUB_KIND_CLUSTER)
            continue;
        const CKetrelVector2 at = shot->body->GetPosition();
        for (i32 i = 0; i < 3; ++i)
        {
            const i32 slot = PostLoadProjectile(local, JUB_KIND_FRAGMENT);
            if (slot < 0)
                break;
            PostPlaceProjectile(local, at, slot);
            PostFire(local, WithLength(CKetrelVector2(kFragments[i][0], kFragments[i][1]), 0.15f),
                     slot);
        }
    }
    for (i32 h = 0; h < heldCount; ++h)
        PostRemoveProjectile(local, 0, held[h]);
}

// ------------------------------------------------------------------- damage

void CJubPlayState::HitCreature(i32 player, i32 damage)
{
    if (damage <= 0 || m_shadowHealth[player] <= 0)
        return;
    i32 left = m_shadowHealth[player] - damage;
    if (left < 0)
        left = 0;
    m_shadowHealth[player] = left;
    PostDamage(player, damage, left);
    if (left == 0)
    {
        const CJubPlayer& victim = m_liveScene->GetPlayer(player);
        PostPlayerOut(player, CJubEventPlayerOut::kHealthUsedUp);
        if (victim.body)
            PostExplosion(victim.body->GetPosition(), 0.2f, 0, victim.colour.GetARGB(), 1);
        m_shadowHealth[player] = -1;
    }
}

void CJubPlayState::DamageBlock(CJubBlock* block, const CKetrelVector2& lowered,
                                const CKetrelVector2& push, i32 ownCell)
{
    const u8 id = block->id;
    if (m_blockDoomed[id])
        return;
    i32 health = m_blockHealth[id] >= 0 ? m_blockHealth[id] : block->health;
    health -= MaterialDamage(block->material);
    if (health < 0)
        health = 0;
    m_blockHealth[id] = health;
    const CKetrelVector2 from = ownCell ? block->body->GetPosition() : lowered;
    i8 gx = 0, gy = 0;
    m_camera->WorldToGrid(from, gx, gy);
    CKetrelVector2 place;
    m_camera->GridToWorld(gx, gy, place);
    if (place.y + block->body->GetHalfSize().y >= 0.0f && health > kBlockThrowHealth)
    {
        PostThrowBlock(id, gx, gy, push, health);
    }
    else
    {
        // Gone for the rest of this pass; the event removes it on every handset.
        m_blockDoomed[id] = 1;
        PostDestroyBlock(id);
    }
}

void CJubPlayState::ResolveBlasts(i32 player)
{
    BeginShadow();
    CJubPlayer& owner = m_liveScene->GetPlayer(player);
    // Creatures knocked out by an earlier shot of this pass: the later shots (a cluster's
    // fragments go off together) still knock them back, but deal no more damage.
    i32 outHere[2] = {0, 0};
    for (i32 s = 0; s < JUB_PROJECTILE_SLOTS; ++s)
    {
        CJubProjectile* shot = owner.projectiles[s];
        if (!shot || !shot->body)
            continue;
        const CKetrelVector2 centre = shot->body->GetPosition();
        const f32 radius = shot->blastRadius;
        if (!(radius > 0.0f))
            continue;
        m_world->QueryRadius(centre, radius);
        const f32 pushFactor = shot->kind == JUB_KIND_STICKY ? 2.0f : 1.0f;
        for (i32 h = 0; h < m_world->GetQueryHitCount(); ++h)
        {
            const CJubPhysicsQueryHit* hit = m_world->GetQueryHit(h);
            CJubPhysicsBody* body = hit->body;
            if (CJubBlock* block = FindBlockOfBody(body))
            {
                const f32 f = Clamp01((radius - hit->distance) / radius);
                CKetrelVector2 lowered = body->GetPosition();
                lowered.y -= 0.5f * f * radius * pushFactor;
                const CKetrelVector2 push = WithLength(hit->offset, 2.0f * f);
                i8 gx0 = 0, gy0 = 0, gx1 = 0, gy1 = 0;
                m_camera->WorldToGrid(body->GetPosition(), gx0, gy0);
                m_camera->WorldToGrid(lowered, gx1, gy1);
                if (shot->kind == JUB_KIND_SNOW)
                {
                    if (!m_blockDoomed[block->id])
                        PostBlockState(block->id, JUB_BLOCK_FULL_HEALTH, 2, 0, 0.75f, 0.15f, push,
                                       (1.0f - f) * -2.0f);
                }
                else if (shot->kind == JUB_KIND_CLUSTER)
                {
                    DamageBlock(block, lowered, push, 1);
                }
                else if (gy1 != gy0)
                {
                    DamageBlock(block, lowered, push, 0);
                }
                continue;
            }
            const i32 victim = FindCreature(body);
            if (victim < 0 || (m_shadowHealth[victim] <= 0 && !outHere[victim]))
                continue;
            f32 distance = hit->distance;
            CKetrelVector2 between;
            between.SetDifference(body->GetPosition(), centre);
            const f32 centres = between.Length();
            if (centres < body->GetHalfSize().x + shot->body->GetHalfSize().x)
                distance = centres;
            const f32 f = Clamp01((radius - distance) / radius);
            CKetrelVector2 direction = WithLength(hit->offset, 1.0f);
            CKetrelVector2 knock(-(direction.x * f) * 0.12f, -(direction.y * f) * 0.12f);
            PostJump(victim, knock, 1);
            HitCreature(victim, (i32)(f * (f32)shot->damage));
            outHere[victim] = m_shadowHealth[victim] < 0;
        }
    }
    PostSettleCheck();
}

void CJubPlayState::ResolveWhip(i32 player, const CKetrelVector2& direction)
{
    BeginShadow();
    CJubPlayer& whipper = m_liveScene->GetPlayer(player);
    if (!whipper.body)
        return;
    CKetrelVector2 half = whipper.body->GetHalfSize();
    half.x *= 0.75f;
    half.y *= 0.75f;
    m_world->SweepBox(whipper.body->GetPosition(), half, direction);
    f32 strength = direction.Length() / 0.4f * 26.0f;
    if (strength > 25.0f)
        strength = 25.0f;
    for (i32 h = 0; h < m_world->GetSweepHitCount(); ++h)
    {
        CJubPhysicsBody* body = m_world->GetSweepHit(h);
        if (CJubBlock* block = FindBlockOfBody(body))
        {
            CKetrelVector2 lowered = body->GetPosition();
            lowered.y -= 0.15f;
            DamageBlock(block, lowered, direction, 0);
            continue;
        }
        const i32 victim = FindCreature(body);
        if (victim < 0 || victim == player || m_shadowHealth[victim] <= 0)
            continue;
        const i32 damage = (i32)strength;
        if (damage > 0)
            HitCreature(victim, damage);
        if (m_shadowHealth[victim] > 0)
            PostJump(victim, CKetrelVector2(direction.x * -0.35f, direction.y * -0.35f), 1);
    }
    PostSettleCheck();
}

void CJubPlayState::CheckCrushed(i32 player)
{
    CJubPlayer& me = m_liveScene->GetPlayer(player);
    if (!me.alive || !me.body)
        return;
    m_liveScene->FindColumnBlocks();
    const CKetrelVector2 pos = me.body->GetPosition();
    const CKetrelVector2 half = me.body->GetHalfSize();
    const f32 bottom = pos.y - half.y;
    const f32 top = pos.y + half.y;
    const f32 touch = 1e-3f;
    f32 lowestTop = 1000.0f;
    f32 highestBottom = -1000.0f;
    i32 below = 0, above = 0;
    CJubBlockSet* blocks = m_liveScene->GetBlocks();
    for (i32 i = 0; i < me.lowerBlocks.GetCount(); ++i)
    {
        CJubBlock* block = blocks->FindBlock(me.lowerBlocks[i]);
        if (!block || !block->body)
            continue;
        const f32 blockTop = block->body->GetPosition().y + block->body->GetHalfSize().y;
        if (blockTop < bottom - touch)
            continue;   // not one it rests on
        below = 1;
        if (blockTop < lowestTop)
            lowestTop = blockTop;
    }
    for (i32 i = 0; i < me.upperBlocks.GetCount(); ++i)
    {
        CJubBlock* block = blocks->FindBlock(me.upperBlocks[i]);
        if (!block || !block->body)
            continue;
        const f32 blockBottom = block->body->GetPosition().y - block->body->GetHalfSize().y;
        if (blockBottom > top + touch)
            continue;   // clear of the creature
        above = 1;
        if (blockBottom > highestBottom)
            highestBottom = blockBottom;
    }
    if (below && above && highestBottom - lowestTop < 2.0f * half.y - touch)
    {
        PostPlayerOut(player, CJubEventPlayerOut::kCrushed);
        PostExplosion(pos, 0.2f, 0, me.colour.GetARGB(), 1);
        return;
    }
    if (below && lowestTop > bottom + touch)
    {
        // Sunk into a block it stands on: up onto it, and everyone is told where.
        me.body->SetPosition(CKetrelVector2(pos.x, lowestTop + half.y));
        PostSyncPositions();
    }
}

// ------------------------------------------------------------------ handlers

void CJubPlayState::OnSettleCheck(const CJubEventSettleCheck&)
{
    if (m_f.phase != JUB_PHASE_LOCAL_TURN || !m_liveSimulation)
        return;
    CheckCrushed(0);
    CheckCrushed(1);
    PostSimulation(1);
}

void CJubPlayState::OnSetSimulation(const CJubEventSetSimulation& e)
{
    m_simulationRunning = e.running ? 1 : 0;
}

void CJubPlayState::OnSyncPositions(const CJubEventSyncPositions& e)
{
    for (i32 p = 0; p < 2; ++p)
    {
        CJubPlayer& player = m_liveScene->GetPlayer(p);
        if (!player.body)
            continue;
        player.body->SetPosition(e.position[p]);
        player.body->SetVelocity(CKetrelVector2(0.0f, 0.0f));
    }
    m_simulationRunning = 0;
}

void CJubPlayState::OnJump(const CJubEventJump& e)
{
    CJubPlayer& player = m_liveScene->GetPlayer(e.player);
    CJubPhysicsBody* body = player.body;
    if (!body || !(body->GetMass() > 0.0f))
        return;
    CKetrelVector2 v = body->GetVelocity();
    v.x += e.launch.x / body->GetMass();
    v.y += e.launch.y / body->GetMass();
    body->SetVelocity(v);
    body->SetRestTimer(0.0f);
    body->SetResting(0);
    if (e.follow)
        m_camera->FrameWorld(m_world);
    else
        m_camera->FollowBody(body);
    PlaySound(JUB_SOUND_JUMP);
    // Moving again: the settling starts over.
    m_f.creaturesSettled = 0;
    m_f.positionsSynced = 0;
}

void CJubPlayState::OnFire(const CJubEventFire& e)
{
    CJubProjectile* shot = m_liveScene->GetPlayer(e.player).GetProjectile(e.slot);
    if (!shot || !shot->body || !(shot->body->GetMass() > 0.0f))
        return;
    const f32 mass = shot->body->GetMass();
    shot->body->SetVelocity(CKetrelVector2(e.launch.x / mass, e.launch.y / mass));
    shot->body->SetRestTimer(0.0f);
    shot->body->SetResting(0);
    PlaySound(JUB_SOUND_SHOT);
}

void CJubPlayState::OnLoadProjectile(const CJubEventLoadProjectile& e)
{
    CJubProjectile* shot = m_liveScene->CreateProjectile(e.player, e.kind, e.slot);
    if (shot)
        m_camera->FrameWorld(m_world);
    else
        m_camera->StopFollowing();
}

void CJubPlayState::OnWhip(const CJubEventWhip& e)
{
    for (i32 p = 0; p < 2; ++p)
    {
        CJubPhysicsBody* body = m_liveScene->GetPlayer(p).body;
        if (body)
        {
            body->SetRestTimer(0.0f);
            body->SetResting(0);
        }
    }
    CJubPlayer& player = m_liveScene->GetPlayer(e.player);
    player.whipActive = 1;
    player.aiming = 1;
    player.whipVector = e.direction;
    player.whipBase = e.direction;
    player.whipPhase = 0.0f;
    m_whipHitDone[e.player] = 0;
    PlaySound(JUB_SOUND_WHIP);
}

void CJubPlayState::OnPlaceProjectile(const CJubEventPlaceProjectile& e)
{
    CJubProjectile* shot = m_liveScene->GetPlayer(e.player).GetProjectile(e.slot);
    if (!shot || !shot->body)
        return;
    shot->body->SetVelocity(CKetrelVector2(0.0f, 0.0f));
    shot->body->SetPosition(e.position);
}

void CJubPlayState::OnDamage(const CJubEventDamage& e)
{
    CJubPlayer& player = m_liveScene->GetPlayer(e.player);
    const i32 before = player.health;
    // The sender worked out the health left without touching the record; that value is
    // the one every handset keeps, so a health that came apart comes together again.
    // It is before less the damage wherever the handsets already agreed.
    i32 left = e.healthLeft < 0 ? 0 : e.healthLeft;
    if (left > HatHealth(JUB_HAT_BONUS_MAX))
        left = HatHealth(JUB_HAT_BONUS_MAX);
    player.health = player.alive ? left : 0;
    const i32 shown = e.damage < before ? e.damage : before;
    for (i32 i = 0; i < JUB_DISPLAY_SLOTS; ++i)
    {
        if (player.displaySlots[i] == 0)
        {
            player.displaySlots[i] = shown;
            break;
        }
    }
    player.displayFlag = 1;
    player.displayTimer = 0.0f;
}

void CJubPlayState::OnPlayerOut(const CJubEventPlayerOut& e)
{
    CJubPlayer& player = m_liveScene->GetPlayer(e.player);
    const i32 lost = player.health;
    player.alive = 0;
    player.health = 0;
    if (player.body)
        player.body->SetMask(0);
    if (e.cause == CJubEventPlayerOut::kCrushed && lost > 0)
    {
        for (i32 i = 0; i < JUB_DISPLAY_SLOTS; ++i)
        {
            if (player.displaySlots[i] == 0)
            {
                player.displaySlots[i] = lost;
                break;
            }
        }
        player.displayFlag = 1;
        player.displayTimer = 0.0f;
    }
}

void CJubPlayState::OnThrowBlock(const CJubEventThrowBlock& e)
{
    CJubBlock* block = m_liveScene->GetBlocks()->FindBlock(e.blockId);
    if (!block || !block->body)
        return;
    block->health = e.health;
    CKetrelVector2 place;
    m_liveScene->GetCamera()->GridToWorld(e.gridX, e.gridY, place);
    CKetrelVector2 move;
    move.SetDifference(place, block->body->GetPosition());
    block->body->SetBlastVector(move);
    block->body->SetPosition(place);
    CKetrelVector2 sum = block->body->GetImpulseSum();
    sum.Add(e.push);
    block->body->SetImpulseSum(sum);
}

void CJubPlayState::OnDestroyBlock(const CJubEventDestroyBlock& e)
{
    CJubBlock* block = m_liveScene->GetBlocks()->FindBlock(e.blockId);
    if (!block || !block->body)
        return;
    const CKetrelVector2 half = block->body->GetHalfSize();
    PostExplosion(block->body->GetPosition(), (half.x + half.y) * 0.5f, 0, kGrey, 0);
    m_liveScene->ForgetBlock(e.blockId);
    m_liveScene->GetBlocks()->RemoveBlock(e.blockId);
}

void CJubPlayState::OnBlockState(const CJubEventBlockState& e)
{
    CJubBlock* block = m_liveScene->GetBlocks()->FindBlock(e.blockId);
    if (!block || !block->body)
        return;
    block->SetPendingChange(e.flags, e.material, e.health, e.friction, e.bounce, e.delay);
    CKetrelVector2 sum = block->body->GetImpulseSum();
    sum.Add(e.push);
    block->body->SetImpulseSum(sum);
}

void CJubPlayState::OnRemoveProjectile(const CJubEventRemoveProjectile& e)
{
    m_liveScene->RemoveProjectile(e.player, e.slot);
    m_snapshotScene->RemoveProjectile(e.player, e.slot);
}

void CJubPlayState::OnExplosion(const CJubEventExplosion& e)
{
    m_effects->AddEffect(e.position, e.size, e.colour);
    PlaySound(JUB_SOUND_EXPLOSION);
}

void CJubPlayState::OnResumeClock(const CJubEventResumeClock&)
{
    m_game->ResetClock();
    m_simulationRunning = 1;
}

void CJubPlayState::OnContact(const CJubPhysicsContact& contact)
{
    if (!m_liveScene || !contact.bodyA)
        return;
    for (i32 p = 0; p < 2; ++p)
    {
        CJubPlayer& player = m_liveScene->GetPlayer(p);
        if (contact.strength > kContactImpulse && player.alive && contact.bodyA == player.body)
            PlaySound(JUB_SOUND_CREATURE_BOUNCE);
        for (i32 s = 0; s < JUB_PROJECTILE_SLOTS; ++s)
        {
            CJubProjectile* shot = player.projectiles[s];
            if (!shot || shot->body != contact.bodyA)
                continue;
            if (shot->kind == JUB_KIND_BOMB || shot->kind == JUB_KIND_FRAGMENT)
            {
                if (contact.strength > kContactImpulse)
                    PlaySound(JUB_SOUND_SHOT_BOUNCE);
            }
            else if (IsSticky(shot->kind) && shot->body->GetKind() == JUB_BODY_MOVING)
            {
                const CJubBlock* block = FindBlockOfBody(contact.bodyB);
                if (block)
                {
                    shot->body->SetKind(JUB_BODY_STUCK);
                    shot->body->SetVelocity(CKetrelVector2(0.0f, 0.0f));
                    shot->stuckBlock = block->id;
                    PlaySound(JUB_SOUND_SHOT_BOUNCE);
                }
            }
        }
    }
}
