#pragma once
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelRect.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "engine/KetrelVector.h"

class CJubButton;
class CJubGameHost;
class CJubRenderer;

// Receives what the touch buttons do. Every game screen derives from it.
class CJubButtonListener
{
public:
    virtual ~CJubButtonListener() {}
    // The press animation reached its pressed scale.
    virtual void OnButtonPressed(CJubButton* button) = 0;
    // The finger was lifted inside a button that the same touch went down on.
    virtual void OnButtonClicked(CJubButton* button) = 0;
    // Every update while the button stays pressed.
    virtual void OnButtonHeld(CJubButton* button) = 0;
};

// Button states.
enum
{
    JUB_BUTTON_IDLE = 0,
    JUB_BUTTON_PRESSING = 1,
    JUB_BUTTON_PRESSED = 2,
    JUB_BUTTON_RELEASING = 3
};

// One on-screen button, owned by its manager. Positions and sizes in screen pixels.
class CJubButton
{
public:
    CJubButton(CJubButtonListener* owner, const CKetrelVector2& centre,
               const CKetrelVector2& halfSize, i32 textureIndex, i32 id, i32 frame);

    // The state rules of the touch handling: an invisible button goes idle; pressing at
    // the pressed scale is pressed at once, releasing at the rest scale is idle at once.
    void SetState(i32 wanted);

    CJubButtonListener* owner;      // receives the animation callbacks; not owned
    CKetrelString label;            // drawn over the button when labelShown
    i32 state;                      // JUB_BUTTON_*
    i32 textureIndex;               // index of the game's image table
    i32 frame;                      // kept for the screen
    i32 pressedInside;              // the current touch went down on this button
    i32 visible;                    // drawn and touchable
    i32 labelShown;
    i32 disabled;                   // drawn half transparent, not touchable
    i32 pulse;                      // bob and breathe
    i32 touchable;                  // takes part in touch handling
    CKetrelVector2 halfSize;
    CKetrelVector2 centre;
    f32 drawScale;                  // pulse scale
    CKetrelVector2 offset;          // pulse offset
    CKetrelRectF hitRect;           // follows the pulse; centre -+ halfSize at first
    f32 animScale;                  // press animation: 1.0 released, 0.8 pressed
    i32 id;                         // the screen's button id
};

// The on-screen buttons of a screen: turns the game's touch table into presses and
// clicks, animates the press, plays the button sounds (game sounds 0 and 1) and draws the
// buttons with images of the game's image table. Main thread only.
class CJubButtonManager : public CJubButtonListener
{
public:
    CJubButtonManager();
    ~CJubButtonManager() override;          // deletes every button
    CJubButtonManager(const CJubButtonManager&) = delete;
    CJubButtonManager& operator=(const CJubButtonManager&) = delete;

    // The screen that hears pressed, clicked and held; not owned, may be null.
    void SetListener(CJubButtonListener* listener) { m_listener = listener; }
    // Keeps the renderer (screen size, drawing) and the game (touch table, sounds,
    // images), and fetches the two button sounds into the game's sound cache.
    void Init(CJubRenderer* renderer, CJubGameHost* game);
    // Fetches the image of every button whose cache entry is empty.
    void LoadTextures();

    // A new button with the defaults (visible, enabled, touchable, pulsing), appended;
    // owned by the manager until RemoveButton or Clear.
    CJubButton* AddButton(const CKetrelVector2& centre, const CKetrelVector2& halfSize,
                          i32 textureIndex, i32 id, i32 frame);
    // Deletes every button with this id.
    void RemoveButton(i32 id);
    // The first button with this id, or null.
    CJubButton* FindButton(i32 id) const;
    // Every button idle, hidden, at the rest scale.
    void HideAll();
    // Deletes every button.
    void Clear();

    // Pulse, touch handling, press animation and the busy flag. Listener calls run inside;
    // they may add, remove or clear buttons (button pointers then die as usual, and the
    // buttons left are animated from the next update on). 1 when a button took the touch.
    i32 Update(f32 dt);
    void Render();

    // 1 while a button animates or a button sound plays, for at most 2 s after the last
    // accepted touch.
    i32 IsBusy() const { return m_busy; }
    i32 GetButtonCount() const { return m_buttons.GetCount(); }
    CJubButton* GetButton(i32 index) const;

    // The manager is the owner of its buttons' animations: pressed and held go on to the
    // listener; the click at the end of a release animation is not a click.
    void OnButtonPressed(CJubButton* button) override;
    void OnButtonClicked(CJubButton* button) override;
    void OnButtonHeld(CJubButton* button) override;

private:
    i32 HandleTouch();
    void Animate(CJubButton* button, f32 dt);
    bool Touchable(const CJubButton* button) const;

    f32 m_busyLimit;                // seconds
    f32 m_sinceTouch;               // seconds since the last accepted press or click
    i32 m_busy;
    CJubRenderer* m_renderer;       // not owned
    CJubGameHost* m_game;           // not owned
    CKetrelPtrArray m_buttons;      // CJubButton*, owned
    CJubButtonListener* m_listener; // not owned
    f32 m_pulsePhase;               // radians, 0..2 pi
    u32 m_edits;                    // counts changes of the list, to notice them in Update
};
