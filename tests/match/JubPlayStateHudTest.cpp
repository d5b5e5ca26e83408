// The play screen's HUD without a window: where the buttons go, what the training scenes
// allow, the quit confirmation and the back key, the zoom bar, and the owned items read
// from their descriptions.
#include <gtest/gtest.h>

#include "JubMatchRig.h"
#include "engine/KetrelResult.h"
#include "engine/KetrelMediaPack.h"
#include "engine/graphics/KetrelSurface.h"
#include "framework/BrixLanguage.h"
#include "game/match/JubButtonManager.h"
#include "game/match/JubItemDescription.h"
#include "game/match/JubPlayState.h"
#include "game/match/JubRenderer.h"
#include "game/match/JubScene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <string>

namespace
{
const f32 kTick = 0.033f;

std::string Text(const CKetrelString& s)
{
    std::string out;
    for (i32 i = 0; i < s.GetLength(); ++i)
        out += (char)s.GetAt(i);
    return out;
}

// Sample levels from the files, item descriptions from texts, and pictures that are
// counted out and back (never drawn).
class ItemSource : public CJubAssetSource
{
public:
    CKetrelSurface* GetImage(const CKetrelString& name) override
    {
        const std::string n = Text(name);
        if (n.empty() || missing.count(n))
            return nullptr;
        pictures.emplace_back(new CKetrelSurface());
        // Only the items' pictures are counted (the buttons' belong to the cache).
        if (n.find('_') == std::string::npos && n != "exits.png" && n != "nextround.png")
        {
            ++taken;
            counted[pictures.back().get()] = 1;
        }
        return pictures.back().get();
    }
    int ReleaseImage(CKetrelSurface** image) override
    {
        if (*image && counted.count(*image))
            ++released;
        *image = nullptr;
        return 1;
    }
    IKetrelSoundSource* GetSound(const CKetrelString&) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource**) override { return 1; }
    i32 ReadResource(const CKetrelString& name, u8** data) override
    {
        auto it = files.find(Text(name));
        if (it == files.end())
            return levels.ReadResource(name, data);
        *data = new u8[it->second.size()];
        std::memcpy(*data, it->second.data(), it->second.size());
        return (i32)it->second.size();
    }

    LevelFileSource levels;
    std::map<std::string, std::string> files;
    std::map<std::string, int> missing;
    std::vector<std::unique_ptr<CKetrelSurface>> pictures;
    std::map<CKetrelSurface*, int> counted;
    int taken = 0, released = 0;
};

// The game object's part of reading an item: the description from the item's pack.
class ItemHost : public RigHost
{
public:
    i32 IsInputBlocked() override { return blocked; }
    i32 blocked = 0;
    int ReadItem(i32, const CJubOwnedItem& item, CJubItemInfo* info) override
    {
        return CJubItemDescription::Read(assets->GetSource(), item.fileNumber, info);
    }
};

// A screen of the given size on the sample levels, without a window: the renderer is
// never made, it only gives the camera and the screen size.
struct Hud
{
    explicit Hud(f32 w = 800.0f, f32 h = 480.0f)
    {
        world.SetStep(1.0f / 30.0f, 4);
        renderer.GetCamera().SetScreenSize(w, h);
        cache.SetSource(&source);
        host.world = &world;
        host.assets = &cache;
        host.renderer = &renderer;
    }
    ~Hud() { screen.Deinit(); }
    // A training match on the scene, stepped until its first turn has begun.
    void StartTraining(i32 scene)
    {
        ASSERT_EQ(KE_OK, screen.Init(&host));
        screen.SetSinglePlayer(1);
        screen.PostStartRound(0, scene, 0, 0);
        screen.PostBeginTurn(0);
        Step(3);
    }
    void Step(int n)
    {
        for (int i = 0; i < n; ++i)
        {
            host.timeMs += 33;
            screen.Update(kTick);
            host.Hold();
        }
    }
    void Tap(i32 id)
    {
        const CKetrelRectF r = screen.GetHudButtonRect(id);
        host.Down((r.left + r.right) / 2.0f, (r.top + r.bottom) / 2.0f);
        Step(1);
        host.Up((r.left + r.right) / 2.0f, (r.top + r.bottom) / 2.0f);
        Step(1);
    }
    CJubButton* Button(i32 id) { return screen.GetButtons()->FindButton(id); }

