#pragma once
#include "engine/KetrelTypes.h"

// What the game-event exchange needs from the game object that hosts the
// match. The game object implements it; tests use a fake. In the other
// direction, the game object hands every game-data payload that the network
// session received from the peer to CJubGameEventExchange::ReceivePayload.
class CJubGameEventHost
{
public:
    virtual ~CJubGameEventHost() {}

    // The game clock in milliseconds since it was last reset; the time stamp
    // of every timed event and the reference of the timed replay.
    virtual u32 GetClock() = 0;

    // A free-running millisecond timer (only differences are used, so it may
    // wrap); measures the resend interval.
    virtual u32 GetTimeMs() = 0;

    // Sends one payload to the peer over the game channel. The bytes belong
    // to the caller and are only valid during the call. The result is not used.
    virtual int SendGameData(const u8* data, i32 size) = 0;
};
