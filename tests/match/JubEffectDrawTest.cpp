// The particles and explosions as they reach the screen, under the private X server.
#include "JubGameHostFake.h"
#include "RenderTestKit.h"

#include "engine/KetrelResult.h"
#include "game/match/JubEffectList.h"
#include "game/match/JubParticleSystem.h"
#include "game/match/JubRenderer.h"

namespace
{
const int kWidth = 320;
const int kHeight = 200;

// Cell (c, r) of the explosion sheet is a solid colour of its own.
unsigned CellColour(int c, int r)
{
    return 0xFF000000u | ((unsigned)(40 + 60 * c) << 16) | ((unsigned)(40 + 60 * r) << 8) | 0x20u;
}

class JubEffectDrawFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!window.Open(kWidth, kHeight))
            GTEST_SKIP() << window.skipReason;
        ASSERT_EQ(KE_OK, renderer.Init(window.app.get()));
        sheet = MakeTexture(64, 64, [](int x, int y) { return CellColour(x / 16, y / 16); });
        white = MakeSolidTexture(16, 16, 0xFFFFFFFFu);
        images.Add(JUB_IMAGE_EXPLOSION, sheet.get());
        images.Add(JUB_IMAGE_PARTICLE_WANDERER, white.get());
        images.Add(JUB_IMAGE_PARTICLE_TRAIL, white.get());
        cache.SetSource(&images);
        renderer.SetAssets(&cache);
        host.assets = &cache;
        host.renderer = &renderer;
    }
    void TearDown() override { cache.SetSource(nullptr); }

    RenderTestWindow window;
    TestImageSource images;
    CJubAssetCache cache;
    CJubRenderer renderer;
    FakeGameHost host;
    std::unique_ptr<CKetrelSurface> sheet, white;
};

// The effect shows cell (frame mod 4, frame div 4) at its world position.
TEST_F(JubEffectDrawFixture, ExplosionShowsTheCellOfItsFrame)
{
    CJubEffectList effects;
    effects.SetGame(&host);
    const CKetrelVector2 at(0.0f, 0.5f);
    CKetrelVector2 screen;
    renderer.GetCamera().WorldToScreen(at, screen);
    for (int frame : {0, 3, 6, 13})
    {
        effects.Clear();
        effects.AddEffect(at, 0.2f, 0xFFFFFFFFu);
        effects.Update((frame + 0.5f) / 20.0f);
        ASSERT_EQ(frame, effects.GetEffect(0)->frame);
        window.Clear(0x000000);
        effects.Render();
        const unsigned want = CellColour(frame % 4, frame / 4) & 0xFFFFFFu;
        EXPECT_LE(ColourDistance(want, window.ReadRGB((int)screen.x, (int)screen.y)), 3)
            << "frame " << frame;
    }
    // Gone after its sixteenth frame: nothing is drawn.
    effects.Update(1.0f);
    window.Clear(0x000000);
    effects.Render();
    EXPECT_EQ(0x000000u, window.ReadRGB((int)screen.x, (int)screen.y));
}

// Particles add their faded white to what is below: full at age 1, about half at 2.5.
TEST_F(JubEffectDrawFixture, ParticlesAddTheirFadedColour)
{
    CJubParticleSystem system;
    system.Init(&host);
    host.randomFloats = {-1000.0f, 0.0f, 0.0f, 0.0f, 1000.0f, 0.0f, 0.0f, 0.0f};
    system.SpawnParticle();
    system.SpawnParticle();
    CJubParticle* left = system.GetParticle(0);
    CJubParticle* right = system.GetParticle(1);
    for (CJubParticle* p : {left, right})
        p->size.Set(10.0f, 10.0f);
    left->age = 1.0f;
    right->age = 2.5f;
    window.Clear(0x202020);
    system.Render();
    EXPECT_LE(ColourDistance(0xFFFFFF, window.ReadRGB((int)left->position.x, (int)left->position.y)), 2);
    const unsigned half = 0x20 + 127;
    EXPECT_LE(ColourDistance(half * 0x010101u,
                             window.ReadRGB((int)right->position.x, (int)right->position.y)), 3);
    EXPECT_EQ(0x202020u, window.ReadRGB((int)left->position.x, (int)left->position.y + 14));
}
} // namespace
