#include "game/match/JubGameEventRecords.h"

#include "engine/KetrelResult.h"

#include <cmath>

namespace
{
// The payload is there, long enough and of the expected type.
bool Present(const u8* payload, i32 size, i32 type, i32 need)
{
    return payload != nullptr && size >= need && payload[0] == (u8)type;
}

bool ReadFloat(const u8* p, f32* out)
{
    f32 v = JubGetF32(p);
    if (!std::isfinite(v) || std::fabs(v) > JUB_EVENT_MAX_MAGNITUDE)
        return false;
    *out = v;
    return true;
}

bool ReadVector(const u8* p, CKetrelVector2* out)
{
    return ReadFloat(p, &out->x) && ReadFloat(p + 4, &out->y);
}

void PutVector(u8* p, const CKetrelVector2& v)
{
    JubPutF32(p, v.x);
    JubPutF32(p + 4, v.y);
}

bool ReadPlayer(u8 value, u8* out)
{
    if (value >= JUB_PLAYER_COUNT)
        return false;
    *out = value;
    return true;
}

bool ReadSlot(u8 value, u8* out)
{
    if (value >= JUB_PROJECTILE_SLOTS)
        return false;
    *out = value;
    return true;
}

// A u32 counter (health, damage) that must stay a non-negative i32.
bool ReadCounter(const u8* p, i32* out)
{
    u32 v = JubGetU32(p);
    if (v > 0x7FFFFFFFu)
        return false;
    *out = (i32)v;
    return true;
}

u32 ReadFlag(const u8* p)
{
    return JubGetU32(p) != 0 ? 1u : 0u;
}

// Records with one player byte at offset 12 and nothing else.
template <class T>
int ReadPlayerOnly(T* record, const u8* payload, i32 size)
{
    if (!Present(payload, size, T::kType, T::kSize))
        return KE_ERR_FORMAT;
    u8 player;
    if (!ReadPlayer(payload[12], &player))
        return KE_ERR_FORMAT;
    record->player = player;
    return KE_OK;
}

template <class T>
void WritePlayerOnly(const T& record, u8* out, u32 sequence, u32 time)
{
    JubWriteEventHeader(out, T::kSize, T::kType, sequence, time);
    out[12] = record.player;
}

// Records with a player byte at 12, a vector at 16 and a projectile slot at 24.
template <class T>
void WritePlayerVectorSlot(const T& record, const CKetrelVector2& vector, u8* out, u32 sequence,
                           u32 time)
{
    JubWriteEventHeader(out, T::kSize, T::kType, sequence, time);
    out[12] = record.player;
    PutVector(out + 16, vector);
    out[24] = record.slot;
}

template <class T>
int ReadPlayerVectorSlot(T* record, CKetrelVector2 T::*vector, const u8* payload, i32 size)
{
    T r;
    if (!Present(payload, size, T::kType, T::kSize) || !ReadPlayer(payload[12], &r.player)
        || !ReadVector(payload + 16, &(r.*vector)) || !ReadSlot(payload[24], &r.slot))
        return KE_ERR_FORMAT;
    *record = r;
    return KE_OK;
}

template <class T>
int ReadHeaderOnly(const u8* payload, i32 size)
{
    return Present(payload, size, T::kType, T::kSize) ? KE_OK : KE_ERR_FORMAT;
}
}  // namespace

void JubWriteAck(u8* out, u32 receivedSequence)
{
    JubWriteEventHeader(out, JUB_EVENT_ACK_SIZE, JUB_EVENT_ACK, receivedSequence, JUB_EVENT_UNTIMED);
}

// 5 StartRound: 12 first player, 16 scene, 20 and 24 start slots.
void CJubEventStartRound::Write(u8* out, u32 sequence, u32 time) const
{
    JubWriteEventHeader(out, kSize, kType, sequence, time);
    out[12] = firstPlayer;
    JubPutU32(out + 16, scene);
    JubPutU32(out + 20, slot[0]);
    JubPutU32(out + 24, slot[1]);
}

int CJubEventStartRound::Read(const u8* payload, i32 size)
{
    CJubEventStartRound r;
    if (!Present(payload, size, kType, kSize) || !ReadPlayer(payload[12], &r.firstPlayer))
        return KE_ERR_FORMAT;
    r.scene = JubGetU32(payload + 16);
    for (int i = 0; i < 2; ++i)
    {
        u32 s = JubGetU32(payload + 20 + 4 * i);
        r.slot[i] = s <= 2 ? s : 0;
    }
    *this = r;
    return KE_OK;
}

