// The resource manager around a loss of the graphics context, on a window of a private
// X server drawn by the OpenGL ES 2.0 renderer: textures, font pages and programs are
// dropped, the renderer is made again, and everything comes back drawing the same
// pixels.
#include <gtest/gtest.h>

#include "framework/BrixResourceManager.h"

#include "ResourceTestKit.h"
#include "engine/KetrelApplication.h"
#include "engine/graphics/Ketrel3DProgram.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "engine/graphics/KetrelGraphicsExt_GLES2.h"
#include "engine/graphics/KetrelSurface.h"
#include "support/KetrelTestXServer.h"

#include <GLES2/gl2.h>
#include <vector>

namespace
{

const int kWidth = 360, kHeight = 640;

class WindowApp : public IKetrelApplication
{
public:
    void OnFrame() override {}
};

// Opaque 16 x 16 picture with a different colour in every pixel.
u32 Picture(int x, int y)
{
    return 0xFF000000u | (u32)(x * 16) << 16 | (u32)(y * 16) << 8 | (u32)((x + y) * 8);
}

const char* const kVertex =
    "attribute vec4 a_position;\nvoid main() { gl_Position = a_position; }\n";
const char* const kFragment =
    "precision mediump float;\nvoid main() { gl_FragColor = vec4(1.0, 0.5, 0.25, 1.0); }\n";

class GraphicsFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!server.Start(800, 800, 24))
            GTEST_SKIP() << "no X server";
        app.reset(new WindowApp());
        CKetrelDisplayMode mode;
        IKetrelApplication::GetDefaultDisplayMode(&mode);
        mode.width = kWidth;
        mode.height = kHeight;
        mode.windowed = 1;
        if (app->Create(0, &mode) != KE_OK)
            GTEST_SKIP() << "the window cannot be made";
        gl = CKetrelGraphicsExt_GLES2::FromContext(app->GetGraphicsContext());
        if (!gl)
            GTEST_SKIP() << "no OpenGL ES 2.0 renderer";
        manager.reset(new CBrixResourceManager());
        manager->Init(app.get(), nullptr);
        ASSERT_FALSE(folder.Path().empty());
    }

    void TearDown() override
    {
        if (manager)
            manager->ReleaseAll();
        manager.reset();
        app.reset();
    }

    // What the renderer draws of the image at (0, 0), read back before the swap.
    std::vector<u32> Drawn(CKetrelSurface* image)
    {
        gl->SetClipRect(nullptr);
        gl->FillRect(0xFF000000, nullptr);
        gl->Blit(0, 0, image, nullptr, 0);
        std::vector<u32> pixels;
        for (int y = 0; y < image->GetHeight(); ++y)
            for (int x = 0; x < image->GetWidth(); ++x)
            {
                unsigned char rgba[4] = {0, 0, 0, 0};
                glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
                pixels.push_back(0xFF000000u | (u32)rgba[0] << 16 | (u32)rgba[1] << 8 | rgba[2]);
            }
        gl->Present();
        return pixels;
    }

    static int Linked(u32 program)
    {
        GLint status = 0;
        if (program)
            glGetProgramiv(program, GL_LINK_STATUS, &status);
        return status;
    }

    CKetrelTestXServer server;
    std::unique_ptr<WindowApp> app;
    CKetrelGraphicsExt_GLES2* gl = nullptr;
    std::unique_ptr<CBrixResourceManager> manager;
    TestFolder folder;
};

} // namespace

