// framework/BrixToastNotification.cpp
#include "framework/BrixToastNotification.h"

#include "engine/KetrelApplication.h"
#include "engine/KetrelFramePacer.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "framework/BrixFrameworkHost.h"
#include "ui/GameXMLLoader.h"
#include "ui/TextWidget.h"
#include "ui/UIActionMap.h"
#include "ui/UITimedSequence.h"
#include "ui/Widget.h"

#include <cmath>
#include <new>

const char* const CBrixToastNotification::LayoutFile = "toast-root.xml";
const f32 CBrixToastNotification::DefaultSeconds = 3.0f;
const char* const CBrixToastNotification::ChallengePage = "challenge_received";

namespace
{
const f32 kSlide = 0.5f;   // seconds of the slide in and of the slide out

const char* const kIconMessage = "toast_icon_message";
const char* const kIconChallenge = "toast_icon_challenge";
const char* const kIconAchievement = "toast_icon_achievement";

CWidget* FindAnywhere(CWidget* root, const char* name)
{
    return root ? root->FindChild(CKetrelString(name), -1) : nullptr;
}

IKetrelGraphicsContext* Target(IBrixFrameworkHost* app)
{
    IKetrelApplication* engine = app ? app->GetEngineApplication() : nullptr;
    return engine ? engine->GetGraphicsContext() : nullptr;
}
}

CBrixToastNotification::CBrixToastNotification()
    : m_root(nullptr), m_panel(nullptr), m_background(nullptr), m_sequences(nullptr),
      m_timer(-1.0f), m_duration(DefaultSeconds), m_closing(0), m_shown(0),
      m_shownKind(KIND_MESSAGE)
{
}

CBrixToastNotification::~CBrixToastNotification()
{
    Release();
}

int CBrixToastNotification::Init(IBrixFrameworkHost* app)
{
    CBrixNotification::Init(app);
    IKetrelGraphicsContext* gc = Target(app);
    return Layout(gc ? gc->GetWidth() : 0, gc ? gc->GetHeight() : 0);
}

void CBrixToastNotification::DeleteTree()
{
    delete m_sequences;
    m_sequences = nullptr;
    if (m_root)
        CWidget::Destroy(m_root);   // closes and deletes, after a running dispatch
    m_root = nullptr;
    m_panel = nullptr;
    m_background = nullptr;
}

void CBrixToastNotification::Release()
{
    for (i32 i = 0; i < m_queue.GetCount(); ++i)
        delete static_cast<CBrixToastMessage*>(m_queue.GetAt(i));
    m_queue.RemoveAll();
    DeleteTree();
}

int CBrixToastNotification::Layout(i32 width, i32 height)
{
    const f32 timer = m_timer;
    DeleteTree();

    m_sequences = new (std::nothrow) CUITimedSequenceList();
    CUIActionMap* actions = new (std::nothrow) CUIActionMap();
    CGameXMLLoader* loader = new (std::nothrow) CGameXMLLoader();
    if (!m_sequences || !actions || !loader)
    {
        delete loader;
        delete actions;
        return KE_ERR_MEMORY;
    }
    actions->SetSequenceList(m_sequences);
    actions->Register(CKetrelString("toast_click"), MakeUIActionCallback(OnToastClick, this), true);

    loader->Init(m_app ? m_app->GetUIApplication() : nullptr, actions, nullptr);
    int r = loader->LoadFile(CKetrelString(LayoutFile));
    if (r == KE_OK)
    {
        m_root = loader->CreateRootWidget(width, height, nullptr);
        if (!m_root)
            r = KE_ERR_FORMAT;   // no area of the file fits, or the builder refused
    }
    delete loader;
    delete actions;   // the widgets keep copies of the callbacks they were given
    if (r != KE_OK)
        return r;

    m_panel = FindAnywhere(m_root, "toast_hitarea");
    m_background = FindAnywhere(m_root, "toast_bg");

    // A message that was on screen comes back in the new layout with its time left.
    if (timer > 0.0f && timer < m_current.seconds)
    {
        const CBrixToastMessage again = m_current;
        if (Show(again))
            m_timer = timer;
    }
    return KE_OK;
}

int CBrixToastNotification::Show(const CBrixToastMessage& message)
{
    CWidget* icons[3] = {FindAnywhere(m_root, kIconMessage), FindAnywhere(m_root, kIconChallenge),
                         FindAnywhere(m_root, kIconAchievement)};
    if (!m_panel || !icons[0] || !icons[1] || !icons[2])
        return 0;
    for (CWidget* icon : icons)
        icon->SetVisible(false);
    switch (message.kind)
    {
    case KIND_MESSAGE: icons[0]->SetVisible(true); break;
    case KIND_CHALLENGE:
    case -1: icons[1]->SetVisible(true); break;
    case KIND_ACHIEVEMENT: icons[2]->SetVisible(true); break;
    default: break;
    }
    if (CTextWidget* text = CTextWidget::Cast(FindAnywhere(m_root, "toast_message")))
        text->SetText(message.text);
    m_duration = message.seconds;
    m_shownKind = message.kind;
    m_shown = 1;
    m_timer = 0.0f;
    m_current = message;
    return 1;
}

