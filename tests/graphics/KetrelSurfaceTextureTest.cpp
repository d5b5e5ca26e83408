// The surface's GL texture copy on an off-screen GLES2 context: creation rules,
// upload per format and type (read back through a framebuffer), refresh after
// drawing and its suppression by the lock flags, and mipmap levels.
#include "engine/graphics/KetrelSurface.h"

#include "GLTestContext.h"
#include "SurfaceTestUtil.h"
#include "engine/KetrelResult.h"

#include <GLES2/gl2.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace
{
// One context for the whole program, never torn down: terminating EGL unloads
// Mesa's driver, whose own blocks would then show as leaks.
bool SharedContext()
{
    static GLTestContext* context = nullptr;
    static bool made = false;
    if (!context)
    {
        context = new GLTestContext();
        made = context->Make();
    }
    return made;
}

class KetrelSurfaceTexture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!SharedContext())
            GTEST_SKIP() << "no GLES2 context";
    }
};

// Level 0 of a texture as RGBA bytes.
std::vector<uint8_t> ReadTexture(GLuint texture, int w, int h)
{
    std::vector<uint8_t> out((size_t)w * h * 4, 0);
    GLuint fbo = 0;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE)
        glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &fbo);
    return out;
}

std::unique_ptr<CKetrelSurface> Filled(int format, int w, int h, uint32_t colour, uint32_t flags = 0)
{
    std::unique_ptr<CKetrelSurface> s(new CKetrelSurface());
    CKetrelSurfaceDesc desc = {w, h, 0, format, flags, 0};
    if (s->Create(nullptr, &desc) != KE_OK)
        return nullptr;
    s->FillRect(colour, nullptr);
    return s;
}

bool Near(int a, int b, int tolerance) { return std::abs(a - b) <= tolerance; }
} // namespace

TEST_F(KetrelSurfaceTexture, CreationRules)
{
    struct Case { const char* name; GLenum format, type; int rc; };
    const Case cases[] = {
        {"RGB bytes",          GL_RGB, GL_UNSIGNED_BYTE, KE_OK},
        {"RGB 5-6-5",          GL_RGB, GL_UNSIGNED_SHORT_5_6_5, KE_OK},
        {"RGB 4-4-4-4",        GL_RGB, GL_UNSIGNED_SHORT_4_4_4_4, KE_ERR_NO_FORMAT},
        {"RGBA bytes",         GL_RGBA, GL_UNSIGNED_BYTE, KE_OK},
        {"RGBA 4-4-4-4",       GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4, KE_OK},
        {"RGBA 5-5-5-1",       GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1, KE_OK},
        {"RGBA 5-6-5",         GL_RGBA, GL_UNSIGNED_SHORT_5_6_5, KE_ERR_NO_FORMAT},
        {"luminance",          GL_LUMINANCE, GL_UNSIGNED_BYTE, KE_ERR_NO_FORMAT},
    };
    for (const Case& c : cases)
    {
        auto s = Filled(7, 4, 4, 0xFF204060);
        EXPECT_EQ(c.rc, s->CreateTexture(c.format, c.type, 0)) << c.name;
        EXPECT_EQ(c.rc == KE_OK, s->GetTextureName() != 0) << c.name;
    }
    CKetrelSurface empty;
    EXPECT_EQ(KE_ERR_FORMAT, empty.CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 0));
    EXPECT_EQ(KE_ERR_FORMAT, empty.UploadTexture());
    EXPECT_EQ(KE_ERR_FORMAT, empty.RecreateTexture());
}