TEST_F(GraphicsFixture, ReleaseAndReloadKeepThePixels)
{
    const std::string path = folder.File("gfx.vad");
    ASSERT_TRUE(WriteTestPack(path, {{"/pic.png", MakePng(16, 16, Picture)},
                                     {"/flat.png", MakeSolidPng(4, 4, 0xFF336699)}}));
    ASSERT_EQ(1, manager->AddMediaPack(Str(path), 1, 0));
    CKetrelSurface* pic = manager->GetImage(CKetrelString(L"pic.png"));
    CKetrelSurface* flat = manager->GetImage(CKetrelString(L"flat.png"));
    ASSERT_NE(nullptr, pic);
    ASSERT_NE(nullptr, flat);
    ASSERT_NE(0u, pic->GetTextureName());

    CKetrel3DProgram* program = new CKetrel3DProgram();
    ASSERT_EQ(KE_OK, program->Create(gl, CKetrelString(kVertex), CKetrelString(kFragment)));
    manager->RegisterShaderProgram(CKetrelString(L"plain"), program);
    ASSERT_EQ(1, Linked(program->GetProgram()));

    CKetrelBitmapFont* font = manager->GetFont(CKetrelString(L"default"));
    ASSERT_NE(nullptr, font);
    ASSERT_GE(font->GetPageCount(), 1);
    ASSERT_NE(0u, font->GetPage(0)->texture);

    const std::vector<u32> before = Drawn(pic);
    int wrong = 0;
    for (int i = 0; i < 256; ++i)
        wrong += before[(size_t)i] != Picture(i % 16, i / 16);
    EXPECT_EQ(0, wrong) << "the first texture does not hold the image";

    EXPECT_EQ(1, manager->ReleaseGraphics());
    EXPECT_EQ(0u, pic->GetTextureName());
    EXPECT_EQ(0u, flat->GetTextureName());
    EXPECT_EQ(0u, program->GetProgram());
    EXPECT_EQ(0u, font->GetPage(0)->texture);
    EXPECT_EQ(Picture(3, 5), pic->GetPixel(3, 5));   // the pixels stay

    // The context goes and a new one comes.
    gl->Shutdown();
    ASSERT_EQ(KE_OK, gl->Restore());
    gl->Resize(kWidth, kHeight);

    EXPECT_EQ(1, manager->ReloadGraphics());
    EXPECT_NE(0u, pic->GetTextureName());
    EXPECT_NE(0u, flat->GetTextureName());
    EXPECT_EQ(1, Linked(program->GetProgram()));
    EXPECT_NE(0u, font->GetPage(0)->texture);
    EXPECT_TRUE(before == Drawn(pic));
    EXPECT_EQ(0xFF336699u, Drawn(flat)[5]);

    // Images loaded after the reload get textures of the new context too.
    CKetrelSurface* second = manager->GetImage(CKetrelString(L"pic.png"));
    EXPECT_EQ(pic, second);
    EXPECT_EQ(1, manager->ReleaseImage(&second));
    EXPECT_EQ(1, manager->ReleaseImage(&pic));
    EXPECT_EQ(nullptr, pic);
    EXPECT_EQ(1, manager->ReleaseImage(&flat));
    EXPECT_EQ(1, manager->ReleaseFont(&font));
    EXPECT_EQ(nullptr, font);
}

// A program registered under a taken name replaces the old one; counts decide when
// a program is deleted.
TEST_F(GraphicsFixture, ProgramsAreReplacedAndCounted)
{
    CKetrel3DProgram* first = new CKetrel3DProgram();
    CKetrel3DProgram* second = new CKetrel3DProgram();
    ASSERT_EQ(KE_OK, first->Create(gl, CKetrelString(kVertex), CKetrelString(kFragment)));
    ASSERT_EQ(KE_OK, second->Create(gl, CKetrelString(kVertex), CKetrelString(kFragment)));
    const CKetrelString name(L"shape");
    manager->RegisterShaderProgram(name, first);           // first: count 1
    manager->RegisterShaderProgram(name, second);          // first deleted
    CKetrel3DProgram* found = manager->GetShaderProgram(name);
    EXPECT_EQ(second, found);                               // count 2
    EXPECT_EQ(nullptr, manager->GetShaderProgram(CKetrelString()));
    EXPECT_EQ(nullptr, manager->FindShaderProgram(CKetrelString(L"other")));
    EXPECT_EQ(1, manager->AddRefShaderProgram(second));     // count 3
    CKetrel3DProgram stranger;
    CKetrel3DProgram* slot = &stranger;
    EXPECT_EQ(0, manager->ReleaseShaderProgram(&slot));
    for (int i = 0; i < 2; ++i)
    {
        CKetrel3DProgram* s = second;
        EXPECT_EQ(1, manager->ReleaseShaderProgram(&s));
        EXPECT_EQ(second, s);
    }
    CKetrel3DProgram* last = second;
    EXPECT_EQ(1, manager->ReleaseShaderProgram(&last));
    EXPECT_EQ(nullptr, last);
    EXPECT_EQ(nullptr, manager->GetShaderProgram(name));
}
