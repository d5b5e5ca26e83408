// What widgets report to the run loop's idle pacing: a change of what is drawn, or a
// widget that keeps moving, must be noted (else an idle program would leave it off
// the screen), and a call that changes nothing must not be (else the program would
// never go idle).
#include "WidgetKit.h"

#include "engine/KetrelFramePacer.h"
#include "ui/Button.h"
#include "ui/ImageWidget.h"
#include "ui/ProgressBar.h"
#include "ui/RotatingImageWidget.h"
#include "ui/TextWidget.h"
#include "ui/ToggleButton.h"

#include <functional>

using kit::App;
using kit::New;

namespace
{

struct NoteCase
{
    const char* what;
    std::function<void(CWidget* root, App& app)> act;
    bool noted;
};

} // namespace

TEST(ScreenNote, WidgetChangesAreNotedAndNoChangeIsNot)
{
    // Each case starts from the same tree: a visible panel at (10, 10, 110, 60) with a
    // text "a", an image, a toggle, a progress bar at 0.5 and a still rotating image.
    const NoteCase cases[] = {
        {"same rectangle", [](CWidget* r, App&) { r->GetChild(0)->SetRect(CKetrelRect(10, 10, 110, 60)); }, false},
        {"moved", [](CWidget* r, App&) { r->GetChild(0)->SetRect(CKetrelRect(11, 10, 111, 60)); }, true},
        {"same position", [](CWidget* r, App&) { r->GetChild(0)->SetPosition(10, 10); }, false},
        {"new position", [](CWidget* r, App&) { r->GetChild(0)->SetPosition(10, 12); }, true},
        {"shown again", [](CWidget* r, App&) { r->GetChild(0)->SetVisible(true); }, false},
        {"hidden", [](CWidget* r, App&) { r->GetChild(0)->SetVisible(false); }, true},
        {"disabled", [](CWidget* r, App&) { r->GetChild(0)->SetEnabled(false); }, true},
        {"child added", [](CWidget* r, App& app) { New<CWidget>(app, r, "x", 0, 0, 5, 5); }, true},
        {"child removed", [](CWidget* r, App&) { CWidget::Destroy(r->GetChild(0)); }, true},
        {"same text", [](CWidget* r, App&) { CTextWidget::Cast(r->FindChild(CKetrelString("t"), 1))->SetText(CKetrelString("a")); }, false},
        {"new text", [](CWidget* r, App&) { CTextWidget::Cast(r->FindChild(CKetrelString("t"), 1))->SetText(CKetrelString("b")); }, true},
        {"same blend colour", [](CWidget* r, App&) { r->FindChild(CKetrelString("i"), 1)->SetBlendColor(0xFFFFFFFFu); }, false},
        {"new blend colour", [](CWidget* r, App&) { r->FindChild(CKetrelString("i"), 1)->SetBlendColor(0x80FFFFFFu); }, true},
        {"image fading in", [](CWidget* r, App&) {
             CImageWidget* i = CImageWidget::Cast(r->FindChild(CKetrelString("i"), 1));
             i->FadeIn();
             CKetrelFramePacer::TakeScreenActivity();
             r->Update(0.01f);
         }, true},
        {"toggled", [](CWidget* r, App&) { CToggleButton::Cast(r->FindChild(CKetrelString("g"), 1))->SetToggled(true); }, true},
        {"same progress", [](CWidget* r, App&) { CProgressBar::Cast(r->FindChild(CKetrelString("p"), 1))->SetProgress(0.5f); }, false},
        {"progress", [](CWidget* r, App&) { CProgressBar::Cast(r->FindChild(CKetrelString("p"), 1))->SetProgress(0.6f); }, true},
        {"update of a still tree", [](CWidget* r, App&) { r->Update(0.1f); }, false},
        {"a spinner turns", [](CWidget* r, App&) {
             CRotatingImageWidget::Cast(r->FindChild(CKetrelString("s"), 1))->SetSpeed(3.0f);
             r->Update(0.1f);
         }, true},
    };
    for (const NoteCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        App app;
        CWidget* root = New<CWidget>(app, nullptr, "root", 0, 0, 800, 480);
        CWidget* panel = New<CWidget>(app, root, "panel", 10, 10, 110, 60);
        CTextWidget* text = New<CTextWidget>(app, panel, "t", 0, 0, 50, 20);
        text->SetText(CKetrelString("a"));
        CImageWidget* image = New<CImageWidget>(app, panel, "i", 0, 20, 20, 30);
        image->SetImage(app.resources.Add("pic", kit::Solid(20, 10, 0xFFFF0000u)));
        New<CToggleButton>(app, panel, "g", 50, 0, 60, 10);
        CProgressBar::Cast(New<CProgressBar>(app, panel, "p", 0, 40, 100, 50))->SetProgress(0.5f);
        New<CRotatingImageWidget>(app, panel, "s", 60, 0, 70, 10)->SetSpeed(0.0f);
        CKetrelFramePacer::TakeScreenActivity();

        c.act(root, app);
        EXPECT_EQ(c.noted, CKetrelFramePacer::TakeScreenActivity());
        CWidget::SetCapture(nullptr);
        CWidget::Destroy(root);
    }
}
