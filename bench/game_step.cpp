// One fixed 33 ms step of a training match plus its frame, as the game object runs it
// (touch table, chat bubbles, mute corner, screen transitions, the play screen's step and
// its whole drawing), against the renderer drawing the same level bare (blocks, creatures,
// water), on a private Xvfb with Mesa's software GLES2. Both clear the frame first.
//
//   BENCH game_step ratio=<bare frame time / step-and-frame time>
#include "BenchWindow.h"
#include "engine/KetrelApplication.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelGraphicsExt_GLES2.h"
#include "framework/BrixResourceManager.h"
#include "framework/BrixStatsStore.h"
#include "game/match/JubBlock.h"
#include "game/match/JubPlayState.h"
#include "game/match/JubRenderer.h"
#include "game/match/JubResourceSource.h"
#include "game/match/JubScene.h"
#include "game/screens/JubShellHost.h"
#include "game/screens/JubTrainingState.h"
#include "game/screens/StateGame.h"

#include <GLES2/gl2.h>
#include <climits>
#include <csignal>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
const int kFramesPerRound = 60, kRounds = 5;

class BenchShell : public IJubShellHost
{
public:
    explicit BenchShell(CBrixResourceManager* resources) : m_resources(resources) {}
    CBrixStatsStore* GetSettings() override { return &m_settings; }
    CBrixResourceManager* GetResources() override { return m_resources; }
    void PlayMusic(const CKetrelString&, i32) override {}
    void StopMusic() override {}
    i32 IsSoundMuted() override { return 1; }
    i32 IsMusicMuted() override { return 1; }
    void SetAllMuted(i32) override {}
    void ResetIdleTimer() override {}
    void SetApplicationName(const CKetrelString&) override {}
    void OpenUrl(const CKetrelString&) override {}
    i32 GetReleaseId() override { return 0; }
    CKetrelString GetWebHost() override { return CKetrelString(); }
    void Vibrate() override {}
    void SeedRandom(u32) override {}
    f32 RandomFloat(f32 min, f32) override { return min; }
    i32 RandomInt(i32 min, i32) override { return min; }
    i32 GetMatchPlayer(i32, i32*, CKetrelString*) override { return 0; }
    i32 ReadChatRecord(const CBrixChatRecord&, i32*, CKetrelString*) override { return 0; }

private:
    CBrixResourceManager* m_resources;
    CBrixStatsStore m_settings;
};

// The game object on a clock that the benchmark moves by whole steps.
class BenchGame : public CStateGame
{
public:
    u64 GetTickMs() override { return now; }
    u64 now = 1000000;

protected:
    int InitLanguage() override { return KE_OK; }
};

std::string AssetFolder()
{
    char path[PATH_MAX] = {0};
    ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    std::string exe(path, n > 0 ? (size_t)n : 0);
    return exe.substr(0, exe.rfind('/')) + "/../main/";
}

// Opens the training picker and chooses the scene with the most blocks.
CJubPlayState* StartTraining(BenchGame& game)
{
    CJubPlayState* best = nullptr;
    i32 bestBlocks = -1, bestScene = 0;
    for (i32 pass = 0; pass < 2; ++pass)
        for (i32 scene = 0; scene < 15; ++scene)
        {
            if (pass == 1 && scene != bestScene)
                continue;
            game.DeleteAllScreens();
            game.SwitchToScreen(JUB_SCREEN_TRAINING);
            auto* training = dynamic_cast<CJubTrainingState*>(game.GetScreen(JUB_SCREEN_TRAINING));
            if (!training)
                return nullptr;
            CJubButton* button = nullptr;
            for (i32 i = 0; i < training->GetButtons()->GetButtonCount(); ++i)
            {
                CJubButton* b = training->GetButtons()->GetButton(i);
                if (b->id == 1 && b->frame == scene)
                    button = b;
            }
            training->OnButtonClicked(button);
            for (int i = 0; i < 60 && !game.GetPlayScreen(); ++i)
            {
                game.now += JUB_STEP_LENGTH_MS;
                game.Update(0.0f);
            }
            CJubPlayState* play = game.GetPlayScreen();
            if (!play || !play->GetLiveScene())
                return nullptr;
            // Let the round start and the creatures settle.
            for (int i = 0; i < 90; ++i)
            {
                game.now += JUB_STEP_LENGTH_MS;
                game.Update(0.0f);
            }
            const i32 blocks = play->GetLiveScene()->GetBlocks()->GetCount();
            if (pass == 0 && blocks > bestBlocks)
            {
                bestBlocks = blocks;
                bestScene = scene;
            }
            best = play;
        }
    if (best)
        fprintf(stderr, "training scene %d with %d blocks\n", bestScene + 1, bestBlocks);
    return best;
}
}

int main()
{
    pid_t server = bench::StartXvfb();
    if (server <= 0)
    {
        fprintf(stderr, "Xvfb could not be started\n");
        return 1;
    }
    int status = 1;
    {
        bench::BenchApplication app;
        CKetrelGraphicsExt_GLES2* gl = bench::OpenWindow(app);
        if (!gl)
        {
            fprintf(stderr, "no OpenGL ES 2.0 window\n");
        }
        else
        {
            const std::string assets = AssetFolder();
            CBrixResourceManager resources;
            resources.Init(&app, nullptr);
            for (const char* pack : {"dataEffects.vad", "dataPlayers.vad", "dataScenes.vad",
                                     "dataTextures.vad", "dataUI.vad"})
                resources.AddMediaPack(CKetrelString((assets + pack).c_str()), 1, 0);
            CJubResourceSource source(&resources);
            BenchShell shell(&resources);
            {
                BenchGame game;
                game.SetShellHost(&shell);
                game.SetAssetSource(&source);
                CJubPlayState* play = game.Init(&app) == KE_OK ? StartTraining(game) : nullptr;
                if (!play)
                {
                    fprintf(stderr, "the training match did not start (assets in %s?)\n",
                            assets.c_str());
                }
                else
                {
                    CJubRenderer* renderer = game.GetRenderer();
                    CJubScene* scene = play->GetLiveScene();
                    double ours = 0, bare = 0;
                    for (int round = 0; round < kRounds; ++round)
                    {
                        // The bare level first, then the game object's step and frame.
                        const double a = bench::NowUs();
                        for (int f = 0; f < kFramesPerRound; ++f)
                        {
                            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                            scene->RenderBlocks(*renderer, 0);
                            scene->RenderCreatures(*renderer, 0);
                            renderer->DrawWater(0);
                            glFinish();
                        }
                        const double b = bench::NowUs();
                        for (int f = 0; f < kFramesPerRound; ++f)
                        {
                            game.now += JUB_STEP_LENGTH_MS;
                            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                            game.Update(0.0f);
                            game.Render();
                            glFinish();
                        }
                        const double c = bench::NowUs();
                        if (round == 0 || b - a < bare)
                            bare = b - a;
                        if (round == 0 || c - b < ours)
                            ours = c - b;
                    }
                    if (!game.GetPlayScreen())
                        fprintf(stderr, "the training match ended during the run\n");
                    fprintf(stderr, "step and frame %.3f ms, bare level %.3f ms\n",
                            ours / kFramesPerRound / 1000.0, bare / kFramesPerRound / 1000.0);
                    printf("BENCH game_step ratio=%.3f\n", ours > 0 ? bare / ours : 0.0);
                    status = 0;
                }
                game.Release();
            }
            resources.ReleaseAll();
        }
        app.DestroyWindow();
    }
    bench::StopXvfb(server);
    return status;
}
