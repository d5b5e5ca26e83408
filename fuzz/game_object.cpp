// The game object driven from outside as the framework and the peer drive it: game-data
// payloads with forged headers, peer chat lines, players leaving, lost links, matches
// started and stopped, pointer events with any id and position, screen switches and
// frames of any length. Nothing may crash, hang or run more than five steps in a frame.
//
// Input: byte 0 seeds the random numbers; then operations, each one byte (op % 10):
//   0  a frame: ms (1 byte, times 4)
//   1  game data: type, sequence (1 byte), time word kind (1 byte), length (1 byte), bytes
//   2  a peer chat line: kind, length, bytes (as Latin-1)
//   3  a player leaves: id byte (0 and 1 are the players, others unknown)
//   4  StartMatch(byte & 1), with byte & 2 dropping the second player
//   5  StopMatch, or a lost game or lobby link (byte % 3)
//   6  pointer down/move/up: kind, id (signed byte), x, y (2 bytes each)
//   7  open screen (byte % 8, ids above 5 are ignored)
//   8  close the connecting screen, or the intro flag and Activate
//   9  a character to the screens
#include "engine/KetrelResult.h"
#include "framework/BrixGameState.h"
#include "framework/BrixStatsStore.h"
#include "game/match/JubPhysicsBody.h"
#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubScene.h"
#include "game/screens/JubShellHost.h"
#include "game/screens/StateGame.h"

#include <cstring>
#include <vector>

namespace
{
std::vector<u8> MakeLevel()
{
    CJubPhysicsWorld world;
    world.SetStep(1.0f / 30.0f, 4);
    CJubScene scene;
    scene.Init(nullptr, nullptr, &world, 0);
    for (i32 i = 0; i < 4; ++i)
        scene.GetBlocks()->CreateBlock(9, CKetrelVector2(-0.75f + 0.5f * (f32)i, 0.5f), (u8)(i & 3),
                                       0, 0);
    scene.GetPlayer(0).body->SetPosition(CKetrelVector2(-0.4f, 0.65f));
    scene.GetPlayer(1).body->SetPosition(CKetrelVector2(0.4f, 0.65f));
    CKetrelArray<u8> out;
    scene.WriteLevel(out);
    return std::vector<u8>(out.GetData(), out.GetData() + out.GetCount());
}

class Levels : public CJubAssetSource
{
public:
    CKetrelSurface* GetImage(const CKetrelString&) override { return nullptr; }
    int ReleaseImage(CKetrelSurface** image) override
    {
        *image = nullptr;
        return 1;
    }
    IKetrelSoundSource* GetSound(const CKetrelString&) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource** sound) override
    {
        *sound = nullptr;
        return 1;
    }
    i32 ReadResource(const CKetrelString&, u8** data) override
    {
        static const std::vector<u8> level = MakeLevel();
        *data = new u8[level.size()];
        std::memcpy(*data, level.data(), level.size());
        return (i32)level.size();
    }
};

class Shell : public IJubShellHost
{
public:
    CBrixStatsStore* GetSettings() override { return &settings; }
    CBrixResourceManager* GetResources() override { return nullptr; }
    void PlayMusic(const CKetrelString&, i32) override {}
    void StopMusic() override {}
    i32 IsSoundMuted() override { return muted; }
    i32 IsMusicMuted() override { return muted; }
    void SetAllMuted(i32 on) override { muted = on; }
    void ResetIdleTimer() override {}
    void SetApplicationName(const CKetrelString&) override {}
    void OpenUrl(const CKetrelString&) override {}
    i32 GetReleaseId() override { return 1; }
    CKetrelString GetWebHost() override { return CKetrelString("http://127.0.0.1"); }
    void Vibrate() override {}
    void SeedRandom(u32 s) override { seed = s; }
    f32 RandomFloat(f32 min, f32 max) override { return min + (max - min) * 0.25f; }
    i32 RandomInt(i32 min, i32 max) override
    {
        seed = seed * 1103515245u + 12345u;
        return max < min ? min : min + (i32)((seed >> 8) % (u32)(max - min + 1));
    }
    i32 GetMatchPlayer(i32 index, i32* id, CKetrelString* name) override
    {
        if (index == 1 && dropSecond)
            return 0;
        *id = 10 + index;
        *name = index ? "Bob" : "Ann";
        return 1;
    }
    i32 ReadChatRecord(const CBrixChatRecord&, i32*, CKetrelString*) override { return 0; }

    CBrixStatsStore settings;
    i32 muted = 0;
    u32 seed = 1;
    int dropSecond = 0;
};

