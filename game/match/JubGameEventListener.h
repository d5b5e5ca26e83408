#pragma once
#include "game/match/JubGameEventRecords.h"

class CJubGameEvent;

// The operations through which dispatched events change the match, one per
// event type; the play screen implements them. Each record has passed its
// checks (see JubGameEventRecords.h) before it gets here; an event that fails
// them is dropped and never reaches a handler. A handler may post new events
// (they are dispatched in the same pass) and may empty any queue of the
// exchange, but must not delete the exchange. The defaults do nothing.
class CJubGameEventListener
{
public:
    virtual ~CJubGameEventListener() {}

    virtual void OnStartRound(const CJubEventStartRound&) {}
    virtual void OnBeginTurn(const CJubEventBeginTurn&) {}
    virtual void OnRoundOver(const CJubEventRoundOver&) {}
    virtual void OnNextRound(const CJubEventNextRound&) {}
    virtual void OnMatchResult(const CJubEventMatchResult&) {}
    virtual void OnNextTurn(const CJubEventNextTurn&) {}
    virtual void OnMatchOver(const CJubEventMatchOver&) {}
    virtual void OnQuit(const CJubEventQuit&) {}
    virtual void OnSetSimulation(const CJubEventSetSimulation&) {}
    virtual void OnPlayerOut(const CJubEventPlayerOut&) {}
    virtual void OnSyncPositions(const CJubEventSyncPositions&) {}
    virtual void OnJump(const CJubEventJump&) {}
    virtual void OnPlayerReady(const CJubEventPlayerReady&) {}
    virtual void OnConcede(const CJubEventConcede&) {}
    virtual void OnDamage(const CJubEventDamage&) {}
    virtual void OnSettleCheck(const CJubEventSettleCheck&) {}
    virtual void OnWhip(const CJubEventWhip&) {}
    virtual void OnLoadProjectile(const CJubEventLoadProjectile&) {}
    virtual void OnPlaceProjectile(const CJubEventPlaceProjectile&) {}
    virtual void OnFire(const CJubEventFire&) {}
    virtual void OnRemoveProjectile(const CJubEventRemoveProjectile&) {}
    virtual void OnThrowBlock(const CJubEventThrowBlock&) {}
    virtual void OnDestroyBlock(const CJubEventDestroyBlock&) {}
    virtual void OnBlockState(const CJubEventBlockState&) {}
    virtual void OnExplosion(const CJubEventExplosion&) {}
    virtual void OnResumeClock(const CJubEventResumeClock&) {}
    virtual void OnReplayDone(const CJubEventReplayDone&) {}
    virtual void OnOwnedItems(const CJubEventOwnedItems&) {}

    // A batch (the peer's or the own turn) was dispatched. The payload is only
    // valid during the call; a handler that replays it calls
    // CJubGameEventExchange::ParseBatch on it.
    virtual void OnBatch(const CJubGameEvent&) {}

    // A MatchResult payload was handed to the game object for sending.
    virtual void OnResultSent() {}
};
