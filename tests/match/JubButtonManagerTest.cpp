#include "JubGameHostFake.h"
#include "JubSoundFake.h"
#include "RenderTestKit.h"

#include "engine/KetrelResult.h"
#include "game/match/JubButtonManager.h"
#include "game/match/JubRenderer.h"

#include <cmath>
#include <string>
#include <vector>

namespace
{
// Counts what the manager reports, by button id.
struct RecordingListener : public CJubButtonListener
{
    void OnButtonPressed(CJubButton* b) override { pressed.push_back(b->id); }
    void OnButtonClicked(CJubButton* b) override { clicked.push_back(b->id); }
    void OnButtonHeld(CJubButton* b) override { held.push_back(b->id); }
    int Count(const std::vector<i32>& v, i32 id) const
    {
        int n = 0;
        for (i32 x : v)
            n += x == id ? 1 : 0;
        return n;
    }
    std::vector<i32> pressed, clicked, held;
};

// Button A (id 1) covers (10,10)-(50,30); button B (id 2), later in the list, covers
// (25,10)-(65,30), so the two overlap over x 25..50. Neither pulses unless a test says so.
struct ButtonFixture
{
    ButtonFixture()
    {
        cache.SetSource(&source);
        host.assets = &cache;
        renderer.GetCamera().SetScreenSize(800.0f, 480.0f);
        host.renderer = &renderer;
        manager.Init(&renderer, &host);
        manager.SetListener(&listener);
        a = manager.AddButton(CKetrelVector2(30, 20), CKetrelVector2(20, 10), 7, 1, 0);
        b = manager.AddButton(CKetrelVector2(45, 20), CKetrelVector2(20, 10), 8, 2, 0);
        a->pulse = 0;
        b->pulse = 0;
    }
    ~ButtonFixture() { cache.SetSource(nullptr); }

