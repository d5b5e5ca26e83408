// Matches played in a real window: the play screen draws through the renderer on the test
// program's X server, driven by touches injected into the game's touch table, and the
// picture is checked with pixel probes at fixed points of the match. Frames worth a look
// are written to build/tests/match/turn_*.png.
#include "RenderTestKit.h"

#include "JubMatchRig.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "framework/BrixResourceManager.h"
#include "game/match/JubBlock.h"
#include "game/match/JubButtonManager.h"
#include "game/match/JubPhysicsBody.h"
#include "game/match/JubPlayState.h"
#include "game/match/JubRenderer.h"
#include "game/match/JubScene.h"

#include <cmath>
#include <fstream>
#include <string>
#include <sys/stat.h>

namespace
{
const int kWidth = 800;
const int kHeight = 480;
const f32 kTick = 0.033f;
const std::string kAssets = std::string(KETREL_BINARY_DIR) + "/main/";
const std::string kShots = std::string(KETREL_BINARY_DIR) + "/tests/match/";

// Pictures from the sample packs, levels from the files beside the executable.
class MatchAssetSource : public CJubAssetSource
{
public:
    explicit MatchAssetSource(CBrixResourceManager* resources) : m_images(resources) {}
    CKetrelSurface* GetImage(const CKetrelString& name) override { return m_images.GetImage(name); }
    int ReleaseImage(CKetrelSurface** image) override { return m_images.ReleaseImage(image); }
    IKetrelSoundSource* GetSound(const CKetrelString&) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource**) override { return 1; }
    i32 ReadResource(const CKetrelString& name, u8** data) override
    {
        return m_levels.ReadResource(name, data);
    }

private:
    ResourceImageSource m_images;
    LevelFileSource m_levels;
};

class DefaultFont : public CJubFontSource
{
public:
    explicit DefaultFont(IKetrelApplication* app) { font.CreateDefault(app); }
    CKetrelBitmapFont* GetFont(const CKetrelString&) override { return &font; }
    void ReleaseFont(CKetrelBitmapFont** f) override { *f = nullptr; }
    CKetrelBitmapFont font;
};

// The game object's part of the touch table: pointer ids go down, move and up, and each
// step derives the per-step flags and the pinch of the first two ids.
class Fingers
{
public:
    explicit Fingers(CJubTouchState& touch) : m_touch(touch) {}
    void Down(int id, f32 x, f32 y)
    {
        CJubTouchPoint& p = m_touch.points[id];
        p.pressed = 1;
        p.down = 1;
        p.position.Set(x, y);
        p.pressPosition = p.position;
        p.stepStart = p.position;
    }
    void Move(int id, f32 x, f32 y) { m_touch.points[id].position.Set(x, y); }
    void Up(int id)
    {
        CJubTouchPoint& p = m_touch.points[id];
        p.released = p.down;
        p.down = 0;
    }
    // Before a step: deltas, the moved flag and the pinch.
    void BeginStep()
    {
        for (int id = 0; id < 2; ++id)
        {
            CJubTouchPoint& p = m_touch.points[id];
            p.stepDelta.SetDifference(p.position, p.stepStart);
            p.drag.SetDifference(p.position, p.pressPosition);
            p.moved = p.stepDelta.x * p.stepDelta.x + p.stepDelta.y * p.stepDelta.y > 0.1f;
        }
        const CJubTouchPoint& a = m_touch.points[0];
        const CJubTouchPoint& b = m_touch.points[1];
        const int both = a.down && b.down;
        m_touch.pinchVector.SetDifference(b.position, a.position);
        const f32 distance = m_touch.pinchVector.Length();
        if (both && !m_touch.pinch)
        {
            m_touch.pinchStart = m_touch.pinchVector;
            m_touch.pinchPrevious = distance;
        }
        m_touch.pinch = both;
        m_touch.pinchDistance = distance;
        m_touch.pinchChange = both ? distance - m_touch.pinchPrevious : 0.0f;
        m_touch.pinchPrevious = distance;
        m_touch.anyPressed = a.pressed || b.pressed;
    }
    // After a step: the went-down and went-up flags clear.
    void EndStep()
    {
        for (int id = 0; id < 2; ++id)
        {
            CJubTouchPoint& p = m_touch.points[id];
            p.wasDown = p.down;
            p.pressed = 0;
            p.released = 0;
            p.stepStart = p.position;
        }
    }

private:
    CJubTouchState& m_touch;
};

