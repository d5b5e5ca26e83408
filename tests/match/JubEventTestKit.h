#pragma once
// Helpers for the game-event tests: a fake game object, a listener that
// records what it applies, and hex dumps of payloads.
#include "engine/KetrelTypes.h"
#include "game/match/JubGameEvent.h"
#include "game/match/JubGameEventExchange.h"
#include "game/match/JubGameEventHost.h"
#include "game/match/JubGameEventListener.h"

#include <string>
#include <vector>

typedef std::vector<u8> Bytes;

// "05000000 04030201 ffffffff": lower-case hex, a space after every 4 bytes.
std::string HexOf(const u8* data, i32 size);
inline std::string HexOf(const Bytes& b) { return HexOf(b.data(), (i32)b.size()); }
// The reverse; spaces are skipped.
Bytes BytesOf(const std::string& hex);

// The payload bytes of a record as Write makes them.
template <class E>
Bytes PayloadOf(const E& record, u32 sequence, u32 time)
{
    Bytes out(E::kSize);
    record.Write(out.data(), sequence, time);
    return out;
}

// A game object with a hand-driven game clock and millisecond timer; keeps a
// copy of every payload it is asked to send.
class FakeEventHost : public CJubGameEventHost
{
public:
    u32 GetClock() override { return clock; }
    u32 GetTimeMs() override { return timeMs; }
    int SendGameData(const u8* data, i32 size) override
    {
        sent.push_back(Bytes(data, data + size));
        return 1;
    }
    // Sent payloads of one type, in order.
    std::vector<Bytes> SentOfType(i32 type) const;

    u32 clock = 0;
    u32 timeMs = 0;
    std::vector<Bytes> sent;
};

// One applied event: its type, its payload and the game clock when applied.
struct AppliedEvent
{
    i32 type;
    Bytes payload;
    u32 clock;
};

// Records every event it is handed. With an exchange set and parseBatches
// on, a batch is parsed into that exchange's received queue (as the peer's
// play screen does in its replay phase).
class RecordingListener : public CJubGameEventListener
{
public:
    CJubGameEventHost* host = nullptr;         // for the clock of each record
    CJubGameEventExchange* exchange = nullptr;
    int parseBatches = 0;
    int resultsSent = 0;
    std::vector<AppliedEvent> applied;

    void OnStartRound(const CJubEventStartRound& e) override { Note(e); }
    void OnBeginTurn(const CJubEventBeginTurn& e) override { Note(e); }
    void OnRoundOver(const CJubEventRoundOver& e) override { Note(e); }
    void OnNextRound(const CJubEventNextRound& e) override { Note(e); }
    void OnMatchResult(const CJubEventMatchResult& e) override { Note(e); }
    void OnNextTurn(const CJubEventNextTurn& e) override { Note(e); }
    void OnMatchOver(const CJubEventMatchOver& e) override { Note(e); }
    void OnQuit(const CJubEventQuit& e) override { Note(e); }
    void OnSetSimulation(const CJubEventSetSimulation& e) override { Note(e); }
    void OnPlayerOut(const CJubEventPlayerOut& e) override { Note(e); }
    void OnSyncPositions(const CJubEventSyncPositions& e) override { Note(e); }
    void OnJump(const CJubEventJump& e) override { Note(e); }
    void OnPlayerReady(const CJubEventPlayerReady& e) override { Note(e); }
    void OnConcede(const CJubEventConcede& e) override { Note(e); }
    void OnDamage(const CJubEventDamage& e) override { Note(e); }
    void OnSettleCheck(const CJubEventSettleCheck& e) override { Note(e); }
    void OnWhip(const CJubEventWhip& e) override { Note(e); }
    void OnLoadProjectile(const CJubEventLoadProjectile& e) override { Note(e); }
    void OnPlaceProjectile(const CJubEventPlaceProjectile& e) override { Note(e); }
    void OnFire(const CJubEventFire& e) override { Note(e); }
    void OnRemoveProjectile(const CJubEventRemoveProjectile& e) override { Note(e); }
    void OnThrowBlock(const CJubEventThrowBlock& e) override { Note(e); }
    void OnDestroyBlock(const CJubEventDestroyBlock& e) override { Note(e); }
    void OnBlockState(const CJubEventBlockState& e) override { Note(e); }
    void OnExplosion(const CJubEventExplosion& e) override { Note(e); }
    void OnResumeClock(const CJubEventResumeClock& e) override { Note(e); }
    void OnReplayDone(const CJubEventReplayDone& e) override { Note(e); }
    void OnOwnedItems(const CJubEventOwnedItems& e) override { Note(e); }
    void OnBatch(const CJubGameEvent& batch) override;
    void OnResultSent() override { ++resultsSent; }

    // Types of the applied events, in order.
    std::vector<i32> Types() const;

private:
    // Records the record re-encoded (header words zero), so that what the
    // match saw is compared, not what the wire carried.
    template <class E>
    void Note(const E& e)
    {
        applied.push_back({E::kType, PayloadOf(e, 0, 0), host ? host->GetClock() : 0});
    }
};
