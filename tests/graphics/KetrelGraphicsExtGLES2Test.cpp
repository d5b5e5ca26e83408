// The OpenGL ES 2.0 renderer on a window of a private X server (Mesa's software
// rasteriser): every drawing operation is read back with glReadPixels before the
// swap, and compared with the software surface where the two must agree.
#include "GLTestWindow.h"

#include "engine/KetrelResult.h"
#include "engine/graphics/Ketrel3DProgram.h"
#include "engine/graphics/KetrelMatrix4.h"

#include <GLES2/gl2.h>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace
{
const int kW = 160, kH = 120;
const f32 kPi = 3.14159265f;

class GLES2Test : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_ok = s_window.Open(kW, kH); }
    static void TearDownTestSuite() { s_window.Close(); }
    void SetUp() override
    {
        if (!s_ok)
            GTEST_SKIP() << s_window.skipReason;
        gl = s_window.gl;
        gl->SetClipRect(nullptr);
        gl->FillRect(0xFF000000, nullptr);
    }
    unsigned At(int x, int y) { return ReadRGB(x, y, kH); }

    static GLTestWindow s_window;
    static bool s_ok;
    CKetrelGraphicsExt_GLES2* gl = nullptr;
};
GLTestWindow GLES2Test::s_window;
bool GLES2Test::s_ok = false;

bool Near(unsigned a, unsigned b, int tolerance)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs((int)((a >> shift) & 0xFF) - (int)((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

// 16 x 16 test picture: premultiplied colour with alpha 255, 128 and 0 in bands,
// so that alpha blends, mirrors and source rects all show.
unsigned Picture(int x, int y)
{
    unsigned a = y < 6 ? 255u : (y < 11 ? 128u : 0u);
    unsigned r = (unsigned)(x * 16) * a / 255, g = (unsigned)(y * 16) * a / 255, b = 200u * a / 255;
    return a << 24 | r << 16 | g << 8 | b;
}
} // namespace

TEST_F(GLES2Test, CreatesSevenProgramsAndNamesItself)
{
    EXPECT_EQ(7, gl->GetProgramCount());
    EXPECT_EQ(1, gl->IsHardware());
    EXPECT_EQ(0, gl->GetPixelFormat());
    EXPECT_EQ(7, s_window.app->GetPixelFormat());
    EXPECT_EQ(kW, gl->GetWidth());
    EXPECT_EQ(kH, gl->GetHeight());
    EXPECT_TRUE(gl->GetID().Equals(CKetrelString("KetrelEngine OpenGL ES 2.0 Extension")));
    EXPECT_EQ(8, gl->GetColorBits(0));
    EXPECT_EQ(gl->GetFontProgram(), gl->GetProgramAt(5));
    EXPECT_NE(gl->GetFontProgram()->GetProgram(), gl->GetSecondFontProgram()->GetProgram());
    for (i32 i = 0; i < gl->GetProgramCount(); ++i)
        EXPECT_NE(0u, gl->GetProgramAt(i)->GetProgram()) << "program " << i;
}

TEST_F(GLES2Test, FillRectCoversItsRectAndDropsTheScissor)
{
    CKetrelRect clip(0, 0, 20, 20);
    gl->SetClipRect(&clip);
    CKetrelRect r(30, 40, 50, 45);
    ASSERT_EQ(KE_OK, gl->FillRect(0xFF112233, &r));
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    struct Case { int x, y; unsigned rgb; };
    const Case cases[] = {{30, 40, 0x112233}, {49, 44, 0x112233}, {29, 40, 0}, {50, 40, 0},
                          {30, 39, 0}, {30, 45, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(c.rgb, At(c.x, c.y)) << c.x << "," << c.y;

    // Without a rect the clear is limited by the clip rectangle in force.
    gl->SetClipRect(&clip);
    gl->FillRect(0xFF00FF00, nullptr);
    EXPECT_EQ(0x00FF00u, At(19, 19));
    EXPECT_EQ(0x112233u, At(30, 40));
    EXPECT_EQ(0u, At(20, 20));
}

TEST_F(GLES2Test, ClipRectIsClamped)
{
    struct Case { const char* name; CKetrelRect in, out; };
    const Case cases[] = {
        {"inside", {10, 10, 20, 20}, {10, 10, 20, 20}},
        {"beyond every edge", {-10, -10, 5000, 5000}, {0, 0, kW, kH}},
        {"right before left", {50, 10, 40, 20}, {50, 10, 50, 20}},
        {"bottom before top", {10, 50, 20, 40}, {10, 50, 20, 50}},
        {"left past the width", {500, 0, 600, 10}, {kW, 0, kW, 10}},
    };
    for (const Case& c : cases)
    {
        gl->SetClipRect(&c.in);
        CKetrelRect got;
        gl->GetClipRect(&got);
        EXPECT_EQ(c.out.left, got.left) << c.name;
        EXPECT_EQ(c.out.top, got.top) << c.name;
        EXPECT_EQ(c.out.right, got.right) << c.name;
        EXPECT_EQ(c.out.bottom, got.bottom) << c.name;
        EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST)) << c.name;
    }
    gl->SetClipRect(nullptr);
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));

    // Drawing is cut at the scissor.
    std::unique_ptr<CKetrelSurface> white = MakeTextureSurface(16, 16, [](int, int) { return 0xFFFFFFFFu; });
    ASSERT_TRUE(white);
    CKetrelRect clip(0, 0, 8, 120);
    gl->SetClipRect(&clip);
    gl->Blit(0, 0, white.get(), nullptr, 0);
    gl->SetClipRect(nullptr);
    EXPECT_EQ(0xFFFFFFu, At(7, 5));
    EXPECT_EQ(0u, At(8, 5));
}