bool Waiting(CJubPlayState& s)
{
    const CJubPlayFields& f = s.GetFields();
    return f.phase == JUB_PHASE_LOCAL_TURN && s.IsTimerRunning() && !f.acted
           && !s.IsLiveSimulation() && !f.matchDecided;
}

int BlockHealth(const CJubScene& scene)
{
    int sum = 0;
    for (int i = 0; i < scene.GetBlocks()->GetCount(); ++i)
        sum += scene.GetBlocks()->GetBlock(i)->health;
    return sum;
}

int Red(unsigned c) { return (int)((c >> 16) & 255); }
int Green(unsigned c) { return (int)((c >> 8) & 255); }
int Blue(unsigned c) { return (int)(c & 255); }

// Pixels of the box whose three channels are all at least 235 (white text, dots).
int WhitePixels(const std::vector<unsigned>& frame, int left, int top, int right, int bottom)
{
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
        {
            const unsigned c = frame[(size_t)y * kWidth + x];
            n += Red(c) >= 235 && Green(c) >= 235 && Blue(c) >= 235;
        }
    return n;
}

// A handset drawn in the window (A) or one that only keeps a camera of screen size (B).
struct Side
{
    RigHandset set;
    CJubRenderer renderer;      // B's is never made: it gives the camera and screen size
    Fingers fingers{set.host.touch};
};

class JubPlayWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!window.Open(kWidth, kHeight))
            GTEST_SKIP() << window.skipReason;
        ASSERT_EQ(KE_OK, renderer().Init(window.app.get()));
        fonts.reset(new DefaultFont(window.app.get()));
        renderer().SetFontSource(fonts.get());
        resources.Init(window.app.get(), nullptr);
        for (const char* pack : {"dataPlayers.vad", "dataEffects.vad", "dataTextures.vad",
                                 "dataUI.vad"})
            ASSERT_EQ(1, resources.AddMediaPack(CKetrelString((kAssets + pack).c_str()), 1, 0))
                << pack;
        source.reset(new MatchAssetSource(&resources));
        a.set.host.renderer = &a.renderer;
        b.renderer.GetCamera().SetScreenSize((f32)kWidth, (f32)kHeight);
        b.set.host.renderer = &b.renderer;
        mkdir(kShots.c_str(), 0755);
    }
    void TearDown() override
    {
        a.set.screen.Deinit();
        b.set.screen.Deinit();
        a.set.cache.SetSource(nullptr);
        renderer().SetFontSource(nullptr);
        renderer().SetAssets(nullptr);
    }

    CJubRenderer& renderer() { return a.renderer; }
    CJubPlayState& A() { return a.set.screen; }
    CJubPlayState& B() { return b.set.screen; }

    int StartA(int single)
    {
        int rc = a.set.Start(single, source.get());
        renderer().SetAssets(&a.set.cache);
        return rc;
    }

    // One fixed step of every screen in play, then A's frame, read back.
    void Step()
    {
        if (link)
            link->Advance(33);
        Side* sides[2] = {&a, &b};
        for (int i = 0; i < (link ? 2 : 1); ++i)
        {
            Side& s = *sides[i];
            s.set.host.timeMs = link ? link->Now() : s.set.host.timeMs + 33;
            s.fingers.BeginStep();
            s.set.screen.Update(kTick);
            s.fingers.EndStep();
        }
        A().Render();
        frame = ReadFrame(window);
        ++steps;
    }
    void StepFor(int n)
    {
        for (int i = 0; i < n; ++i)
            Step();
    }
    // Steps until the screen's turn waits for its action; false after max steps.
    bool StepUntilWaiting(CJubPlayState& s, int max)
    {
        for (int i = 0; i < max; ++i)
        {
            if (Waiting(s))
                return true;
            Step();
        }
        return Waiting(s);
    }
    unsigned At(int x, int y) const { return frame[(size_t)y * kWidth + x]; }
    unsigned AtWorld(const CKetrelVector2& world)
    {
        CKetrelVector2 screen;
        renderer().GetCamera().WorldToScreen(world, screen);
        return At((int)screen.x, (int)screen.y);
    }
    void Save(const char* name)
    {
        EXPECT_TRUE(SaveFrame(window, frame, kShots + name)) << name;
    }

    // The local creature of side s stretched and let go: a finger goes down on it, pulls
    // away against the aim (the action launches opposite to the pull) and lifts.
    void AimAndRelease(Side& s, f32 angle)
    {
        CJubPlayState& screen = s.set.screen;
        CJubCamera& camera = s.renderer.GetCamera();
        const CJubPlayer& me = screen.GetLiveScene()->GetPlayer(screen.GetLocalPlayer());
        CKetrelVector2 at;
        camera.WorldToScreen(me.body->GetPosition(), at);
        s.fingers.Down(0, at.x, at.y);
        Step();
        // The stretch that aims along angle has the finger on the far side, 170 pixels off
        // (beyond the longest stretch, so the aim is 0.4 long).
        const CKetrelVector2 pull(std::cos(angle), -std::sin(angle));
        for (int i = 1; i <= 6; ++i)
        {
            camera.WorldToScreen(me.body->GetPosition(), at);
            const f32 along = 170.0f * (f32)i / 6.0f;
            s.fingers.Move(0, at.x + pull.x * along, at.y + pull.y * along);
            Step();
        }
        EXPECT_TRUE(me.aiming);
        s.fingers.Up(0);
        Step();
    }

    // A finger down and up at the centre of a button's rectangle.
    void Tap(Side& s, const CKetrelRectF& rect)
    {
        s.fingers.Down(0, (rect.left + rect.right) / 2.0f, (rect.top + rect.bottom) / 2.0f);
        Step();
        s.fingers.Up(0);
        StepFor(3);
    }

    RenderTestWindow window;
    std::unique_ptr<DefaultFont> fonts;
    CBrixResourceManager resources;
    std::unique_ptr<MatchAssetSource> source;
    Side a, b;
    std::unique_ptr<LoopbackGameLink> link;
    std::vector<unsigned> frame;
    int steps = 0;
};

