// The lobby menu in the real application under the private X server: the program's own
// packs, theme and texts, the menu state made by its creator, the first launch's language
// chooser, and pictures of the pages as the program draws them, written to
// build/tests/lobby/app_<page>.png for a person to look at.
#include "LobbyTestKit.h"

#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelSurface.h"
#include "framework/BrixStatsStore.h"
#include "framework/TolvaneApplication.h"
#include "lobby/BrixLobbyNames.h"
#include "net/BerHandCodec.h"
#include "support/KetrelTestAlsa.h"
#include "support/KetrelTestXServer.h"
#include "support/LoopbackSocket.h"
#include "ui/InfiniteList.h"
#include "ui/PageView.h"
#include "ui/TextWidget.h"

#include <GLES2/gl2.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace lobbytest;
namespace fs = std::filesystem;

namespace
{
// The packs the build lays out beside the program, linked beside this test program.
void LinkPacks()
{
    const fs::path from = fs::path(KETREL_BINARY_DIR) / "main";
    const fs::path to = fs::read_symlink("/proc/self/exe").parent_path();
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(from, ec))
        if (entry.path().extension() == ".vad")
        {
            fs::remove(to / entry.path().filename(), ec);
            fs::create_symlink(entry.path(), to / entry.path().filename(), ec);
        }
}

// The frame as drawn, without presenting it.
bool SavePicture(CTolvaneApplication* app, const std::string& path)
{
    IBrixState* first = app->GetFirstState();
    if (!first)
        return false;
    first->Render();
    const int w = app->GetScreenWidth(), h = app->GetScreenHeight();
    if (w <= 0 || h <= 0)
        return false;
    std::vector<unsigned char> rgba((size_t)w * h * 4);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    GdkPixbuf* p = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h);
    if (!p)
        return false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const unsigned char* s = &rgba[((size_t)(h - 1 - y) * w + x) * 4];
            unsigned char* d = gdk_pixbuf_get_pixels(p) + y * gdk_pixbuf_get_rowstride(p) + x * 3;
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
    const bool ok = gdk_pixbuf_save(p, path.c_str(), "png", nullptr, nullptr) != FALSE;
    g_object_unref(p);
    return ok;
}

std::string CurrentPage(CBrixMenuState* menu)
{
    CWidget* page = menu->GetPageView() ? menu->GetPageView()->GetCurrentPage() : nullptr;
    return page ? Narrow(page->GetName()) : std::string();
}

// A TCP socket of this test on 127.0.0.1 (port 0: one the system chooses). Bound without
// listening, it refuses every connection and keeps any other program off its port;
// listening, it only queues what connects, for the test to look at.
class CLoopbackPort
{
public:
    CLoopbackPort(int port, bool listening) : m_fd(BindLoopback(port, listening ? 8 : -1, &m_port)) {}
    ~CLoopbackPort()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    bool IsOpen() const { return m_fd >= 0; }
    int Port() const { return m_port; }
    bool WasConnected() const
    {
        pollfd p = {m_fd, POLLIN, 0};
        if (poll(&p, 1, 0) != 1)
            return false;
        const int client = accept(m_fd, nullptr, nullptr);
        if (client >= 0)
            close(client);
        return client >= 0;
    }

private:
    int m_port = 0;   // set by the descriptor's initialiser, so declared first
    int m_fd;
};

// The lobby menu of this test, which looks for its server at a port where nothing listens.
int s_lobbyPort = 0;
IBrixLobbyState* CreateMenuWithoutServer(CTolvaneApplication* application, IBrixGameState* game)
{
    IBrixLobbyState* state = BrixCreateMenuState(application, game);
    if (CBrixMenuState* menu = dynamic_cast<CBrixMenuState*>(state))
        menu->SetServer(CKetrelString("127.0.0.1"), s_lobbyPort);
    return state;
}
}

