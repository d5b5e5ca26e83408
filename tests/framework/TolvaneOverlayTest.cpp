// The toast and the advertisement inside the whole application, on a window of the
// private X server: a tapped challenge toast opens the lobby's challenge page, the other
// kinds do not, a tap on a toast of any kind reaches no state, and a shown advertisement
// takes the taps and quits the application when its close button is tapped.
#include <gtest/gtest.h>

#include "ApplicationTestKit.h"
#include "OverlayTestKit.h"

#include "engine/KetrelResult.h"
#include "framework/BrixAdvertisement.h"
#include "framework/BrixToastNotification.h"
#include "support/KetrelTestAlsa.h"
#include "support/KetrelTestXServer.h"
#include "ui/Widget.h"


namespace
{

class TolvaneOverlays : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CKetrelTestXServer* xserver = CKetrelTestXServer::Shared();
        if (!xserver || !xserver->IsRunning())
            GTEST_SKIP() << "no Xvfb";
        ASSERT_TRUE(alsa.RouteToNull());
        CallLog().clear();
        app = new TestTolvane();
        FakeGame* game = new FakeGame(UniqueAppName());
        app->SetApplicationName(game->GetApplicationName());
        ASSERT_TRUE(CopyLanguagePacks(*app));
        app->SetLobbyStateCreator([](CTolvaneApplication* a, IBrixGameState*) -> IBrixLobbyState* {
            return new FakeLobby(a);
        });
        ASSERT_EQ(KE_OK, app->Init(0, 640, 360, game));
        // Past the intro and the title: the lobby is first.
        for (int frame = 0; frame < 120 && !(app->GetLobbyState() && app->GetStateCount() == 1); ++frame)
            app->RunFrame(0.1f);
        ASSERT_NE(nullptr, app->GetLobbyState());
        ASSERT_NE(nullptr, app->GetToast());
    }

    void TearDown() override
    {
        if (app)
        {
            app->Quit();
            app->RunFrame(0.1f);
            delete app;
        }
    }

    // The middle of a widget in screen pixels.
    static void Middle(CWidget* root, CWidget* w, i32* x, i32* y)
    {
        *x = w->GetWidth() / 2;
        *y = w->GetHeight() / 2;
        root->MapPoint(w, x, y);
    }

    CKetrelTestAlsa alsa;
    TestTolvane* app = nullptr;
};

TEST_F(TolvaneOverlays, ATappedChallengeToastOpensTheChallengePage)
{
    struct Case { const char* name; i32 kind; bool opens; };
    const Case cases[] = {{"challenge", 3, true}, {"plain", 1, false}, {"achievement", 4, false},
                          {"drawn like a challenge", -1, false}};
    for (const Case& c : cases)
    {
        for (int i = 0; i < 40 && app->GetToast()->IsShown(); ++i)
            app->RunFrame(0.1f);   // the previous one is gone
        app->ShowNotification(0, Str(c.name), 0.0f, c.kind);
        for (int i = 0; i < 10; ++i)
            app->RunFrame(0.1f);   // 1 s: in view
        ASSERT_EQ(1, app->GetToast()->IsShown()) << c.name;
        i32 x, y;
        Middle(app->GetToast()->GetRoot(), app->GetToast()->GetPanel(), &x, &y);
        CallLog().clear();
        app->OnPointerDown(0, x, y);
        app->OnPointerUp(0, x, y);
        const std::vector<std::string> opened = CallsOf("lobby.OpenPage");
        EXPECT_EQ(c.opens ? std::vector<std::string>{"lobby.OpenPage:challenge_received"}
                          : std::vector<std::string>{}, opened) << c.name;
        EXPECT_EQ(std::vector<std::string>{}, CallsOf("lobby.Down")) << c.name;   // the toast took it
    }
}

TEST_F(TolvaneOverlays, AShownAdvertisementTakesTheTapsAndQuitsWhenClosed)
{
    CKetrelArray<i32> frames;
    app->OnAdvertisementInfo(Str("c"), Str(""), 0, nullptr, 0, 0, frames, Str(""),
                             CBrixAdvertisement::FLAG_SHOW, Str("Title"), Str(""));
    CBrixAdvertisement* ad = app->GetAdvertisement();
    ASSERT_NE(nullptr, ad);
    ASSERT_EQ(1, ad->IsShown());
    app->RunFrame(0.1f);   // no closing delay: the close button is up
    // A tap on the shade is the overlay's and closes nothing.
    app->OnPointerDown(0, 5, 5);
    app->OnPointerUp(0, 5, 5);
    EXPECT_EQ(1, ad->IsShown());
    EXPECT_EQ(0, app->IsQuitRequested());
    CWidget* close = FindWidget(ad->GetRoot(), "button_close");
    ASSERT_NE(nullptr, close);
    ASSERT_TRUE(close->IsVisible());
    i32 x, y;
    Middle(ad->GetRoot(), close, &x, &y);
    app->OnPointerDown(0, x, y);
    app->OnPointerUp(0, x, y);
    EXPECT_EQ(1, app->IsQuitRequested());
}

} // namespace
