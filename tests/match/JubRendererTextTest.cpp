#include "RenderTestKit.h"

#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "game/match/JubPhysicsBody.h"
#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubRenderer.h"
#include "game/match/JubScene.h"

#include <memory>
#include <string>

namespace
{
const int kWidth = 400;
const int kHeight = 240;

// The engine's built-in font under every name; counts what is taken and given back.
class DefaultFontSource : public CJubFontSource
{
public:
    explicit DefaultFontSource(IKetrelApplication* app) { font.CreateDefault(app); }
    CKetrelBitmapFont* GetFont(const CKetrelString& name) override
    {
        lastName = Narrow(name);
        ++taken;
        return &font;
    }
    void ReleaseFont(CKetrelBitmapFont** f) override
    {
        ++released;
        *f = nullptr;
    }
    CKetrelBitmapFont font;
    std::string lastName;
    int taken = 0;
    int released = 0;
};

class JubRendererTextFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!window.Open(kWidth, kHeight))
            GTEST_SKIP() << window.skipReason;
        ASSERT_EQ(KE_OK, renderer.Init(window.app.get()));
        fonts.reset(new DefaultFontSource(window.app.get()));
        window.Clear(0x000000);
    }
    void TearDown() override
    {
        renderer.SetFontSource(nullptr);
    }

    // Columns and rows of the box holding every lit pixel of the region.
    struct Extent
    {
        int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
        int Width() const { return right < left ? 0 : right - left + 1; }
    };
    Extent Lit(int x0, int y0, int x1, int y1, unsigned background)
    {
        std::vector<unsigned> frame = ReadFrame(window);
        Extent e;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (ColourDistance(frame[(size_t)y * kWidth + x], background) > 60)
                {
                    e.left = std::min(e.left, x);
                    e.right = std::max(e.right, x);
                    e.top = std::min(e.top, y);
                    e.bottom = std::max(e.bottom, y);
                }
        return e;
    }

    RenderTestWindow window;
    CJubRenderer renderer;
    std::unique_ptr<DefaultFontSource> fonts;
};

TEST_F(JubRendererTextFixture, NoFontDrawsNothing)
{
    renderer.DrawText(CKetrelString("8888"), CKetrelRectF(10, 10, 200, 40), 0xFFFFFFFF, 0, 0);
    renderer.DrawShadowedText(CKetrelString("8888"), CKetrelRectF(10, 10, 200, 40), 0xFFFFFFFF, 0, 0);
    EXPECT_EQ(0, Lit(0, 0, kWidth, kHeight, 0x000000).Width());
}

TEST_F(JubRendererTextFixture, ScaleFlagsShrinkTheTextForOneCallOnly)
{
    renderer.SetFontSource(fonts.get());
    struct Case
    {
        u32 flags;
        f32 scale;
    };
    const Case cases[] = {{0, 1.0f}, {JUB_TEXT_SCALE_3_4, 0.75f}, {JUB_TEXT_SCALE_HALF, 0.5f}};
    int full = 0;
    for (const Case& c : cases)
    {
        window.Clear(0x000000);
        fonts->font.SetScale(2.0f);
        renderer.DrawText(CKetrelString("88888888"), CKetrelRectF(10, 10, 390, 100), 0xFFFFFFFF,
                          c.flags, 0);
        EXPECT_FLOAT_EQ(2.0f, fonts->font.GetScale()) << "flags " << c.flags;
        int width = Lit(0, 0, kWidth, kHeight, 0x000000).Width();
        if (c.flags == 0)
            full = width;
        ASSERT_GT(full, 0) << Lit(0, 0, kWidth, kHeight, 0x000000).top;
        EXPECT_NEAR(full * c.scale, width, 10.0) << "flags " << c.flags;
    }
    EXPECT_EQ("foo.fnt", fonts->lastName);
    EXPECT_EQ(1, fonts->taken) << "the font is taken once and kept";
    renderer.SetFontSource(nullptr);
    EXPECT_EQ(1, fonts->released);
}

TEST_F(JubRendererTextFixture, ShadowFallsBelowTheText)
{
    renderer.SetFontSource(fonts.get());
    fonts->font.SetScale(2.0f);
    window.Clear(0x808080);
    renderer.DrawShadowedText(CKetrelString("8"), CKetrelRectF(100, 100, 300, 150), 0xFFFFFFFF, 0, 0);
    std::vector<unsigned> frame = ReadFrame(window);
    int whiteTop = kHeight, blackBottom = -1;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
        {
            unsigned c = frame[(size_t)y * kWidth + x];
            if (ColourDistance(c, 0xFFFFFF) < 60 && y < whiteTop)
                whiteTop = y;
            if (ColourDistance(c, 0x000000) < 60 && y > blackBottom)
                blackBottom = y;
        }
    ASSERT_LT(whiteTop, kHeight);
    ASSERT_GE(blackBottom, 0);
    // Moved down by trunc(4 x 2) = 8 pixels: the black copy ends below the white one.
    EXPECT_GT(blackBottom, whiteTop + 8);
}

TEST_F(JubRendererTextFixture, DamageNumbersRiseAboveTheCreature)
{
    renderer.SetFontSource(fonts.get());
    CJubPhysicsWorld world;
    world.SetStep(1.0f / 30.0f, 4);
    CJubScene scene;
    scene.Init(nullptr, &renderer.GetCamera(), &world, 0);
    CJubPlayer& p = scene.GetPlayer(0);
    p.body->SetPosition(CKetrelVector2(0.0f, 0.5f));
    CKetrelVector2 creature;
    renderer.GetCamera().WorldToScreen(p.body->GetPosition(), creature);

    // Without the display flag nothing is written.
    scene.DrawCreatureNumbers(renderer);
    EXPECT_EQ(0, Lit(0, 0, kWidth, kHeight, 0x000000).Width());

    p.displayFlag = 1;
    p.displayTimer = 0.1f;
    p.displaySlots[0] = 25;
    p.displaySlots[3] = 7;
    scene.DrawCreatureNumbers(renderer);
    Extent above = Lit(0, 0, kWidth, (int)creature.y, 0x000000);
    Extent below = Lit(0, (int)creature.y, kWidth, kHeight, 0x000000);
    EXPECT_GT(above.Width(), 0) << "the damage";
    EXPECT_GT(below.Width(), 0) << "the health";
    // Two numbers, a line apart.
    EXPECT_GE(above.bottom - above.top + 1, 2 * fonts->font.GetLineHeight() - 4);
}
} // namespace