class Session : public IBrixGameHost
{
public:
    int HasNetworkSession() override { return 1; }
    u32 GetSessionStatus() override { return 5; }
    void CloseGameLink() override {}
    void RequestMatch(i32, i32) override {}
    void CancelMatchRequest() override {}
    void SendGameData(const u8* data, i32 size, i32, i32) override
    {
        if (!data || size <= 0)
            __builtin_trap();
    }
    CKetrelString GetUrlSuffix() override { return CKetrelString(); }
    i32 GetOwnPlayerId() override { return 10; }
    i32 GetLobbyPlayerCount() override { return 2; }
    CBrixPlayer* GetLobbyPlayer(i32) override { return nullptr; }
    void LeaveGame() override {}
    void ShowLoginMenu(i32) override {}
    void ReportGameResult(const CKetrelArray<i32>&, const CKetrelArray<i32>&, i32) override {}
    CBrixAchievementStation* GetAchievementStation() override { return nullptr; }
};

class Game : public CStateGame
{
public:
    u64 GetTickMs() override { return now; }
    u64 now = 5000;

protected:
    int InitLanguage() override { return KE_OK; }
};

struct Reader
{
    const u8* data;
    size_t size, at;
    u8 Byte() { return at < size ? data[at++] : 0; }
    bool More() const { return at < size; }
};
}

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    if (size < 1)
        return 0;
    Reader in{data, size, 0};
    Levels levels;
    Shell shell;
    Session session;
    Game game;
    game.SetShellHost(&shell);
    game.SetApplication(&session);
    game.SetAssetSource(&levels);
    shell.seed = in.Byte();
    if (game.Init(nullptr) != KE_OK)
        __builtin_trap();
    game.OnScreenSizeChanged(800, 480);
    game.Activate();
    int ops = 0;
    while (in.More() && ops++ < 400)
    {
        switch (in.Byte() % 10)
        {
        case 0:
        {
            game.now += 4u * in.Byte();
            game.Update(0.0f);
            game.Render();
            if (game.GetStepsThisFrame() > JUB_MAX_STEPS_PER_FRAME)
                __builtin_trap();
            break;
        }
        case 1:
        {
            u8 record[256] = {0};
            record[0] = in.Byte();
            const u32 sequence = in.Byte();
            std::memcpy(record + 4, &sequence, 4);
            const u8 timeKind = in.Byte();
            const u32 time = timeKind < 128 ? 0xFFFFFFFFu : (timeKind < 240 ? timeKind * 33u : 0x80000000u | timeKind);
            std::memcpy(record + 8, &time, 4);
            const u8 length = in.Byte();
            for (u32 i = 12; i < length; ++i)
                record[i] = in.Byte();
            game.OnGameData(record, length);
            break;
        }
        case 2:
        {
            const i32 kind = in.Byte() % 4;
            std::vector<char> text(in.Byte() * 4 + 1, 0);
            for (size_t i = 0; i + 1 < text.size(); ++i)
                text[i] = (char)(in.Byte() | 1);
            game.OnChatLine(kind, CKetrelString(text.data()), 1);
            break;
        }
        case 3:
            game.OnPlayerLeft(10 + in.Byte() % 4);
            break;
        case 4:
        {
            const u8 b = in.Byte();
            shell.dropSecond = (b & 2) ? 1 : 0;
            game.StartMatch(b & 1);
            break;
        }
        case 5:
        {
            const u8 b = in.Byte() % 3;
            if (b == 0)
                game.StopMatch();
            else if (b == 1)
                game.OnGameLinkDown(0);
            else
                game.OnLobbyLinkDown(0);
            break;
        }
        case 6:
        {
            const u8 kind = in.Byte() % 3;
            const i32 id = (i8)in.Byte();
            const i32 x = (i32)(in.Byte() | (in.Byte() << 8)) - 1000;
            const i32 y = (i32)(in.Byte() | (in.Byte() << 8)) - 1000;
            if (kind == 0)
                game.OnPointerDown(id, x, y);
            else if (kind == 1)
                game.OnPointerMove(id, x, y);
            else
                game.OnPointerUp(id, x, y);
            break;
        }
        case 7:
            game.SwitchToScreen(in.Byte() % 8);
            break;
        case 8:
            if (in.Byte() & 1)
                game.CloseConnectingScreen();
            else
            {
                game.SetIntroShown(0);
                game.Activate();
            }
            break;
        default:
            game.OnChar(in.Byte());
            break;
        }
    }
    game.Release();
    return 0;
}
