// framework/TolvaneApplicationOverlays.cpp: the toast, the advertisement, the popups and
// the two opening states, as the application creates, ticks, draws and feeds them.
#include "framework/TolvaneApplication.h"

#include "engine/KetrelResult.h"

#include <new>

#include "framework/BrixAdvertisement.h"
#include "framework/BrixIntroState.h"
#include "framework/BrixNotification.h"
#include "framework/BrixTitleState.h"
#include "framework/BrixToastNotification.h"

int CTolvaneApplication::PushOpeningStates()
{
    CBrixIntroState* intro = new (std::nothrow) CBrixIntroState();
    if (!intro)
        return KE_ERR_MEMORY;
    int rc = PushState(intro);
    if (rc != KE_OK)
        return rc;
    CBrixTitleState* title = new (std::nothrow) CBrixTitleState();
    if (!title)
        return KE_ERR_MEMORY;
    return PushState(title);
}

static CBrixNotification* FirstPopup(const CKetrelPtrArray& popups)
{
    return popups.GetCount() > 0 ? static_cast<CBrixNotification*>(popups.GetAt(0)) : nullptr;
}

int CTolvaneApplication::CreateToast()
{
    m_toast = new (std::nothrow) CBrixToastNotification();
    if (!m_toast)
        return KE_ERR_MEMORY;
    int rc = m_toast->Init(this);
    if (rc != KE_OK)
    {
        // The program goes on without toasts.
        m_toast->Release();
        delete m_toast;
        m_toast = nullptr;
    }
    return rc;
}

void CTolvaneApplication::TickOverlays(f32 dt)
{
    if (m_advertisement)
    {
        m_advertisement->Update(dt);
        if (m_advertisement && m_advertisement->IsFinished())
            DeleteAdvertisement();
    }
    if (CBrixNotification* popup = FirstPopup(m_popups))
    {
        popup->Update(dt);
        if (popup->IsFinished())
        {
            m_popups.RemoveAt(0);
            popup->Release();
            delete popup;
        }
    }
    if (m_toast)
        m_toast->Update(dt);
}

void CTolvaneApplication::RenderOverlays()
{
    if (m_advertisement)
        m_advertisement->Render();
    if (CBrixNotification* popup = FirstPopup(m_popups))
        popup->Render();
    if (m_toast)
        m_toast->Render();
}

void CTolvaneApplication::DeleteAdvertisement()
{
    if (!m_advertisement)
        return;
    CBrixAdvertisement* advertisement = m_advertisement;
    m_advertisement = nullptr;
    advertisement->Release();
    delete advertisement;
}

void CTolvaneApplication::DeleteOverlays()
{
    DeleteAdvertisement();
    while (m_popups.GetCount() > 0)
    {
        CBrixNotification* popup = FirstPopup(m_popups);
        m_popups.RemoveAt(0);
        popup->Release();
        delete popup;
    }
    if (m_toast)
    {
        m_toast->Release();
        delete m_toast;
        m_toast = nullptr;
    }
}

bool CTolvaneApplication::OverlayPointer(i32 kind, i32 pointer, i32 x, i32 y, i32* result)
{
    if (m_toast && m_toast->IsShown())
    {
        i32 r = 0;
        if (kind == KE_EVENT_POINTER_DOWN)
            r = m_toast->OnPointerDown(pointer, x, y);
        else if (kind == KE_EVENT_POINTER_MOVE)
            r = m_toast->OnPointerMove(pointer, x, y);
        else
            r = m_toast->OnPointerUp(pointer, x, y);
        if (r)
        {
            *result = r;
            if (kind != KE_EVENT_POINTER_DOWN)
                return true;
            // A tap is the toast's whatever its kind; the kind is the result.
            *result = m_toast->GetShownKind();
            if (*result == TOAST_KIND_CHALLENGE)
            {
                if (m_lobby)
                    m_lobby->OpenPage(CKetrelString(L"challenge_received"), 1);
                *result = 1;
            }
            return true;
        }
    }
    if (CBrixNotification* popup = FirstPopup(m_popups))
    {
        i32 r = kind == KE_EVENT_POINTER_DOWN   ? popup->OnPointerDown(pointer, x, y)
                : kind == KE_EVENT_POINTER_MOVE ? popup->OnPointerMove(pointer, x, y)
                                                : popup->OnPointerUp(pointer, x, y);
        if (r)
        {
            *result = r;
            return true;
        }
    }
    if (m_advertisement && m_advertisement->IsShown())
    {
        i32 r = kind == KE_EVENT_POINTER_DOWN   ? m_advertisement->OnPointerDown(pointer, x, y)
                : kind == KE_EVENT_POINTER_MOVE ? m_advertisement->OnPointerMove(pointer, x, y)
                                                : m_advertisement->OnPointerUp(pointer, x, y);
        if (r)
        {
            *result = r;
            return true;
        }
    }
    return false;
}

void CTolvaneApplication::HideAdvertisement()
{
    if (m_advertisement)
        m_advertisement->Hide();
}

i32 CTolvaneApplication::IsToastShown() { return m_toast ? m_toast->IsShown() : 0; }

i32 CTolvaneApplication::IsAdvertisementShown()
{
    return m_advertisement ? m_advertisement->IsShown() : 0;
}

void CTolvaneApplication::QueueToast(const CKetrelString& text, i32 kind, f32 seconds)
{
    if (m_toast)
        m_toast->Add(text, kind, seconds);
}

void CTolvaneApplication::NotifyOverlaysOfTheme()
{
    if (m_toast)
        m_toast->OnThemeChanged();
    if (m_advertisement)
        m_advertisement->OnThemeChanged();
}

void CTolvaneApplication::NotifyOverlaysOfSize(i32 width, i32 height)
{
    if (CBrixNotification* popup = FirstPopup(m_popups))
        popup->OnScreenSizeChanged(width, height);
    if (m_toast)
        m_toast->OnScreenSizeChanged(width, height);
    if (m_advertisement)
        m_advertisement->OnScreenSizeChanged(width, height);
}

int CTolvaneApplication::ShowAdvertisement(const CKetrelString& text0, const CKetrelString& text1,
                                           int imageSize, const u8* image, int value3, int value4,
                                           const CKetrelArray<i32>& values, const CKetrelString& text6,
                                           int value7, const CKetrelString& text8,
                                           const CKetrelString& text9)
{
    if (!m_advertisement)
    {
        m_advertisement = new (std::nothrow) CBrixAdvertisement();
        if (!m_advertisement)
            return 0;
        if (m_advertisement->Init(this) != KE_OK)
        {
            DeleteAdvertisement();
            return 0;
        }
    }
    return m_advertisement->Show(text0, text1, imageSize, image, value3, value4, values, text6, value7,
                                 text8, text9);
}
