// Frame time of the play screen drawing a running two-player match on the fullest sample
// level (sky, background layers, blocks, creatures, an explosion's particles, water, the
// HUD with its buttons, texts and zoom bar) on a private Xvfb with Mesa's software GLES2,
// against the game renderer drawing the same level bare (sky, backgrounds, blocks,
// creatures, water, as bench_level_frame's renderer frame).
//
//   BENCH match_frame ratio=<bare level frame time / match frame time>
#include "BenchSupport.h"
#include "engine/KetrelApplication.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "engine/graphics/KetrelGraphicsExt_GLES2.h"
#include "framework/BrixResourceManager.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubBlock.h"
#include "game/match/JubGameEventExchange.h"
#include "game/match/JubGameHost.h"
#include "game/match/JubPhysicsBody.h"
#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubPlayState.h"
#include "game/match/JubRenderer.h"
#include "game/match/JubScene.h"
#include "game/match/JubTouchState.h"

#include <GLES2/gl2.h>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <deque>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
using bench::NowUs;
using bench::StartXvfb;
const int kFramesPerRound = 30, kRounds = 5;
const i32 kCaveIn = 3;   // the battle scene with the most blocks

class BenchApplication : public IKetrelApplication
{
public:
    void OnFrame() override {}
};

std::string AssetFolder()
{
    char path[PATH_MAX] = {0};
    ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    std::string exe(path, n > 0 ? (size_t)n : 0);
    return exe.substr(0, exe.rfind('/')) + "/../main/";
}

// Pictures from the packs, levels from the files beside the executable.
class Assets : public CJubAssetSource
{
public:
    Assets(CBrixResourceManager* r, const std::string& folder) : m_r(r), m_folder(folder) {}
    CKetrelSurface* GetImage(const CKetrelString& name) override { return m_r->GetImage(name); }
    int ReleaseImage(CKetrelSurface** image) override { return m_r->ReleaseImage(image); }
    IKetrelSoundSource* GetSound(const CKetrelString&) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource**) override { return 1; }
    i32 ReadResource(const CKetrelString& name, u8** data) override
    {
        *data = nullptr;
        char narrow[512] = {0};
        if (name.GetLength() >= (i32)sizeof(narrow))
            return 0;
        name.ToNarrow(narrow);
        std::ifstream in(m_folder + narrow, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (bytes.empty())
            return 0;
        *data = new u8[bytes.size()];
        std::copy(bytes.begin(), bytes.end(), *data);
        return (i32)bytes.size();
    }

private:
    CBrixResourceManager* m_r;
    std::string m_folder;
};

class Fonts : public CJubFontSource
{
public:
    explicit Fonts(IKetrelApplication* app) { font.CreateDefault(app); }
    CKetrelBitmapFont* GetFont(const CKetrelString&) override { return &font; }
    void ReleaseFont(CKetrelBitmapFont** f) override { *f = nullptr; }
    CKetrelBitmapFont font;
};

// A game object for one handset of the benchmark: a stepped clock, scripted random
// numbers, and payloads handed to the other handset on the next step.
class Host : public CJubGameHost
{
public:
    u32 GetClock() override { return clock; }
    u32 GetTimeMs() override { return timeMs; }
    int SendGameData(const u8* data, i32 size) override
    {
        outbox.emplace_back(data, data + size);
        return KE_OK;
    }
    void ResetClock() override { clock = 0; }
    void ResyncFixedStep() override {}
    CJubRenderer* GetRenderer() override { return renderer; }
    CJubPhysicsWorld* GetPhysicsWorld() override { return &world; }
    CJubAssetCache* GetAssets() override { return assets; }
    CJubTouchState& GetTouchState() override { return touch; }
    void PlaySound(u32, u32, i32) override {}
    f32 RandomFloat(f32 min, f32) override { return min; }
    i32 RandomInt(i32 min, i32 max) override
    {
        if (scripted.empty())
            return min;
        const i32 v = scripted.front();
        scripted.pop_front();
        return v < min ? min : (v > max ? max : v);
    }
    void LoadNextResource() override {}
    i32 IsLoadingDone() override { return 1; }
    i32 GetSetting(const CKetrelString&, i32 fallback) override { return fallback; }
    void SetSetting(const CKetrelString&, i32) override {}
    CKetrelString GetText(i32 index) override
    {
        CKetrelString s;
        s.Format(L" text %d", index);
        return s;
    }
    void Vibrate() override {}
    void ReportGameResult(const i32*, const i32*, i32, i32) override {}
    CJubMatchCounters& GetMatchCounters() override { return counters; }
    i32 IsStopRequested() override { return 0; }
    void ClearChatBubbles() override {}
    void AddChatBubble(const CKetrelString&, const CKetrelString&, u32, const CKetrelVector2&,
                       const CKetrelVector2&) override {}
    void RenderChatBubbles() override {}
    void AdvanceClock(u32 ms) override { clock += ms; }
    i32 GetSoundFrequency(u32) override { return 22050; }
    void OpenChatPage() override {}
    void SendItemUsed(u32, i32, i32) override {}
    i32 GetOwnedItems(CJubOwnedItem*, i32) override { return 0; }
    int ReadItem(i32, const CJubOwnedItem&, CJubItemInfo*) override { return KE_ERR_NOT_FOUND; }

    u32 clock = 0, timeMs = 0;
    CJubRenderer* renderer = nullptr;
    CJubPhysicsWorld world;
    CJubAssetCache* assets = nullptr;
    CJubTouchState touch;
    CJubMatchCounters counters;
    std::deque<i32> scripted;
    std::vector<std::vector<u8>> outbox;
};

void Deliver(Host& from, CJubPlayState& to)
{
    for (const std::vector<u8>& p : from.outbox)
        to.GetExchange().ReceivePayload(p.data(), (i32)p.size());
    from.outbox.clear();
}