    CJubPhysicsWorld world;
    CJubRenderer renderer;
    ItemSource source;
    CJubAssetCache cache;
    ItemHost host;
    CJubPlayState screen;
};

TEST(JubPlayStateHud, ButtonsSitWhereTheLayoutPutsThem)
{
    struct Place
    {
        i32 id;
        f32 x, y;       // centre: x in widths, y in heights, plus cx and cy in c = w / 30
        f32 cx, cy;
        f32 half;       // in c, or negative: w / -half
    };
    const Place single[] = {
        {10, 0.4f, 0.6f, 0, 0, -20}, {11, 0.6f, 0.6f, 0, 0, -20}, {0, 0.4f, 1.0f, 0, -1.2f, 1},
        {13, 0.6f, 1.0f, 0, -1.2f, 1}, {6, 0, 1.0f, 1, -1, 1}, {7, 1.0f, 1.0f, -1, -1, 1},
        {2, 0.5f, 0, -6, 1.5f, 1}, {5, 0.5f, 0, -3, 1.5f, 1}, {3, 0.5f, 0, 0, 1.5f, 1},
        {4, 0.5f, 0, 3, 1.5f, 1}, {8, 0.5f, 0, 6, 1.5f, 1}, {9, 0.5f, 0.75f, 0, 0, -15},
        {12, 0.5f, 0.75f, 0, 0, -15}};
    const f32 sizes[2][2] = {{800, 480}, {640, 360}};
    for (const f32* size : sizes)
    {
        Hud hud(size[0], size[1]);
        hud.StartTraining(2);
        const f32 w = size[0], h = size[1], c = w / 30.0f;
        for (const Place& p : single)
        {
            const CKetrelRectF r = hud.screen.GetHudButtonRect(p.id);
            const f32 half = p.half > 0 ? p.half * c : w / -p.half;
            EXPECT_NEAR(p.x * w + p.cx * c, (r.left + r.right) / 2, 0.01f) << w << " id " << p.id;
            EXPECT_NEAR(p.y * h + p.cy * c, (r.top + r.bottom) / 2, 0.01f) << w << " id " << p.id;
            EXPECT_NEAR(half, (r.right - r.left) / 2, 0.01f) << w << " id " << p.id;
        }
        // Player 0's pictures; the owned-bomb button shows no bomb in this scene.
        EXPECT_EQ(49, hud.Button(2)->textureIndex);
        EXPECT_EQ(23, hud.Button(8)->textureIndex);
        EXPECT_EQ(1, hud.Button(8)->disabled);
    }
}

TEST(JubPlayStateHud, TwoPlayerLayoutCentresTheMenuAndHasNoRestart)
{
    Hud hud;
    ASSERT_EQ(KE_OK, hud.screen.Init(&hud.host));
    // Before a round: the partial layout has no weapon row and no chat buttons.
    EXPECT_EQ(nullptr, hud.Button(2));
    EXPECT_EQ(nullptr, hud.Button(6));
    EXPECT_EQ(nullptr, hud.Button(13));
    const CKetrelRectF menu = hud.screen.GetHudButtonRect(0);
    EXPECT_NEAR(400.0f, (menu.left + menu.right) / 2, 0.01f);
    hud.Step(1);
    // Phase 0 and 1 show only the menu button.
    for (i32 i = 0; i < hud.screen.GetButtons()->GetButtonCount(); ++i)
    {
        const CJubButton* b = hud.screen.GetButtons()->GetButton(i);
        EXPECT_EQ(b->id == 0 ? 1 : 0, b->visible) << b->id;
    }
}