TEST(LobbyInApplication, FirstLaunchAndPages)
{
    CKetrelTestXServer* xserver = CKetrelTestXServer::Shared();
    if (!xserver || !xserver->IsRunning())
        GTEST_SKIP() << "no Xvfb";
    CKetrelTestAlsa alsa;
    ASSERT_TRUE(alsa.RouteToNull());
    LinkPacks();

    // No server here: not even one that a person runs on the default lobby address,
    // which is watched, when free, for a connection from this test.
    CLoopbackPort lobby(0, false);
    ASSERT_TRUE(lobby.IsOpen());
    s_lobbyPort = lobby.Port();
    CLoopbackPort defaultAddress(CLoginController::SERVER_PORT, true);

    CTolvaneApplication* app = new CTolvaneApplication();
    FakeGame* game = new FakeGame(nullptr);
    app->SetLobbyStateCreator(&CreateMenuWithoutServer);
    const std::string name = "BrixLobbyTest_" + std::to_string(getpid());
    app->SetApplicationName(CKetrelString(name.c_str()));
    ASSERT_EQ(KE_OK, app->Init(0, 640, 360, game));

    // Past the intro and the title.
    for (int frame = 0; frame < 120 && app->GetFirstState() != app->GetLobbyState(); ++frame)
        app->RunFrame(0.1f);
    CBrixMenuState* menu = dynamic_cast<CBrixMenuState*>(app->GetLobbyState());
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(app->GetFirstState(), menu);
    ASSERT_EQ(menu->IsUILoaded(), 1);
    for (int frame = 0; frame < 5; ++frame)
        app->RunFrame(0.1f);

    // The first launch asks for the language, with the installed ones listed.
    EXPECT_EQ(CurrentPage(menu), kBrixPageLanguageChooser);
    CInfiniteList* languages =
        CInfiniteList::Cast(menu->GetRoot()->FindByPath(CKetrelString("//startup_language_chooser//language_list")));
    ASSERT_NE(languages, nullptr);
    EXPECT_GE(languages->GetItemCount(), 1);
    const std::string out = std::string(KETREL_BINARY_DIR) + "/tests/lobby/";
    fs::create_directories(out);
    EXPECT_TRUE(SavePicture(app, out + "app_startup_language_chooser.png"));

    // Choosing goes on to the log-in page (no server here).
    menu->FireEvent(CKetrelString("choose_language"),
                    menu->GetRoot()->FindByPath(CKetrelString("//startup_language_chooser//choose_button")));
    for (int frame = 0; frame < 5; ++frame)
        app->RunFrame(0.1f);
    EXPECT_EQ(CurrentPage(menu), kBrixPageLogin);
    EXPECT_TRUE(SavePicture(app, out + "app_loginscreen_root.png"));

    for (const char* page : {"settings_root", "startscreen_root", "me_root", "shop_root", "chat_root"})
    {
        menu->OpenPage(CKetrelString(page), 1);
        for (int frame = 0; frame < 5; ++frame)
            app->RunFrame(0.1f);
        if (std::string(page) == "me_root")
        {
            // The me row with results and achievements as the session would bring them.
            static const char* opponents[] = {"Ann", "Bob", "Cid"};
            for (int i = 0; i < 3; ++i)
            {
                CGameResultItem item;
                item.values[0] = i - 1;
                item.values[1] = 3 * i;
                item.text4 = CKetrelString(opponents[i]);
                menu->OnGameResultItem(nullptr, i, item);
            }
            CKetrelArray<CAchievementInfo> list;
            for (const char* title : {"First shot", "Three in a row"})
            {
                CAchievementInfo a;
                a.text2 = CKetrelString(title);
                list.Add(a);
            }
            menu->OnAchievementList(0, 5, 0, list, 0);
            app->RunFrame(0.1f);
        }
        EXPECT_EQ(CurrentPage(menu), page);
        EXPECT_TRUE(SavePicture(app, out + "app_" + page + ".png")) << page;
    }

    // Pictures the session sends get a texture, or OpenGL ES would draw nothing.
    {
        GdkPixbuf* p = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 16, 16);
        ASSERT_NE(p, nullptr);
        gdk_pixbuf_fill(p, 0x3366CCFFu);
        gchar* png = nullptr;
        gsize size = 0;
        ASSERT_TRUE(gdk_pixbuf_save_to_buffer(p, &png, &size, "png", nullptr, nullptr));
        g_object_unref(p);
        menu->OnImageAndLink(CKetrelString("tournaments"), (int)size, (const u8*)png, CKetrelString("https://t.invalid/"),
                             CKetrelString("Cup"), CKetrelString());
        g_free(png);
        CKetrelSurface* image = app->GetResourceManager()->GetImage(CKetrelString("imageandlink_tournaments"), 0);
        ASSERT_NE(image, nullptr);
        EXPECT_NE(image->GetTextureName(), 0u);
        app->GetResourceManager()->ReleaseImage(&image);
    }

    // Play offline: the menu closes onto the game.
    menu->OpenPage(CKetrelString(kBrixPageLogin), 1);
    menu->FireEvent(CKetrelString("thank_you_close"), nullptr);
    EXPECT_FALSE(menu->IsMenuVisible());
    // The game's way back to the lobby shows the log-in page without a server too.
    app->ShowLoginMenu(1);
    app->RunFrame(0.1f);
    EXPECT_TRUE(menu->IsMenuVisible());
    EXPECT_EQ(CurrentPage(menu), kBrixPageLogin);
    app->Quit();
    app->RunFrame(0.1f);
    CKetrelString folder;
    app->GetUserDataPath(folder, CKetrelString("stats.dat"));
    delete app;
    std::error_code ec;
    fs::remove_all(fs::path(Narrow(folder)).parent_path(), ec);
    if (defaultAddress.IsOpen())
    {
        EXPECT_FALSE(defaultAddress.WasConnected()) << "the default lobby address was used";
    }
}
