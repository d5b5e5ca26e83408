#include "RenderTestKit.h"

#include "engine/KetrelResult.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubRenderer.h"
#include "game/match/JubShader.h"

#include <GLES2/gl2.h>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace
{
const int kWidth = 400;
const int kHeight = 240;

// One window and one renderer for each test.
class JubRendererFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!window.Open(kWidth, kHeight))
            GTEST_SKIP() << window.skipReason;
        ASSERT_EQ(KE_OK, renderer.Init(window.app.get()));
        cache.SetSource(&images);
        renderer.SetAssets(&cache);
        window.Clear(0xFFFFFF);
    }
    void TearDown() override
    {
        cache.SetSource(nullptr);
    }

    CKetrelColor Colour(f32 r, f32 g, f32 b, f32 a)
    {
        CKetrelColor c;
        c.Set(r, g, b, a);
        return c;
    }

    RenderTestWindow window;
    TestImageSource images;
    CJubAssetCache cache;
    CJubRenderer renderer;
};

std::string Log(const CJubShader& shader)
{
    return Narrow(shader.GetErrorLog());
}

// ---- programs ----

TEST_F(JubRendererFixture, AllSevenProgramsCompileAndLinkWithoutLog)
{
    for (i32 i = 0; i < JUB_SHADER_COUNT; ++i)
    {
        CJubShader* shader = renderer.GetShader(i);
        ASSERT_NE(nullptr, shader) << "shader " << i;
        EXPECT_NE(0u, shader->GetProgram()) << "shader " << i;
        EXPECT_EQ("", Log(*shader)) << "shader " << i;
        EXPECT_GE(shader->position, 0) << "shader " << i;
        EXPECT_GE(shader->uv0, 0) << "shader " << i;
        EXPECT_GE(shader->texture0, 0) << "shader " << i;
    }
    // Inputs that only some programs have.
    EXPECT_GE(renderer.GetShader(JUB_SHADER_BLOCK)->uv1, 0);
    EXPECT_GE(renderer.GetShader(JUB_SHADER_BLOCK)->shade, 0);
    EXPECT_GE(renderer.GetShader(JUB_SHADER_BLOCK)->texture1, 0);
    for (i32 i : {JUB_SHADER_WATER, JUB_SHADER_BLOCK, JUB_SHADER_GLOOB, JUB_SHADER_WORLD,
                  JUB_SHADER_BACKGROUND})
        EXPECT_GE(renderer.GetShader(i)->projectionMatrix, 0) << "shader " << i;
    for (i32 i : {JUB_SHADER_SCREEN, JUB_SHADER_SCREEN_OVERLAY})
        EXPECT_LT(renderer.GetShader(i)->projectionMatrix, 0) << "shader " << i;
}

// A fragment text that samples nothing, so the sampler uniforms are missing.
const char* const kNoSamplerFragment =
    "precision mediump float;\n"
    "varying vec2 vUv0;\n"
    "void main() { gl_FragColor = vec4(vUv0, 0.0, 1.0); }\n";
const char* const kBlockOnlyTexture0 =
    "precision mediump float;\n"
    "uniform sampler2D texture0;\n"
    "varying vec2 vUv0;\n"
    "varying vec2 vUv1;\n"
    "varying float vShade;\n"
    "void main() { gl_FragColor = texture2D(texture0, vUv0) * vShade; }\n";
const char* const kBrokenVertex = "attribute vec3 position;\nvoid main() { gl_Position = position; }\n";

