#pragma once
#include "engine/KetrelTypes.h"
#include "engine/KetrelVector.h"
#include "game/match/JubGameEvent.h"
#include "game/match/JubPlayer.h"

// The fields of each event type, with their wire form. Every record has
//   kType, kSize  the type byte and the exact payload size;
//   kTimed        1 when it is posted with the game clock as its time stamp
//                 (and so travels inside the turn's batch), 0 when untimed;
//   Write(out, sequence, time)  fills all kSize bytes of out, header included,
//                 with every byte that carries no field set to 0;
//   Read(payload, size)  KE_OK with the fields filled, or KE_ERR_FORMAT for a
//                 payload shorter than kSize, of another type, or with a value
//                 that the match must not see. Read never looks past kSize.
// Values refused by Read: a player index other than 0 or 1 (except where a
// field says otherwise), a projectile kind above 4 or slot above 31, a count
// or code outside its listed range, a material or flags value above 3, a
// counter above 0x7FFFFFFF, and any float that is not finite or whose
// magnitude exceeds JUB_EVENT_MAX_MAGNITUDE. Flags documented as 0 or 1 are
// read as "non-zero is 1". Fields whose range the match itself rules on
// (StartRound's scene, NextTurn's player) pass as they are.

// Largest magnitude of any float field: far outside the playing field (about
// -3.2 to 3.2 across), small enough that squares and sums stay finite.
const f32 JUB_EVENT_MAX_MAGNITUDE = 10000.0f;

enum
{
    JUB_PLAYER_COUNT         = 2,
    JUB_PROJECTILE_KINDS     = 5,
    JUB_OWNED_ITEMS_MAX      = 4,
    JUB_WINNER_NONE          = 255
};

