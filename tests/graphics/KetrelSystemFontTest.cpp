// Text that the bitmap font cannot show goes to the system font (Pango through
// GDK, "Arial" as fontconfig substitutes it) and its cache surface, on a
// private X server.
#include "FontTestKit.h"
#include "GLTestWindow.h"

#include "engine/KetrelResult.h"

namespace
{
const int kW = 300, kH = 200;

// Code units above 255 send a text to the system font.
CKetrelString Wide(const char* ascii)
{
    CKetrelString s(ascii);
    s.Append((u16)0x0416);   // CYRILLIC CAPITAL ZHE
    return s;
}

class SystemFontTest : public ::testing::Test
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
        ASSERT_EQ(KE_OK, font.CreateDefault(s_window.app.get()));
        font.SetScale(2.0f);   // pixel size 20
    }
    static GLTestWindow s_window;
    static bool s_ok;
    CKetrelGraphicsExt_GLES2* gl = nullptr;
    CKetrelBitmapFont font;
};
GLTestWindow SystemFontTest::s_window;
bool SystemFontTest::s_ok = false;
} // namespace

TEST_F(SystemFontTest, WideTextIsDrawnByTheSystemFont)
{
    CKetrelRect rect(10, 10, 290, 190);
    CKetrelTextBatch batch;
    font.DrawText(&rect, gl, Wide("Hello "), 0xFFFFFFFF, 0, &batch);
    EXPECT_EQ(0, batch.GetCount());              // no bitmap glyphs at all
    EXPECT_EQ(1, font.GetTextCacheCount());
    EXPECT_EQ(1u, font.GetSystemRenderCount());
    int lit = 0;
    for (int y = 10; y < 40; ++y)
        for (int x = 10; x < 120; ++x)
            lit += ReadRGB(x, y, kH) ? 1 : 0;
    EXPECT_GT(lit, 30);
    EXPECT_GT(font.GetTextWidth(Wide("Hello "), 0), 30);

    // The cache surface holds premultiplied colour: alpha and colour agree.
    const CKetrelSystemTextEntry* e = font.GetTextCacheEntry(0);
    CKetrelSurface* cache = font.GetTextCacheSurface();
    ASSERT_NE(nullptr, cache);
    int inked = 0;
    for (int y = e->top; y < e->bottom; ++y)
        for (int x = e->left; x < e->right; ++x)
        {
            u32 p = cache->GetPixel(x, y);
            EXPECT_EQ(p >> 24, (p >> 16) & 0xFF);
            inked += (p >> 24) ? 1 : 0;
        }
    EXPECT_GT(inked, 30);
}

TEST_F(SystemFontTest, CacheKeysOnEverythingThatChangesThePicture)
{
    CKetrelRect rect(0, 0, 280, 100);
    struct Step { const char* name; u32 colour; f32 scale; i32 width; u32 flags; i32 entries; };
    const Step steps[] = {
        {"red", 0xFFFF0000, 2.0f, 280, 0, 1},
        {"red again", 0xFFFF0000, 2.0f, 280, 0, 1},
        {"blue", 0xFF0000FF, 2.0f, 280, 0, 2},
        {"red, half transparent", 0x80FF0000, 2.0f, 280, 0, 3},
        {"red, larger", 0xFFFF0000, 3.0f, 280, 0, 4},
        {"red, narrower", 0xFFFF0000, 2.0f, 200, 0, 5},
        {"red, centred", 0xFFFF0000, 2.0f, 280, KE_TEXT_CENTER_X, 6},
        {"red, centred again", 0xFFFF0000, 2.0f, 280, KE_TEXT_CENTER_X, 6},
    };
    for (const Step& s : steps)
    {
        font.SetScale(s.scale);
        rect.right = s.width;
        font.DrawText(&rect, gl, Wide("Same "), s.colour, s.flags);
        EXPECT_EQ(s.entries, font.GetTextCacheCount()) << s.name;
    }
    // Markup is not part of the text: the stripped text hits the cache.
    font.SetScale(2.0f);
    rect.right = 280;
    u32 renders = font.GetSystemRenderCount();
    CKetrelString marked("$COLOR=0xFF00FF00");
    marked.Append(Wide("Same "));
    font.DrawText(&rect, gl, marked, 0xFFFF0000, 0);
    EXPECT_EQ(renders, font.GetSystemRenderCount());
}