// 6 BeginTurn: 12 player.
void CJubEventBeginTurn::Write(u8* out, u32 sequence, u32 time) const
{
    WritePlayerOnly(*this, out, sequence, time);
}

int CJubEventBeginTurn::Read(const u8* payload, i32 size)
{
    return ReadPlayerOnly(this, payload, size);
}

// 7 RoundOver: 12 winner.
void CJubEventRoundOver::Write(u8* out, u32 sequence, u32 time) const
{
    JubWriteEventHeader(out, kSize, kType, sequence, time);
    out[12] = winner;
}

int CJubEventRoundOver::Read(const u8* payload, i32 size)
{
    if (!Present(payload, size, kType, kSize))
        return KE_ERR_FORMAT;
    u8 w = payload[12];
    if (w >= JUB_PLAYER_COUNT && w != JUB_WINNER_NONE)
        return KE_ERR_FORMAT;
    winner = w;
    return KE_OK;
}

// 8 NextRound: header only.
void CJubEventNextRound::Write(u8* out, u32 sequence, u32 time) const
{
    JubWriteEventHeader(out, kSize, kType, sequence, time);
}

int CJubEventNextRound::Read(const u8* payload, i32 size)
{
    return ReadHeaderOnly<CJubEventNextRound>(payload, size);
}

// 9 MatchResult: 12 sender, 13 and 14 rounds won, 15 winner, 16 result code.
void CJubEventMatchResult::Write(u8* out, u32 sequence, u32 time) const
{
    JubWriteEventHeader(out, kSize, kType, sequence, time);
    out[12] = sender;
    out[13] = roundsWon[0];
    out[14] = roundsWon[1];
    out[15] = winner;
    out[16] = resultCode;
}

int CJubEventMatchResult::Read(const u8* payload, i32 size)
{
    CJubEventMatchResult r;
    if (!Present(payload, size, kType, kSize) || !ReadPlayer(payload[12], &r.sender))
        return KE_ERR_FORMAT;
    if (payload[16] > kTimeOuts)
        return KE_ERR_FORMAT;
    r.roundsWon[0] = payload[13];
    r.roundsWon[1] = payload[14];
    r.winner = payload[15];
    r.resultCode = payload[16];
    *this = r;
    return KE_OK;
}

// 10 NextTurn: 12 player.
void CJubEventNextTurn::Write(u8* out, u32 sequence, u32 time) const
{
    JubWriteEventHeader(out, kSize, kType, sequence, time);
    out[12] = player;
}

int CJubEventNextTurn::Read(const u8* payload, i32 size)
{
    if (!Present(payload, size, kType, kSize))
        return KE_ERR_FORMAT;
    player = payload[12];
    return KE_OK;
}

// 11 MatchOver: 12 local player, 16 leave now.
void CJubEventMatchOver::Write(u8* out, u32 sequence, u32 time) const
{
    JubWriteEventHeader(out, kSize, kType, sequence, time);
    out[12] = localPlayer;
    JubPutU32(out + 16, leaveNow);
}

int CJubEventMatchOver::Read(const u8* payload, i32 size)
{
    CJubEventMatchOver r;
    if (!Present(payload, size, kType, kSize) || !ReadPlayer(payload[12], &r.localPlayer))
        return KE_ERR_FORMAT;
    r.leaveNow = ReadFlag(payload + 16);
    *this = r;
    return KE_OK;
}

// 12 Quit: 12 local player, 13 reason.
void CJubEventQuit::Write(u8* out, u32 sequence, u32 time) const
{
    JubWriteEventHeader(out, kSize, kType, sequence, time);
    out[12] = localPlayer;
    out[13] = reason;
}

int CJubEventQuit::Read(const u8* payload, i32 size)
{
    CJubEventQuit r;
    if (!Present(payload, size, kType, kSize) || !ReadPlayer(payload[12], &r.localPlayer))
        return KE_ERR_FORMAT;
    r.reason = payload[13];
    *this = r;
    return KE_OK;
}

// 15 SetSimulation: 12 running.
void CJubEventSetSimulation::Write(u8* out, u32 sequence, u32 time) const
{
    JubWriteEventHeader(out, kSize, kType, sequence, time);
    JubPutU32(out + 12, running);
}

