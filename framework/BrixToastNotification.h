#pragma once
// framework/BrixToastNotification.h
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "framework/BrixNotification.h"

class CUITimedSequenceList;
class CWidget;

// One message of the toast.
struct CBrixToastMessage
{
    CKetrelString text;
    f32 seconds = 0.0f;   // on screen, slide-in and slide-out included
    i32 kind = 1;
};

// The toast: a panel that slides up from the bottom of the screen with one short
// message and an icon, stays a few seconds, slides back down, and then shows the next
// queued message. Laid out from "toast-root.xml"; a tap on the panel ("toast_click")
// starts the slide-out at once. Main thread only.
//
// Timeline of a message of d seconds: slides in over 0 .. 0.5 s, in view until
// d - 0.5 s, slides out until d, then the toast is idle or shows the next message.
class CBrixToastNotification : public CBrixNotification
{
public:
    // Kinds of message; 0 is taken as plain, -1 is drawn like a challenge.
    enum { KIND_MESSAGE = 1, KIND_CHALLENGE = 3, KIND_ACHIEVEMENT = 4 };
    static const char* const LayoutFile;   // "toast-root.xml"
    static const char* const ChallengePage;   // "challenge_received"
    static const f32 DefaultSeconds;       // 3.0, for a message of 0 seconds

    CBrixToastNotification();
    ~CBrixToastNotification() override;    // Release

    // Keeps the application and lays out for its drawing target: the layout's result.
    int Init(IBrixFrameworkHost* app) override;
    // Deletes the queue, the sequences and the widget tree.
    void Release() override;
    i32 OnScreenSizeChanged(i32 width, i32 height) override;   // Layout; 1
    // Only while a message is up: the point goes to the widget tree. Down returns the
    // tree's answer; up and move return 1 when the point lies on the panel.
    i32 OnPointerDown(i32 pointer, i32 x, i32 y) override;
    i32 OnPointerUp(i32 pointer, i32 x, i32 y) override;
    i32 OnPointerMove(i32 pointer, i32 x, i32 y) override;
    void Update(f32 dt) override;
    // While a message is up: keeps the frame pacing awake and draws the tree.
    void Render() override;

    // Rebuilds the widget tree for that size; a message on screen is shown again with
    // the time it had left. The loader's result (4 when no area of the file fits).
    virtual int Layout(i32 width, i32 height);
    virtual i32 OnThemeChanged() { return 1; }
    virtual void SetShown(i32 shown) { m_shown = shown; }
    virtual i32 IsShown() { return m_shown; }
    // Kind of the message on screen (of the last one once it is gone).
    virtual i32 GetShownKind() { return m_shownKind; }
    // The lobby page that a tap on the toast opens: the received challenge for a
    // challenge (kind 3, not -1), else null.
    const char* GetTapPage() { return GetShownKind() == KIND_CHALLENGE ? ChallengePage : nullptr; }

    // Queues a message; a text already waiting in the queue is not queued twice (the
    // one on screen is not compared). Seconds 0 become 3; kind 0 becomes 1; an
    // achievement's text gets "Achievement unlocked!" under it. Shown at once when the
    // toast is idle. 1.
    int Add(const CKetrelString& text, i32 kind, f32 seconds);

    // For tests and the application: seconds since the message appeared (-1 idle), its
    // duration, the waiting messages, and the tree.
    f32 GetTimer() const { return m_timer; }
    f32 GetDuration() const { return m_duration; }
    i32 GetQueueCount() const { return m_queue.GetCount(); }
    const CBrixToastMessage* GetQueued(i32 index) const
    { return static_cast<const CBrixToastMessage*>(m_queue.GetAt(index)); }
    const CKetrelString& GetCurrentText() const { return m_current.text; }
    CWidget* GetRoot() const { return m_root; }
    CWidget* GetPanel() const { return m_panel; }

    // The "toast_click" action: context is the toast. 1.
    static int OnToastClick(void* argument, void* context);

private:
    // 1 shown; 0 when the panel or an icon is missing (the toast stays idle).
    int Show(const CBrixToastMessage& message);
    void Close();
    void DeleteTree();
    void ShowNextQueued();

    CWidget* m_root;                    // owned
    CWidget* m_panel;                   // "toast_hitarea", inside m_root
    CWidget* m_background;              // "toast_bg", inside m_root
    CUITimedSequenceList* m_sequences;  // owned
    f32 m_timer;                        // seconds; -1 idle
    f32 m_duration;
    i32 m_closing;
    i32 m_shown;
    i32 m_shownKind;
    CKetrelPtrArray m_queue;            // CBrixToastMessage*, owned, oldest first
    CBrixToastMessage m_current;        // the one on screen; seconds 0 when forgotten
};
