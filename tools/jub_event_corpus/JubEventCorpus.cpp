// Writes the seed inputs of the game-event fuzz targets: batches recorded
// from scripted turns, and the payload streams a handset sends during a
// match. Usage: jub_event_corpus <corpus folder> (fuzz/corpus in the tree).
#include "game/match/JubGameEvent.h"
#include "game/match/JubGameEventExchange.h"
#include "game/match/JubGameEventHost.h"
#include "game/match/JubGameEventListener.h"

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace
{
typedef std::vector<u8> Bytes;

// Keeps what the recording handset sends and answers it at once, as a
// perfect peer would.
class Recorder : public CJubGameEventHost
{
public:
    u32 GetClock() override { return clock; }
    u32 GetTimeMs() override { return timeMs; }
    int SendGameData(const u8* data, i32 size) override
    {
        sent.push_back(Bytes(data, data + size));
        return 1;
    }
    u32 clock = 0;
    u32 timeMs = 0;
    std::vector<Bytes> sent;
};

struct Handset
{
    Recorder host;
    CJubGameEventListener listener;
    CJubGameEventExchange exchange;
    Handset() : exchange(&host, &listener) {}

    // Applies what is posted and lets every sent event be acknowledged.
    void Flush()
    {
        for (int round = 0; round < 64; ++round)
        {
            exchange.DispatchEvents();
            size_t before = host.sent.size();
            for (size_t i = 0; i < before; ++i)
                if (host.sent[i][0] != JUB_EVENT_ACK)
                {
                    u8 ack[JUB_EVENT_ACK_SIZE];
                    JubWriteAck(ack, JubGetU32(host.sent[i].data() + 4));
                    exchange.ReceivePayload(ack, JUB_EVENT_ACK_SIZE);
                }
            exchange.PumpOutgoing();
            if (!exchange.GetOutgoingQueue().HasEvents())
                return;
        }
    }
};

bool WriteFile(const std::string& path, const Bytes& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// The payload target's framing: a mode byte, then u16 length + payload.
Bytes Frame(const std::vector<Bytes>& payloads)
{
    Bytes out(1, 0);
    for (const Bytes& p : payloads)
    {
        out.push_back((u8)p.size());
        out.push_back((u8)(p.size() >> 8));
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

std::vector<Bytes> EventsOnly(const std::vector<Bytes>& sent)
{
    std::vector<Bytes> out;
    for (const Bytes& b : sent)
        if (b[0] != JUB_EVENT_ACK)
            out.push_back(b);
    return out;
}

CKetrelVector2 V(f32 x, f32 y) { return CKetrelVector2(x, y); }

// One turn, simulated ahead in 33 ms steps: the weapon's events at step 0,
// the blast at `blastStep`, the settling at `endStep`.
Bytes RecordTurn(int weapon, int blastStep, int endStep)
{
    Handset h;
    for (int step = 0; step <= endStep; ++step)
    {
        h.host.clock = (u32)step * 33u;
        CJubEventSyncPositions sync;
        sync.position[0] = V(-1.2f, 0.6f);
        sync.position[1] = V(1.1f, 0.45f);
        CJubEventSetSimulation on;
        on.running = 1;
        if (step == 0)
        {
            h.exchange.Post(sync, 1);
            if (weapon == 0)
            {
                CJubEventJump jump;
                jump.launch = V(0.9f, 2.1f);
                h.exchange.Post(jump, 1);
            }
            else if (weapon == 3)
            {
                CJubEventWhip whip;
                whip.direction = V(0.3f, -0.1f);
                h.exchange.Post(whip, 1);
            }
            else
            {
                CJubEventLoadProjectile load;
                load.kind = (u8)(weapon == 1 ? 0 : weapon == 4 ? 4 : 2);
                h.exchange.Post(load, 1);
                CJubEventFire fire;
                fire.launch = V(-1.4f, 2.6f);
                h.exchange.Post(fire, 1);
            }
            h.exchange.Post(on, 1);
        }
        if (step == blastStep && weapon != 0)
        {
            CJubEventPlaceProjectile place;
            place.position = V(0.8f, 0.3f);
            h.exchange.Post(place, 1);
            CJubEventExplosion boom;
            boom.colour = 0xFFE04010;
            boom.position = place.position;
            boom.size = weapon == 4 ? 0.6f : 0.3f;
            h.exchange.Post(boom, 1);
            if (weapon == 4)
            {
                CJubEventBlockState ice;
                ice.blockId = 40;
                ice.health = 255;
                ice.material = 2;
                ice.push = V(0.2f, -0.4f);
                ice.friction = 0.75f;
                ice.bounce = 0.15f;
                ice.delay = -1.2f;
                h.exchange.Post(ice, 1);
            }
            else
            {
                CJubEventThrowBlock thrown;
                thrown.blockId = 41;
                thrown.gridX = 30;
                thrown.gridY = 14;
                thrown.health = 80;
                thrown.push = V(0.5f, -0.25f);
                h.exchange.Post(thrown, 1);
                CJubEventDestroyBlock destroy;
                destroy.blockId = 42;
                h.exchange.Post(destroy, 1);
            }
            CJubEventJump knock;
            knock.player = 1;
            knock.launch = V(0.02f, 0.01f);
            knock.follow = 1;
            h.exchange.Post(knock, 1);
            CJubEventDamage damage;
            damage.player = 1;
            damage.damage = 24;
            damage.healthLeft = 76;
            h.exchange.Post(damage, 1);
            CJubEventRemoveProjectile remove;
            h.exchange.Post(remove, 1);
        }
        if (step == endStep)
        {
            if (weapon == 3)
            {
                CJubEventPlayerOut out;
                out.player = 1;
                out.cause = 1;
                h.exchange.Post(out, 1);
            }
            h.exchange.Post(sync, 1);
            h.exchange.Post(on, 1);
        }
        h.exchange.DispatchEvents();
    }
    h.exchange.PostBatch();
    h.Flush();
    std::vector<Bytes> batches;
    for (const Bytes& b : h.host.sent)
        if (b[0] == JUB_EVENT_BATCH)
            return b;
    return Bytes();
}

// The untimed events of a match's start, a turn change and its end, as the
// host handset sends them.
std::vector<Bytes> RecordMatchStart()
{
    Handset h;
    CJubEventStartRound start;
    start.firstPlayer = 1;
    start.scene = 7;
    start.slot[0] = 2;
    start.slot[1] = 0;
    h.exchange.Post(start, 1);
    CJubEventOwnedItems items;
    items.count = 2;
    items.itemId[0] = 1001;
    items.itemId[1] = 1002;
    items.fileNumber[0] = 3;
    items.fileNumber[1] = 4;
    items.packNumber[0] = 1;
    items.packNumber[1] = 1;
    h.exchange.Post(items, 1);
    CJubEventPlayerReady ready;
    h.exchange.Post(ready, 1);
    CJubEventBeginTurn begin;
    begin.player = 1;
    h.exchange.Post(begin, 1);
    h.Flush();
    return EventsOnly(h.host.sent);
}

std::vector<Bytes> RecordMatchEnd()
{
    Handset h;
    CJubEventNextTurn next;
    next.player = 1;
    h.exchange.Post(next, 1);
    CJubEventRoundOver over;
    over.winner = 0;
    h.exchange.Post(over, 1);
    CJubEventReplayDone done;
    h.exchange.Post(done, 1);
    CJubEventMatchResult result;
    result.sender = 1;
    result.roundsWon[0] = 1;
    result.winner = 0;
    h.exchange.Post(result, result.SendFlag());
    CJubEventNextRound nextRound;
    h.exchange.Post(nextRound, 1);
    h.Flush();
    return EventsOnly(h.host.sent);
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const std::string root = argv[1];
    const std::string batchDir = root + "/game_event_batch";
    const std::string payloadDir = root + "/game_event_payload";
    mkdir(root.c_str(), 0755);
    mkdir(batchDir.c_str(), 0755);
    mkdir(payloadDir.c_str(), 0755);

    struct Turn { const char* name; int weapon; int blast; int end; };
    const Turn turns[] = {
        {"jump", 0, 0, 40}, {"bomb", 1, 25, 52}, {"cluster", 5, 31, 70},
        {"whip", 3, 9, 30}, {"snow", 4, 20, 61},
    };
    bool ok = true;
    std::vector<Bytes> allBatches;
    for (const Turn& t : turns)
    {
        Bytes batch = RecordTurn(t.weapon, t.blast, t.end);
        allBatches.push_back(batch);
        ok &= WriteFile(batchDir + "/turn_" + t.name + ".bin", batch);
    }
    Handset empty;
    empty.exchange.PostBatch();
    empty.Flush();
    ok &= WriteFile(batchDir + "/turn_empty.bin", EventsOnly(empty.host.sent).at(0));

    std::vector<Bytes> start = RecordMatchStart();
    std::vector<Bytes> end = RecordMatchEnd();
    ok &= WriteFile(payloadDir + "/match_start.bin", Frame(start));
    ok &= WriteFile(payloadDir + "/match_end.bin", Frame(end));
    // A turn as the peer sees it: the turn change, the batch, and a resent copy.
    std::vector<Bytes> turn = {start.back(), allBatches[1], allBatches[1]};
    ok &= WriteFile(payloadDir + "/turn_bomb.bin", Frame(turn));
    ok &= WriteFile(payloadDir + "/turn_cluster.bin", Frame({allBatches[2]}));
    if (!ok)
    {
        std::fprintf(stderr, "ERROR: cannot write the corpus under %s\n", root.c_str());
        return 1;
    }
    return 0;
}
