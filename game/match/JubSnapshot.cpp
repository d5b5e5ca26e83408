// The turn snapshot: the live match copied into the snapshot scene before an action, and
// back when the replay starts or a simulate-ahead is undone. Only values are copied:
// every body, block and projectile pointer stays the one of its own scene.
#include "game/match/JubPlayState.h"

#include "game/match/JubCamera.h"
#include "game/match/JubGameHost.h"
#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubPlayer.h"
#include "game/match/JubScene.h"

namespace
{
// The body record of from onto to, which stays owned by owner.
void CopyBody(CJubPhysicsBody* to, const CJubPhysicsBody* from, void* owner)
{
    *to = *from;
    to->SetOwner(owner);
}

// True when to's blocks match from's by id and type, in order, and to's world holds just
// its creatures and those blocks: the records can then be copied in place. A scene's
// world always holds its creatures first and its blocks in list order (blocks are only
// appended or removed, and removal keeps the order), so the counts and the ends tell.
bool SameLayout(const CJubScene* to, const CJubScene* from)
{
    const CJubBlockSet* a = to->GetBlocks();
    const CJubBlockSet* b = from->GetBlocks();
    const CJubPhysicsWorld* world = to->GetWorld();
    const i32 count = a ? a->GetCount() : -1;
    if (!a || !b || !world || count != b->GetCount() || world->GetBodyCount() != 2 + count)
        return false;
    for (i32 p = 0; p < 2; ++p)
    {
        if (!to->GetPlayer(p).body || world->GetBody(p) != to->GetPlayer(p).body
            || !from->GetPlayer(p).body)
            return false;
    }
    if (count > 0 && world->GetBody(1 + count) != a->GetBlock(count - 1)->body)
        return false;
    for (i32 i = 0; i < count; ++i)
    {
        const CJubBlock* x = a->GetBlock(i);
        const CJubBlock* y = b->GetBlock(i);
        if (x->id != y->id || x->type != y->type || !x->body || !y->body)
            return false;
    }
    return true;
}

void FreezeBody(CJubPhysicsBody* body)
{
    body->SetVelocity(CKetrelVector2(0.0f, 0.0f));
    body->SetStepMotion(CKetrelVector2(0.0f, 0.0f));
    body->SetLastPosition(body->GetPosition());
}
}

void CJubPlayState::CopyCamera(CJubCamera* to, const CJubCamera* from)
{
    if (!to || !from || to == from)
        return;
    CJubScene* scene = to->GetScene();
    *to = *from;
    to->SetScene(scene);
    to->StopFollowing();
}

void CJubPlayState::CopyPlayer(CJubPlayer* to, const CJubPlayer* from)
{
    if (!to || !from || to == from)
        return;
    // Everything but what the target scene owns or links: its bodies, projectile records
    // and the worn item's texture.
    CJubPhysicsBody* body = to->body;
    CJubPhysicsBody* opponent = to->opponentBody;
    CJubProjectile* projectiles[JUB_PROJECTILE_SLOTS];
    for (i32 s = 0; s < JUB_PROJECTILE_SLOTS; ++s)
        projectiles[s] = to->projectiles[s];
    CKetrelSurface* texture = to->wornItemTexture;

    to->alive = from->alive;
    to->nextSlot = from->nextSlot;
    if (!to->name.Equals(from->name))
        to->name = from->name;
    to->index = from->index;
    to->aimDirection = from->aimDirection;
    to->aimAngle = from->aimAngle;
    to->colour = from->colour;
    to->health = from->health;
    to->displaySize[0] = from->displaySize[0];
    to->displaySize[1] = from->displaySize[1];
    to->aimVector = from->aimVector;
    to->whipVector = from->whipVector;
    to->whipBase = from->whipBase;
    to->aiming = from->aiming;
    to->aimPreview = from->aimPreview;
    to->whipActive = from->whipActive;
    to->whipPhase = from->whipPhase;
    to->displayFlag = from->displayFlag;
    to->displayTimer = from->displayTimer;
    for (i32 i = 0; i < JUB_DISPLAY_SLOTS; ++i)
        to->displaySlots[i] = from->displaySlots[i];
    to->upperBlocks.RemoveAll();
    to->lowerBlocks.RemoveAll();
    to->wearsItem = from->wearsItem;
    to->timeOutsLeft = from->timeOutsLeft;
    for (i32 i = 0; i < JUB_ITEM_WORDS; ++i)
        to->itemWords[i] = from->itemWords[i];
    to->bombUsed = from->bombUsed;
    to->ownsSnowBomb = from->ownsSnowBomb;
    to->ownsClusterBomb = from->ownsClusterBomb;
    to->ownedSpare = from->ownedSpare;
    to->selectedWeapon = from->selectedWeapon;
    to->roundsWon = from->roundsWon;
    to->ready = from->ready;

    to->body = body;
    to->opponentBody = opponent;
    for (i32 s = 0; s < JUB_PROJECTILE_SLOTS; ++s)
        to->projectiles[s] = projectiles[s];
    to->wornItemTexture = texture;
    if (body && from->body)
        CopyBody(body, from->body, body->GetOwner());
}

