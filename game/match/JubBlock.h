#pragma once
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelTypes.h"
#include "engine/KetrelVector.h"

class CJubPhysicsBody;
class CJubPhysicsWorld;

enum
{
    JUB_BLOCK_TYPE_COUNT = 40,    // types 0..39 index the size table
    JUB_BLOCK_FIRST_ID   = 32,    // block ids are 32..254 (ids below 32 are creatures and shots)
    JUB_BLOCK_LAST_ID    = 254,
    JUB_BLOCK_MAX_COUNT  = JUB_BLOCK_LAST_ID - JUB_BLOCK_FIRST_ID + 1,   // 223
    JUB_BLOCK_MATERIAL_COUNT = 4, // 0 paper, 1 metal, 2 ice, 3 bouncy
    JUB_BLOCK_FULL_HEALTH = 255
};

// Half width and half height of a block type in world units; false (and out untouched)
// for a type of 40 or more.
bool JubBlockHalfSize(u32 type, CKetrelVector2& out);
// The body bounce a material gives: 0.8 for the bouncy material 3, else 0.15.
f32 JubBlockBounce(u8 material);

// One box of the level: a static body of the physics world with the values the drawing and
// the match read. A plain record: the match logic reads and writes its fields directly.
class CJubBlock
{
public:
    CJubBlock();

    // Lowers health by amount (a negative amount heals); health never drops below 0, so a
    // block that takes more than it has ends at 0 and counts as destroyed.
    void TakeDamage(i32 amount);
    bool IsDestroyed() const { return health <= 0; }

    // Arms a material change that applies once the delay, counted up by Animate, passes 0
    // (a delay of -1 applies after a little more than one second). A material above 3 is
    // taken as 0.
    void SetPendingChange(u8 newFlags, u8 newMaterial, i32 newHealth, f32 friction,
                          f32 bounce, f32 delay);

    // One animation step of dt seconds: the wobble takes the body's impulse sum and decays,
    // the shown health moves a tenth of the way to the health, and a pending change applies
    // when its delay has become positive.
    void Animate(f32 dt);

    u8 id;                     // 32..254, unique in its set
    u8 flags;                  // drawing group 0..3
    u8 material;               // 0..3
    u8 layer;                  // drawing layer 0..3; larger layers collide but are not drawn
    u8 type;                   // size table index, < 40
    i32 health;                // 255 at creation, never below 0
    i32 shownHealth;           // follows health; what the drawing uses
    CJubPhysicsBody* body;     // owned by the world
    CKetrelVector2 wobble;     // visual displacement, each component within -0.1..0.1
    u32 pending;               // non-zero while a change waits
    f32 pendingDelay;          // seconds, counted up; the change applies above 0
    u8 pendingFlags;
    u8 pendingMaterial;
    i32 pendingHealth;
    f32 pendingFriction;
    f32 pendingBounce;
    // The mirrored block that the editor keeps in step with this one, or null. The set
    // keeps both ends of a link and unlinks a block it removes.
    CJubBlock* twin;
};

// The level's blocks in creation order. The set owns the block records; their bodies
// belong to the world, which must outlive every block of it. Main thread only.
class CJubBlockSet
{
public:
    CJubBlockSet();
    ~CJubBlockSet();                          // deletes the records, not the bodies
    CJubBlockSet(const CJubBlockSet&) = delete;
    CJubBlockSet& operator=(const CJubBlockSet&) = delete;

    // Deletes the records held (their bodies stay with the old world, which clears them
    // itself) and binds the set to a world.
    void SetWorld(CJubPhysicsWorld* world);
    CJubPhysicsWorld* GetWorld() const { return m_world; }
    // Deletes every record. The bodies are left to the world's own clearing.
    void Clear();
    // Removes every block's body from the world, then deletes the records.
    void RemoveAll();

    // The lowest id from 32 to 254 that no block uses, or -1.
    i32 FirstFreeId() const;
    // Null for a type of 40 or more (no id is used), when every id is taken, or when the
    // set has no world. A material above 3 is taken as 0.
    CJubBlock* CreateBlock(u8 type, const CKetrelVector2& position, u8 material, u8 flags,
                           u8 layer);
    CJubBlock* FindBlock(u8 id) const;
    // Removes the block's body from the world and deletes the block; its twin is unlinked.
    // An id not in the set does nothing.
    void RemoveBlock(u8 id);
    // Links two blocks of this set as mirror twins, unlinking their former twins; a null
    // argument or a block linked with itself only unlinks.
    void LinkTwins(CJubBlock* a, CJubBlock* b);

    // Animate on every block, in list order.
    void Animate(f32 dt);

    i32 GetCount() const { return m_blocks.GetCount(); }
    // Creation order; null outside 0..count-1.
    CJubBlock* GetBlock(i32 index) const { return (CJubBlock*)m_blocks.GetAt(index); }

private:
    CJubPhysicsWorld* m_world;   // not owned
    CKetrelPtrArray m_blocks;    // CJubBlock*, owned, creation order
};