int CJubEventSetSimulation::Read(const u8* payload, i32 size)
{
    if (!Present(payload, size, kType, kSize))
        return KE_ERR_FORMAT;
    running = ReadFlag(payload + 12);
    return KE_OK;
}

// 21 PlayerOut: 12 player, 13 cause.
void CJubEventPlayerOut::Write(u8* out, u32 sequence, u32 time) const
{
    JubWriteEventHeader(out, kSize, kType, sequence, time);
    out[12] = player;
    out[13] = cause;
}

int CJubEventPlayerOut::Read(const u8* payload, i32 size)
{
    CJubEventPlayerOut r;
    if (!Present(payload, size, kType, kSize) || !ReadPlayer(payload[12], &r.player))
        return KE_ERR_FORMAT;
    if (payload[13] > kCrushed)
        return KE_ERR_FORMAT;
    r.cause = payload[13];
    *this = r;
    return KE_OK;
}

// 22 SyncPositions: 12 player 0's x, y; 20 player 1's x, y.
void CJubEventSyncPositions::Write(u8* out, u32 sequence, u32 time) const
{
    JubWriteEventHeader(out, kSize, kType, sequence, time);
    PutVector(out + 12, position[0]);
    PutVector(out + 20, position[1]);
}

int CJubEventSyncPositions::Read(const u8* payload, i32 size)
{
    CJubEventSyncPositions r;
    if (!Present(payload, size, kType, kSize) || !ReadVector(payload + 12, &r.position[0])
        || !ReadVector(payload + 20, &r.position[1]))
        return KE_ERR_FORMAT;
    *this = r;
    return KE_OK;
}

// 23 Jump: 12 player, 16 launch x, y, 24 follow.
void CJubEventJump::Write(u8* out, u32 sequence, u32 time) const
{
    JubWriteEventHeader(out, kSize, kType, sequence, time);
    out[12] = player;
    PutVector(out + 16, launch);
    out[24] = follow;
}

int CJubEventJump::Read(const u8* payload, i32 size)
{
    CJubEventJump r;
    if (!Present(payload, size, kType, kSize) || !ReadPlayer(payload[12], &r.player)
        || !ReadVector(payload + 16, &r.launch))
        return KE_ERR_FORMAT;
    r.follow = payload[24] != 0 ? 1 : 0;
    *this = r;
    return KE_OK;
}

// 25 PlayerReady and 26 Concede: 12 player.
void CJubEventPlayerReady::Write(u8* out, u32 sequence, u32 time) const
{
    WritePlayerOnly(*this, out, sequence, time);
}

int CJubEventPlayerReady::Read(const u8* payload, i32 size)
{
    return ReadPlayerOnly(this, payload, size);
}

void CJubEventConcede::Write(u8* out, u32 sequence, u32 time) const
{
    WritePlayerOnly(*this, out, sequence, time);
}

int CJubEventConcede::Read(const u8* payload, i32 size)
{
    return ReadPlayerOnly(this, payload, size);
}

// 27 Damage: 12 player, 16 damage, 20 health left.
void CJubEventDamage::Write(u8* out, u32 sequence, u32 time) const
{
    JubWriteEventHeader(out, kSize, kType, sequence, time);
    out[12] = player;
    JubPutU32(out + 16, (u32)damage);
    JubPutU32(out + 20, (u32)healthLeft);
}

int CJubEventDamage::Read(const u8* payload, i32 size)
{
    CJubEventDamage r;
    if (!Present(payload, size, kType, kSize) || !ReadPlayer(payload[12], &r.player)
        || !ReadCounter(payload + 16, &r.damage) || !ReadCounter(payload + 20, &r.healthLeft))
        return KE_ERR_FORMAT;
    *this = r;
    return KE_OK;
}

// 28 SettleCheck: header only.
void CJubEventSettleCheck::Write(u8* out, u32 sequence, u32 time) const
{
    JubWriteEventHeader(out, kSize, kType, sequence, time);
}

int CJubEventSettleCheck::Read(const u8* payload, i32 size)
{
    return ReadHeaderOnly<CJubEventSettleCheck>(payload, size);
}

