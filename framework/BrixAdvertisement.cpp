// framework/BrixAdvertisement.cpp
#include "framework/BrixAdvertisement.h"

#include "engine/KetrelApplication.h"
#include "engine/KetrelFramePacer.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "engine/graphics/KetrelSurface.h"
#include "framework/BrixFrameworkHost.h"
#include "framework/BrixResourceManager.h"
#include "ui/GameXMLLoader.h"
#include "ui/ImageWidget.h"
#include "ui/TextWidget.h"
#include "ui/UIActionMap.h"
#include "ui/UITimedSequence.h"
#include "ui/Widget.h"

#include <GLES2/gl2.h>
#include <cmath>
#include <cstring>
#include <new>

const char* const CBrixAdvertisement::LayoutFile = "ad-root.xml";
const f32 CBrixAdvertisement::MinDisplaySeconds = 300.0f;

namespace
{
IKetrelGraphicsContext* Target(IBrixFrameworkHost* app)
{
    IKetrelApplication* engine = app ? app->GetEngineApplication() : nullptr;
    return engine ? engine->GetGraphicsContext() : nullptr;
}

void SetText(CWidget* widget, const CKetrelString& text)
{
    if (CTextWidget* t = CTextWidget::Cast(widget))
        t->SetText(text);
}
}

CBrixAdvertisement::CBrixAdvertisement()
    : m_shown(0), m_root(nullptr), m_sequences(nullptr), m_pictureWidget(nullptr),
      m_countdown(0.0f), m_pictureBytes(nullptr), m_pictureSize(0), m_picture(nullptr),
      m_displayTime(0.0f), m_closingDelay(0.0f), m_frameIndex(0), m_frameClock(0.0f),
      m_pending(0), m_quitOnClose(0), m_pictureSerial(0)
{
}

CBrixAdvertisement::~CBrixAdvertisement()
{
    Release();
}

int CBrixAdvertisement::Init(IBrixFrameworkHost* app)
{
    CBrixNotification::Init(app);
    IKetrelGraphicsContext* gc = Target(app);
    return Layout(gc ? gc->GetWidth() : 0, gc ? gc->GetHeight() : 0);
}

CWidget* CBrixAdvertisement::Find(const char* name) const
{
    return m_root ? m_root->FindChild(CKetrelString(name), -1) : nullptr;
}

int CBrixAdvertisement::Layout(i32 width, i32 height)
{
    // An earlier layout's tree and sequences are replaced (a failed one leaves its
    // sequences behind).
    delete m_sequences;
    if (m_root)
        CWidget::Destroy(m_root);
    m_root = nullptr;
    m_pictureWidget = nullptr;
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
    actions->Register(CKetrelString("ad_title"), MakeUIActionCallback(OnTitleAction, this), true);
    actions->Register(CKetrelString("ad_click"), MakeUIActionCallback(OnClickAction, this), true);
    actions->Register(CKetrelString("ad_ok"), MakeUIActionCallback(OnOkAction, this), true);
    actions->Register(CKetrelString("ad_close"), MakeUIActionCallback(OnCloseAction, this), true);
    loader->Init(m_app ? m_app->GetUIApplication() : nullptr, actions, nullptr);
    int r = loader->LoadFile(CKetrelString(LayoutFile));
    if (r == KE_OK)
    {
        m_root = loader->CreateRootWidget(width, height, nullptr);
        if (!m_root)
            r = KE_ERR_FORMAT;
    }
    delete loader;
    delete actions;
    return r;
}

void CBrixAdvertisement::FreePictureBytes()
{
    delete[] m_pictureBytes;
    m_pictureBytes = nullptr;
    m_pictureSize = 0;
}

void CBrixAdvertisement::Reset()
{
    m_shown = 0;
    // A pending overlay must not come up later with content that is gone.
    m_pending = 0;
    m_countdown = 0.0f;
    m_frameIndex = 0;
    m_frameClock = 0.0f;
    m_displayTime = 0.0f;
    m_closingDelay = 0.0f;
    if (m_picture)
    {
        CBrixResourceManager* resources = m_app ? m_app->GetResourceManager() : nullptr;
        if (!resources || resources->ReleaseImage(&m_picture) == 0)
        {
            m_picture->Release();
            delete m_picture;
        }
        m_picture = nullptr;
    }
    FreePictureBytes();
    m_pictureWidget = nullptr;
    m_frameTimes.RemoveAll();
}

void CBrixAdvertisement::Unload()
{
    Reset();
    delete m_sequences;
    m_sequences = nullptr;
    if (m_root)
        CWidget::Destroy(m_root);
    m_root = nullptr;
}

void CBrixAdvertisement::Release()
{
    Unload();
    Reset();
}

i32 CBrixAdvertisement::OnScreenSizeChanged(i32 width, i32 height)
{
    Unload();
    Layout(width, height);
    return 1;
}