TEST_F(JubRendererFixture, ShaderLogsSpellWhatWentWrong)
{
    IKetrelApplication* app = window.app.get();
    const char* water = "WATER SHADER : Failed to get uniform location texture0 \n";
    struct Case
    {
        const char* name;
        std::function<CJubShader*()> make;
        std::string log;
    };
    const std::vector<Case> cases = {
        {"water without sampler",
         [&] { return new CJubWaterShader(app, nullptr, kNoSamplerFragment); }, water},
        {"block without either sampler",
         [&] { return new CJubBlockShader(app, CJubShaderTexts::kGloobVertex, kNoSamplerFragment); },
         "BLOCK SHADER 0: Failed to get uniform location texture0 \n"
         "BLOCK SHADER 1: Failed to get uniform location texture1 \n"},
        {"block without texture1",
         [&] { return new CJubBlockShader(app, nullptr, kBlockOnlyTexture0); },
         "BLOCK SHADER 1: Failed to get uniform location texture1 \n"},
        {"gloob", [&] { return new CJubGloobShader(app, nullptr, kNoSamplerFragment); },
         "GLOOB SHADER : Failed to get uniform location texture0 \n"},
        {"screen", [&] { return new CJubScreenShader(app, nullptr, kNoSamplerFragment); },
         "SCREEN SHADER : Failed to get uniform location texture0 \n"},
        {"screen overlay",
         [&] { return new CJubScreenOverlayShader(app, nullptr, kNoSamplerFragment); },
         "SCREEN OVERLAY SHADER : Failed to get uniform location texture0 \n"},
        {"world", [&] { return new CJubWorldShader(app, nullptr, kNoSamplerFragment); },
         "WORLD SHADER : Failed to get uniform location texture0 \n"},
        {"background", [&] { return new CJubBackgroundShader(app, nullptr, kNoSamplerFragment); },
         "BACKGROUND SHADER : Failed to get uniform location texture0 \n"},
        {"vertex text that does not compile",
         [&] { return new CJubWaterShader(app, kBrokenVertex, nullptr); },
         std::string("Failed to create shader program \n") + water},
        {"no application", [&] { return new CJubWaterShader(nullptr); },
         std::string("NULL Extension \n") + water},
    };
    for (const Case& c : cases)
    {
        std::unique_ptr<CJubShader> shader(c.make());
        EXPECT_EQ(c.log, Log(*shader)) << c.name;
    }
}

TEST_F(JubRendererFixture, FailedBuildLeavesNoProgramAndDrawsNothing)
{
    std::unique_ptr<CJubShader> broken(new CJubScreenShader(window.app.get(), kBrokenVertex));
    EXPECT_EQ(0u, broken->GetProgram());
    EXPECT_EQ(0u, broken->GetVertexShader());
    EXPECT_EQ(0u, broken->GetFragmentShader());
}

// ---- GL state after each routine ----

struct GLState
{
    GLboolean blend, depthTest, depthMask;
    GLint texture0, texture1, activeUnit, arrayBuffer, elementBuffer, equationRGB, equationAlpha;
    std::vector<GLint> enabledArrays;
};

GLState ReadState()
{
    GLState s;
    s.blend = glIsEnabled(GL_BLEND);
    s.depthTest = glIsEnabled(GL_DEPTH_TEST);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &s.depthMask);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &s.activeUnit);
    glActiveTexture(GL_TEXTURE1);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.texture1);
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.texture0);
    glActiveTexture((GLenum)s.activeUnit);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &s.arrayBuffer);
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &s.elementBuffer);
    glGetIntegerv(GL_BLEND_EQUATION_RGB, &s.equationRGB);
    glGetIntegerv(GL_BLEND_EQUATION_ALPHA, &s.equationAlpha);
    GLint count = 0;
    glGetIntegerv(GL_MAX_VERTEX_ATTRIBS, &count);
    for (GLint i = 0; i < count; ++i)
    {
        GLint on = 0;
        glGetVertexAttribiv((GLuint)i, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &on);
        if (on)
            s.enabledArrays.push_back(i);
    }
    return s;
}

