#include "game/match/JubGameEvent.h"

#include <cstring>
#include <new>

namespace
{
struct TypeInfo
{
    i32 type;
    i32 size;     // payload bytes (the batch: its smallest size)
    int timed;    // posted with the game clock, and so carried in batches
};

// Every type accepted from a peer, in ascending order.
const TypeInfo kTypes[JUB_EVENT_TYPE_COUNT] = {
    {JUB_EVENT_START_ROUND, 28, 0},       {JUB_EVENT_BEGIN_TURN, 16, 0},
    {JUB_EVENT_ROUND_OVER, 16, 0},        {JUB_EVENT_NEXT_ROUND, 12, 0},
    {JUB_EVENT_MATCH_RESULT, 20, 0},      {JUB_EVENT_NEXT_TURN, 16, 0},
    {JUB_EVENT_MATCH_OVER, 20, 0},        {JUB_EVENT_QUIT, 16, 0},
    {JUB_EVENT_SET_SIMULATION, 16, 1},    {JUB_EVENT_PLAYER_OUT, 16, 1},
    {JUB_EVENT_SYNC_POSITIONS, 28, 1},    {JUB_EVENT_JUMP, 28, 1},
    {JUB_EVENT_PLAYER_READY, 16, 0},      {JUB_EVENT_CONCEDE, 16, 0},
    {JUB_EVENT_DAMAGE, 24, 1},            {JUB_EVENT_SETTLE_CHECK, 12, 0},
    {JUB_EVENT_WHIP, 24, 1},              {JUB_EVENT_LOAD_PROJECTILE, 16, 1},
    {JUB_EVENT_PLACE_PROJECTILE, 28, 1},  {JUB_EVENT_FIRE, 28, 1},
    {JUB_EVENT_REMOVE_PROJECTILE, 16, 1}, {JUB_EVENT_THROW_BLOCK, 28, 1},
    {JUB_EVENT_DESTROY_BLOCK, 16, 1},     {JUB_EVENT_BATCH, JUB_EVENT_BATCH_MIN_SIZE, 0},
    {JUB_EVENT_BLOCK_STATE, 44, 1},       {JUB_EVENT_EXPLOSION, 32, 1},
    {JUB_EVENT_RESUME_CLOCK, 12, 0},      {JUB_EVENT_REPLAY_DONE, 16, 0},
    {JUB_EVENT_OWNED_ITEMS, 64, 0},
};

const i32 kAcceptedTypes[JUB_EVENT_TYPE_COUNT] = {
    5, 6, 7, 8, 9, 10, 11, 12, 15, 21, 22, 23, 25, 26, 27, 28, 29, 30, 31, 32, 33,
    40, 41, 43, 45, 50, 70, 71, 77,
};

const TypeInfo* FindType(i32 type)
{
    for (const TypeInfo& info : kTypes)
        if (info.type == type)
            return &info;
    return nullptr;
}
}  // namespace

i32 JubGameEventPayloadSize(i32 type)
{
    if (type == JUB_EVENT_ACK)
        return JUB_EVENT_ACK_SIZE;
    const TypeInfo* info = FindType(type);
    return info ? info->size : 0;
}

int JubGameEventIsAccepted(i32 type)
{
    return FindType(type) != nullptr ? 1 : 0;
}

i32 JubGameEventBatchRecordSize(i32 type)
{
    const TypeInfo* info = FindType(type);
    return (info && info->timed) ? info->size : 0;
}

const i32* JubGameEventAcceptedTypes()
{
    return kAcceptedTypes;
}

void JubPutU32(u8* p, u32 value)
{
    p[0] = (u8)value;
    p[1] = (u8)(value >> 8);
    p[2] = (u8)(value >> 16);
    p[3] = (u8)(value >> 24);
}

u32 JubGetU32(const u8* p)
{
    return (u32)p[0] | ((u32)p[1] << 8) | ((u32)p[2] << 16) | ((u32)p[3] << 24);
}

void JubPutF32(u8* p, f32 value)
{
    u32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    JubPutU32(p, bits);
}

f32 JubGetF32(const u8* p)
{
    u32 bits = JubGetU32(p);
    f32 value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void JubWriteEventHeader(u8* payload, i32 size, i32 type, u32 sequence, u32 time)
{
    std::memset(payload, 0, (size_t)(size > JUB_EVENT_HEADER_SIZE ? size : JUB_EVENT_HEADER_SIZE));
    payload[0] = (u8)type;
    JubPutU32(payload + 4, sequence);
    JubPutU32(payload + 8, time);
}

CJubGameEvent::CJubGameEvent(i32 type, u32 sequence, const void* payload, i32 size, i32 send)
    : m_type(type), m_sequence(sequence), m_time(-1), m_send(send), m_size(0), m_payload(nullptr)
{
    if (payload == nullptr || size < 1)
        return;
    m_payload = new (std::nothrow) u8[(size_t)size];
    if (m_payload == nullptr)
        return;
    std::memcpy(m_payload, payload, (size_t)size);
    m_size = size;
}

CJubGameEvent::~CJubGameEvent()
{
    delete[] m_payload;
}

u32 CJubGameEvent::GetPayloadSequence() const
{
    return m_size >= JUB_EVENT_HEADER_SIZE ? JubGetU32(m_payload + 4) : 0;
}

u32 CJubGameEvent::GetPayloadTime() const
{
    return m_size >= JUB_EVENT_HEADER_SIZE ? JubGetU32(m_payload + 8) : JUB_EVENT_UNTIMED;
}