TEST(JubPlayStateHud, TrainingScenesOfferTheirWeaponsOnly)
{
    struct Row
    {
        i32 scene;
        std::vector<i32> enabled;   // of the weapon buttons 2, 3, 4, 5, 8
        i32 bombImage;
        i32 weapon;                 // selected at the start
    } rows[] = {
        {0, {2}, 23, JUB_WEAPON_JUMP},
        {1, {2, 5}, 23, JUB_WEAPON_JUMP},
        {5, {4}, 23, JUB_WEAPON_STICKY},
        {8, {2, 3, 4, 5, 8}, 21, JUB_WEAPON_SNOW},
        {9, {2, 3, 4, 5, 8}, 22, JUB_WEAPON_CLUSTER},
        {12, {2, 3, 4, 5}, 23, JUB_WEAPON_BOMB},
    };
    for (const Row& row : rows)
    {
        Hud hud;
        hud.StartTraining(row.scene);
        for (i32 id : {2, 3, 4, 5, 8})
        {
            const bool on = std::find(row.enabled.begin(), row.enabled.end(), id) != row.enabled.end();
            ASSERT_NE(nullptr, hud.Button(id));
            EXPECT_EQ(on ? 0 : 1, hud.Button(id)->disabled) << "scene " << row.scene << " id " << id;
            EXPECT_EQ(1, hud.Button(id)->visible) << "scene " << row.scene << " id " << id;
        }
        EXPECT_EQ(row.bombImage, hud.Button(8)->textureIndex) << row.scene;
        EXPECT_EQ(row.weapon, hud.screen.GetLiveScene()->GetPlayer(0).selectedWeapon) << row.scene;
        EXPECT_EQ(1, hud.Button(13)->visible);
        EXPECT_EQ(0, hud.Button(6)->visible);   // no chat in training
    }
    // A disabled weapon does not take a tap; an enabled one selects its weapon.
    Hud hud;
    hud.StartTraining(1);
    hud.Step(130);   // past the intro
    hud.Tap(3);
    EXPECT_EQ(JUB_WEAPON_JUMP, hud.screen.GetLiveScene()->GetPlayer(0).selectedWeapon);
    hud.host.bubbles.clear();
    hud.Tap(5);
    EXPECT_EQ(JUB_WEAPON_WHIP, hud.screen.GetLiveScene()->GetPlayer(0).selectedWeapon);
    // Training explains the weapon in the opponent's bubble, low at the right.
    ASSERT_EQ(1u, hud.host.bubbles.size());
    EXPECT_EQ("text 25", hud.host.bubbles[0].text);
    EXPECT_EQ("Opponent", hud.host.bubbles[0].speaker);
    EXPECT_NEAR(720.0f, hud.host.bubbles[0].position.x, 0.01f);
    EXPECT_NEAR(396.0f, hud.host.bubbles[0].position.y, 0.01f);
}