TEST_F(JubRendererFixture, EveryRoutineRestoresTheGLState)
{
    std::unique_ptr<CKetrelSurface> tex = MakeSolidTexture(8, 8, 0xFF808080);
    ASSERT_TRUE(tex);
    images.Add(JUB_IMAGE_WAVES, tex.get());
    images.Add(JUB_IMAGE_WATER_BASE, tex.get());
    const CKetrelColor white = Colour(1, 1, 1, 1);
    const CKetrelColor half = Colour(1, 1, 1, 0.5f);
    const CKetrelVector2 centre(200, 120), size(20, 20), world(0.0f, 0.5f), worldSize(0.2f, 0.2f);
    CJubBlockQuad quads[3] = {{CKetrelVector2(0.0f, 0.5f), CKetrelVector2(0.1f, 0.1f), 1.0f},
                              {CKetrelVector2(0.3f, 0.5f), CKetrelVector2(0.1f, 0.1f), 0.5f},
                              {CKetrelVector2(0.6f, 0.5f), CKetrelVector2(0.1f, 0.1f), 0.8f}};
    const CKetrelVector2 corners[4] = {CKetrelVector2(-0.1f, 0.6f), CKetrelVector2(0.1f, 0.6f),
                                       CKetrelVector2(0.1f, 0.4f), CKetrelVector2(-0.1f, 0.4f)};
    CKetrelSurface* t = tex.get();
    struct Case
    {
        const char* name;
        std::function<void()> draw;
    };
    const std::vector<Case> cases = {
        {"sprite", [&] { renderer.DrawSprite(centre, size, t, white); }},
        {"translucent sprite", [&] { renderer.DrawSprite(centre, size, t, half); }},
        {"sprite frame", [&] { renderer.DrawSpriteFrame(centre, size, t, 1, 2, 4, 4, white); }},
        {"rotated frame",
         [&] { renderer.DrawSpriteFrameRotated(centre, size, t, 1, 2, 4, 4, 0.7f, white); }},
        {"overlay", [&] { renderer.DrawOverlaySprite(centre, size, t, 0, 0, 1, 1, white, 0); }},
        {"multiplying overlay",
         [&] { renderer.DrawOverlaySprite(centre, size, t, 0, 0, 1, 1, white, 1); }},
        {"particle", [&] { renderer.DrawParticle(centre, size, t, 0.3f, half); }},
        {"world sprite",
         [&] { renderer.DrawWorldSprite(JUB_SHADER_WORLD, world, worldSize, t, white); }},
        {"creature quad", [&] { renderer.DrawCreatureQuad(corners, t, white); }},
        {"opaque background", [&] { renderer.DrawBackground(world, worldSize, t, white, 1); }},
        {"water", [&] { renderer.DrawWater(0); }},
        {"editor water", [&] { renderer.DrawWater(1); }},
        {"block batch", [&] { renderer.DrawBlockBatch(quads, 3, t, t); }},
        {"block outlines",
         [&] { renderer.DrawBlockOutlines(quads, 3, t, Colour(0.3f, 0.3f, 0.3f, 1), 0.01f); }},
    };
    for (const Case& c : cases)
    {
        // Start from the state the engine leaves, with every array off, so that an array
        // still enabled afterwards is the routine's own.
        GLint count = 0;
        glGetIntegerv(GL_MAX_VERTEX_ATTRIBS, &count);
        for (GLint i = 0; i < count; ++i)
            glDisableVertexAttribArray((GLuint)i);
        c.draw();
        EXPECT_EQ((GLenum)GL_NO_ERROR, glGetError()) << c.name;
        GLState s = ReadState();
        EXPECT_FALSE(s.blend) << c.name;
        EXPECT_TRUE(s.depthTest) << c.name;
        EXPECT_TRUE(s.depthMask) << c.name;
        EXPECT_EQ(0, s.texture0) << c.name;
        EXPECT_EQ(0, s.texture1) << c.name;
        EXPECT_EQ(GL_TEXTURE0, s.activeUnit) << c.name;
        EXPECT_EQ(0, s.arrayBuffer) << c.name;
        EXPECT_EQ(GL_FUNC_ADD, s.equationRGB) << c.name;
        EXPECT_EQ(GL_FUNC_ADD, s.equationAlpha) << c.name;
        EXPECT_TRUE(s.enabledArrays.empty()) << c.name << ": array " << s.enabledArrays[0];
    }
}

// ---- pixels ----

