// The play screen's posting operations: each fills its event's record and pushes it into
// the local queue with the send flag of its type; and the timed replay.
#include "game/match/JubPlayState.h"

#include "engine/KetrelResult.h"
#include "game/match/JubGameHost.h"
#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubScene.h"

namespace
{
// Jump and Fire launch against the stretch of the aiming gesture.
const f32 kLaunchScale = -6.9f;

u8 PlayerByte(i32 player)
{
    return (u8)(player & 1);
}
}

void CJubPlayState::PostStartRound(i32 first, i32 scene, i32 slotA, i32 slotB)
{
    CJubEventStartRound e;
    e.firstPlayer = PlayerByte(first);
    e.scene = (u32)scene;
    e.slot[0] = (u32)slotA;
    e.slot[1] = (u32)slotB;
    m_exchange->Post(e, 1);
}

void CJubPlayState::PostBeginTurn(i32 player)
{
    CJubEventBeginTurn e;
    e.player = PlayerByte(player);
    m_exchange->Post(e, 1);
}

void CJubPlayState::PostRoundOver()
{
    CJubEventRoundOver e;
    e.winner = (m_f.winner == 0 || m_f.winner == 1) ? (u8)m_f.winner : (u8)JUB_WINNER_NONE;
    SetPhase(JUB_PHASE_ROUND_OVER);
    m_f.roundOverPosted = 1;
    m_exchange->Post(e, 1);
}

void CJubPlayState::PostNextRound()
{
    m_exchange->Post(CJubEventNextRound(), 1);
}

void CJubPlayState::PostTurnResult(i32 code)
{
    CJubEventMatchResult e;
    e.sender = PlayerByte(m_f.localPlayer);
    for (i32 p = 0; p < 2; ++p)
    {
        const i32 won = m_liveScene->GetPlayer(p).roundsWon;
        e.roundsWon[p] = (u8)(won < 0 ? 0 : won);
    }
    // A drawn match (666) does not fit the byte; it travels as "no winner".
    e.winner = (m_f.winner == 0 || m_f.winner == 1) ? (u8)m_f.winner : (u8)JUB_WINNER_NONE;
    e.resultCode = (u8)code;
    m_exchange->Post(e, e.SendFlag());
}

void CJubPlayState::PostNextTurn(i32 player)
{
    CJubEventNextTurn e;
    e.player = PlayerByte(player);
    m_exchange->Post(e, 1);
}

void CJubPlayState::PostMatchOver(i32 leaveNow)
{
    CJubEventMatchOver e;
    e.localPlayer = PlayerByte(m_f.localPlayer);
    e.leaveNow = leaveNow ? 1u : 0u;
    m_matchOverPosted = 1;
    m_exchange->Post(e, 0);
}

void CJubPlayState::PostQuit(i32 reason)
{
    CJubEventQuit e;
    e.localPlayer = PlayerByte(m_f.localPlayer);
    e.reason = (u8)reason;
    m_quitRequested = 1;
    m_exchange->Post(e, 0);
}

void CJubPlayState::PostSimulation(i32 running)
{
    CJubEventSetSimulation e;
    e.running = running ? 1u : 0u;
    m_exchange->Post(e, 1);
}

void CJubPlayState::PostPlayerOut(i32 player, i32 cause)
{
    CJubEventPlayerOut e;
    e.player = PlayerByte(player);
    e.cause = (u8)cause;
    m_exchange->Post(e, 1);
}

void CJubPlayState::PostSyncPositions()
{
    CJubEventSyncPositions e;
    for (i32 p = 0; p < 2; ++p)
    {
        const CJubPlayer& player = m_liveScene->GetPlayer(p);
        if (player.body)
            e.position[p] = player.body->GetPosition();
    }
    m_simulationRunning = 0;
    m_exchange->Post(e, 1);
}

void CJubPlayState::PostJump(i32 player, const CKetrelVector2& stretch, i32 follow)
{
    CJubEventJump e;
    e.player = PlayerByte(player);
    e.launch.Set(stretch.x * kLaunchScale, stretch.y * kLaunchScale);
    e.follow = follow ? 1 : 0;
    m_exchange->Post(e, 1);
}

void CJubPlayState::PostPlayerReady(i32 player)
{
    CJubEventPlayerReady e;
    e.player = PlayerByte(player);
    m_exchange->Post(e, 1);
}

void CJubPlayState::PostConcede(i32 player)
{
    CJubEventConcede e;
    e.player = PlayerByte(player);
    m_exchange->Post(e, 1);
}

void CJubPlayState::PostDamage(i32 player, i32 damage, i32 healthLeft)
{
    CJubEventDamage e;
    e.player = PlayerByte(player);
    e.damage = damage < 0 ? 0 : damage;
    e.healthLeft = healthLeft < 0 ? 0 : healthLeft;
    m_exchange->Post(e, 1);
}

void CJubPlayState::PostSettleCheck()
{
    m_exchange->Post(CJubEventSettleCheck(), 0);
}

void CJubPlayState::PostWhip(i32 player, const CKetrelVector2& direction)
{
    CJubEventWhip e;
    e.player = PlayerByte(player);
    e.direction = direction;
    m_exchange->Post(e, 1);
}

