// Size variants: area lists and the choice of area for a screen.
#include "UITestDoubles.h"
#include "engine/KetrelXMLDataNode.h"
#include "ui/GameXMLLoader.h"

#include <gtest/gtest.h>

using namespace uitest;

namespace
{
CKetrelString S(const char* s) { return CKetrelString(s); }

const char* kAreas =
    "<menu>"
    "<area width=\"800\" height=\"480\" name=\"landscape\"/>"
    "<area width=\"480\" height=\"800\" name=\"portrait\"/>"
    "<area width=\"854\" height=\"480\" name=\"wide\"/>"
    "<area width=\"800\" height=\"480\" name=\"duplicate\"/>"
    "<area width=\"1000\" height=\"1000\"/>"
    "<area width=\"0\" height=\"480\" name=\"empty\"/>"
    "<area width=\"800\" height=\"-1\" name=\"negative\"/>"
    "</menu>";
}  // namespace

TEST(GameXMLLoaderAreas, ChoiceForScreens)
{
    FakeApp app;
    app.resources.files["menu_root.xml"] = kAreas;
    CGameXMLLoader loader;
    ASSERT_EQ(1, loader.Init(&app, nullptr, nullptr));
    ASSERT_EQ(1, loader.LoadFile(S("menu_root.xml")));
    ASSERT_EQ(4, loader.GetAreaCount()) << "the duplicate and the empty sizes are skipped";
    EXPECT_EQ("rootwidget", Narrow(loader.GetArea(1)->name)) << "square area, no name";
    for (i32 i = 1; i < loader.GetAreaCount(); ++i)
        EXPECT_LE(loader.GetArea(i - 1)->aspect, loader.GetArea(i)->aspect);

    struct Case { const char* name; i32 w, h; const char* expect; };
    const Case cases[] = {
        {"exact", 800, 480, "landscape"},
        {"1024x600 takes the widest not wider", 1024, 600, "landscape"},
        {"very wide", 2000, 480, "wide"},
        {"480x854 takes the narrowest portrait", 480, 854, "portrait"},
        {"600x800: no portrait wide enough -> square", 600, 800, "rootwidget"},
        {"landscape narrower than all -> square", 1100, 1000, "rootwidget"},
        {"zero width", 0, 480, nullptr},
        {"zero height", 800, 0, nullptr},
    };
    for (const Case& c : cases)
    {
        const CGameXMLArea* a = loader.FindBestArea(c.w, c.h);
        if (!c.expect)
            EXPECT_EQ(nullptr, a) << c.name;
        else
        {
            ASSERT_NE(nullptr, a) << c.name;
            EXPECT_EQ(c.expect, Narrow(a->name)) << c.name;
        }
    }

    CWidget* root = loader.CreateRootWidget(1024, 600, nullptr);
    ASSERT_NE(nullptr, root);
    EXPECT_EQ("landscape", Narrow(root->GetName()));
    EXPECT_EQ(1024, root->GetWidth());
    EXPECT_EQ(nullptr, loader.CreateRootWidget(0, 10, nullptr));
    CWidget::Destroy(root);
    loader.Unload();
    EXPECT_EQ(0, loader.GetAreaCount());
    EXPECT_EQ(nullptr, loader.FindBestArea(800, 480)) << "empty list";
}

TEST(GameXMLLoaderAreas, MissingAndMalformedFiles)
{
    FakeApp app;
    app.resources.files["noarea.xml"] = "<menu><other/></menu>";
    app.resources.files["junk.xml"] = "\x01\x02 not xml <<<";
    app.resources.files["good.xml"] = kAreas;
    struct Case { const char* file; int result; i32 areas; };
    const Case cases[] = {
        {"missing.xml", 8, 0}, {"noarea.xml", 1, 0}, {"junk.xml", 1, 0}, {"good.xml", 1, 4},
        {"missing.xml", 8, 0},
    };
    CGameXMLLoader loader;
    loader.Init(&app, nullptr, nullptr);
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.result, loader.LoadFile(S(c.file))) << c.file;
        EXPECT_EQ(c.areas, loader.GetAreaCount()) << c.file;
    }
    CXMLLoaderWrapper bare;
    EXPECT_EQ(8, bare.LoadFile(S("good.xml"))) << "no application";
    EXPECT_EQ(nullptr, bare.GetRootElement());
    EXPECT_EQ(nullptr, CXMLLoaderWrapper::GetFirstChild(nullptr));
    EXPECT_EQ(5, CXMLLoaderWrapper::GetIntAttribute(nullptr, "$x", 5));
}