TEST_F(JubRendererFixture, SpriteCoversItsBoxWithTheRightBlend)
{
    // Premultiplied half-transparent red: (128, 0, 0) with alpha 128.
    std::unique_ptr<CKetrelSurface> red = MakeSolidTexture(4, 4, 0x80800000);
    std::unique_ptr<CKetrelSurface> opaque = MakeSolidTexture(4, 4, 0xFF00FF00);
    ASSERT_TRUE(red && opaque);
    struct Case
    {
        const char* name;
        CKetrelSurface* texture;
        CKetrelColor colour;
        unsigned inside;    // expected over white
    };
    const Case cases[] = {
        // (ONE, ONE_MINUS_SRC_ALPHA): 128 + 255 x (1 - 128/255).
        {"opaque colour, premultiplied blend", red.get(), Colour(1, 1, 1, 1), 0xFF7F7F},
        // (SRC_ALPHA, ONE_MINUS_SRC_ALPHA) on texel x colour = (0.502, 0, 0, 0.251):
        // 0.502 x 0.251 + (1 - 0.251) = 0.875 for red, 0.749 for green and blue.
        {"translucent colour, straight blend", red.get(), Colour(1, 1, 1, 0.5f), 0xDFBFBF},
        {"opaque texture, tinted away", opaque.get(), Colour(1, 0, 1, 1), 0x000000},
    };
    for (const Case& c : cases)
    {
        window.Clear(0xFFFFFF);
        renderer.DrawSprite(CKetrelVector2(100, 80), CKetrelVector2(20, 10), c.texture, c.colour);
        EXPECT_LE(ColourDistance(c.inside, window.ReadRGB(100, 80)), 3) << c.name << std::hex
                                                                       << window.ReadRGB(100, 80);
        EXPECT_LE(ColourDistance(c.inside, window.ReadRGB(82, 72)), 3) << c.name << ", corner";
        EXPECT_EQ(0xFFFFFFu, window.ReadRGB(78, 80)) << c.name << ", left of the box";
        EXPECT_EQ(0xFFFFFFu, window.ReadRGB(100, 92)) << c.name << ", below the box";
    }
}

TEST_F(JubRendererFixture, SpriteFramePicksItsSheetCell)
{
    // A 4 x 4 sheet of 16 x 16 cells, each a colour of its own.
    auto cellColour = [](int column, int row) {
        return 0xFF000000u | ((unsigned)(column * 80) << 16) | ((unsigned)(row * 80) << 8) | 0x20;
    };
    std::unique_ptr<CKetrelSurface> sheet =
        MakeTexture(64, 64, [&](int x, int y) { return cellColour(x / 16, y / 16); });
    ASSERT_TRUE(sheet);
    struct Case
    {
        i32 column, row;
        unsigned expected;
    };
    const Case cases[] = {{0, 0, cellColour(0, 0)}, {2, 1, cellColour(2, 1)},
                          {3, 3, cellColour(3, 3)}, {6, 2, cellColour(2, 2)},   // 6 mod 4
                          {-1, 0, cellColour(3, 0)}};
    for (const Case& c : cases)
    {
        window.Clear(0xFFFFFF);
        renderer.DrawSpriteFrame(CKetrelVector2(200, 120), CKetrelVector2(30, 30), sheet.get(),
                                 c.column, c.row, 4, 4, Colour(1, 1, 1, 1));
        EXPECT_LE(ColourDistance(c.expected & 0xFFFFFF, window.ReadRGB(200, 120)), 2)
            << "cell " << c.column << ", " << c.row;
    }
}