TEST(JubPlayStateHud, MenuButtonTogglesTheConfirmationAndItsAnswers)
{
    {
        Hud hud;
        hud.StartTraining(2);
        hud.Tap(0);
        EXPECT_EQ(1, hud.screen.IsConfirmationShown());
        hud.Step(1);
        EXPECT_EQ(1, hud.Button(10)->visible);
        EXPECT_EQ(1, hud.Button(11)->visible);
        hud.Step(40);   // the press animations end
        hud.Tap(0);
        EXPECT_EQ(0, hud.screen.IsConfirmationShown());
        hud.Step(1);
        EXPECT_EQ(0, hud.Button(10)->visible);
        // No closes it; yes gives the match away.
        hud.Step(40);
        hud.Tap(0);
        hud.Step(40);
        hud.Tap(11);
        EXPECT_EQ(0, hud.screen.IsConfirmationShown());
        EXPECT_NE(JUB_PHASE_LEAVING, hud.screen.GetPhase());
        hud.Step(40);
        hud.Tap(0);
        hud.Step(40);
        hud.Tap(10);
        EXPECT_EQ(1, hud.screen.GetWinner());
        EXPECT_EQ(JUB_PHASE_LEAVING, hud.screen.GetPhase());
    }
    {
        // The back key: toggles the confirmation during a turn.
        Hud hud;
        hud.StartTraining(2);
        hud.screen.OnBack();
        EXPECT_EQ(1, hud.screen.IsConfirmationShown());
        hud.screen.OnBack();
        EXPECT_EQ(0, hud.screen.IsConfirmationShown());
    }
    {
        // Between rounds the back key is the next-round button while that is shown; once
        // the player is ready it toggles the confirmation again.
        Hud hud;
        ASSERT_EQ(KE_OK, hud.screen.Init(&hud.host));
        hud.screen.SetPhase(JUB_PHASE_BETWEEN_ROUNDS);
        hud.Step(1);
        ASSERT_EQ(1, hud.Button(9)->visible);
        hud.screen.OnBack();
        EXPECT_EQ(1, hud.screen.GetFields().readyPosted);
        EXPECT_EQ(0, hud.screen.IsConfirmationShown());
        hud.Step(1);
        ASSERT_EQ(0, hud.Button(9)->visible);
        hud.screen.OnBack();
        EXPECT_EQ(1, hud.screen.IsConfirmationShown());
        hud.screen.OnBack();
        EXPECT_EQ(0, hud.screen.IsConfirmationShown());
    }
}

TEST(JubPlayStateHud, LeavingAWonTrainingMatchKeepsTheWin)
{
    Hud hud;
    hud.StartTraining(2);
    CJubPlayState& s = hud.screen;
    s.SetMatchResult(0);
    s.PostTurnResult(CJubEventMatchResult::kByRounds);
    hud.Step(40);   // the result, then the leave button after a second
    ASSERT_EQ(1, s.IsMatchDecided());
    ASSERT_EQ(1, hud.Button(12)->visible);
    ASSERT_EQ(1, hud.host.counters.wins);
    hud.screen.OnBack();   // the leave button: a won scene is left, not restarted
    EXPECT_EQ(JUB_PHASE_LEAVING, s.GetPhase());
    EXPECT_EQ(0, s.GetWinner());
    EXPECT_EQ(1, hud.host.counters.wins);
    EXPECT_EQ(0, hud.host.counters.losses);
}

TEST(JubPlayStateHud, BothBombsOwnedTheButtonShowsAndFiresTheSnowBomb)
{
    Hud hud;
    ASSERT_EQ(KE_OK, hud.screen.Init(&hud.host));
    hud.screen.PostStartRound(0, 2, 0, 0);
    hud.Step(1);
    CJubPlayer& me = hud.screen.GetLiveScene()->GetPlayer(0);
    me.ownsSnowBomb = 1;
    me.ownsClusterBomb = 1;
    hud.screen.PostBeginTurn(0);
    hud.Step(130);   // past the intro
    ASSERT_TRUE(hud.screen.IsTimerRunning());
    EXPECT_EQ(21, hud.Button(8)->textureIndex);
    hud.Tap(8);
    EXPECT_EQ(JUB_WEAPON_SNOW, me.selectedWeapon);
}