// A clip that is inverted, empty or outside the target draws nothing, whatever the
// operation; an opaque fill of an inverted or empty rect clears nothing either.
TEST_F(GLES2Test, EmptyClipOrRectDrawsNothing)
{
    std::unique_ptr<CKetrelSurface> white = MakeTextureSurface(16, 16, [](int, int) { return 0xFFFFFFFFu; });
    ASSERT_TRUE(white);
    auto unchanged = []() {
        std::vector<unsigned char> pixels((size_t)kW * kH * 4);
        glReadPixels(0, 0, kW, kH, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        for (size_t i = 0; i < pixels.size(); i += 4)
            if (pixels[i] != 0x40 || pixels[i + 1] != 0x40 || pixels[i + 2] != 0x40)
                return false;
        return true;
    };
    const CKetrelRect clips[] = {{1, -9, 6, -22}, {90, 80, 10, 5}, {-24, -24, -24, -24}, {-22, -22, 0, 0},
                                 {kW, 10, kW + 50, 60}};
    const CKetrelRect whole(0, 0, kW, kH);
    for (const CKetrelRect& clip : clips)
    {
        gl->SetClipRect(nullptr);
        gl->FillRect(0xFF404040, nullptr);
        gl->SetClipRect(&clip);
        gl->Blit(0, 0, white.get(), nullptr, 0);
        gl->StretchBlit(&whole, white.get(), nullptr, 0);
        gl->BlitTinted(4, 4, white.get(), nullptr, 0xFFFF0000, 0);
        gl->StretchBlitTinted(&whole, white.get(), nullptr, 0xFF00FF00, KE_BLT_ALPHA);
        gl->BlitRotated(40, 40, white.get(), 0.5f, 30, 0);
        gl->FillRectAlpha(0x80FFFFFF, nullptr);
        gl->DimRect(nullptr, 0.5f);
        gl->FillGradient(0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, nullptr);
        gl->DrawLine(0, 0, kW, kH, 0xFFFFFFFF, 0xFFFFFFFF);
        EXPECT_TRUE(unchanged()) << "clip " << clip.left << "," << clip.top << "," << clip.right << ","
                                 << clip.bottom;
    }
    const CKetrelRect rects[] = {{50, 40, 10, 5}, {20, 20, 20, 60}, {-30, -30, -10, -10}, {kW, 0, kW + 9, kH}};
    for (const CKetrelRect& r : rects)
    {
        gl->SetClipRect(&whole);   // leaves a whole-target scissor box behind
        gl->SetClipRect(nullptr);
        gl->FillRect(0xFF404040, nullptr);
        EXPECT_EQ(KE_OK, gl->FillRect(0xFFFFFFFF, &r));
        EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
        EXPECT_TRUE(unchanged()) << "rect " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    }
}

// The unscaled blits agree with the software surface on the same scene.
TEST_F(GLES2Test, BlitsMatchTheSoftwareSurface)
{
    std::unique_ptr<CKetrelSurface> picture = MakeTextureSurface(16, 16, Picture);
    ASSERT_TRUE(picture);
    struct Case { const char* name; int x, y; u32 flags; bool withRect; };
    const Case cases[] = {
        {"plain", 10, 20, 0, false},
        {"alpha", 30, 5, KE_BLT_ALPHA, false},
        {"mirror x", 60, 40, KE_BLT_MIRROR_X | KE_BLT_ALPHA, false},
        {"mirror y", 90, 60, KE_BLT_MIRROR_Y, false},
        {"source rect", 5, 80, KE_BLT_ALPHA, true},
        {"centre x", 0, 90, KE_BLT_CENTER_X, false},
    };
    const CKetrelRect sourceRect(2, 3, 12, 14);
    for (const Case& c : cases)
    {
        const unsigned background = 0xFF405060;
        gl->FillRect(background, nullptr);
        std::unique_ptr<CKetrelSurface> soft = MakeSoftwareTarget(kW, kH, background);
        ASSERT_TRUE(soft);
        const CKetrelRect* rect = c.withRect ? &sourceRect : nullptr;
        ASSERT_EQ(KE_OK, gl->Blit(c.x, c.y, picture.get(), rect, c.flags)) << c.name;
        ASSERT_EQ(KE_OK, soft->Blit(c.x, c.y, picture.get(), rect, c.flags)) << c.name;
        int mismatches = 0;
        for (int y = 0; y < kH; y += 1)
            for (int x = 0; x < kW; x += 1)
            {
                unsigned want = soft->GetPixel(x, y) & 0xFFFFFF;
                unsigned got = At(x, y);
                if (!Near(want, got, 1) && mismatches++ < 3)
                    ADD_FAILURE() << c.name << " at " << x << "," << y << ": software "
                                  << std::hex << want << ", GL " << got;
            }
    }
}

TEST_F(GLES2Test, CentreFlagIgnoresTheGivenCoordinate)
{
    std::unique_ptr<CKetrelSurface> picture = MakeTextureSurface(16, 16, Picture);
    ASSERT_TRUE(picture);
    const int xs[] = {0, 37, 150};
    for (int x : xs)
    {
        gl->FillRect(0xFF000000, nullptr);
        gl->Blit(x, 0, picture.get(), nullptr, KE_BLT_CENTER_X);
        // Centred: columns 72 to 87.
        EXPECT_EQ(Picture(0, 0) & 0xFFFFFF, At(72, 0)) << "x " << x;
        EXPECT_EQ(Picture(15, 0) & 0xFFFFFF, At(87, 0)) << "x " << x;
        EXPECT_EQ(0u, At(71, 0)) << "x " << x;
        EXPECT_EQ(0u, At(88, 0)) << "x " << x;
    }
}

TEST_F(GLES2Test, UnusableSourcesAreRefusedWithoutDrawing)
{
    std::unique_ptr<CKetrelSurface> noTexture = MakePlainSurface(8, 8);
    ASSERT_TRUE(noTexture);
    IKetrelGraphicsContext* sources[] = {nullptr, noTexture.get(), gl};
    CKetrelRect dest(0, 0, 10, 10);
    CKetrelRectF rdest(0, 0, 0.5f, 0.5f);
    CKetrelVector2 point(0.1f, 0.1f);
    for (IKetrelGraphicsContext* source : sources)
    {
        EXPECT_EQ(KE_ERR_ARGUMENT, gl->Blit(0, 0, source, nullptr, 0));
        EXPECT_EQ(KE_ERR_ARGUMENT, gl->BlitRelative(&point, source, nullptr, 0));
        EXPECT_EQ(KE_ERR_ARGUMENT, gl->StretchBlit(&dest, source, nullptr, 0));
        EXPECT_EQ(KE_ERR_ARGUMENT, gl->StretchBlitRelative(&rdest, source, nullptr, 0));
        EXPECT_EQ(KE_ERR_ARGUMENT, gl->BlitRotated(0, 0, source, 1.0f, 10, 0));
        EXPECT_EQ(KE_ERR_ARGUMENT, gl->BlitTinted(0, 0, source, nullptr, 0xFFFFFFFF, 0));
        EXPECT_EQ(KE_ERR_ARGUMENT, gl->StretchBlitTinted(&dest, source, nullptr, 0xFFFFFFFF, 0));
        EXPECT_EQ(KE_ERR_ARGUMENT, gl->BlitRotatedTinted(&dest, source, nullptr, 0, 0xFFFFFFFF, 0));
        EXPECT_EQ(KE_ERR_ARGUMENT, gl->StretchBlitTransformed(&rdest, nullptr, source, nullptr, 0));
    }
    EXPECT_EQ(0u, At(2, 2));
}

TEST_F(GLES2Test, StretchAndTintedBlits)
{
    std::unique_ptr<CKetrelSurface> white = MakeTextureSurface(4, 4, [](int, int) { return 0xFFFFFFFFu; });
    ASSERT_TRUE(white);
    struct Case { const char* name; int kind; u32 colour; u32 flags; unsigned expect; };
    enum { kStretch, kTinted, kStretchTinted, kRotatedTinted };
    const Case cases[] = {
        {"stretch", kStretch, 0, 0, 0xFFFFFF},
        {"tinted, half-transparent red", kTinted, 0x80FF0000, 0, 0x800000},
        {"tinted, alpha 0 draws nothing", kTinted, 0x00FF0000, 0, 0x000000},
        {"stretch tinted premultiplies", kStretchTinted, 0x80FF0000, 0, 0x800000},
        // mix(colour x texel alpha, texel, colour alpha) = (1, 0.5, 0.5)
        {"stretch tinted, tint mode", kStretchTinted, 0x80FF0000, 0x400, 0xFF8080},
        {"stretch tinted, alpha 0", kStretchTinted, 0x00FF00FF, 0, 0x000000},
        {"rotated tinted, opaque blue", kRotatedTinted, 0xFF0000FF, 0, 0x0000FF},
    };
    CKetrelRect dest(20, 20, 60, 50);
    for (const Case& c : cases)
    {
        gl->FillRect(0xFF000000, nullptr);
        int rc = 0;
        if (c.kind == kStretch)
            rc = gl->StretchBlit(&dest, white.get(), nullptr, c.flags);
        else if (c.kind == kTinted)
            rc = gl->BlitTinted(20, 20, white.get(), nullptr, c.colour, c.flags);
        else if (c.kind == kStretchTinted)
            rc = gl->StretchBlitTinted(&dest, white.get(), nullptr, c.colour, c.flags);
        else
            rc = gl->BlitRotatedTinted(&dest, white.get(), nullptr, 0.0f, c.colour, c.flags);
        EXPECT_EQ(KE_OK, rc) << c.name;
        EXPECT_TRUE(Near(c.expect, At(21, 21), 1)) << c.name << ": " << std::hex << At(21, 21);
        EXPECT_EQ(0u, At(19, 19)) << c.name;
    }
    // The stretched quad fills dest exactly.
    gl->FillRect(0xFF000000, nullptr);
    gl->StretchBlit(&dest, white.get(), nullptr, 0);
    EXPECT_EQ(0xFFFFFFu, At(59, 49));
    EXPECT_EQ(0u, At(60, 49));
    EXPECT_EQ(0u, At(59, 50));

    // A transparent rotated tinted quad is still drawn (its texture is bound),
    // a transparent tinted blit is not.
    gl->BindTexture(0, 0);
    gl->Present();
    gl->BlitTinted(0, 0, white.get(), nullptr, 0x00FFFFFF, 0);
    EXPECT_EQ(0u, gl->GetTextureBindCount());
    gl->BlitRotatedTinted(&dest, white.get(), nullptr, 0.0f, 0x00FFFFFF, 0);
    EXPECT_EQ(1u, gl->GetTextureBindCount());
}

TEST_F(GLES2Test, RotatedBlitTurnsAboutTheQuadCentre)
{
    // 20 x 10: left half red, right half blue.
    std::unique_ptr<CKetrelSurface> bar = MakeTextureSurface(
        20, 10, [](int x, int) { return x < 10 ? 0xFFFF0000u : 0xFF0000FFu; });
    ASSERT_TRUE(bar);
    // Unturned: top-left corner on (50, 50), the larger side 20 pixels.
    gl->BlitRotated(50, 50, bar.get(), 0.0f, 20, 0);
    EXPECT_EQ(0xFF0000u, At(50, 50));
    EXPECT_EQ(0x0000FFu, At(69, 59));
    EXPECT_EQ(0u, At(70, 55));

    // A quarter turn about the centre (60, 55): the quad stands 10 wide, 20 high,
    // its right end (blue) turned up.
    gl->FillRect(0xFF000000, nullptr);
    gl->BlitRotated(50, 50, bar.get(), kPi / 2, 20, 0);
    struct Case { int x, y; unsigned rgb; };
    const Case cases[] = {{60, 48, 0x0000FF}, {60, 62, 0xFF0000}, {52, 55, 0}, {68, 55, 0},
                          {56, 46, 0x0000FF}, {63, 64, 0xFF0000}};
    for (const Case& c : cases)
        EXPECT_EQ(c.rgb, At(c.x, c.y)) << c.x << "," << c.y;

    // Half the size, centred on the target in both axes.
    gl->FillRect(0xFF000000, nullptr);
    CKetrelVector2 anywhere(0.9f, 0.9f);
    gl->BlitRotatedRelative(&anywhere, bar.get(), 0.0f, 0.5f, KE_BLT_CENTER_X | KE_BLT_CENTER_Y);
    EXPECT_EQ(0xFF0000u, At(75, 58));
    EXPECT_EQ(0x0000FFu, At(84, 62));
    EXPECT_EQ(0u, At(74, 60));
    EXPECT_EQ(0u, At(85, 60));
}

TEST_F(GLES2Test, TransformedStretchOnlyMoves)
{
    std::unique_ptr<CKetrelSurface> white = MakeTextureSurface(4, 4, [](int, int) { return 0xFFFFFFFFu; });
    ASSERT_TRUE(white);
    CKetrelMatrix4 m;
    m.SetRotationZ(0.7f);
    m.m[3] = 0.25f;   // 40 pixels right
    m.m[7] = 0.5f;    // 60 pixels down
    CKetrelRectF dest(0.0f, 0.0f, 0.125f, 0.25f);   // 20 x 30
    ASSERT_EQ(KE_OK, gl->StretchBlitTransformed(&dest, &m, white.get(), nullptr, 0));
    EXPECT_EQ(0xFFFFFFu, At(40, 60));
    EXPECT_EQ(0xFFFFFFu, At(59, 89));
    EXPECT_EQ(0u, At(60, 89));
    EXPECT_EQ(0u, At(39, 60));
    EXPECT_EQ(0u, At(40, 59));
}

TEST_F(GLES2Test, FillsAndLines)
{
    gl->FillRect(0xFF404040, nullptr);
    CKetrelRect r(10, 10, 30, 30);
    gl->FillRectAlpha(0x80FF0000, &r);             // additive: 0x40 + 0xFF x 0.5
    EXPECT_TRUE(Near(0xBF4040, At(15, 15), 1)) << std::hex << At(15, 15);
    EXPECT_EQ(0x404040u, At(30, 15));
    gl->FillRectAlpha(0x00FFFFFF, &r);             // alpha 0: nothing
    EXPECT_TRUE(Near(0xBF4040, At(15, 15), 1));

    CKetrelRect d(40, 10, 60, 30);
    gl->FillRect(0xFFC86432, &d);
    gl->DimRect(&d, 0.5f);
    EXPECT_TRUE(Near(0x643219, At(45, 15), 1)) << std::hex << At(45, 15);

    CKetrelRect g(70, 10, 90, 30);
    gl->FillGradient(0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, &g);
    struct Case { const char* name; int x, y; unsigned rgb; };
    const Case corners[] = {{"top-left red", 70, 10, 0xFF0000}, {"top-right green", 89, 10, 0x00FF00},
                            {"bottom-right blue", 89, 29, 0x0000FF},
                            {"bottom-left white", 70, 29, 0xFFFFFF}};
    for (const Case& c : corners)
    {
        unsigned got = At(c.x, c.y);
        EXPECT_TRUE(Near(c.rgb, got, 40)) << c.name << ": " << std::hex << got;
    }

    gl->FillRect(0xFF000000, nullptr);
    gl->DrawLine(10, 100, 150, 100, 0xFFFFFFFF, 0xFFFFFFFF);
    int lit = 0;
    for (int x = 0; x < kW; ++x)
        lit += At(x, 100) == 0xFFFFFFu ? 1 : 0;
    EXPECT_GE(lit, 139);
    EXPECT_LE(lit, 141);
    EXPECT_EQ(0u, At(80, 98));
}

TEST_F(GLES2Test, RedundantStateIsSkippedAndCountedPerFrame)
{
    std::unique_ptr<CKetrelSurface> a = MakeTextureSurface(4, 4, [](int, int) { return 0xFFFFFFFFu; });
    std::unique_ptr<CKetrelSurface> b = MakeTextureSurface(4, 4, [](int, int) { return 0xFF000000u; });
    ASSERT_TRUE(a && b);
    EXPECT_EQ(1, gl->Present());
    EXPECT_EQ(1, gl->Present());
    EXPECT_EQ(0u, gl->GetTextureBindCount());
    EXPECT_EQ(0u, gl->GetProgramSwitchCount());
    glUseProgram(0);
    gl->Blit(0, 0, a.get(), nullptr, 0);
    gl->Blit(10, 0, a.get(), nullptr, 0);
    gl->Blit(20, 0, a.get(), nullptr, KE_BLT_ALPHA);
    EXPECT_EQ(1u, gl->GetTextureBindCount());
    EXPECT_EQ(1u, gl->GetProgramSwitchCount());
    gl->Blit(30, 0, b.get(), nullptr, 0);
    gl->FillRectAlpha(0x80FFFFFF, nullptr);        // colour program, texture 0
    gl->Blit(40, 0, b.get(), nullptr, 0);
    EXPECT_EQ(4u, gl->GetTextureBindCount());
    EXPECT_EQ(3u, gl->GetProgramSwitchCount());
    EXPECT_EQ(0, gl->UseProgram(gl->GetTexturedProgram(), nullptr));
    EXPECT_EQ(1, gl->BindTexture(0, a->GetTextureName()));
    EXPECT_EQ(0, gl->BindTexture(0, a->GetTextureName()));
    gl->Present();
    EXPECT_EQ(0u, gl->GetTextureBindCount());
    EXPECT_EQ(0u, gl->GetProgramSwitchCount());
}

// The sprite-sheet program finds a frame's cell from the sheet's own columns
// and rows, on grids other than 4 x 4 too.
TEST_F(GLES2Test, SpriteSheetProgramPicksTheFrameOfAnyGrid)
{
    auto cellColour = [](int k) { return 0xFF000000u | (u32)(k * 30) << 16 | (u32)(255 - k * 30) << 8 | 128u; };
    // 4 columns x 2 rows of 2 x 2 texel cells.
    std::unique_ptr<CKetrelSurface> sheet = MakeTextureSurface(
        8, 4, [&](int x, int y) { return cellColour((y / 2) * 4 + x / 2); });
    ASSERT_TRUE(sheet);
    CKetrel3DProgram* p = gl->GetSpriteSheetProgram();
    ASSERT_NE(nullptr, p);
    gl->UseProgram(p, nullptr);
    glDisable(GL_BLEND);
    gl->BindTexture(0, sheet->GetTextureName());
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    glUniformMatrix4fv(p->GetUniformLocation(CKetrelString("projectionMatrix")), 1, GL_FALSE, identity);
    glUniform1i(p->GetUniformLocation(CKetrelString("x_frames")), 4);
    glUniform1i(p->GetUniformLocation(CKetrelString("y_frames")), 2);
    glUniform1f(p->GetUniformLocation(CKetrelString("size")), 1.0f);
    glUniform3f(p->GetUniformLocation(CKetrelString("pos")), 0.0f, 0.0f, 0.0f);
    glUniform4f(p->GetUniformLocation(CKetrelString("color")), 1.0f, 1.0f, 1.0f, 1.0f);
    // One cell of uv, the whole target.
    const float quad[20] = {-1, 1, 0, 0, 0,      -1, -1, 0, 0, 0.5f,
                            1, -1, 0, 0.25f, 0.5f, 1, 1, 0, 0.25f, 0};
    GLint position = p->GetAttributeLocation(CKetrelString("position"));
    GLint uv = p->GetAttributeLocation(CKetrelString("uv"));
    ASSERT_GE(position, 0);
    ASSERT_GE(uv, 0);
    glEnableVertexAttribArray((GLuint)position);
    glEnableVertexAttribArray((GLuint)uv);
    glVertexAttribPointer((GLuint)position, 3, GL_FLOAT, GL_FALSE, 20, quad);
    glVertexAttribPointer((GLuint)uv, 2, GL_FLOAT, GL_FALSE, 20, quad + 3);
    const int frames[] = {0, 3, 5, 6, 7};
    GLint frameLocation = p->GetUniformLocation(CKetrelString("frame"));
    for (int frame : frames)
    {
        glUniform1i(frameLocation, frame);
        glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
        EXPECT_EQ(cellColour(frame) & 0xFFFFFF, At(kW / 2, kH / 2)) << "frame " << frame;
    }
    glDisableVertexAttribArray((GLuint)position);
    glDisableVertexAttribArray((GLuint)uv);
    glUseProgram(0);
}

// Runs last in the suite's order: leaves a fresh renderer behind.
TEST_F(GLES2Test, RestoreAfterShutdownGivesAWorkingRenderer)
{
    gl->Shutdown();
    EXPECT_EQ(0, gl->GetProgramCount());
    EXPECT_EQ(0, gl->Present());
    ASSERT_EQ(KE_OK, gl->Restore());
    EXPECT_EQ(7, gl->GetProgramCount());
    // Restore while running does not stack a second set.
    ASSERT_EQ(KE_OK, gl->Restore());
    EXPECT_EQ(7, gl->GetProgramCount());
    gl->Resize(kW, kH);
    std::unique_ptr<CKetrelSurface> white = MakeTextureSurface(4, 4, [](int, int) { return 0xFFFFFFFFu; });
    ASSERT_TRUE(white);
    gl->FillRect(0xFF000000, nullptr);
    gl->Blit(5, 5, white.get(), nullptr, 0);
    EXPECT_EQ(0xFFFFFFu, At(6, 6));
    EXPECT_EQ(1, gl->Present());
}