// Every pair reads back as the surface's colour (at the pair's precision).
TEST_F(KetrelSurfaceTexture, UploadPerFormatAndType)
{
    struct Case { const char* name; int format; GLenum glFormat, type; int tolerance; uint8_t alpha; };
    const Case cases[] = {
        {"ABGR direct",             7, GL_RGBA, GL_UNSIGNED_BYTE, 0, 0x80},
        {"ARGB converted",          6, GL_RGBA, GL_UNSIGNED_BYTE, 0, 0x80},
        {"5-6-5 direct",            4, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 8, 0xFF},
        {"ABGR to RGB bytes",       7, GL_RGB, GL_UNSIGNED_BYTE, 0, 0xFF},
        {"ABGR to 5-6-5",           7, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 8, 0xFF},
        {"5-6-5 to RGBA 4-4-4-4",   4, GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4, 17, 0xFF},
        {"5-6-5 to RGBA 5-5-5-1",   4, GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1, 9, 0xFF},
        {"24-bit to RGB bytes",     5, GL_RGB, GL_UNSIGNED_BYTE, 0, 0xFF},
    };
    const uint32_t colour = 0x80C06030;
    for (const Case& c : cases)
    {
        auto s = Filled(c.format, 5, 3, colour);
        ASSERT_EQ(KE_OK, s->CreateTexture(c.glFormat, c.type, 0)) << c.name;
        const auto px = ReadTexture(s->GetTextureName(), 5, 3);
        const uint32_t expected = s->GetPixel(4, 2);
        const uint8_t* last = &px[px.size() - 4];
        EXPECT_TRUE(Near(last[0], (expected >> 16) & 0xFF, c.tolerance)) << c.name << " red " << (int)last[0];
        EXPECT_TRUE(Near(last[1], (expected >> 8) & 0xFF, c.tolerance)) << c.name << " green " << (int)last[1];
        EXPECT_TRUE(Near(last[2], expected & 0xFF, c.tolerance)) << c.name << " blue " << (int)last[2];
        if (c.glFormat == GL_RGBA && c.type == GL_UNSIGNED_BYTE)
        {
            EXPECT_EQ(c.alpha, last[3]) << c.name;
        }
    }
}

// Drawing refreshes the texture; a lock with bit 0 keeps the next unlock from
// doing so.
TEST_F(KetrelSurfaceTexture, RefreshAfterDrawingAndLockFlags)
{
    auto s = Filled(7, 4, 4, 0xFF0000FF, KE_SDF_TEXTURE);
    ASSERT_NE(0u, s->GetTextureName());
    EXPECT_EQ(0xFF, ReadTexture(s->GetTextureName(), 4, 4)[2]);
    s->FillRect(0xFFFF0000, nullptr);
    EXPECT_EQ(0xFF, ReadTexture(s->GetTextureName(), 4, 4)[0]) << "refreshed after the fill";

    uint8_t* pixels = s->Lock(nullptr, 1);
    pixels[0] = 0x11;
    s->UpdateTexture();
    EXPECT_EQ(0xFF, ReadTexture(s->GetTextureName(), 4, 4)[0]) << "lock flag 1: no refresh";
    s->Lock(nullptr, 0);
    s->UpdateTexture();
    EXPECT_EQ(0x11, ReadTexture(s->GetTextureName(), 4, 4)[0]);
}

// A 16-bit surface with an alpha plane gets RGBA bytes, keeping its alpha.
TEST_F(KetrelSurfaceTexture, AutoTextureKeepsTheAlphaPlane)
{
    auto s = Filled(4, 2, 2, 0x40FFFFFF);
    ASSERT_EQ(KE_OK, s->CreateAlphaPlane());
    s->FillRect(0x40FFFFFF, nullptr);
    ASSERT_EQ(KE_OK, s->CreateTextureAuto());
    EXPECT_EQ(0x40, ReadTexture(s->GetTextureName(), 2, 2)[3]);
    auto plain = Filled(4, 2, 2, 0xFFFFFFFF);
    EXPECT_EQ(KE_OK, plain->CreateTextureAuto());
}

TEST_F(KetrelSurfaceTexture, MipmapsOnlyForPowersOfTwo)
{
    struct Case { const char* name; int w, h; int mipmapped; };
    const Case cases[] = {
        {"8 x 8",   8, 8, 1},
        {"16 x 2",  16, 2, 1},
        {"6 x 4",   6, 4, 0},
        {"1 x 1",   1, 1, 1},
    };
    for (const Case& c : cases)
    {
        auto s = Filled(7, c.w, c.h, 0xFF808080);
        ASSERT_EQ(KE_OK, s->CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 1)) << c.name;
        EXPECT_EQ(c.mipmapped, s->IsMipmapped()) << c.name;
        glBindTexture(GL_TEXTURE_2D, s->GetTextureName());
        GLint minFilter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        glBindTexture(GL_TEXTURE_2D, 0);
        EXPECT_EQ(c.mipmapped ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR, minFilter) << c.name;
        EXPECT_EQ(GL_NO_ERROR, (int)glGetError()) << c.name;
    }
    auto s = Filled(7, 8, 8, 0xFF808080);
    ASSERT_EQ(KE_OK, s->CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 1));
    ASSERT_EQ(KE_OK, s->RecreateTexture());
    EXPECT_EQ(1, s->IsMipmapped());
    EXPECT_EQ(0x80, ReadTexture(s->GetTextureName(), 8, 8)[0]);
    s->ReleaseTexture();
    EXPECT_EQ(0u, s->GetTextureName());
}
