#pragma once
// framework/BrixAdvertisement.h
#include "engine/KetrelArray.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "framework/BrixNotification.h"

class CImageWidget;
class CKetrelSurface;
class CUITimedSequenceList;
class CWidget;

// A full-screen overlay that the online service pushes (the session's advertisement
// message): a picture, optionally an animated strip of frames stacked from top to
// bottom, a title, links that open in the browser, and a close button that appears
// after a countdown. Laid out from "ad-root.xml" with the actions "ad_title",
// "ad_click", "ad_ok" and "ad_close"; each closes the overlay, and closing one that
// the server marked with flag 8 (every shown one) quits the application.
//
// Everything in the message is outside input: the picture may not decode, the frame
// list may be long or hold zeros, the texts may hold stray "%" conversions. None of it
// can crash the overlay. Main thread only.
class CBrixAdvertisement : public CBrixNotification
{
public:
    enum
    {
        FLAG_STORE_ONLY = 2,   // kept, not shown
        FLAG_SHOW = 8          // shown; closing it quits
    };
    enum { KEY_BACK = 77 };   // the device's Back key
    // Language texts: the countdown ("%d" seconds) and the note beside the close button.
    enum { TEXT_COUNTDOWN = 1, TEXT_CLOSE_READY = 209 };
    static const char* const LayoutFile;   // "ad-root.xml"
    static const f32 MinDisplaySeconds;    // 300

    CBrixAdvertisement();
    ~CBrixAdvertisement() override;        // Release

    // Keeps the application and lays out for its drawing target; the layout's result.
    int Init(IBrixFrameworkHost* app) override;
    // Unload, then reset.
    void Release() override;
    // Unload and lay out again: a shown advertisement is hidden and its content dropped. 1.
    i32 OnScreenSizeChanged(i32 width, i32 height) override;
    // Screen pixels, handed to the widget tree; always 1 (the application asks only
    // while the overlay is shown).
    i32 OnPointerDown(i32 pointer, i32 x, i32 y) override;
    i32 OnPointerUp(i32 pointer, i32 x, i32 y) override;
    i32 OnPointerMove(i32 pointer, i32 x, i32 y) override;
    // Decodes a waiting picture, runs the countdown and the animation, ticks the tree.
    void Update(f32 dt) override;
    void Render() override;

    // The message's fields in wire order. Without flag 8 nothing is stored or shown.
    // Otherwise the content replaces the previous one and is shown at once, or once
    // the game link is free, or (flag 2, or a match request pending) only kept.
    // 1, or the layout's failure.
    virtual int Show(const CKetrelString& firstText, const CKetrelString& clickLink,
                     i32 pictureSize, const u8* picture, i32 displayTimeMs,
                     i32 closingDelayMs, const CKetrelArray<i32>& frameTimesMs,
                     const CKetrelString& okLink, i32 flags, const CKetrelString& title,
                     const CKetrelString& titleLink);
    // The widget tree for that size, replacing an earlier tree and its sequences; the
    // loader's result (4 when no area fits).
    virtual int Layout(i32 width, i32 height);
    // Resets (content dropped, hidden) and deletes the tree and its sequences.
    virtual void Unload();
    virtual i32 OnThemeChanged() { return 1; }
    virtual f32 GetDisplayTime() { return m_displayTime; }

    // The lobby link went down: a shown overlay is hidden with its content dropped (the
    // quit flag stays); one waiting for the game link keeps waiting, with its content.
    void Hide()
    {
        if (!m_pending)
            Reset();
    }

    // While the overlay is shown the Back key goes no further (no state sees it).
    i32 CapturesKey(i32 keyCode) const { return keyCode == KEY_BACK && m_shown; }

    i32 IsShown() const { return m_shown; }
    i32 IsPending() const { return m_pending; }
    i32 GetQuitOnClose() const { return m_quitOnClose; }
    f32 GetCountdown() const { return m_countdown; }
    f32 GetClosingDelay() const { return m_closingDelay; }
    i32 GetFrameIndex() const { return m_frameIndex; }
    i32 GetFrameTimeCount() const { return m_frameTimes.GetCount(); }
    CKetrelSurface* GetPicture() const { return m_picture; }
    CWidget* GetRoot() const { return m_root; }
    const CKetrelString& GetTitle() const { return m_title; }
    const CKetrelString& GetFirstText() const { return m_firstText; }

    // The countdown's text: format (a language text, possibly from the server) with the
    // seconds left. A conversion that does not take one number prints nothing.
    static CKetrelString CountdownText(const CKetrelString& format, i32 seconds);

    // The four actions; context is the advertisement. 1.
    static int OnTitleAction(void* argument, void* context);
    static int OnClickAction(void* argument, void* context);
    static int OnOkAction(void* argument, void* context);
    static int OnCloseAction(void* argument, void* context);

private:
    void Reset();
    void Close(const CKetrelString& link);
    void DecodePicture();
    void FillLayout();
    void FreePictureBytes();
    CWidget* Find(const char* name) const;

    i32 m_shown;
    CWidget* m_root;                    // owned
    CUITimedSequenceList* m_sequences;  // owned
    CImageWidget* m_pictureWidget;      // "adimage", inside m_root
    f32 m_countdown;                    // seconds shown; -1 once the close button is up
    CKetrelString m_firstText;          // kept, not displayed
    CKetrelString m_clickLink;
    CKetrelString m_okLink;
    CKetrelString m_title;
    CKetrelString m_titleLink;
    u8* m_pictureBytes;                 // owned; decoded by the next Update
    i32 m_pictureSize;
    CKetrelSurface* m_picture;          // registered with the resource manager
    f32 m_displayTime;                  // seconds, at least MinDisplaySeconds
    f32 m_closingDelay;                 // seconds before the close button shows
    CKetrelArray<f32> m_frameTimes;     // seconds per animation frame
    i32 m_frameIndex;
    f32 m_frameClock;
    i32 m_pending;                      // shown once the game link is free
    i32 m_quitOnClose;
    u32 m_pictureSerial;                // makes each picture's registered name unique
};
