#pragma once
#include "engine/KetrelTypes.h"
#include "engine/KetrelVector.h"

enum
{
    JUB_TOUCH_POINTS = 16      // touch ids 0..15; id 0 is the primary touch
};

// One touch id of the game's touch table, in screen pixels.
struct CJubTouchPoint
{
    CKetrelVector2 position;        // last reported pointer position
    CKetrelVector2 stepStart;       // position at the start of the previous step
    CKetrelVector2 stepDelta;       // position minus stepStart
    CKetrelVector2 pressPosition;   // position when the touch went down
    CKetrelVector2 drag;            // position minus pressPosition
    i32 down = 0;                   // 1 between pointer down and pointer up
    i32 wasDown = 0;                // down as it was at the previous step
    i32 moved = 0;                  // squared length of stepDelta above 0.1
    i32 pressed = 0;                // went down in this step
    i32 released = 0;               // went up in this step
};

// The game-wide touch table. Only the game object writes it, once per step from its
// pointer handlers; the screens read it, and the play screen clears released of touch 0
// when a chat button takes the touch.
struct CJubTouchState
{
    i32 anyPressed = 0;             // some touch id went down in this step
    i32 pinch = 0;                  // two touches down
    f32 pinchPrevious = 0.0f;       // distance when the pinch began, then of the last step
    f32 pinchDistance = 0.0f;
    f32 pinchChange = 0.0f;         // change of the distance in this step
    CKetrelVector2 pinchStart;      // touch 1 minus touch 0 when the pinch began
    CKetrelVector2 pinchVector;     // touch 1 minus touch 0 now
    CJubTouchPoint points[JUB_TOUCH_POINTS];

    const CJubTouchPoint& Primary() const { return points[0]; }
    CJubTouchPoint& Primary() { return points[0]; }
};