    FakeSoundSource source;
    CJubAssetCache cache;
    CJubRenderer renderer;
    FakeGameHost host;
    RecordingListener listener;
    CJubButtonManager manager;
    CJubButton* a;
    CJubButton* b;
};

struct Step
{
    char op;      // 'D' down, 'M' move, 'U' up, 'H' hold
    f32 x, y;
    f32 dt;       // the update that follows
};

// Each case runs its touch steps, one manager update after each.
TEST(JubButtonTouch, SequencesClickOnlyALiftOnTheButtonTheTouchWentDownOn)
{
    struct Case
    {
        const char* name;
        std::vector<Step> steps;
        int clicksA, clicksB, downSounds, upSounds;
        void (*setup)(ButtonFixture&);
    };
    auto none = [](ButtonFixture&) {};
    const std::vector<Case> cases = {
        {"tap inside A", {{'D', 20, 20, 0.2f}, {'U', 20, 20, 0.1f}}, 1, 0, 1, 1, none},
        {"quick tap before the pressed scale",
         {{'D', 20, 20, 0.01f}, {'U', 20, 20, 0.01f}}, 1, 0, 1, 1, none},
        {"tap with no time passing", {{'D', 20, 20, 0.0f}, {'U', 20, 20, 0.0f}}, 1, 0, 1, 1, none},
        {"slides off and back before the lift",
         {{'D', 20, 20, 0.1f}, {'M', 80, 20, 0.1f}, {'M', 20, 20, 0.1f}, {'U', 20, 20, 0.1f}},
         0, 0, 1, 0, none},
        {"lifted outside", {{'D', 20, 20, 0.1f}, {'U', 80, 80, 0.1f}}, 0, 0, 1, 0, none},
        {"down outside, lifted on A", {{'D', 80, 80, 0.1f}, {'M', 20, 20, 0.1f}, {'U', 20, 20, 0.1f}},
         0, 0, 0, 0, none},
        {"top-left corner is inside", {{'D', 10, 10, 0.1f}, {'U', 10, 10, 0.1f}}, 1, 0, 1, 1, none},
        {"bottom edge is inside", {{'D', 12, 30, 0.1f}, {'U', 12, 30, 0.1f}}, 1, 0, 1, 1, none},
        {"just left of A", {{'D', 9.99f, 20, 0.1f}, {'U', 9.99f, 20, 0.1f}}, 0, 0, 0, 0, none},
        {"just right of B", {{'D', 65.01f, 20, 0.1f}, {'U', 65.01f, 20, 0.1f}}, 0, 0, 0, 0, none},
        {"overlap goes to the earlier button", {{'D', 40, 20, 0.1f}, {'U', 40, 20, 0.1f}},
         1, 0, 1, 1, none},
        {"only B", {{'D', 60, 20, 0.1f}, {'U', 60, 20, 0.1f}}, 0, 1, 1, 1, none},
        {"pinch: nothing reacts", {{'D', 20, 20, 0.1f}, {'U', 20, 20, 0.1f}}, 0, 0, 0, 0,
         [](ButtonFixture& f) { f.host.touch.pinch = 1; }},
        {"disabled A passes the overlap to B", {{'D', 40, 20, 0.1f}, {'U', 40, 20, 0.1f}},
         0, 1, 1, 1, [](ButtonFixture& f) { f.a->disabled = 1; }},
        {"hidden A is not touched", {{'D', 20, 20, 0.1f}, {'U', 20, 20, 0.1f}}, 0, 0, 0, 0,
         [](ButtonFixture& f) { f.a->visible = 0; }},
        {"untouchable A is not touched", {{'D', 20, 20, 0.1f}, {'U', 20, 20, 0.1f}}, 0, 0, 0, 0,
         [](ButtonFixture& f) { f.a->touchable = 0; }},
        {"held long, then lifted", {{'D', 20, 20, 0.3f}, {'H', 0, 0, 1.0f}, {'H', 0, 0, 1.0f},
                                    {'U', 20, 20, 0.1f}}, 1, 0, 1, 1, none},
        {"two taps", {{'D', 20, 20, 0.1f}, {'U', 20, 20, 0.3f}, {'D', 60, 20, 0.1f},
                      {'U', 60, 20, 0.1f}}, 1, 1, 2, 2, none},
    };
    for (const Case& c : cases)
    {
        ButtonFixture f;
        c.setup(f);
        int took = 0;
        for (const Step& s : c.steps)
        {
            switch (s.op)
            {
            case 'D': f.host.Down(s.x, s.y); break;
            case 'M': f.host.Move(s.x, s.y); break;
            case 'U': f.host.Up(s.x, s.y); break;
            default: f.host.Hold(); break;
            }
            took += f.manager.Update(s.dt);
        }
        EXPECT_EQ(c.clicksA, f.listener.Count(f.listener.clicked, 1)) << c.name;
        EXPECT_EQ(c.clicksB, f.listener.Count(f.listener.clicked, 2)) << c.name;
        EXPECT_EQ(c.downSounds, f.host.CountSound(JUB_SOUND_BUTTON_DOWN)) << c.name;
        EXPECT_EQ(c.upSounds, f.host.CountSound(JUB_SOUND_BUTTON_UP)) << c.name;
        if (c.downSounds == 0)
        {
            EXPECT_EQ(0, took) << c.name;
        }
    }
}

// The press animation: pressing down to 0.8, pressed (held every update), releasing back
// to 1.0 and idle; only the lift is a click, not the end of the release animation.
TEST(JubButtonTouch, PressAnimationReportsPressedHeldAndOneClick)
{
    ButtonFixture f;
    f.host.Down(20, 20);
    f.manager.Update(0.05f);
    EXPECT_EQ(JUB_BUTTON_PRESSING, f.a->state);
    EXPECT_FLOAT_EQ(0.9f, f.a->animScale);
    EXPECT_EQ(1, f.manager.IsBusy());
    f.host.Hold();
    f.manager.Update(0.06f);
    EXPECT_EQ(JUB_BUTTON_PRESSED, f.a->state);
    EXPECT_EQ(0.8f, f.a->animScale);
    EXPECT_EQ(1, f.listener.Count(f.listener.pressed, 1));
    EXPECT_EQ(0, f.listener.Count(f.listener.held, 1));
    for (int i = 0; i < 3; ++i)
    {
        f.host.Hold();
        f.manager.Update(0.05f);
    }
    EXPECT_EQ(3, f.listener.Count(f.listener.held, 1));

    f.host.Up(20, 20);
    f.manager.Update(0.05f);
    EXPECT_EQ(JUB_BUTTON_RELEASING, f.a->state);
    EXPECT_EQ(1, f.listener.Count(f.listener.clicked, 1));
    for (int i = 0; i < 3; ++i)
    {
        f.host.Hold();
        f.manager.Update(0.05f);
    }
    EXPECT_EQ(JUB_BUTTON_IDLE, f.a->state);
    EXPECT_EQ(1.0f, f.a->animScale);
    EXPECT_EQ(1, f.listener.Count(f.listener.clicked, 1));
    EXPECT_EQ(1, f.listener.Count(f.listener.pressed, 1));
    EXPECT_EQ(0, f.manager.IsBusy());
}

TEST(JubButtonTouch, HiddenButtonsAnimationIsReset)
{
    ButtonFixture f;
    f.host.Down(20, 20);
    f.manager.Update(0.05f);
    ASSERT_EQ(JUB_BUTTON_PRESSING, f.a->state);
    f.manager.HideAll();
    EXPECT_EQ(JUB_BUTTON_IDLE, f.a->state);
    EXPECT_EQ(1.0f, f.a->animScale);

    // Hidden by its flag alone: the next update resets it.
    f.a->visible = 1;
    f.host.Up(20, 20);
    f.manager.Update(0.0f);
    f.host.Down(20, 20);
    f.manager.Update(0.05f);
    ASSERT_EQ(JUB_BUTTON_PRESSING, f.a->state);
    f.a->visible = 0;
    f.host.Hold();
    f.manager.Update(0.05f);
    EXPECT_EQ(JUB_BUTTON_IDLE, f.a->state);
    EXPECT_EQ(1.0f, f.a->animScale);
}

// Busy follows the animations and the button sounds, but never outlasts 2 s after the
// last accepted touch.
TEST(JubButtonTouch, BusyEndsAtMostTwoSecondsAfterTheLastTouch)
{
    ButtonFixture f;
    f.host.Down(20, 20);
    f.manager.Update(0.1f);
    f.host.Up(20, 20);
    f.manager.Update(0.1f);
    f.source.sounds[JUB_SOUND_BUTTON_UP].playing = 1;
    f32 t = 0.0f;
    int busyLate = 0;
    while (t < 3.0f)
    {
        f.host.Hold();
        f.manager.Update(0.1f);
        t += 0.1f;
        if (t > 1.65f && t < 1.75f)
            busyLate = f.manager.IsBusy();
    }
    EXPECT_EQ(1, busyLate);                  // the sound still plays
    EXPECT_EQ(0, f.manager.IsBusy());        // but the limit has passed
    f.source.sounds[JUB_SOUND_BUTTON_UP].playing = 0;
    f.source.sounds[JUB_SOUND_BUTTON_DOWN].playing = 1;
    f.host.Down(60, 20);                     // a new touch restarts the limit
    f.manager.Update(0.1f);
    EXPECT_EQ(1, f.manager.IsBusy());
}

// With the pulse on, the hit rectangle is where the button is drawn: moved by
// sin(i + phase) x h / 120 and scaled by 1 + 0.05 sin(i + 2 phase).
TEST(JubButtonTouch, PulsedHitRectangleFollowsTheDrawnButton)
{
    ButtonFixture f;
    f.a->pulse = 1;
    const f32 phase = 1.5707964f;            // sin(phase) = 1, sin(2 phase) = 0
    f.manager.Update(phase);
    EXPECT_NEAR(4.0f, f.a->offset.y, 1e-4f);   // 480 / 120
    EXPECT_NEAR(1.0f, f.a->drawScale, 1e-4f);
    EXPECT_NEAR(34.0f, f.a->hitRect.bottom, 1e-3f);
    EXPECT_NEAR(14.0f, f.a->hitRect.top, 1e-3f);
    f.host.Down(20, 33);                     // below the resting button, inside the drawn one
    f.manager.Update(0.0f);
    f.host.Up(20, 33);
    f.manager.Update(0.0f);
    EXPECT_EQ(1, f.listener.Count(f.listener.clicked, 1));
}

TEST(JubButtonList, RemoveFindAndClear)
{
    ButtonFixture f;
    f.manager.AddButton(CKetrelVector2(0, 0), CKetrelVector2(1, 1), 7, 1, 5);
    EXPECT_EQ(3, f.manager.GetButtonCount());
    EXPECT_EQ(f.a, f.manager.FindButton(1));   // the first of the id
    f.manager.RemoveButton(1);
    EXPECT_EQ(1, f.manager.GetButtonCount());
    EXPECT_EQ(nullptr, f.manager.FindButton(1));
    EXPECT_EQ(f.b, f.manager.FindButton(2));
    f.manager.Clear();
    EXPECT_EQ(0, f.manager.GetButtonCount());
    // Touching an empty manager is harmless.
    f.host.Down(20, 20);
    EXPECT_EQ(0, f.manager.Update(0.1f));
}

// A screen that lays its buttons out again from inside a callback, as the play screen
// does: nothing of the old buttons is touched afterwards (checked under ASan).
TEST(JubButtonList, ListenerMayLayTheButtonsOutAgain)
{
    struct Relayout : public CJubButtonListener
    {
        void Again(CJubButton*)
        {
            ++calls;
            manager->Clear();
            manager->AddButton(CKetrelVector2(30, 20), CKetrelVector2(20, 10), 7, 1, 0)->pulse = 0;
        }
        void OnButtonPressed(CJubButton* b) override { Again(b); }
        void OnButtonClicked(CJubButton* b) override { Again(b); }
        void OnButtonHeld(CJubButton* b) override { Again(b); }
        CJubButtonManager* manager = nullptr;
        int calls = 0;
    };
    for (int quick = 0; quick < 2; ++quick)
    {
        ButtonFixture f;
        Relayout relayout;
        relayout.manager = &f.manager;
        f.manager.SetListener(&relayout);
        f.host.Down(20, 20);
        f.manager.Update(quick ? 0.01f : 0.15f);   // pressed at once: laid out again
        f.host.Up(20, 20);                         // quick: the click lays out again
        f.manager.Update(0.15f);
        f.host.Hold();
        f.manager.Update(0.15f);
        EXPECT_EQ(1, f.manager.GetButtonCount());
        EXPECT_EQ(1, relayout.calls) << "quick " << quick;
    }
}

TEST(JubButtonList, InitFetchesBothButtonSounds)
{
    ButtonFixture f;
    EXPECT_EQ(&f.source.sounds[JUB_SOUND_BUTTON_DOWN], f.cache.PeekSound(JUB_SOUND_BUTTON_DOWN));
    EXPECT_EQ(&f.source.sounds[JUB_SOUND_BUTTON_UP], f.cache.PeekSound(JUB_SOUND_BUTTON_UP));
}

// ---- drawing ----

class JubButtonDrawFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!window.Open(200, 120))
            GTEST_SKIP() << window.skipReason;
        ASSERT_EQ(KE_OK, renderer.Init(window.app.get()));
        red = MakeSolidTexture(8, 8, 0xFFFF0000u);
        images.Add(7, red.get());
        cache.SetSource(&images);
        renderer.SetAssets(&cache);
        host.assets = &cache;
        host.renderer = &renderer;
        manager.Init(&renderer, &host);
        window.Clear(0xFFFFFF);
    }
    void TearDown() override { cache.SetSource(nullptr); }

    RenderTestWindow window;
    TestImageSource images;
    CJubAssetCache cache;
    CJubRenderer renderer;
    FakeGameHost host;
    CJubButtonManager manager;
    std::unique_ptr<CKetrelSurface> red;
};

