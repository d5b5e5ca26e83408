// X events of the application shell: keys, pointer, focus, size and the window
// manager's close request, turned into the engine's input hooks.
#include "engine/KetrelApplication.h"

#include "engine/KetrelKeyCodes.h"
#include "engine/graphics/KetrelGraphicsContext.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstring>

int IKetrelApplication::HandleXEvent(XEvent* event)
{
    if (m_paused)
        return 0;
    if (!event)
        return 1;
    if (m_window && m_pacingMode == 2)
        ResetIdleTimer();

    switch (event->type)
    {
    case KeyPress:
        HandleKeyPress(event);
        break;
    case KeyRelease:
        if (!m_window)
            memset(m_keyStates, 0, sizeof(m_keyStates));
        else
            m_keyStates[KetrelKeysymToKeyCode((u32)XLookupKeysym(&event->xkey, 0)) & 255] = 0;
        break;
    case ButtonPress:
    case ButtonRelease:
    {
        CKetrelPointerEvent pointer;
        pointer.type = event->type == ButtonPress ? KE_EVENT_POINTER_DOWN : KE_EVENT_POINTER_UP;
        pointer.button = (i32)event->xbutton.button - 1;
        pointer.x = event->xbutton.x;
        pointer.y = event->xbutton.y;
        DispatchPointerEvent(pointer);
        break;
    }
    case MotionNotify:
        if (m_buttonMask != 0)
        {
            CKetrelPointerEvent pointer = {KE_EVENT_POINTER_MOVE, 0, event->xmotion.x,
                                           event->xmotion.y};
            DispatchPointerEvent(pointer);
        }
        break;
    case FocusIn:
        if (!m_active)
            SetActive(1);
        break;
    case FocusOut:
        if (m_active)
            SetActive(0);
        break;
    case ConfigureNotify:
        if (m_window)
        {
            IKetrelGraphicsContext* context = GetGraphicsContext();
            if (event->xconfigure.width != context->GetWidth() ||
                event->xconfigure.height != context->GetHeight())
                OnResize(event->xconfigure.width, event->xconfigure.height);
        }
        break;
    case ClientMessage:
        HandleClientMessage(event);
        break;
    default:
        break;
    }
    return 1;
}

void IKetrelApplication::HandleKeyPress(XEvent* event)
{
    if (!m_window)
        return;
    u32 keysym = (u32)XLookupKeysym(&event->xkey, 0);
    m_keyStates[KetrelKeysymToKeyCode(keysym) & 255] = 128;
    OnKeyDown(keysym == XK_KP_Enter ? (u32)XK_Return : keysym);
    // The hook may have closed the window.
    if (!m_window)
        return;
    char text[10];
    memset(text, 0, sizeof(text));
    KeySym ignored;
    // Latin-1 text: the byte is taken unsigned, so 0xE9 stays 0xE9.
    if (XLookupString(&event->xkey, text, sizeof(text) - 1, &ignored, nullptr) >= 1)
        OnChar((u32)(unsigned char)text[0]);
}

void IKetrelApplication::HandleClientMessage(XEvent* event)
{
    if (m_wmDeleteWindow == 0 || (unsigned long)event->xclient.data.l[0] != m_wmDeleteWindow)
        return;
    Deactivate();
    OnDestroy();
    DestroyWindow();
    m_running = 0;
}

void IKetrelApplication::DispatchPointerEvent(const CKetrelPointerEvent& event)
{
    // Without a window there is no target to measure against, and the hooks
    // may already have dropped their state in OnDestroy.
    if (!m_windowExists)
        return;
    m_pointerX = event.x;
    m_pointerY = event.y;
    IKetrelGraphicsContext* context = GetGraphicsContext();
    CKetrelVector2 point(context->PixelToRelativeX(event.x), context->PixelToRelativeY(event.y));
    const u32 bit = (event.button >= 0 && event.button < 32) ? (1u << event.button) : 0;

    switch (event.type)
    {
    case KE_EVENT_POINTER_UP:
        if (m_buttonMask & bit)
        {
            m_buttonMask &= ~bit;
            OnPointerUp(event.button, event.x, event.y);
            OnPointerUpRelative(event.button, point);
        }
        break;
    case KE_EVENT_POINTER_MOVE:
        if (m_buttonMask & bit)
        {
            OnPointerMove(event.button, event.x, event.y);
            OnPointerMoveRelative(event.button, point);
        }
        else
        {
            // A move with the button not held counts as its press.
            m_buttonMask |= bit;
            OnPointerDown(event.button, event.x, event.y);
        }
        break;
    case KE_EVENT_POINTER_DOWN:
        if (!(m_buttonMask & bit))
        {
            m_buttonMask |= bit;
            OnPointerDown(event.button, event.x, event.y);
            OnPointerDownRelative(event.button, point);
        }
        break;
    default:
        break;
    }
}

void IKetrelApplication::DispatchKeyEvent(const CKetrelKeyEvent& event)
{
    if (!m_windowExists)
        return;
    switch (event.type)
    {
    case KE_EVENT_KEY_DOWN:
        m_keyStates[KetrelKeysymToKeyCode(event.keysym) & 255] = 128;
        OnKeyDown(event.keysym);
        break;
    case KE_EVENT_KEY_UP:
        m_keyStates[KetrelKeysymToKeyCode(event.keysym) & 255] = 0;
        break;
    case KE_EVENT_CHAR:
        OnChar(event.character);
        break;
    default:
        break;
    }
}