TEST_F(SystemFontTest, MeasuringUsesTheCacheAndSmallSizesMeasureNothing)
{
    CKetrelRect rect(5, 5, 280, 100);
    font.DrawText(&rect, gl, Wide("Measure "), 0xFFFFFFFF, 0);
    u32 renders = font.GetSystemRenderCount();
    const CKetrelSystemTextEntry* e = font.GetTextCacheEntry(0);
    ASSERT_NE(nullptr, e);
    CKetrelRect m(5, 5, 280, 100);
    font.MeasureText(&m, Wide("Measure "));
    EXPECT_EQ(renders, font.GetSystemRenderCount());
    EXPECT_EQ(e->right - e->left, m.right - m.left);
    EXPECT_EQ(e->bottom - e->top, m.bottom - m.top);
    EXPECT_EQ(5, m.left);

    // Sizes of 2 and less (and 0, which could never be stepped through) do nothing.
    const i32 sizes[] = {2, 1, 0, -4};
    for (i32 size : sizes)
    {
        CKetrelRect r(1, 2, 3, 4);
        EXPECT_EQ(0, font.DrawSystemText(gl, &r, Text("Arial"), size, Wide("x"), 0xFFFFFFFF,
                                         KE_TEXT_MEASURE));
        EXPECT_EQ(3, r.right) << size;
        EXPECT_EQ(4, r.bottom) << size;
        font.DrawSystemText(gl, &r, Text("Arial"), size, Wide("y"), 0xFFFFFFFF, 0);
    }
    EXPECT_EQ(renders, font.GetSystemRenderCount());
    font.SetScale(0.1f);   // line height 1: the font's own size is too small too
    CKetrelRect r(0, 0, 100, 100);
    font.DrawText(&r, gl, Wide("tiny "), 0xFFFFFFFF, 0);
    EXPECT_EQ(renders, font.GetSystemRenderCount());
}

TEST_F(SystemFontTest, FullCacheIsClearedAndGrowsForWideText)
{
    // A cache just big enough for a few short texts.
    ASSERT_EQ(KE_OK, font.CreateTextCache(60, 30));
    CKetrelRect rect(0, 0, 280, 100);
    font.SetScale(1.2f);   // pixel size 12
    const char* texts[] = {"a ", "b ", "c ", "d ", "e ", "f ", "g ", "h "};
    bool cleared = false;
    for (const char* t : texts)
    {
        i32 before = font.GetTextCacheCount();
        font.DrawText(&rect, gl, Wide(t), 0xFFFFFFFF, 0);
        if (font.GetTextCacheCount() <= before)
        {
            cleared = true;
            const CKetrelSystemTextEntry* e = font.GetTextCacheEntry(0);
            ASSERT_NE(nullptr, e);
            EXPECT_EQ(0, e->left);
            EXPECT_EQ(0, e->top);
            EXPECT_EQ(1, font.GetTextCacheCount());
            break;
        }
    }
    EXPECT_TRUE(cleared);

    // A text wider than the cache re-creates it: text width + 5, capped at 1024
    // on this 800 x 480 screen.
    ASSERT_EQ(KE_OK, font.CreateTextCache(512, 512));
    font.SetScale(4.0f);
    CKetrelRect wide(0, 0, 5000, 200);
    CKetrelString text = Wide("A line of text that is much wider than the cache surface ");
    CKetrelRect measured = wide;
    font.MeasureText(&measured, text);
    i32 tw = measured.right - measured.left;
    ASSERT_GT(tw, 512);
    font.DrawText(&wide, gl, text, 0xFFFFFFFF, 0);
    i32 expected = tw + 5 < 1024 ? tw + 5 : 1024;
    EXPECT_EQ(expected, font.GetTextCacheSurface()->GetWidth());
    EXPECT_EQ(512, font.GetTextCacheSurface()->GetHeight());
}