int CBrixToastNotification::Add(const CKetrelString& text, i32 kind, f32 seconds)
{
    for (i32 i = 0; i < m_queue.GetCount(); ++i)
        if (GetQueued(i)->text.Equals(text))
            return 1;
    CBrixToastMessage* message = new (std::nothrow) CBrixToastMessage();
    if (!message)
        return KE_ERR_MEMORY;
    message->text = text;
    message->seconds = seconds == 0.0f ? DefaultSeconds : seconds;
    message->kind = kind == 0 ? (i32)KIND_MESSAGE : kind;
    if (message->kind == KIND_ACHIEVEMENT)
        message->text.Format(L"%s\n\nAchievement unlocked!", text);
    m_queue.Add(message);
    if (m_timer < 0.0f)
    {
        // Taken off again even when the layout cannot show it: nothing would ever
        // drain the queue of an idle toast.
        m_queue.RemoveAt(m_queue.GetCount() - 1);
        Show(*message);
        delete message;
    }
    return 1;
}

void CBrixToastNotification::ShowNextQueued()
{
    if (m_queue.GetCount() == 0)
        return;
    CBrixToastMessage* next = static_cast<CBrixToastMessage*>(m_queue.GetAt(0));
    m_queue.RemoveAt(0);
    Show(*next);
    delete next;
}

void CBrixToastNotification::Update(f32 dt)
{
    if (m_timer < 0.0f)
        return;
    CKetrelFramePacer::NoteScreenActivity();   // the toast slides in and out
    m_timer += dt;
    if (m_root)
        m_root->Update(dt);
    if (m_timer >= m_duration)
    {
        m_timer = -1.0f;
        m_closing = 0;
        m_shown = 0;
        m_current = CBrixToastMessage();
        m_current.seconds = 0.0f;
        ShowNextQueued();
        return;
    }
    CWidget* parent = m_panel ? m_panel->GetParent() : nullptr;
    if (!parent)
        return;
    // The panel's position is in its parent's coordinates: the parent's own bottom.
    const f32 bottom = (f32)parent->GetLocalRect().bottom;
    const f32 height = (f32)m_panel->GetHeight();
    const i32 x = m_panel->GetRect().left;
    i32 y;
    if (m_timer <= kSlide)
        y = (i32)std::floor(bottom - height * 2.0f * m_timer + 0.5f);
    else if (m_timer <= m_duration - kSlide)
        y = (i32)(bottom - height);
    else
    {
        const f32 u = m_timer - (m_duration - kSlide);
        y = (i32)std::floor(bottom - height * (1.0f - 2.0f * u) + 0.5f);
    }
    m_panel->SetPosition(x, y);
    if (m_background)
        m_background->SetPosition(x, y);
}

void CBrixToastNotification::Render()
{
    if (!m_root || m_timer < 0.0f)
        return;
    IKetrelApplication* engine = m_app ? m_app->GetEngineApplication() : nullptr;
    if (engine)
        engine->ResetIdleTimer();   // no frame throttling while the toast moves
    IKetrelGraphicsContext* gc = Target(m_app);
    if (gc)
        m_root->Render(gc);
}

i32 CBrixToastNotification::OnScreenSizeChanged(i32 width, i32 height)
{
    Layout(width, height);
    return 1;
}

i32 CBrixToastNotification::OnPointerDown(i32 pointer, i32 x, i32 y)
{
    if (!m_panel || !m_root || m_timer < 0.0f)
        return 0;
    m_root->MapPoint(nullptr, &x, &y);
    return m_root->DispatchPointerDown(pointer, x, y) ? 1 : 0;
}

i32 CBrixToastNotification::OnPointerUp(i32 pointer, i32 x, i32 y)
{
    if (!m_panel || !m_root || m_timer < 0.0f)
        return 0;
    i32 rx = x, ry = y;
    m_root->MapPoint(nullptr, &rx, &ry);
    m_root->DispatchPointerUp(pointer, rx, ry);
    // The dispatch may have closed the message; the panel stays in the tree.
    if (!m_panel)
        return 0;
    m_panel->MapPoint(nullptr, &x, &y);
    return m_panel->HitTest(x, y) ? 1 : 0;
}

i32 CBrixToastNotification::OnPointerMove(i32 pointer, i32 x, i32 y)
{
    if (!m_panel || !m_root || m_timer < 0.0f)
        return 0;
    i32 rx = x, ry = y;
    m_root->MapPoint(nullptr, &rx, &ry);
    m_root->DispatchPointerMove(pointer, rx, ry);
    if (!m_panel)
        return 0;
    m_panel->MapPoint(nullptr, &x, &y);
    return m_panel->HitTest(x, y) ? 1 : 0;
}

void CBrixToastNotification::Close()
{
    // An idle toast has nothing to close (a late click must not bring it back).
    if (m_closing || m_timer < 0.0f)
        return;
    if (m_timer < m_duration - kSlide)
        m_timer = m_duration - kSlide;
    m_closing = 1;
    m_current = CBrixToastMessage();
    m_current.seconds = 0.0f;
}

int CBrixToastNotification::OnToastClick(void*, void* context)
{
    if (CBrixToastNotification* toast = static_cast<CBrixToastNotification*>(context))
        toast->Close();
    return 1;
}