int CBrixAdvertisement::Show(const CKetrelString& firstText, const CKetrelString& clickLink,
                             i32 pictureSize, const u8* picture, i32 displayTimeMs,
                             i32 closingDelayMs, const CKetrelArray<i32>& frameTimesMs,
                             const CKetrelString& okLink, i32 flags, const CKetrelString& title,
                             const CKetrelString& titleLink)
{
    if (!m_app)
        return KE_OK;
    Reset();
    if (!(flags & FLAG_SHOW))
        return KE_OK;
    if (!m_root)
    {
        IKetrelGraphicsContext* gc = Target(m_app);
        const int r = Layout(gc ? gc->GetWidth() : 0, gc ? gc->GetHeight() : 0);
        if (r != KE_OK)
            return r;
    }
    m_firstText = firstText;
    m_clickLink = clickLink;
    m_quitOnClose = 1;   // flag 8, checked above
    m_frameTimes.RemoveAll();
    if (pictureSize > 0 && picture)
    {
        m_pictureBytes = new (std::nothrow) u8[pictureSize];
        if (m_pictureBytes)
        {
            std::memcpy(m_pictureBytes, picture, (size_t)pictureSize);
            m_pictureSize = pictureSize;
            for (i32 i = 0; i < frameTimesMs.GetCount(); ++i)
                m_frameTimes.Add((f32)frameTimesMs[i] * 0.001f);
        }
    }
    m_displayTime = (f32)displayTimeMs * 0.001f;
    if (!(m_displayTime >= MinDisplaySeconds))
        m_displayTime = MinDisplaySeconds;
    m_closingDelay = (f32)closingDelayMs * 0.001f;
    m_okLink = okLink;
    m_title = title;
    m_titleLink = titleLink;
    if (!(flags & FLAG_STORE_ONLY) && !m_app->IsMatchRequestPending())
    {
        if (m_app->IsLinkBusy())
            m_pending = 1;
        else
            m_shown = 1;
    }
    return KE_OK;
}

void CBrixAdvertisement::DecodePicture()
{
    CKetrelSurface* surface = new (std::nothrow) CKetrelSurface();
    IKetrelApplication* engine = m_app ? m_app->GetEngineApplication() : nullptr;
    const bool decoded = surface && engine &&
                         surface->LoadFromMemory(engine, m_pictureBytes, m_pictureSize, nullptr) ==
                             KE_OK &&
                         surface->GetWidth() > 0 && surface->GetHeight() > 0;
    FreePictureBytes();
    if (!decoded)
    {
        if (surface)
        {
            surface->Release();
            delete surface;
        }
        return;
    }
    surface->CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 0);
    // One frame per frame time, stacked from top to bottom; never more frames than
    // the picture has rows, so no frame is empty.
    i32 frames = m_frameTimes.GetCount();
    if (frames < 1)
        frames = 1;
    if (frames > surface->GetHeight())
        frames = surface->GetHeight();
    surface->SetFrameSize(surface->GetWidth(), surface->GetHeight() / frames);
    // Registered, so that the overlay and the image widget share it by reference.
    CBrixResourceManager* resources = m_app->GetResourceManager();
    if (resources)
    {
        CKetrelString name;
        name.Format(L"__brix_advertisement_%u", ++m_pictureSerial);
        resources->RegisterImage(name, surface);
    }
    m_picture = surface;
    FillLayout();
}

void CBrixAdvertisement::FillLayout()
{
    CWidget* closing = Find("text_closing");
    CWidget* button = Find("button_close");
    if (m_countdown < 0.0f)
    {
        if (closing)
            closing->SetVisible(false);
    }
    else if (button)
    {
        if (CImageWidget* image = CImageWidget::Cast(button))
            image->CancelFadeIn();
        button->SetVisible(false);
    }
    if (!m_title.IsEmpty())
        SetText(Find("text_title"), m_title);
    m_pictureWidget = CImageWidget::Cast(Find("adimage"));
    if (m_pictureWidget && m_picture)
    {
        CBrixResourceManager* resources = m_app ? m_app->GetResourceManager() : nullptr;
        // A widget without a resource manager owns whatever it is given: it gets a
        // copy of its own instead of the shared picture.
        if (m_pictureWidget->GetResourceManager() && resources)
            m_pictureWidget->SetImage(m_picture);
        else
            m_pictureWidget->SetImage(CImageWidget::DuplicateSurface(m_picture));
        const i32 count = m_frameTimes.GetCount();
        if (count > 0)
        {
            m_pictureWidget->SetFrameDuration(m_frameTimes[0] / (f32)count);
            // The frame shown is ours to choose, not the widget's own clock.
            m_pictureWidget->SetFlags(m_pictureWidget->GetFlags() | CImageWidget::IMAGE_SKIP_ANIMATION);
        }
    }
}

