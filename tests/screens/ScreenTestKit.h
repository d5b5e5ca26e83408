#pragma once
// The game object under test: a hand-driven tick clock, a recording application (shell
// host and session host), an in-memory settings store, an asset source of level files
// and stub screens that record their updates.
#include "framework/BrixGameState.h"
#include "framework/BrixStatsStore.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubState.h"
#include "game/screens/JubShellHost.h"
#include "game/screens/StateGame.h"

#include <map>
#include <set>
#include <string>
#include <vector>

std::string Utf8(const CKetrelString& s);

// Level files from the build's sample levels (beside the program); images and sounds
// are counted by name but never exist.
class LevelSource : public CJubAssetSource
{
public:
    CKetrelSurface* GetImage(const CKetrelString& name) override;
    int ReleaseImage(CKetrelSurface** image) override;
    IKetrelSoundSource* GetSound(const CKetrelString& name) override;
    int ReleaseSound(IKetrelSoundSource** sound) override;
    i32 ReadResource(const CKetrelString& name, u8** data) override;

    std::vector<std::string> imagesAsked;
    int soundsAsked = 0;
};

class FakeShell : public IJubShellHost
{
public:
    CBrixStatsStore* GetSettings() override { return &settings; }
    CBrixResourceManager* GetResources() override { return resources; }
    void PlayMusic(const CKetrelString& path, i32 loop) override;
    void StopMusic() override { ++musicStops; }
    i32 IsSoundMuted() override { return soundMuted; }
    i32 IsMusicMuted() override { return musicMuted; }
    void SetAllMuted(i32 muted) override
    {
        soundMuted = musicMuted = muted;
        ++muteToggles;
    }
    void ResetIdleTimer() override {}
    void SetApplicationName(const CKetrelString& name) override { appName = Utf8(name); }
    void OpenUrl(const CKetrelString& url) override { urls.push_back(Utf8(url)); }
    i32 GetReleaseId() override { return 7; }
    CKetrelString GetWebHost() override { return CKetrelString("http://127.0.0.1:8080"); }
    void Vibrate() override {}
    void SeedRandom(u32) override {}
    f32 RandomFloat(f32 min, f32) override { return min; }
    i32 RandomInt(i32 min, i32) override { return min; }
    i32 GetMatchPlayer(i32 index, i32* id, CKetrelString* name) override;
    i32 ReadChatRecord(const CBrixChatRecord&, i32*, CKetrelString*) override { return 0; }

    CBrixStatsStore settings;
    CBrixResourceManager* resources = nullptr;
    i32 soundMuted = 0;
    i32 musicMuted = 0;
    int muteToggles = 0;
    int musicStops = 0;
    std::vector<std::string> music;
    std::vector<std::string> urls;
    std::string appName;
    // Lobby players of the match: index -> (id, name); a missing index is no player.
    std::map<int, std::pair<int, std::string>> players;
};

// The network session side: records payloads and requests.
class FakeSession : public IBrixGameHost
{
public:
    int HasNetworkSession() override { return 1; }
    u32 GetSessionStatus() override { return 5; }
    void CloseGameLink() override { ++gameLinkCloses; }
    void RequestMatch(i32, i32) override { ++matchRequests; }
    void CancelMatchRequest() override { ++cancels; }
    void SendGameData(const u8* data, i32 size, i32, i32) override
    {
        sent.emplace_back(data, data + size);
    }
    CKetrelString GetUrlSuffix() override { return CKetrelString(); }
    i32 GetOwnPlayerId() override { return ownId; }
    i32 GetLobbyPlayerCount() override { return 2; }
    CBrixPlayer* GetLobbyPlayer(i32) override { return nullptr; }
    void LeaveGame() override { ++leaves; }
    void ShowLoginMenu(i32 logout) override { loginMenus.push_back(logout); }
    void ReportGameResult(const CKetrelArray<i32>& ids, const CKetrelArray<i32>& results,
                          i32 abandoned) override;
    CBrixAchievementStation* GetAchievementStation() override { return nullptr; }

    int ownId = 100;
    int gameLinkCloses = 0, matchRequests = 0, cancels = 0, leaves = 0;
    std::vector<std::vector<u8>> sent;
    std::vector<int> loginMenus;
    std::vector<std::pair<std::vector<int>, std::vector<int>>> results;
    std::vector<int> abandoned;        // the flag of each result
};

// A screen that records its updates and finishes when told.
class StubScreen : public CJubState
{
public:
    explicit StubScreen(i32 id) { m_stateId = id; }
    int Update(f32) override
    {
        ++updates;
        return 1;
    }
    void Render() override { ++renders; }
    void ReloadResources() override {}
    i32 OnKey(i32 ch) override
    {
        keys.push_back(ch);
        return 1;
    }
    void Finish(i32 next)
    {
        m_nextState = next;
        SetDone();
    }
    int updates = 0;
    int renders = 0;
    std::vector<int> keys;
};

// A stub whose storage goes to the next recycled stub made after it is deleted, as an
// allocator may hand a freed block out again; counts the game's IsDone questions.
class RecycledStub : public StubScreen
{
public:
    explicit RecycledStub(i32 id) : StubScreen(id) {}
    static void* operator new(size_t size);
    static void operator delete(void* block);
    i32 IsDone() override
    {
        ++doneAsked;
        return StubScreen::IsDone();
    }
    int doneAsked = 0;
};

// The game object on a fake clock, with stub screens for the ids in `stubs`.
class TestGame : public CStateGame
{
public:
    // host stands in for the fake shell when given; it must outlive the game.
    explicit TestGame(IJubShellHost* host = nullptr);
    ~TestGame() override;
    // Init on an 800 x 480 screen with the fakes. KE_OK or the failure.
    int Start(int width = 800, int height = 480);
    u64 GetTickMs() override { return now; }
    // Moves the clock by ms and runs one frame (Update then Render when render is set).
    void Frame(u64 ms, int render = 0);
    // Runs frames of 33 ms until steps steps have passed.
    void Steps(int steps);
    StubScreen* Stub(i32 id) const;
    // Touch 0 down at (x, y) for one step, then up for one step.
    void Tap(f32 x, f32 y);

    u64 now = 100000;
    std::set<int> stubs;
    std::set<int> recycled;            // ids made as RecycledStub
    std::set<int> refused;             // ids whose screen cannot be made
    FakeShell shell;
    FakeSession session;
    LevelSource source;
    std::vector<int> created;          // ids of screens created, in order

protected:
    CJubState* CreateScreen(i32 id) override;
    int InitLanguage() override { return 1; }
};
