#pragma once
#include "engine/KetrelTypes.h"

// Game events: the numbered records through which every change of a match is
// made and carried to the peer handset. A payload starts with a 12-byte header
//   byte 0      u8  type
//   bytes 1-3   zero
//   bytes 4-7   u32 sequence number
//   bytes 8-11  u32 time stamp in game-clock milliseconds, 0xFFFFFFFF untimed
// followed by the fields of its type from byte 12. Every multi-byte field is
// little-endian, whatever the host's byte order.

enum EJubGameEventType
{
    JUB_EVENT_ACK               = 1,
    JUB_EVENT_START_ROUND       = 5,
    JUB_EVENT_BEGIN_TURN        = 6,
    JUB_EVENT_ROUND_OVER        = 7,
    JUB_EVENT_NEXT_ROUND        = 8,
    JUB_EVENT_MATCH_RESULT      = 9,
    JUB_EVENT_NEXT_TURN         = 10,
    JUB_EVENT_MATCH_OVER        = 11,
    JUB_EVENT_QUIT              = 12,
    JUB_EVENT_SET_SIMULATION    = 15,
    JUB_EVENT_PLAYER_OUT        = 21,
    JUB_EVENT_SYNC_POSITIONS    = 22,
    JUB_EVENT_JUMP              = 23,
    JUB_EVENT_PLAYER_READY      = 25,
    JUB_EVENT_CONCEDE           = 26,
    JUB_EVENT_DAMAGE            = 27,
    JUB_EVENT_SETTLE_CHECK      = 28,
    JUB_EVENT_WHIP              = 29,
    JUB_EVENT_LOAD_PROJECTILE   = 30,
    JUB_EVENT_PLACE_PROJECTILE  = 31,
    JUB_EVENT_FIRE              = 32,
    JUB_EVENT_REMOVE_PROJECTILE = 33,
    JUB_EVENT_THROW_BLOCK       = 40,
    JUB_EVENT_DESTROY_BLOCK     = 41,
    JUB_EVENT_BATCH             = 43,
    JUB_EVENT_BLOCK_STATE       = 45,
    JUB_EVENT_EXPLOSION         = 50,
    JUB_EVENT_RESUME_CLOCK      = 70,
    JUB_EVENT_REPLAY_DONE       = 71,
    JUB_EVENT_OWNED_ITEMS       = 77
};

enum
{
    JUB_EVENT_HEADER_SIZE       = 12,
    JUB_EVENT_ACK_SIZE          = 12,
    JUB_EVENT_BATCH_HEADER_SIZE = 16,     // the batch's records start here
    JUB_EVENT_BATCH_MIN_SIZE    = 18,     // header and the closing "cc"
    JUB_EVENT_BATCH_END         = 0x63,   // 'c'; two of them close a batch
    JUB_EVENT_BATCH_BUFFER      = 65536,  // largest batch, header included
    JUB_EVENT_TYPE_COUNT        = 29      // types accepted from a peer
};

// Time word of an untimed event.
const u32 JUB_EVENT_UNTIMED = 0xFFFFFFFFu;

// Payload size of a type: exact for the fixed types, the smallest accepted
// size for the batch (JUB_EVENT_BATCH_MIN_SIZE), 12 for the acknowledgement,
// 0 for a type this program does not know.
i32 JubGameEventPayloadSize(i32 type);

// 1 for the 29 types accepted from a peer (every type above except the
// acknowledgement), else 0.
int JubGameEventIsAccepted(i32 type);

// Payload size of a type that a batch may carry (the timed types), else 0.
i32 JubGameEventBatchRecordSize(i32 type);

// The accepted types in ascending order (JUB_EVENT_TYPE_COUNT entries).
const i32* JubGameEventAcceptedTypes();

// Little-endian access; p must hold 4 bytes.
void JubPutU32(u8* p, u32 value);
u32  JubGetU32(const u8* p);
void JubPutF32(u8* p, f32 value);
f32  JubGetF32(const u8* p);

// Zero-fills size bytes (at least 12) and writes the header.
void JubWriteEventHeader(u8* payload, i32 size, i32 type, u32 sequence, u32 time);

// A queue node: one event with its own copy of the payload. Made by
// CJubGameEventQueue::Push, owned by the queue that holds it, or by whoever
// popped it, who deletes it.
class CJubGameEvent
{
public:
    // Copies size bytes of payload. On allocation failure, or for a null
    // payload or a size below 1, the node holds no payload (size 0).
    CJubGameEvent(i32 type, u32 sequence, const void* payload, i32 size, i32 send);
    ~CJubGameEvent();
    CJubGameEvent(const CJubGameEvent&) = delete;
    CJubGameEvent& operator=(const CJubGameEvent&) = delete;

    i32 GetType() const { return m_type; }
    u32 GetSequence() const { return m_sequence; }
    // -1 when made; the time stamp for an event queued to wait for the clock.
    i32 GetTime() const { return m_time; }
    void SetTime(i32 time) { m_time = time; }
    i32 GetSend() const { return m_send; }
    void SetSend(i32 send) { m_send = send; }
    i32 GetSize() const { return m_size; }
    const u8* GetPayload() const { return m_payload; }

    // Header words of the payload; 0 (sequence) and untimed (time) when the
    // payload is shorter than the header.
    u32 GetPayloadSequence() const;
    u32 GetPayloadTime() const;
    // The time word read as signed is negative: the event is not timed.
    int IsUntimed() const { return (i32)GetPayloadTime() < 0; }

private:
    i32 m_type;        // the payload's first byte
    u32 m_sequence;    // global event counter when the node was made
    i32 m_time;        // -1, or the time stamp to wait for
    i32 m_send;        // 1 = deliver to the peer, 0 = local only
    i32 m_size;        // payload bytes
    u8* m_payload;     // owned
};