TEST(JubPlayStateHud, DragsPanOnlyWhileTheTimerRunsAndBlockedInputIsIgnored)
{
    Hud hud;
    hud.StartTraining(12);
    CJubCamera& camera = hud.renderer.GetCamera();
    CJubTouchPoint& finger = hud.host.touch.Primary();
    // A drag of 30 pixels to the right in this step, far from the creature and the HUD.
    f32 zoomAtPan = 0.0f;
    CKetrelVector2 offsetAtPan;
    auto drag = [&]() {
        hud.host.Down(700, 300);
        hud.Step(1);
        hud.host.Move(730, 300);
        finger.stepDelta.Set(30, 0);
        finger.moved = 1;
        zoomAtPan = camera.GetZoom();
        offsetAtPan = camera.GetViewOffset();
        hud.screen.Update(kTick);
        hud.host.Up(730, 300);
        finger.moved = 0;
        hud.Step(1);
    };
    ASSERT_FALSE(hud.screen.IsTimerRunning());
    const CKetrelVector2 before = camera.GetViewOffset();
    drag();
    EXPECT_EQ(before.x, camera.GetViewOffset().x) << "no pan before the timer runs";

    hud.Step(130);
    ASSERT_TRUE(hud.screen.IsTimerRunning());
    drag();
    // 30 pixels at the camera's zoom, in world units; the camera no longer follows.
    EXPECT_NEAR(offsetAtPan.x + 30.0f / (400.0f * zoomAtPan), camera.GetViewOffset().x, 0.02f);
    EXPECT_EQ(JUB_CAMERA_NONE, camera.GetMode());

    hud.host.blocked = 1;
    hud.Step(40);
    hud.Tap(0);
    EXPECT_EQ(0, hud.screen.IsConfirmationShown());
    hud.host.blocked = 0;
    hud.Tap(0);
    EXPECT_EQ(1, hud.screen.IsConfirmationShown());
}

TEST(JubPlayStateHud, ZoomIndicatorStaysInsideTheBar)
{
    for (f32 h : {480.0f, 360.0f})
    {
        // The indicator's centre never leaves the bar (h/4 to 3h/4).
        const f32 top = h / 4, bottom = 3 * h / 4;
        for (f32 zoom : {-1.0f, 0.0f, 0.3f, 0.65f, 1.0f, 5.0f, std::numeric_limits<f32>::quiet_NaN(),
                         std::numeric_limits<f32>::infinity()})
        {
            const f32 y = CJubPlayState::ZoomIndicatorY(zoom, h);
            EXPECT_GE(y, top - 0.01f) << zoom;
            EXPECT_LE(y, bottom + 0.01f) << zoom;
        }
        EXPECT_GT(CJubPlayState::ZoomIndicatorY(0.3f, h), CJubPlayState::ZoomIndicatorY(1.0f, h));
        // The bar: 1.0 at its top and above, 0.3 at its bottom and below.
        struct Row
        {
            f32 y, zoom;
        } rows[] = {{0, 1.0f}, {h / 4, 1.0f}, {h / 2, 0.65f}, {3 * h / 4, 0.3f}, {h, 0.3f}};
        for (const Row& r : rows)
            EXPECT_NEAR(r.zoom, CJubPlayState::ZoomFromBar(r.y, h), 1e-5f) << r.y;
    }
    EXPECT_EQ(0xFEA800u, CJubPlayState::BackgroundColour(0, 0));
    EXPECT_EQ(0xC63D00u, CJubPlayState::BackgroundColour(9, 1));
    EXPECT_EQ(CJubPlayState::BackgroundColour(0, 1), CJubPlayState::BackgroundColour(42, 1));
}

// ---- owned items ----

std::string Item(const std::string& attributes)
{
    return "<?xml version=\"1.0\"?>\n<item><attributes " + attributes + "/></item>";
}