// An enabled button is drawn opaque, a disabled one at half alpha, a hidden one not at
// all; a pressed button shrinks to 0.8 of its size.
TEST_F(JubButtonDrawFixture, EnabledDisabledHiddenAndPressed)
{
    CJubButton* enabled = manager.AddButton(CKetrelVector2(30, 30), CKetrelVector2(20, 20), 7, 1, 0);
    CJubButton* disabled = manager.AddButton(CKetrelVector2(90, 30), CKetrelVector2(20, 20), 7, 2, 0);
    CJubButton* hidden = manager.AddButton(CKetrelVector2(150, 30), CKetrelVector2(20, 20), 7, 3, 0);
    CJubButton* pressed = manager.AddButton(CKetrelVector2(30, 90), CKetrelVector2(20, 20), 7, 4, 0);
    for (CJubButton* b : {enabled, disabled, hidden, pressed})
        b->pulse = 0;
    disabled->disabled = 1;
    hidden->visible = 0;
    pressed->animScale = 0.8f;
    manager.Render();
    EXPECT_LE(ColourDistance(0xFF0000, window.ReadRGB(30, 30)), 2);
    EXPECT_LE(ColourDistance(0xFF7F7F, window.ReadRGB(90, 30)), 3);
    EXPECT_EQ(0xFFFFFFu, window.ReadRGB(150, 30));
    EXPECT_LE(ColourDistance(0xFF0000, window.ReadRGB(30 + 14, 90)), 2);   // inside 16 px
    EXPECT_EQ(0xFFFFFFu, window.ReadRGB(30 + 18, 90));                     // outside it
}
} // namespace