TEST_F(JubRendererFixture, RotatedFrameTurnsAboutItsCentre)
{
    // Left half red, right half blue: a half turn puts blue on the left.
    std::unique_ptr<CKetrelSurface> tex =
        MakeTexture(16, 16, [](int x, int) { return x < 8 ? 0xFFFF0000u : 0xFF0000FFu; });
    ASSERT_TRUE(tex);
    renderer.DrawSpriteFrameRotated(CKetrelVector2(200, 120), CKetrelVector2(40, 20), tex.get(), 0, 0,
                                    1, 1, 3.14159265f, Colour(1, 1, 1, 1));
    EXPECT_EQ(0x0000FFu, window.ReadRGB(180, 120));
    EXPECT_EQ(0xFF0000u, window.ReadRGB(220, 120));
    window.Clear(0xFFFFFF);
    // A quarter turn counter-clockwise stands the quad up: the red half goes to the bottom.
    renderer.DrawSpriteFrameRotated(CKetrelVector2(200, 120), CKetrelVector2(40, 20), tex.get(), 0, 0,
                                    1, 1, 1.5707963f, Colour(1, 1, 1, 1));
    EXPECT_EQ(0xFF0000u, window.ReadRGB(200, 140));
    EXPECT_EQ(0x0000FFu, window.ReadRGB(200, 100));
    EXPECT_EQ(0xFFFFFFu, window.ReadRGB(230, 120)) << "narrow after turning";
}

TEST_F(JubRendererFixture, MissingTextureDrawsNothing)
{
    renderer.DrawSprite(CKetrelVector2(200, 120), CKetrelVector2(50, 50), nullptr,
                        Colour(1, 1, 1, 1));
    CKetrelSurface noTexture;
    renderer.DrawWorldSprite(JUB_SHADER_GLOOB, CKetrelVector2(0, 0.5f), CKetrelVector2(1, 1),
                             &noTexture, Colour(1, 1, 1, 1));
    renderer.DrawWater(0);   // no waves image
    EXPECT_EQ(0xFFFFFFu, window.ReadRGB(200, 120));
    EXPECT_EQ(0xFFFFFFu, window.ReadRGB(200, 230));
}

TEST_F(JubRendererFixture, WorldSpriteLandsWhereTheCameraMapsItsCentre)
{
    std::unique_ptr<CKetrelSurface> tex = MakeSolidTexture(4, 4, 0xFF000000);
    ASSERT_TRUE(tex);
    struct Case
    {
        const char* name;
        CKetrelVector2 offset;
        f32 zoom;
        CKetrelVector2 point;
    };
    const Case cases[] = {
        {"start view", CKetrelVector2(0.0f, 0.5f), 1.0f, CKetrelVector2(0.0f, 0.5f)},
        {"off centre", CKetrelVector2(0.0f, 0.5f), 1.0f, CKetrelVector2(-0.5f, 0.7f)},
        {"panned and zoomed out", CKetrelVector2(-0.8f, 1.0f), 0.4f, CKetrelVector2(1.5f, 0.2f)},
    };
    CJubCamera& camera = renderer.GetCamera();
    for (const Case& c : cases)
    {
        camera.SetViewOffset(c.offset);
        camera.SetZoom(c.zoom);
        camera.SetZoomTarget(c.zoom);
        camera.Update();
        window.Clear(0xFFFFFF);
        CKetrelVector2 screen;
        camera.WorldToScreen(c.point, screen);
        renderer.DrawWorldSprite(JUB_SHADER_GLOOB, c.point, CKetrelVector2(0.05f, 0.05f), tex.get(),
                                 Colour(1, 1, 1, 1));
        // The quad measures 0.1 x zoom x half width pixels across.
        f32 halfPixels = 0.05f * c.zoom * kWidth / 2.0f;
        EXPECT_EQ(0x000000u, window.ReadRGB((int)screen.x, (int)screen.y)) << c.name;
        EXPECT_EQ(0xFFFFFFu, window.ReadRGB((int)(screen.x + halfPixels + 3), (int)screen.y))
            << c.name << ", right of it";
        EXPECT_EQ(0xFFFFFFu, window.ReadRGB((int)screen.x, (int)(screen.y - halfPixels - 3)))
            << c.name << ", above it";
    }
}

