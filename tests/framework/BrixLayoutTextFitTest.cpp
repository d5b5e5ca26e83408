// Every text of the framework's and the lobby's layouts, built at 800 x 480 and at
// 640 x 360 with the fonts of the built packs chosen for that screen, is drawn in a
// font of about a 24th of the screen's height (not the 8-pixel built-in one) and fits
// its widget: no line is wider, and no text taller, than the widget.
#include "OverlayTestKit.h"

#include "engine/KetrelMediaPack.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "framework/BrixLanguage.h"
#include "ui/GameXMLLoader.h"
#include "ui/TextWidget.h"
#include "ui/UIActionMap.h"
#include "ui/UITimedSequence.h"
#include "ui/Widget.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace
{
struct Misfit
{
    std::string where;
    std::string text;
    int textWidth, textHeight, width, height;
};

void Walk(CWidget* w, const std::string& path, i32 side, std::vector<Misfit>* misfits, int* texts)
{
    const std::string here = path + "/" + (w->GetName().IsEmpty() ? std::string("-") : Narrow(w->GetName()));
    if (CTextWidget* t = CTextWidget::Cast(w))
    {
        CKetrelBitmapFont* font = t->GetFont();
        const CKetrelString& text = t->GetDisplayText();
        if (font && !text.IsEmpty())
        {
            ++*texts;
            const u32 flags = t->GetDrawFlags();
            i32 textWidth = 0, textHeight = font->GetLineHeight();
            if (flags & CTextWidget::TEXT_MULTILINE)
            {
                CKetrelRect r(0, 0, t->GetWidth(), 0);
                font->MeasureText(&r, text);
                textWidth = r.Width();
                textHeight = r.Height();
            }
            else
                textWidth = font->GetTextWidth(text, flags);
            // Body text is a 24th of the side, titles more; the line holds some leading.
            const bool tooSmall = font->GetLineHeight() < side / 24;
            if (tooSmall || textWidth > t->GetWidth() || textHeight > t->GetHeight())
                misfits->push_back({here, Narrow(text), textWidth, textHeight, t->GetWidth(), t->GetHeight()});
        }
    }
    for (i32 i = 0; i < w->GetChildCount(); ++i)
        Walk(w->GetChild(i), here, side, misfits, texts);
}

// The English texts of the built language pack, by index.
bool LoadEnglish(std::map<int, std::string>* texts)
{
    CKetrelMediaPack pack;
    if (pack.Open(Str(std::string(KETREL_BINARY_DIR) + "/main/brixlanguage_en.vad"), CKetrelString()) != KE_OK)
        return false;
    CKetrelString text, digest;
    if (CBrixLanguage::ReadPackText(&pack, text, digest) != KE_OK)
        return false;
    CKetrelArray<CKetrelString> table;
    CBrixLanguage::ParseTexts(text, table);
    for (i32 i = 0; i < table.GetCount(); ++i)
        (*texts)[i] = Narrow(table[i]);
    return table.GetCount() > 0;
}
}

TEST(BrixLayoutTextFit, EveryTextFitsItsWidgetAtBothScreens)
{
    const struct { int width, height; } screens[] = {{800, 480}, {640, 360}};
    for (const auto& screen : screens)
    {
        SoftwareHost host(screen.width, screen.height);
        ASSERT_TRUE(LoadEnglish(&host.texts));
        // The packs the program picks for the screen: those made for its height.
        const std::string side = std::to_string(screen.height);
        for (const std::string& pack :
             {std::string("brixlayouts.vad"), "brixfonts_" + side + ".vad", "brixlobby_" + side + ".vad"})
            ASSERT_EQ(1, host.AddMediaPack(Str(std::string(KETREL_BINARY_DIR) + "/main/" + pack), 1, 0)) << pack;
        for (const char* layout : {"menu_root.xml", "toast-root.xml", "ad-root.xml"})
        {
            const std::string where = std::string(layout) + " at " + std::to_string(screen.width) + "x" +
                                      std::to_string(screen.height);
            CUITimedSequenceList sequences;
            CUIActionMap actions;
            actions.SetSequenceList(&sequences);
            CGameXMLLoader loader;
            loader.Init(&host, &actions, nullptr);
            ASSERT_EQ(KE_OK, loader.LoadFile(Str(layout))) << where;
            CWidget* root = loader.CreateRootWidget(screen.width, screen.height, nullptr);
            ASSERT_NE(nullptr, root) << where;
            std::vector<Misfit> misfits;
            int texts = 0;
            Walk(root, std::string(), screen.height, &misfits, &texts);
            for (const Misfit& m : misfits)
                ADD_FAILURE() << where << ": " << m.where << " \"" << m.text << "\" needs " << m.textWidth << "x"
                              << m.textHeight << " in " << m.width << "x" << m.height;
            // The toast and the advertisement get their texts only when shown.
            EXPECT_GT(texts, std::string(layout) == "menu_root.xml" ? 150 : -1) << where;
            CWidget::Destroy(root);
            loader.Unload();
            sequences.DeleteAll();
            actions.Clear();
        }
    }
}