const f32 kPi = 3.14159265f;

// ---- one handset: a training scene where the bomb is allowed ----

TEST_F(JubPlayWindow, TrainingTurnAimsFiresDamagesBlocksAndPasses)
{
    ASSERT_EQ(KE_OK, StartA(1));
    A().PostStartRound(0, 2, 0, 0);
    A().PostBeginTurn(0);
    StepFor(3);
    // The round's first turn waits for its intro before the timer runs; meanwhile the
    // intro's caption (text 0) and the scene's title stand at 30 % and 40 % of the height.
    EXPECT_FALSE(A().IsTimerRunning());
    // (The small default font: a short title such as "03" leaves a few white pixels.)
    Save("turn_solo_0_intro.png");
    EXPECT_GT(WhitePixels(frame, 200, (int)(0.3f * kHeight) - 10, 600, (int)(0.3f * kHeight) + 10), 8);
    EXPECT_FALSE(A().GetLiveScene()->GetName().IsEmpty());
    EXPECT_GT(WhitePixels(frame, 200, (int)(0.4f * kHeight) - 10, 600, (int)(0.4f * kHeight) + 10), 3);
    ASSERT_TRUE(StepUntilWaiting(A(), 400));
    StepFor(40);   // the camera settles on the creature
    Save("turn_solo_1_start.png");

    // The sky: the gradient's top colour along the top edge where the hills leave it bare.
    const unsigned top = CJubPlayState::BackgroundColour(A().GetBackground(), 1);
    int sky = 0;
    for (int x = 100; x < 700; ++x)
        sky += ColourDistance(top, At(x, 1)) <= 24;
    EXPECT_GT(sky, 20) << std::hex << top;
    // Only the bomb may be used in this scene: its button lit, the jump button half seen.
    const CKetrelRectF bomb = A().GetHudButtonRect(3);
    const CKetrelRectF jump = A().GetHudButtonRect(2);
    const unsigned bombFace = At((int)((bomb.left + bomb.right) / 2), (int)((bomb.top + bomb.bottom) / 2) + 3);
    EXPECT_LT(Red(bombFace) + Green(bombFace) + Blue(bombFace), 200) << std::hex << bombFace;
    const unsigned jumpArrow = At((int)((jump.left + jump.right) / 2), (int)((jump.top + jump.bottom) / 2));
    EXPECT_LT(Green(jumpArrow), 235) << std::hex << jumpArrow;   // white arrow at half alpha
    // The zoom bar at the left edge, its indicator near the bottom for the far view.
    const f32 h = (f32)kHeight;
    EXPECT_GT(ColourDistance(At((int)(h / 16), (int)(h / 2)), top), 30);
    const int indicator = (int)CJubPlayState::ZoomIndicatorY(renderer().GetCamera().GetZoom(), h);
    EXPECT_GT(Red(At((int)(h / 16), indicator)), 200);
    // Pull up and to the left: the bomb goes down to the right, into the paper wall.
    const int healthBefore = BlockHealth(*A().GetLiveScene());
    AimAndRelease(a, 3.0f * kPi / 4.0f);
    Save("turn_solo_2_aim.png");
    // The flight: the bomb, red, where its body is, during the replay.
    bool seen = false;
    for (int i = 0; i < 400 && !seen; ++i)
    {
        Step();
        const CJubPlayer& me = A().GetLiveScene()->GetPlayer(0);
        const CJubProjectile* shot = me.projectiles[0];
        for (int s = 0; s < JUB_PROJECTILE_SLOTS && !shot; ++s)
            shot = me.projectiles[s];
        if (!A().IsLiveSimulation() && A().GetFields().replayStarted && shot && shot->body
            && shot->body->GetPosition().y > 0.2f)
        {
            const unsigned c = AtWorld(shot->body->GetPosition());
            seen = Red(c) > Green(c) + 60 && Red(c) > Blue(c) + 60;
            if (seen)
                Save("turn_solo_3_flight.png");
        }
    }
    EXPECT_TRUE(seen) << "no bomb drawn in flight";
    // The turn passes back to the only player; the paper wall lost health.
    ASSERT_TRUE(StepUntilWaiting(A(), 600));
    EXPECT_LT(BlockHealth(*A().GetLiveScene()), healthBefore);
    StepFor(10);
    Save("turn_solo_4_next.png");
    // The turn message: "You" + text 1 in white across 40 % of the height.
    EXPECT_GT(WhitePixels(frame, 200, (int)(0.4f * h) - 10, 600, (int)(0.4f * h) + 10), 20);

    // Two fingers apart: the pinch zooms in, and the local player keeps the zoom.
    Fingers& f = a.fingers;
    const f32 zoomBefore = renderer().GetCamera().GetZoom();
    f.Down(0, 300, 300);
    f.Down(1, 400, 300);
    Step();
    f.Move(1, 430, 300);
    Step();
    const f32 expected = zoomBefore * (1.0f + 30.0f * 0.01f);
    EXPECT_NEAR(expected > 1.0f ? 1.0f : expected, A().GetLocalZoom(), 0.05f);
    EXPECT_GT(renderer().GetCamera().GetZoom(), zoomBefore);
    f.Up(0);
    f.Up(1);
    Step();

    // The zoom bar: a finger down at its bottom asks for the far view, the indicator follows.
    f.Down(0, h / 16.0f, 0.74f * h);
    StepFor(8);
    f.Up(0);
    Step();
    EXPECT_NEAR(0.3f, A().GetLocalZoom(), 0.02f);
    EXPECT_LT(renderer().GetCamera().GetZoom(), 0.35f);
    EXPECT_GT(Red(At((int)(h / 16), (int)CJubPlayState::ZoomIndicatorY(0.3f, h))), 200);
    Save("turn_solo_5_zoomed.png");
}