TEST(JubItemDescription, ReadsTypeBonusAndPictureNames)
{
    struct Row
    {
        const char* text;
        int rc;
        i32 type;
        i32 variable;
        const char* fileName;
    } rows[] = {
        {"type=\"hat\" variable=\"50\" filename=\"tophat.png\"", KE_OK, JUB_ITEM_HAT, 50, "tophat.png"},
        {"type=\"HaT\"", KE_OK, JUB_ITEM_HAT, 0, ""},
        {"type=\"cluster\" variable=\"3\"", KE_OK, JUB_ITEM_CLUSTER, 3, ""},
        {"type=\"snow\"", KE_OK, JUB_ITEM_SNOW, 0, ""},
        {"type=\"battleground\"", KE_OK, JUB_ITEM_BATTLEGROUND, 0, ""},
        {"type=\"sword\" variable=\"7\"", KE_OK, JUB_ITEM_NONE, 7, ""},
        {"type=\"hats\"", KE_OK, JUB_ITEM_NONE, 0, ""},
        {"type=\"hat\" variable=\"99999999999999999999\"", KE_OK, JUB_ITEM_HAT, JUB_HAT_BONUS_MAX, ""},
        {"type=\"hat\" variable=\"-2147483648\"", KE_OK, JUB_ITEM_HAT, 0, ""},
        {"type=\"hat\" variable=\"12.9\"", KE_OK, JUB_ITEM_HAT, 12, ""},
        {"type=\"hat\" variable=\"nan\"", KE_OK, JUB_ITEM_HAT, 0, ""},
        {"type=\"hat\" filename=\"../../etc/passwd\"", KE_OK, JUB_ITEM_HAT, 0, ""},
        {"type=\"hat\" filename=\".hidden.png\"", KE_OK, JUB_ITEM_HAT, 0, ""},
    };
    for (const Row& row : rows)
    {
        const std::string xml = Item(row.text);
        CJubItemInfo info;
        EXPECT_EQ(row.rc, CJubItemDescription::Parse((const u8*)xml.data(), (i32)xml.size(), &info))
            << row.text;
        EXPECT_EQ(row.type, info.type) << row.text;
        EXPECT_EQ(row.variable, info.variable) << row.text;
        EXPECT_EQ(row.fileName, Text(info.fileName)) << row.text;
    }
    const std::string ground =
        Item("type=\"battleground\" battlefilename=\"far.png\" uniquefilename=\"near.png\"");
    CJubItemInfo info;
    ASSERT_EQ(KE_OK, CJubItemDescription::Parse((const u8*)ground.data(), (i32)ground.size(), &info));
    EXPECT_EQ("far.png", Text(info.battleFileName));
    EXPECT_EQ("near.png", Text(info.uniqueFileName));
    EXPECT_EQ("17.xml", Text(CJubItemDescription::FileName(17)));
}

TEST(JubItemDescription, RefusesWhatIsNotADescription)
{
    struct Row
    {
        std::string text;
        int rc;
    } rows[] = {
        {"", KE_ERR_ARGUMENT},
        {"not xml at all", KE_ERR_FORMAT},
        {"<item></item>", KE_ERR_FORMAT},
        {"<item attributes=\"hat\"/>", KE_ERR_FORMAT},
        {"<item><attributes type=\"hat\"", KE_ERR_FORMAT},
        {std::string(JUB_ITEM_FILE_MAX + 1, ' '), KE_ERR_ARGUMENT},
    };
    for (const Row& row : rows)
    {
        CJubItemInfo info;
        info.variable = 12345;
        EXPECT_EQ(row.rc, CJubItemDescription::Parse((const u8*)row.text.data(), (i32)row.text.size(),
                                                     &info))
            << row.text.substr(0, 40);
        EXPECT_EQ(12345, info.variable) << "untouched on failure";
    }
    EXPECT_EQ(KE_ERR_ARGUMENT, CJubItemDescription::Parse(nullptr, 4, nullptr));
}