void CJubPlayState::CopyBlock(CJubBlock* to, const CJubBlock* from)
{
    if (!to || !from || to == from)
        return;
    to->id = from->id;
    to->flags = from->flags;
    to->material = from->material;
    to->layer = from->layer;
    to->type = from->type;
    to->health = from->health;
    to->shownHealth = from->shownHealth;
    to->wobble.Set(0.0f, 0.0f);
    to->pending = from->pending;
    to->pendingDelay = from->pendingDelay;
    to->pendingFlags = from->pendingFlags;
    to->pendingMaterial = from->pendingMaterial;
    to->pendingHealth = from->pendingHealth;
    to->pendingFriction = from->pendingFriction;
    to->pendingBounce = from->pendingBounce;
    if (to->body && from->body)
    {
        CopyBody(to->body, from->body, to);
        FreezeBody(to->body);
    }
}

void CJubPlayState::CopyScreenFields(CJubPlayFields* to, const CJubPlayFields* from)
{
    if (!to || !from || to == from)
        return;
    to->localPlayer = from->localPlayer;
    to->remotePlayer = from->remotePlayer;
    to->turnPlayer = from->turnPlayer;
    to->winner = from->winner;
    to->phase = from->phase;
    to->bothReady = from->bothReady;
    to->timedOut = from->timedOut;
    to->positionsSynced = from->positionsSynced;
    to->timeAccumulator = from->timeAccumulator;
    to->aimStarted = from->aimStarted;
    to->batchReceived = 0;
    to->replayDone = 0;
    to->peerReplayDone = 0;
    to->replayStarted = 0;
    to->replayDonePosted = 0;
    to->waterTimerRunning = 0;
    to->readyLatch = 0;
    to->readyPosted = 0;
    to->positionsSynced = 0;
    to->matchDecided = 0;
    to->aimRelease = 1;
    to->acted = 1;
    to->stretchSound = 1;
    to->roundOver = 0;
    to->projectilesSettled = 0;
    to->queueSettled = 0;
    to->effectsSettled = 0;
    to->creaturesSettled = 0;
    to->turnPassed = 0;
    to->roundOverPosted = 0;
}

void CJubPlayState::CopyScene(CJubScene* to, const CJubScene* from)
{
    if (!to || !from || to == from)
        return;
    if (!to->GetName().Equals(from->GetName()))
        to->SetName(from->GetName());
    // Projectiles are never part of a turn's start; whatever the target holds goes.
    for (i32 p = 0; p < 2; ++p)
    {
        for (i32 s = 0; s < JUB_PROJECTILE_SLOTS; ++s)
        {
            if (to->GetPlayer(p).projectiles[s])
                to->RemoveProjectile(p, s);
        }
    }
    if (SameLayout(to, from))
    {
        // The usual case: the same blocks as last time, copied in place.
        for (i32 i = 0; i < from->GetBlocks()->GetCount(); ++i)
            CopyBlock(to->GetBlocks()->GetBlock(i), from->GetBlocks()->GetBlock(i));
    }
    else
    {
        // The target is rebuilt in the source's order, creatures first, so its world
        // holds its bodies in the order of the source's world.
        to->Reset();
        CJubBlockSet* blocks = to->GetBlocks();
        for (i32 i = 0; i < from->GetBlocks()->GetCount(); ++i)
        {
            const CJubBlock* source = from->GetBlocks()->GetBlock(i);
            if (!source->body)
                continue;
            CJubBlock* block = blocks->CreateBlock(source->type, source->body->GetPosition(),
                                                   source->material, source->flags,
                                                   source->layer);
            if (!block)
                continue;
            CopyBlock(block, source);
        }
    }
    for (i32 p = 0; p < 2; ++p)
        CopyPlayer(&to->GetPlayer(p), &from->GetPlayer(p));
    to->GetPlayer(0).opponentBody = to->GetPlayer(1).body;
    to->GetPlayer(1).opponentBody = to->GetPlayer(0).body;
    // Markers: rebuilt only when they differ in number (they never change in a match).
    if (to->GetMarkerCount() != from->GetMarkerCount())
    {
        while (to->GetMarkerCount() > 0)
            to->RemoveMarker(to->GetMarker(to->GetMarkerCount() - 1));
        for (i32 i = 0; i < from->GetMarkerCount(); ++i)
            to->AddMarker(from->GetMarker(i)->position, from->GetMarker(i)->halfSize);
    }
}

void CJubPlayState::SaveSnapshot()
{
    if (!m_liveScene || !m_snapshotScene)
        return;
    CopyScene(m_snapshotScene, m_liveScene);
    CopyCamera(&m_savedCamera, m_camera);
    m_saved = m_f;
    CopyScreenFields(&m_saved, &m_f);
}

void CJubPlayState::RestoreSnapshot()
{
    if (!m_liveScene || !m_snapshotScene)
        return;
    CopyScene(m_liveScene, m_snapshotScene);
    CopyCamera(m_camera, &m_savedCamera);
    CopyScreenFields(&m_f, &m_saved);
    m_currentScene = m_liveScene;
}
