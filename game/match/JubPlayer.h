#pragma once
#include "engine/KetrelArray.h"
#include "engine/KetrelColor.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "engine/KetrelVector.h"

class CJubPhysicsBody;
class CKetrelSurface;

enum
{
    JUB_PROJECTILE_SLOTS = 32,    // live projectiles per player
    JUB_DISPLAY_SLOTS    = 32,    // floating damage numbers per player
    JUB_ITEM_WORDS       = 10,    // item numbers and flags kept by the item reader
    JUB_AIM_DIRECTIONS   = 8      // eighths of a turn, counter-clockwise from +x
};

// One live projectile of a player, made by the scene. The body belongs to the world.
struct CJubProjectile
{
    u8 kind = 0;                   // 0 bomb, 1 and 2 item bombs, 3 cluster fragment, 4 big blast
    i32 id = 0;                    // 10 for player 0's, 20 for player 1's (as its body's id)
    f32 blastRadius = 0.0f;        // world units
    i32 damage = 0;
    i32 stuckBlock = -1;           // id of the block it sticks to, or -1
    u32 flag = 0;
    CJubPhysicsBody* body = nullptr;
};

// One side of a match: its creature body, projectile slots, aim and the state that the
// match logic keeps about it. A plain record: the match reads and writes the fields
// directly; the operations below are the ones that keep invariants.
class CJubPlayer
{
public:
    CJubPlayer();

    // The initial values of a freshly built creature: alive, health 100, every projectile
    // slot empty (the records are not deleted: the scene does that), display size
    // (0.2, 0.2), no whip, no aim. Name, colour and the match counters are kept.
    void Build(u8 playerIndex, CJubPhysicsBody* creatureBody, const CKetrelColor& creatureColour);

    // The slot's projectile; null for an empty slot or one outside 0..31.
    CJubProjectile* GetProjectile(i32 slot) const;
    // The ring index, which then advances to (index + 1) mod 32.
    i32 TakeNextSlot();
    void SetOpponentBody(CJubPhysicsBody* opponent) { opponentBody = opponent; }
    // Turns the creature towards its opponent body: aim angle in degrees (0 right, 90 up)
    // and its eighth as the aim direction. Nothing happens without both bodies.
    void UpdateAim();
    // Zeroes the fourteen owned-item words.
    void ClearCounters();
    // One update of the creature: the floating numbers rise and expire, a whip swings on
    // by 12 × dt radians, and the display size follows the screen width in pixels.
    // While the whip is active the stretch is whipBase × -sin(whipPhase); the swing ends
    // when the sine turns negative.
    void UpdateCreature(f32 dt, f32 screenWidth);

    u32 alive;
    CJubProjectile* projectiles[JUB_PROJECTILE_SLOTS];   // owned by the scene; null = free
    i32 nextSlot;                  // ring index 0..31
    CKetrelString name;            // "Player" by default
    u8 index;                      // 0 or 1
    i32 aimDirection;              // 0..7: 0 right, 2 up, 4 left, 6 down
    f32 aimAngle;                  // degrees, 0 <= angle < 360
    CKetrelColor colour;
    CJubPhysicsBody* body;         // the creature body, owned by the world
    CJubPhysicsBody* opponentBody; // the body the creature looks at
    i32 health;
    CKetrelVector2 displaySize[2];
    CKetrelVector2 aimVector;
    CKetrelVector2 whipVector;     // also the stretch the creature is drawn with
    CKetrelVector2 whipBase;
    u32 aiming;                    // aiming, or the whip swinging
    u32 aimPreview;                // aim dots shown
    u32 whipActive;
    f32 whipPhase;                 // radians
    u32 displayFlag;               // floating damage numbers shown
    f32 displayTimer;              // their rise
    i32 displaySlots[JUB_DISPLAY_SLOTS];
    CKetrelArray<u8> upperBlocks;  // ids of blocks above the creature's column
    CKetrelArray<u8> lowerBlocks;  // ids of blocks below it
    CKetrelSurface* wornItemTexture;   // not owned here; the play screen sets and frees it
    u32 wearsItem;
    i32 timeOutsLeft;
    // The fourteen owned-item words: ten from the item reader, the three bomb words and
    // the spare word after them.
    u32 itemWords[JUB_ITEM_WORDS];
    u32 bombUsed;
    u32 ownsSnowBomb;
    u32 ownsClusterBomb;
    u32 ownedSpare;
    i32 selectedWeapon;            // 0..5
    i8 roundsWon;
    u32 ready;
};