// 29 Whip: 12 player, 16 direction x, y.
void CJubEventWhip::Write(u8* out, u32 sequence, u32 time) const
{
    JubWriteEventHeader(out, kSize, kType, sequence, time);
    out[12] = player;
    PutVector(out + 16, direction);
}

int CJubEventWhip::Read(const u8* payload, i32 size)
{
    CJubEventWhip r;
    if (!Present(payload, size, kType, kSize) || !ReadPlayer(payload[12], &r.player)
        || !ReadVector(payload + 16, &r.direction))
        return KE_ERR_FORMAT;
    *this = r;
    return KE_OK;
}

// 30 LoadProjectile: 12 player, 13 kind, 14 slot.
void CJubEventLoadProjectile::Write(u8* out, u32 sequence, u32 time) const
{
    JubWriteEventHeader(out, kSize, kType, sequence, time);
    out[12] = player;
    out[13] = kind;
    out[14] = slot;
}

int CJubEventLoadProjectile::Read(const u8* payload, i32 size)
{
    CJubEventLoadProjectile r;
    if (!Present(payload, size, kType, kSize) || !ReadPlayer(payload[12], &r.player)
        || payload[13] >= JUB_PROJECTILE_KINDS || !ReadSlot(payload[14], &r.slot))
        return KE_ERR_FORMAT;
    r.kind = payload[13];
    *this = r;
    return KE_OK;
}

// 31 PlaceProjectile: 12 player, 16 x, y, 24 slot.
void CJubEventPlaceProjectile::Write(u8* out, u32 sequence, u32 time) const
{
    WritePlayerVectorSlot(*this, position, out, sequence, time);
}

int CJubEventPlaceProjectile::Read(const u8* payload, i32 size)
{
    return ReadPlayerVectorSlot(this, &CJubEventPlaceProjectile::position, payload, size);
}

// 32 Fire: 12 player, 16 launch x, y, 24 slot.
void CJubEventFire::Write(u8* out, u32 sequence, u32 time) const
{
    WritePlayerVectorSlot(*this, launch, out, sequence, time);
}

int CJubEventFire::Read(const u8* payload, i32 size)
{
    return ReadPlayerVectorSlot(this, &CJubEventFire::launch, payload, size);
}

// 33 RemoveProjectile: 12 player, 13 not used, 14 slot.
void CJubEventRemoveProjectile::Write(u8* out, u32 sequence, u32 time) const
{
    JubWriteEventHeader(out, kSize, kType, sequence, time);
    out[12] = player;
    out[13] = unused;
    out[14] = slot;
}

int CJubEventRemoveProjectile::Read(const u8* payload, i32 size)
{
    CJubEventRemoveProjectile r;
    if (!Present(payload, size, kType, kSize) || !ReadPlayer(payload[12], &r.player)
        || !ReadSlot(payload[14], &r.slot))
        return KE_ERR_FORMAT;
    r.unused = payload[13];
    *this = r;
    return KE_OK;
}

// 40 ThrowBlock: 12 block id, 13 grid x, 14 grid y, 16 health, 20 push x, y.
void CJubEventThrowBlock::Write(u8* out, u32 sequence, u32 time) const
{
    JubWriteEventHeader(out, kSize, kType, sequence, time);
    out[12] = blockId;
    out[13] = (u8)gridX;
    out[14] = (u8)gridY;
    JubPutU32(out + 16, (u32)health);
    PutVector(out + 20, push);
}

int CJubEventThrowBlock::Read(const u8* payload, i32 size)
{
    CJubEventThrowBlock r;
    if (!Present(payload, size, kType, kSize) || !ReadCounter(payload + 16, &r.health)
        || !ReadVector(payload + 20, &r.push))
        return KE_ERR_FORMAT;
    r.blockId = payload[12];
    r.gridX = (i8)payload[13];
    r.gridY = (i8)payload[14];
    *this = r;
    return KE_OK;
}

// 41 DestroyBlock: 12 block id.
void CJubEventDestroyBlock::Write(u8* out, u32 sequence, u32 time) const
{
    JubWriteEventHeader(out, kSize, kType, sequence, time);
    out[12] = blockId;
}

int CJubEventDestroyBlock::Read(const u8* payload, i32 size)
{
    if (!Present(payload, size, kType, kSize))
        return KE_ERR_FORMAT;
    blockId = payload[12];
    return KE_OK;
}

