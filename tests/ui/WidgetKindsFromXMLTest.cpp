// Every widget kind is made by the UI loader from its element type, and a loaded
// infinite list takes its templates from the document and fills itself.
#include <gtest/gtest.h>

#include "LoaderTestSupport.h"

#include "ui/Bubble.h"
#include "ui/Expandable.h"
#include "ui/FrameWidget.h"
#include "ui/GradientWidget.h"
#include "ui/InfiniteList.h"
#include "ui/PieWidget.h"
#include "ui/ProgressBar.h"
#include "ui/RotatingImageWidget.h"
#include "ui/RunningList.h"
#include "ui/Slider.h"
#include "ui/TextWidget.h"
#include "ui/ToggleButton.h"
#include "ui/WebButton.h"

using uitest::LoadedTree;

TEST(WidgetKindsFromXML, EveryTypeMakesItsKind)
{
    const struct { const char* type; const CWidgetType& (*kind)(); } cases[] = {
        {"image", &CWidgetType::Image},
        {"button", &CWidgetType::Button},
        {"toggle_button", &CWidgetType::ToggleButton},
        {"expand_layout", &CWidgetType::Expandable},
        {"web_button", &CWidgetType::WebButton},
        {"slidearea", &CWidgetType::SlideArea},
        {"grid_layout", &CWidgetType::GridLayout},
        {"infinite_list", &CWidgetType::InfiniteList},
        {"running_list", &CWidgetType::RunningList},
        {"text", &CWidgetType::TextWidget},
        {"bubble", &CWidgetType::Bubble},
        {"slider", &CWidgetType::Slider},
        {"pie", &CWidgetType::Pie},
        {"progressbar", &CWidgetType::ProgressBar},
        {"frame", &CWidgetType::Frame},
        {"gradient", &CWidgetType::Gradient},
        {"rotating_image", &CWidgetType::RotatingImage},
    };
    std::string doc = "<area>";
    for (const auto& c : cases)
        doc += std::string("<element name='") + c.type + "' type='" + c.type + "'/>";
    doc += "</area>";
    LoadedTree t;
    t.Build(doc);
    for (const auto& c : cases)
    {
        CWidget* w = t.Find(c.type);
        ASSERT_NE(w, nullptr) << c.type;
        EXPECT_TRUE(w->GetType().IsSameKind(c.kind())) << c.type;
    }
    // The loaded tree updates and draws without trouble.
    EXPECT_EQ(t.root->Update(0.016f), 1);
    uitest::RecordingContext gc;
    EXPECT_EQ(t.root->Render(&gc), 1);
}

TEST(WidgetKindsFromXML, LoadedInfiniteListFillsFromItsTemplates)
{
    LoadedTree t;
    t.Build("<area><element name='list' type='infinite_list'><size w='1' h='0.5'/>"
            "<page-size value='3'/>"
            // The loader wraps each template in a holder of its name.
            "<element name='item_template' type='text'><size w='1' h='0.1'/><text value='row'/></element>"
            "<element name='item_separator_template' type='image'><size w='1' h='0.01'/></element>"
            "</element></area>");
    CInfiniteList* list = CInfiniteList::Cast(t.Find("list"));
    ASSERT_NE(list, nullptr);
    list->Update(0.0f);
    ASSERT_NE(list->GetListItemTemplate(), nullptr);
    list->SetItemCount(100);
    list->Update(0.016f);
    EXPECT_EQ(list->GetLoadedRowCount(), CInfiniteList::WindowPages * 3);
    EXPECT_EQ(list->GetSeparatorCount(), list->GetLoadedRowCount() - 1);
    EXPECT_NE(CTextWidget::Cast(list->GetChild(0)), nullptr);
    EXPECT_EQ(uitest::Narrow(list->GetChild(0)->GetName()), "0");
}