// ---- two handsets over the loopback game link ----

TEST_F(JubPlayWindow, TwoHandsetMatchBombThenTheOtherDrowns)
{
    LoopbackGameLink::Options options;
    options.minDelayMs = 20;
    options.maxDelayMs = 20;
    link.reset(new LoopbackGameLink(options));
    a.set.host.link = link.get();
    a.set.host.side = 0;
    b.set.host.link = link.get();
    b.set.host.side = 1;
    ASSERT_EQ(KE_OK, StartA(0));
    ASSERT_EQ(KE_OK, b.set.Start(0));
    link->SetReceiver(0, &A().GetExchange());
    link->SetReceiver(1, &B().GetExchange());
    // The host draws: player 0 first, battle scene 1, start slots 0 and 0.
    a.set.host.randomInts = {0, 1, 0, 0};
    A().StartMatch(0, 1, 1);
    B().StartMatch(1, 0, 1);
    Step();
    // Before the round: the waiting screen, dimmed, with the wheel turning at the centre.
    if (A().GetPhase() == JUB_PHASE_ROUND_START || A().GetPhase() == JUB_PHASE_NONE)
    {
        EXPECT_GT(WhitePixels(frame, 340, 180, 460, 300), 10);
        Save("turn_0_waiting.png");
    }
    ASSERT_TRUE(StepUntilWaiting(A(), 400));
    StepFor(40);
    Save("turn_1_start.png");
    // Two-player: the chat buttons at the bottom corners, no training restart.
    EXPECT_GT(A().GetHudButtonRect(6).right, 0.0f);
    EXPECT_EQ(0.0f, A().GetHudButtonRect(13).right);
    const int healthBefore = BlockHealth(*A().GetLiveScene());

    // A bombs: aim, fire, the bomb's flight in the replay on both handsets.
    AimAndRelease(a, 3.0f * kPi / 4.0f);
    bool flew = false;
    for (int i = 0; i < 500 && !Waiting(B()); ++i)
    {
        Step();
        if (!flew && A().GetFields().replayStarted && !A().IsLiveSimulation())
        {
            const CJubPlayer& me = A().GetLiveScene()->GetPlayer(0);
            for (int s = 0; s < JUB_PROJECTILE_SLOTS && !flew; ++s)
                if (me.projectiles[s] && me.projectiles[s]->body
                    && me.projectiles[s]->body->GetPosition().y > 0.2f)
                {
                    const unsigned c = AtWorld(me.projectiles[s]->body->GetPosition());
                    flew = Red(c) > Green(c) + 60;
                    if (flew)
                        Save("turn_2_flight.png");
                }
        }
    }
    EXPECT_TRUE(flew) << "no bomb drawn in flight";
    // The turn passed to B; both handsets agree on the damaged blocks.
    ASSERT_TRUE(StepUntilWaiting(B(), 400));
    EXPECT_EQ(JUB_PHASE_REMOTE_TURN, A().GetPhase());
    EXPECT_LT(BlockHealth(*A().GetLiveScene()), healthBefore);
    EXPECT_EQ(BlockHealth(*A().GetLiveScene()), BlockHealth(*B().GetLiveScene()));
    StepFor(30);
    Save("turn_3_remote.png");
    // While B acts, A shows the turning wheel where its timer was.
    const f32 c = kWidth / 30.0f;
    EXPECT_GT(WhitePixels(frame, (int)(kWidth / 2 - c), (int)(3.6f * c - c), (int)(kWidth / 2 + c),
                          (int)(3.6f * c + c)),
              5);

    // B taps its jump button, then pulls back to the left: its jump goes off to the right, into the water: A wins the round, and with it the match.
    Tap(b, B().GetHudButtonRect(2));
    EXPECT_EQ(JUB_WEAPON_JUMP, B().GetLiveScene()->GetPlayer(1).selectedWeapon);
    AimAndRelease(b, kPi);
    for (int i = 0; i < 900 && !(A().IsMatchDecided() && B().IsMatchDecided()); ++i)
        Step();
    ASSERT_TRUE(A().IsMatchDecided());
    EXPECT_EQ(0, A().GetWinner());
    EXPECT_EQ(0, B().GetWinner());
    StepFor(60);
    Save("turn_4_win.png");
    // The result in white at 40 % of the height, and the local creature up close.
    EXPECT_GT(WhitePixels(frame, 200, (int)(0.4f * kHeight) - 10, 600, (int)(0.4f * kHeight) + 10),
              20);
    EXPECT_GT(renderer().GetCamera().GetZoomTarget(), 0.9f);
}
} // namespace