// 45 BlockState: 12 block id, 16 health, 20 material, 21 flags, 24 push x, y,
// 32 friction, 36 bounce, 40 delay.
void CJubEventBlockState::Write(u8* out, u32 sequence, u32 time) const
{
    JubWriteEventHeader(out, kSize, kType, sequence, time);
    out[12] = blockId;
    JubPutU32(out + 16, (u32)health);
    out[20] = material;
    out[21] = flags;
    PutVector(out + 24, push);
    JubPutF32(out + 32, friction);
    JubPutF32(out + 36, bounce);
    JubPutF32(out + 40, delay);
}

int CJubEventBlockState::Read(const u8* payload, i32 size)
{
    CJubEventBlockState r;
    if (!Present(payload, size, kType, kSize) || !ReadCounter(payload + 16, &r.health)
        || payload[20] > 3 || payload[21] > 3 || !ReadVector(payload + 24, &r.push)
        || !ReadFloat(payload + 32, &r.friction) || !ReadFloat(payload + 36, &r.bounce)
        || !ReadFloat(payload + 40, &r.delay))
        return KE_ERR_FORMAT;
    r.blockId = payload[12];
    r.material = payload[20];
    r.flags = payload[21];
    *this = r;
    return KE_OK;
}

// 50 Explosion: 12 colour, 16 kind, 20 x, y, 28 size.
void CJubEventExplosion::Write(u8* out, u32 sequence, u32 time) const
{
    JubWriteEventHeader(out, kSize, kType, sequence, time);
    JubPutU32(out + 12, colour);
    out[16] = (u8)kind;
    PutVector(out + 20, position);
    JubPutF32(out + 28, size);
}

int CJubEventExplosion::Read(const u8* payload, i32 payloadSize)
{
    CJubEventExplosion r;
    if (!Present(payload, payloadSize, kType, kSize) || !ReadVector(payload + 20, &r.position)
        || !ReadFloat(payload + 28, &r.size))
        return KE_ERR_FORMAT;
    r.colour = JubGetU32(payload + 12);
    r.kind = (i8)payload[16];
    *this = r;
    return KE_OK;
}

// 70 ResumeClock: header only.
void CJubEventResumeClock::Write(u8* out, u32 sequence, u32 time) const
{
    JubWriteEventHeader(out, kSize, kType, sequence, time);
}

int CJubEventResumeClock::Read(const u8* payload, i32 size)
{
    return ReadHeaderOnly<CJubEventResumeClock>(payload, size);
}

// 71 ReplayDone: 12 player.
void CJubEventReplayDone::Write(u8* out, u32 sequence, u32 time) const
{
    WritePlayerOnly(*this, out, sequence, time);
}

int CJubEventReplayDone::Read(const u8* payload, i32 size)
{
    return ReadPlayerOnly(this, payload, size);
}

// 77 OwnedItems: 12 player, 13 count, 14 starting health (u16), 16 item ids, 32 file
// numbers, 48 packs.
void CJubEventOwnedItems::Write(u8* out, u32 sequence, u32 time) const
{
    JubWriteEventHeader(out, kSize, kType, sequence, time);
    out[12] = player;
    out[13] = count;
    out[14] = (u8)(startHealth & 0xFF);
    out[15] = (u8)(startHealth >> 8);
    for (int i = 0; i < JUB_OWNED_ITEMS_MAX; ++i)
    {
        JubPutU32(out + 16 + 4 * i, itemId[i]);
        JubPutU32(out + 32 + 4 * i, fileNumber[i]);
        JubPutU32(out + 48 + 4 * i, packNumber[i]);
    }
}

int CJubEventOwnedItems::Read(const u8* payload, i32 size)
{
    CJubEventOwnedItems r;
    if (!Present(payload, size, kType, kSize) || !ReadPlayer(payload[12], &r.player)
        || payload[13] > JUB_OWNED_ITEMS_MAX)
        return KE_ERR_FORMAT;
    r.count = payload[13];
    r.startHealth = (u16)(payload[14] | (payload[15] << 8));
    for (int i = 0; i < JUB_OWNED_ITEMS_MAX; ++i)
    {
        r.itemId[i] = JubGetU32(payload + 16 + 4 * i);
        r.fileNumber[i] = JubGetU32(payload + 32 + 4 * i);
        r.packNumber[i] = JubGetU32(payload + 48 + 4 * i);
    }
    *this = r;
    return KE_OK;
}