TEST_F(JubRendererFixture, WaterFillsBelowTheLineAndNeedsTheWavesImage)
{
    std::unique_ptr<CKetrelSurface> base = MakeSolidTexture(8, 8, 0xFF0000C0);
    std::unique_ptr<CKetrelSurface> waves = MakeSolidTexture(8, 8, 0xFF00C0C0);
    ASSERT_TRUE(base && waves);
    images.Add(JUB_IMAGE_WATER_BASE, base.get());
    // Without image 45 nothing at all is drawn, not even the body.
    renderer.DrawWater(0);
    EXPECT_EQ(0xFFFFFFu, window.ReadRGB(200, 235));

    images.Add(JUB_IMAGE_WAVES, waves.get());
    CJubCamera& camera = renderer.GetCamera();
    camera.SetViewOffset(CKetrelVector2(0.0f, 0.3f));
    camera.Update();
    for (f32 clock : {0.0f, 0.4f, 2.5f})
    {
        window.Clear(0xFFFFFF);
        renderer.SetClock(clock);
        renderer.DrawWater(0);
        // The water line y = 0 is at (offset.y x zoom x half width) below the centre.
        CKetrelVector2 line;
        camera.WorldToScreen(CKetrelVector2(0, 0), line);
        EXPECT_EQ(0x0000C0u, window.ReadRGB(200, kHeight - 5)) << "body, clock " << clock;
        EXPECT_EQ(0xFFFFFFu, window.ReadRGB(200, (int)line.y - 20)) << "above, clock " << clock;
        // The wave strips sit within 0.1 world units of the line.
        unsigned atLine = window.ReadRGB(200, (int)line.y);
        EXPECT_NE(0xFFFFFFu, atLine) << "clock " << clock;
    }
}

TEST_F(JubRendererFixture, BlockBatchDrawsEveryQuadInRuns)
{
    std::unique_ptr<CKetrelSurface> shape = MakeSolidTexture(8, 8, 0xFFFFFFFF);
    std::unique_ptr<CKetrelSurface> surface = MakeSolidTexture(8, 8, 0xFF40C040);
    ASSERT_TRUE(shape && surface);
    // A full level of same-style blocks does not overlap and goes in one batch: the buffers
    // must hold it. Beyond 255 quads the batch is drawn in more than one run.
    struct Case
    {
        int count;
        int draws;
    };
    const Case cases[] = {{1, 1}, {223, 1}, {255, 1}, {256, 2}, {600, 3}};
    CJubCamera& camera = renderer.GetCamera();
    camera.SetViewOffset(CKetrelVector2(0.0f, 0.0f));
    camera.Update();
    for (const Case& c : cases)
    {
        // Blocks 0.02 wide (4 pixels) on a grid of 0.04, 40 to a row, from (-0.8, -0.3).
        std::vector<CJubBlockQuad> quads;
        for (int i = 0; i < c.count; ++i)
        {
            CJubBlockQuad q;
            q.centre = CKetrelVector2(-0.8f + 0.04f * (f32)(i % 40), -0.3f + 0.04f * (f32)(i / 40));
            q.halfSize = CKetrelVector2(0.01f, 0.01f);
            q.shade = 1.0f;
            quads.push_back(q);
        }
        window.Clear(0xFFFFFF);
        renderer.ResetBatchDrawCount();
        renderer.DrawBlockBatch(quads.data(), c.count, shape.get(), surface.get());
        EXPECT_EQ(c.draws, renderer.GetBatchDrawCount()) << c.count << " quads";
        // The last quad is drawn, and a gap between quads is not.
        CKetrelVector2 last, gap;
        camera.WorldToScreen(quads.back().centre, last);
        camera.WorldToScreen(CKetrelVector2(quads.back().centre.x + 0.02f, quads.back().centre.y),
                             gap);
        EXPECT_EQ(0x40C040u, window.ReadRGB((int)last.x, (int)last.y)) << c.count << " quads";
        EXPECT_EQ(0xFFFFFFu, window.ReadRGB((int)gap.x, (int)gap.y)) << c.count << " quads";
    }
    EXPECT_GE(renderer.GetBatchVertexBytes(), JUB_BATCH_MAX_QUADS * 4 * 32);
    EXPECT_GE(renderer.GetBatchIndexBytes(), JUB_BATCH_MAX_QUADS * 6 * 2);
}