struct CJubEventStartRound
{
    enum { kType = JUB_EVENT_START_ROUND, kSize = 28, kTimed = 0 };
    u8  firstPlayer = 0;   // 0 or 1
    u32 scene = 0;         // passed as sent: the round start rules on its range
    u32 slot[2] = {0, 0};  // start slot of each player; a value above 2 reads as 0
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventBeginTurn
{
    enum { kType = JUB_EVENT_BEGIN_TURN, kSize = 16, kTimed = 0 };
    u8 player = 0;
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventRoundOver
{
    enum { kType = JUB_EVENT_ROUND_OVER, kSize = 16, kTimed = 0 };
    u8 winner = JUB_WINNER_NONE;   // 0, 1 or 255 (a drawn round)
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventNextRound
{
    enum { kType = JUB_EVENT_NEXT_ROUND, kSize = 12, kTimed = 0 };
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventMatchResult
{
    enum { kType = JUB_EVENT_MATCH_RESULT, kSize = 20, kTimed = 0 };
    enum { kByRounds = 0, kPlayerLeft = 1, kConceded = 2, kTimeOuts = 3 };
    u8 sender = 0;              // the posting handset's local player, 0 or 1
    u8 roundsWon[2] = {0, 0};
    u8 winner = JUB_WINNER_NONE; // compared only, so any value passes
    u8 resultCode = kByRounds;  // 0..3
    // Sent to the peer unless a player left or conceded.
    int SendFlag() const { return resultCode != kPlayerLeft && resultCode != kConceded; }
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventNextTurn
{
    enum { kType = JUB_EVENT_NEXT_TURN, kSize = 16, kTimed = 0 };
    u8 player = 0;   // passed as sent: a player that is neither side is not taken
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventMatchOver
{
    enum { kType = JUB_EVENT_MATCH_OVER, kSize = 20, kTimed = 0 };
    u8  localPlayer = 0;
    u32 leaveNow = 0;    // 0 or 1
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventQuit
{
    enum { kType = JUB_EVENT_QUIT, kSize = 16, kTimed = 0 };
    u8 localPlayer = 0;
    u8 reason = 0;
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventSetSimulation
{
    enum { kType = JUB_EVENT_SET_SIMULATION, kSize = 16, kTimed = 1 };
    u32 running = 0;     // 0 or 1
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventPlayerOut
{
    enum { kType = JUB_EVENT_PLAYER_OUT, kSize = 16, kTimed = 1 };
    enum { kHealthUsedUp = 0, kDrowned = 1, kCrushed = 2 };
    u8 player = 0;
    u8 cause = kHealthUsedUp;   // 0..2
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventSyncPositions
{
    enum { kType = JUB_EVENT_SYNC_POSITIONS, kSize = 28, kTimed = 1 };
    CKetrelVector2 position[2];   // the two creatures, player 0 first
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventJump
{
    enum { kType = JUB_EVENT_JUMP, kSize = 28, kTimed = 1 };
    u8 player = 0;
    CKetrelVector2 launch;   // impulse
    u8 follow = 0;           // 0 or 1
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventPlayerReady
{
    enum { kType = JUB_EVENT_PLAYER_READY, kSize = 16, kTimed = 0 };
    u8 player = 0;
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventConcede
{
    enum { kType = JUB_EVENT_CONCEDE, kSize = 16, kTimed = 0 };
    u8 player = 0;
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventDamage
{
    enum { kType = JUB_EVENT_DAMAGE, kSize = 24, kTimed = 1 };
    u8  player = 0;
    i32 damage = 0;       // 0..0x7FFFFFFF on the wire (u32)
    i32 healthLeft = 0;   // as computed by the sender; 0..0x7FFFFFFF
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventSettleCheck
{
    enum { kType = JUB_EVENT_SETTLE_CHECK, kSize = 12, kTimed = 0 };
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventWhip
{
    enum { kType = JUB_EVENT_WHIP, kSize = 24, kTimed = 1 };
    u8 player = 0;
    CKetrelVector2 direction;
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventLoadProjectile
{
    enum { kType = JUB_EVENT_LOAD_PROJECTILE, kSize = 16, kTimed = 1 };
    u8 player = 0;
    u8 kind = 0;   // 0..4
    u8 slot = 0;   // 0..31
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventPlaceProjectile
{
    enum { kType = JUB_EVENT_PLACE_PROJECTILE, kSize = 28, kTimed = 1 };
    u8 player = 0;
    CKetrelVector2 position;
    u8 slot = 0;   // 0..31
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventFire
{
    enum { kType = JUB_EVENT_FIRE, kSize = 28, kTimed = 1 };
    u8 player = 0;
    CKetrelVector2 launch;   // impulse
    u8 slot = 0;             // 0..31
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventRemoveProjectile
{
    enum { kType = JUB_EVENT_REMOVE_PROJECTILE, kSize = 16, kTimed = 1 };
    u8 player = 0;
    u8 unused = 0;   // carried, not read by the match
    u8 slot = 0;     // 0..31
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventThrowBlock
{
    enum { kType = JUB_EVENT_THROW_BLOCK, kSize = 28, kTimed = 1 };
    u8  blockId = 0;   // an id the scene does not hold changes nothing
    i8  gridX = 0;     // grid cells are signed
    i8  gridY = 0;
    i32 health = 0;    // 0..0x7FFFFFFF on the wire (u32)
    CKetrelVector2 push;
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventDestroyBlock
{
    enum { kType = JUB_EVENT_DESTROY_BLOCK, kSize = 16, kTimed = 1 };
    u8 blockId = 0;
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventBlockState
{
    enum { kType = JUB_EVENT_BLOCK_STATE, kSize = 44, kTimed = 1 };
    u8  blockId = 0;
    i32 health = 0;     // pending health, 0..0x7FFFFFFF on the wire (u32)
    u8  material = 0;   // pending material, 0..3
    u8  flags = 0;      // pending flags, 0..3
    CKetrelVector2 push;
    f32 friction = 0.0f;
    f32 bounce = 0.0f;
    f32 delay = 0.0f;   // seconds, counted up towards 0
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventExplosion
{
    enum { kType = JUB_EVENT_EXPLOSION, kSize = 32, kTimed = 1 };
    u32 colour = 0;     // 0xAARRGGBB
    i8  kind = 0;
    CKetrelVector2 position;
    f32 size = 0.0f;
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventResumeClock
{
    enum { kType = JUB_EVENT_RESUME_CLOCK, kSize = 12, kTimed = 0 };
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventReplayDone
{
    enum { kType = JUB_EVENT_REPLAY_DONE, kSize = 16, kTimed = 0 };
    u8 player = 0;   // the player that finished replaying
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

struct CJubEventOwnedItems
{
    enum { kType = JUB_EVENT_OWNED_ITEMS, kSize = 64, kTimed = 0 };
    u8  player = 0;
    u8  count = 0;                 // 0..4 entries used
    // 14 u16: the sender's creature's starting health as its own items give it, so that
    // both handsets start from the same value even where one cannot read an item; 0 when
    // not given (earlier senders left the bytes zero).
    u16 startHealth = 0;
    u32 itemId[4] = {0, 0, 0, 0};
    u32 fileNumber[4] = {0, 0, 0, 0};   // description file numbers
    u32 packNumber[4] = {0, 0, 0, 0};   // item pack numbers
    void Write(u8* out, u32 sequence, u32 time) const;
    int Read(const u8* payload, i32 size);
};

// The acknowledgement of a received event: type 1, the received sequence,
// untimed. out must hold JUB_EVENT_ACK_SIZE bytes.
void JubWriteAck(u8* out, u32 receivedSequence);