TEST(JubPlayStateHud, OwnedItemsGiveHatsBombsAndBattlegrounds)
{
    Hud hud;
    hud.source.files["1.xml"] = Item("type=\"hat\" variable=\"40\" filename=\"tophat.png\"");
    hud.source.files["2.xml"] = Item("type=\"snow\"");
    hud.source.files["3.xml"] = Item("type=\"battleground\" battlefilename=\"far.png\" uniquefilename=\"near.png\"");
    hud.source.files["4.xml"] = Item("type=\"sword\" variable=\"500\"");
    hud.source.files["5.xml"] = Item("type=\"battleground\" battlefilename=\"far.png\" uniquefilename=\"gone.png\"");
    hud.source.files["6.xml"] = Item("type=\"hat\" variable=\"10\" filename=\"gone.png\"");
    hud.source.missing["gone.png"] = 1;
    ASSERT_EQ(KE_OK, hud.screen.Init(&hud.host));
    CJubPlayState& s = hud.screen;
    CJubPlayer& me = s.GetLiveScene()->GetPlayer(0);
    CJubPlayer& other = s.GetLiveScene()->GetPlayer(1);

    EXPECT_EQ(0, s.ReadItem(0, -1, 1, 0)) << "a negative item id";
    EXPECT_EQ(0, s.ReadItem(0, 77, 99, 0)) << "no such description";
    EXPECT_EQ(0, s.ReadItem(5, 77, 1, 0)) << "no such player";

    EXPECT_EQ(1, s.ReadItem(0, 71, 1, 9));
    EXPECT_EQ(140, me.health);
    EXPECT_NE(nullptr, me.wornItemTexture);
    EXPECT_EQ(1u, me.wearsItem);
    EXPECT_EQ(71u, me.itemWords[0]);
    // A hat read again gives its old picture back first.
    EXPECT_EQ(1, s.ReadItem(0, 71, 1, 9));
    EXPECT_EQ(1, hud.source.released);

    EXPECT_EQ(1, s.ReadItem(1, 72, 2, 9));
    EXPECT_EQ(1u, other.ownsSnowBomb);
    EXPECT_EQ(72u, other.itemWords[4]);

    // Battlegrounds are the local player's only; both pictures, or neither.
    EXPECT_EQ(1, s.ReadItem(1, 73, 3, 9));
    EXPECT_EQ(nullptr, s.GetBattlegroundImage(0));
    EXPECT_EQ(1, s.ReadItem(0, 73, 3, 9));
    EXPECT_NE(nullptr, s.GetBattlegroundImage(0));
    EXPECT_NE(nullptr, s.GetBattlegroundImage(1));
    EXPECT_EQ(1u, me.itemWords[9]);
    EXPECT_EQ(1, s.ReadItem(0, 75, 5, 9));
    EXPECT_EQ(nullptr, s.GetBattlegroundImage(0));
    EXPECT_EQ(0u, me.itemWords[9]);

    // An unknown type is read but changes nothing.
    const i32 health = other.health;
    EXPECT_EQ(1, s.ReadItem(1, 74, 4, 9));
    EXPECT_EQ(health, other.health);
    // A hat whose picture is missing still counts its bonus, alike on both handsets.
    EXPECT_EQ(1, s.ReadItem(1, 76, 6, 9));
    EXPECT_EQ(110, other.health);
    EXPECT_EQ(nullptr, other.wornItemTexture);

    // The reload reads the items again; leaving gives every picture back.
    s.ReloadResources();
    EXPECT_NE(nullptr, me.wornItemTexture);
    s.Deinit();
    EXPECT_EQ(hud.source.taken, hud.source.released);
}
// ---- the game's texts ----

TEST(JubPlayStateHud, GameTextsCoverEveryNumberTheMatchAsksFor)
{
    CKetrelMediaPack pack;
    const std::string path = std::string(KETREL_BINARY_DIR) + "/main/wobblixlanguage_en.vad";
    ASSERT_EQ(KE_OK, pack.Open(CKetrelString(path.c_str()), CKetrelString()));
    CKetrelString text, digest;
    ASSERT_EQ(KE_OK, CBrixLanguage::ReadPackText(&pack, text, digest));
    CBrixLanguageEntry entry;
    CBrixLanguage::ParseHeader(text, entry);
    EXPECT_EQ("en", Text(entry.code));
    CKetrelArray<CKetrelString> table;
    CBrixLanguage::ParseTexts(text, table);
    ASSERT_GE(table.GetCount(), 28);
    for (i32 i = 0; i < 28; ++i)
        EXPECT_FALSE(table[i].IsEmpty()) << i;
    // Texts that follow a player's name start with their own space.
    for (i32 i : {1, 2, 3, 4, 16, 17})
        EXPECT_EQ(' ', table[i].GetAt(0)) << i;
}
} // namespace