void BareFrame(CJubRenderer& renderer, CKetrelGraphicsExt_GLES2* gl, CJubAssetCache& cache,
               CJubScene& scene)
{
    CKetrelColor white;
    white.Set(1, 1, 1, 1);
    gl->FillGradient(0xFF7FB2E5, 0xFF7FB2E5, 0xFFE0F0FF, 0xFFE0F0FF, nullptr);
    renderer.DrawBackground(CKetrelVector2(0.0f, 1.6f), CKetrelVector2(6.4f, 1.6f), cache.GetImage(3),
                            white, 0);
    for (int i = -1; i <= 1; ++i)
        renderer.DrawBackground(CKetrelVector2(4.2f * (f32)i, 0.8f), CKetrelVector2(2.1f, 1.05f),
                                cache.GetImage(2), white, 0);
    scene.RenderBlocks(renderer, 1);
    scene.RenderCreatures(renderer, 0);
    renderer.DrawWater(0);
}

template <class F>
double Measure(F frame)
{
    double best = 1e30;
    for (int round = 0; round < kRounds; ++round)
    {
        glFinish();
        const double t0 = NowUs();
        for (int i = 0; i < kFramesPerRound; ++i)
            frame();
        glFinish();
        best = std::min(best, (NowUs() - t0) / kFramesPerRound);
    }
    return best;
}

int Run(BenchApplication& app, CKetrelGraphicsExt_GLES2* gl)
{
    const std::string folder = AssetFolder();
    CBrixResourceManager resources;
    resources.Init(&app, nullptr);
    for (const char* pack : {"dataPlayers.vad", "dataEffects.vad", "dataTextures.vad", "dataUI.vad"})
        resources.AddMediaPack(CKetrelString((folder + pack).c_str()), 1, 0);
    Assets source(&resources, folder);
    CJubAssetCache cache;
    cache.SetSource(&source);
    Fonts fonts(&app);
    int status = 1;
    {
        CJubRenderer renderer;
        renderer.Init(&app);
        renderer.SetAssets(&cache);
        renderer.SetFontSource(&fonts);
        CJubRenderer offscreen;   // the other handset's camera and screen size; never drawn
        offscreen.GetCamera().SetScreenSize(renderer.GetScreenWidth(), renderer.GetScreenHeight());

        Host hostA, hostB;
        for (Host* h : {&hostA, &hostB})
        {
            h->world.SetStep(1.0f / 30.0f, 4);
            h->assets = &cache;
        }
        hostA.renderer = &renderer;
        hostB.renderer = &offscreen;
        CJubPlayState a, b;
        if (a.Init(&hostA) != KE_OK || b.Init(&hostB) != KE_OK)
        {
            fprintf(stderr, "the play screens cannot be entered\n");
            return 1;
        }
        hostA.scripted = {0, kCaveIn, 0, 0};   // first player, scene, start slots
        a.StartMatch(0, 1, 1);
        b.StartMatch(1, 0, 1);
        for (int i = 0; i < 600 && !(a.GetPhase() == JUB_PHASE_LOCAL_TURN && a.IsTimerRunning()); ++i)
        {
            for (Host* h : {&hostA, &hostB})
                h->timeMs += 33;
            a.Update(0.033f);
            b.Update(0.033f);
            Deliver(hostA, b);
            Deliver(hostB, a);
            renderer.Update(0.033f);
        }
        CJubScene* scene = a.GetLiveScene();
        if (a.GetPhase() != JUB_PHASE_LOCAL_TURN || !scene || scene->GetBlocks()->GetCount() < 40
            || !cache.GetImage(45) || !cache.GetImage(11))
        {
            fprintf(stderr, "the match did not start on the sample level (pictures in %s)\n",
                    folder.c_str());
        }
        else
        {
            // An explosion among the blocks, its particles a few steps on.
            a.PostExplosion(scene->GetPlayer(1).body->GetPosition(), 0.3f, 0, 0xFFFF8040u, 0);
            for (int i = 0; i < 6; ++i)
            {
                hostA.timeMs += 33;
                a.Update(0.033f);
                renderer.Update(0.033f);
            }
            const double ours = Measure([&] { a.Render(); });
            const double bare = Measure([&] { BareFrame(renderer, gl, cache, *scene); });
            printf("level Cave_In.scn: %d blocks, running match at 800 x 480 on Xvfb (llvmpipe)\n",
                   scene->GetBlocks()->GetCount());
            printf("%-40s %12s\n", "", "us / frame");
            printf("%-40s %12.1f\n", "play screen (match, effects, HUD)", ours);
            printf("%-40s %12.1f\n", "renderer, the level bare", bare);
            printf("BENCH match_frame ratio=%.3f\n", bare / ours);
            status = 0;
        }
        a.Deinit();
        b.Deinit();
        renderer.SetFontSource(nullptr);
    }
    cache.SetSource(nullptr);
    return status;
}
} // namespace

int main()
{
    pid_t server = StartXvfb();
    if (server <= 0)
    {
        fprintf(stderr, "Xvfb could not be started\n");
        return 1;
    }
    int status = 1;
    {
        BenchApplication app;
        CKetrelDisplayMode mode;
        IKetrelApplication::GetDefaultDisplayMode(&mode);
        mode.windowed = 1;
        CKetrelGraphicsExt_GLES2* gl = nullptr;
        if (app.Create(0, &mode) == KE_OK)
            gl = CKetrelGraphicsExt_GLES2::FromContext(app.GetGraphicsContext());
        if (!gl)
            fprintf(stderr, "no OpenGL ES 2.0 window\n");
        else
            status = Run(app, gl);
    }
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    return status;
}