TEST_F(JubRendererFixture, BlockShadeAndSurfaceMultiplyTheShape)
{
    std::unique_ptr<CKetrelSurface> shape = MakeSolidTexture(8, 8, 0xFF8080FF);
    std::unique_ptr<CKetrelSurface> surface = MakeSolidTexture(8, 8, 0xFFFFFF80);
    ASSERT_TRUE(shape && surface);
    CJubBlockQuad quads[2] = {{CKetrelVector2(-0.3f, 0.5f), CKetrelVector2(0.1f, 0.1f), 1.0f},
                              {CKetrelVector2(0.3f, 0.5f), CKetrelVector2(0.1f, 0.1f), 0.5f}};
    renderer.DrawBlockBatch(quads, 2, shape.get(), surface.get());
    CKetrelVector2 a, b;
    renderer.GetCamera().WorldToScreen(quads[0].centre, a);
    renderer.GetCamera().WorldToScreen(quads[1].centre, b);
    // rgb = shape x surface x shade.
    EXPECT_LE(ColourDistance(0x808080, window.ReadRGB((int)a.x, (int)a.y)), 2);
    EXPECT_LE(ColourDistance(0x404040, window.ReadRGB((int)b.x, (int)b.y)), 2);
}

TEST_F(JubRendererFixture, OutlinePassDarkensARimAroundEachBlock)
{
    std::unique_ptr<CKetrelSurface> white = MakeSolidTexture(8, 8, 0xFFFFFFFF);
    ASSERT_TRUE(white);
    window.Clear(0xC0C0C0);
    CJubBlockQuad quad = {CKetrelVector2(0.0f, 0.5f), CKetrelVector2(0.2f, 0.1f), 1.0f};
    renderer.DrawBlockOutlines(&quad, 1, white.get(), Colour(0.5f, 0.25f, 0.0f, 1.0f), 0.03f);
    CKetrelVector2 rim, outside;
    renderer.GetCamera().WorldToScreen(CKetrelVector2(0.215f, 0.5f), rim);
    renderer.GetCamera().WorldToScreen(CKetrelVector2(0.26f, 0.5f), outside);
    // The target loses colour x its alpha (1 in an opaque window) per channel.
    // 192 - 128, 192 - 64, 192 - 0.
    EXPECT_LE(ColourDistance(0x4080C0, window.ReadRGB((int)rim.x, (int)rim.y)), 2);
    EXPECT_EQ(0xC0C0C0u, window.ReadRGB((int)outside.x, (int)outside.y));
}

// ---- context loss ----

TEST_F(JubRendererFixture, ShadersAreMadeAgainAfterTheContextIsRestored)
{
    std::unique_ptr<CKetrelSurface> tex = MakeSolidTexture(4, 4, 0xFF0000FF);
    ASSERT_TRUE(tex);
    ASSERT_EQ(KE_OK, window.gl->Restore());
    // The surface's texture belonged to the old context.
    ASSERT_EQ(KE_OK, tex->RecreateTexture());
    renderer.CreateShaders();
    for (i32 i = 0; i < JUB_SHADER_COUNT; ++i)
    {
        EXPECT_NE(0u, renderer.GetShader(i)->GetProgram()) << "shader " << i;
        EXPECT_EQ("", Log(*renderer.GetShader(i))) << "shader " << i;
    }
    window.Clear(0xFFFFFF);
    renderer.DrawSprite(CKetrelVector2(50, 50), CKetrelVector2(10, 10), tex.get(),
                        Colour(1, 1, 1, 1));
    EXPECT_EQ(0x0000FFu, window.ReadRGB(50, 50));
    // The engine's own programs, made by the restore, still draw after ours were made.
    CKetrelRect box(100, 100, 120, 120);
    window.gl->StretchBlit(&box, tex.get(), nullptr, 0);
    EXPECT_EQ(0x0000FFu, window.ReadRGB(110, 110));
}
} // namespace