i32 CJubPlayState::PostLoadProjectile(i32 player, i32 kind)
{
    if (kind < 0 || kind >= JUB_PROJECTILE_KINDS)
        return -1;
    CJubPlayer& owner = m_liveScene->GetPlayer(player);
    // The next free slot from the ring index on; a slot already handed out this pass is
    // passed by the ring itself.
    i32 slot = -1;
    for (i32 tries = 0; tries < JUB_PROJECTILE_SLOTS && slot < 0; ++tries)
    {
        const i32 candidate = owner.TakeNextSlot();
        if (!owner.projectiles[candidate])
            slot = candidate;
    }
    if (slot < 0)
        return -1;
    CJubEventLoadProjectile e;
    e.player = PlayerByte(player);
    e.kind = (u8)kind;
    e.slot = (u8)slot;
    m_exchange->Post(e, 1);
    return slot;
}

void CJubPlayState::PostPlaceProjectile(i32 player, const CKetrelVector2& position, i32 slot)
{
    CJubEventPlaceProjectile e;
    e.player = PlayerByte(player);
    e.position = position;
    e.slot = (u8)slot;
    m_exchange->Post(e, 1);
}

void CJubPlayState::PostFire(i32 player, const CKetrelVector2& stretch, i32 slot)
{
    CJubEventFire e;
    e.player = PlayerByte(player);
    e.launch.Set(stretch.x * kLaunchScale, stretch.y * kLaunchScale);
    e.slot = (u8)slot;
    m_exchange->Post(e, 1);
}

void CJubPlayState::PostRemoveProjectile(i32 player, i32 b, i32 slot)
{
    CJubEventRemoveProjectile e;
    e.player = PlayerByte(player);
    e.unused = (u8)b;
    e.slot = (u8)slot;
    m_exchange->Post(e, 1);
}

void CJubPlayState::PostThrowBlock(i32 id, i32 gx, i32 gy, const CKetrelVector2& push, i32 health)
{
    CJubEventThrowBlock e;
    e.blockId = (u8)id;
    e.gridX = (i8)gx;
    e.gridY = (i8)gy;
    e.health = health < 0 ? 0 : health;
    e.push = push;
    m_exchange->Post(e, 1);
}

void CJubPlayState::PostDestroyBlock(i32 id)
{
    CJubEventDestroyBlock e;
    e.blockId = (u8)id;
    m_exchange->Post(e, 1);
}

int CJubPlayState::PostBatch()
{
    return m_exchange->PostBatch();
}

void CJubPlayState::PostBlockState(i32 id, i32 health, i32 material, i32 flags, f32 friction,
                                   f32 bounce, const CKetrelVector2& push, f32 delay)
{
    CJubEventBlockState e;
    e.blockId = (u8)id;
    e.health = health < 0 ? 0 : health;
    e.material = (u8)(material & 3);
    e.flags = (u8)(flags & 3);
    e.push = push;
    e.friction = friction;
    e.bounce = bounce;
    e.delay = delay;
    m_exchange->Post(e, 1);
}

void CJubPlayState::PostExplosion(const CKetrelVector2& position, f32 size, i32 kind, u32 colour,
                                  i32 send)
{
    CJubEventExplosion e;
    e.colour = colour;
    e.kind = (i8)kind;
    e.position = position;
    e.size = size;
    m_exchange->Post(e, send);
}

void CJubPlayState::PostReplayDone()
{
    CJubEventReplayDone e;
    e.player = PlayerByte(m_f.localPlayer);
    m_f.replayDonePosted = 1;
    m_exchange->Post(e, 1);
}

void CJubPlayState::PostOwnedItems()
{
    CJubOwnedItem items[JUB_OWNED_ITEMS_MAX];
    i32 count = m_game->GetOwnedItems(items, JUB_OWNED_ITEMS_MAX);
    if (count < 0)
        count = 0;
    if (count > JUB_OWNED_ITEMS_MAX)
        count = JUB_OWNED_ITEMS_MAX;
    CJubEventOwnedItems e;
    e.player = PlayerByte(m_f.localPlayer);
    e.count = (u8)count;
    // The starting health these items give, as this handset reads them; the last hat
    // read counts, as when the event is applied.
    i32 health = HatHealth(0);
    for (i32 i = 0; i < count; ++i)
    {
        e.itemId[i] = items[i].itemId;
        e.fileNumber[i] = items[i].fileNumber;
        e.packNumber[i] = items[i].packNumber;
        CJubItemInfo info;
        if ((i32)items[i].itemId >= 0 && m_game->ReadItem(m_f.localPlayer, items[i], &info) == KE_OK
            && info.type == JUB_ITEM_HAT)
            health = HatHealth(info.variable);
    }
    e.startHealth = (u16)health;
    m_exchange->Post(e, 1);
}

i32 CJubPlayState::ApplyReceivedEvents()
{
    const i32 waiting = m_exchange->ApplyReceivedEvents();
    if (waiting == 0 && !m_replayEndHandled)
    {
        m_replayEndHandled = 1;
        if (m_f.phase == JUB_PHASE_LOCAL_TURN)
        {
            m_f.replayDone = 1;
            if (m_camera->GetZoomTarget() < 0.3f)
                m_camera->SetZoomTarget(0.3f);
        }
        else
        {
            PostReplayDone();
        }
    }
    return waiting;
}