CKetrelString CBrixAdvertisement::CountdownText(const CKetrelString& format, i32 seconds)
{
    // Format is type-safe: a "%s" or a second "%d" in a text the server sent reads
    // nothing that was not passed.
    CKetrelString text;
    if (format.GetBuffer())
        text.Format(format.GetBuffer(), seconds);
    return text;
}

void CBrixAdvertisement::Update(f32 dt)
{
    if (m_pending && m_app && !m_app->IsLinkBusy())
    {
        m_pending = 0;
        m_shown = 1;
    }
    if (!m_shown)
        return;
    CKetrelFramePacer::NoteScreenActivity();   // its countdown is on screen
    if (m_pictureBytes)
        DecodePicture();
    if (m_countdown >= 0.0f)
    {
        m_countdown += dt;
        CWidget* closing = Find("text_closing");
        if (m_countdown >= m_closingDelay)
        {
            if (closing)
            {
                if (m_app)
                    SetText(closing, m_app->GetLanguageText(TEXT_CLOSE_READY));
                closing->SetVisible(true);
            }
            if (CWidget* button = Find("button_close"))
                button->SetVisible(true);
            m_countdown = -1.0f;
        }
        else if (closing)
        {
            // Whole seconds left, rounded up: 5, 4, 3, 2, 1 for a five-second delay.
            const i32 seconds = (i32)std::ceil(m_closingDelay - m_countdown);
            const CKetrelString format = m_app ? m_app->GetLanguageText(TEXT_COUNTDOWN) : CKetrelString();
            SetText(closing, CountdownText(format, seconds));
            closing->SetVisible(true);
        }
    }
    const i32 count = m_frameTimes.GetCount();
    if (count > 0)
    {
        if (m_frameIndex >= count)
            m_frameIndex = 0;
        m_frameClock += dt;
        // At most one frame per update; a time of zero or less advances every update.
        const f32 frameTime = m_frameTimes[m_frameIndex];
        if (m_frameClock >= frameTime)
        {
            m_frameClock = frameTime > 0.0f ? m_frameClock - frameTime : 0.0f;
            if (m_frameClock > frameTime && frameTime > 0.0f)
                m_frameClock = 0.0f;   // a long stall does not pile frames up
            m_frameIndex = (m_frameIndex + 1) % count;
        }
        if (m_pictureWidget && m_picture)
        {
            CKetrelRect frame;
            m_picture->GetFrameRect(m_frameIndex, &frame);
            m_pictureWidget->SetSourceRect(frame);
        }
    }
    if (m_root)
        m_root->Update(dt);
}

void CBrixAdvertisement::Render()
{
    if (!m_shown || !m_root)
        return;
    if (IKetrelGraphicsContext* gc = Target(m_app))
        m_root->Render(gc);
}

i32 CBrixAdvertisement::OnPointerDown(i32 pointer, i32 x, i32 y)
{
    if (m_root)
    {
        m_root->MapPoint(nullptr, &x, &y);
        m_root->DispatchPointerDown(pointer, x, y);
    }
    return 1;
}

i32 CBrixAdvertisement::OnPointerUp(i32 pointer, i32 x, i32 y)
{
    if (m_root)
    {
        m_root->MapPoint(nullptr, &x, &y);
        m_root->DispatchPointerUp(pointer, x, y);
    }
    return 1;
}

i32 CBrixAdvertisement::OnPointerMove(i32 pointer, i32 x, i32 y)
{
    if (m_root)
    {
        m_root->MapPoint(nullptr, &x, &y);
        m_root->DispatchPointerMove(pointer, x, y);
    }
    return 1;
}

void CBrixAdvertisement::Close(const CKetrelString& link)
{
    if (!link.IsEmpty() && m_app)
        m_app->OpenLink(link);
    Reset();
    if (m_quitOnClose)
    {
        m_quitOnClose = 0;
        if (m_app)
            m_app->Quit();
    }
}

int CBrixAdvertisement::OnTitleAction(void*, void* context)
{
    CBrixAdvertisement* ad = static_cast<CBrixAdvertisement*>(context);
    if (ad)
    {
        const CKetrelString link = ad->m_titleLink;   // Reset does not touch it, but Close may quit
        ad->Close(link);
    }
    return 1;
}

int CBrixAdvertisement::OnClickAction(void*, void* context)
{
    CBrixAdvertisement* ad = static_cast<CBrixAdvertisement*>(context);
    if (ad)
    {
        const CKetrelString link = ad->m_clickLink;
        ad->Close(link);
    }
    return 1;
}

int CBrixAdvertisement::OnOkAction(void*, void* context)
{
    CBrixAdvertisement* ad = static_cast<CBrixAdvertisement*>(context);
    if (ad)
    {
        const CKetrelString link = ad->m_okLink;
        ad->Close(link);
    }
    return 1;
}

int CBrixAdvertisement::OnCloseAction(void*, void* context)
{
    if (CBrixAdvertisement* ad = static_cast<CBrixAdvertisement*>(context))
        ad->Close(CKetrelString());
    return 1;
}
