#pragma once
// ui/Transition.h: page transitions. A CTransition slides one page ("to") in from
// the right ("in", kind 0, direction right) or the old page ("from") out to the right
// ("out", kind 1, direction left) over a duration, shaped by easing curves; when it
// stops, "from" is hidden and "to" shown. CTransitionable owns a list of them.
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelTypes.h"

class CWidget;
class IEasingCurve;

class CTransition
{
public:
    enum { DIRECTION_UP, DIRECTION_DOWN, DIRECTION_RIGHT, DIRECTION_LEFT, DIRECTION_CENTER,
           DIRECTION_NONE };
    enum { KIND_IN = 0, KIND_OUT = 1, KIND_OTHER = 2 };

    CTransition();
    virtual ~CTransition();   // Reset

    // Stores kind, moveOther and duration, then SetDirection. 1.
    virtual int Init(bool moveOther, i32 direction, i32 kind, f32 duration);
    // Ignored while running; a value outside 0..4 means none.
    void SetDirection(i32 direction);
    // Forgets both pages and deletes both curves.
    virtual void Reset();
    // Steps a running transition. It stops when the duration is over, when a page or
    // a curve is missing, and at once when its direction moves nothing (up, down,
    // center, none) or its duration is 0 or less.
    virtual void Update(f32 dt);
    // Set the pages first. Runs the first step at once.
    virtual void Start();
    // Idle; hides "from" and shows "to", then forgets both.
    virtual void Stop();
    // A running transition jumps to its end and stops.
    virtual void Finish();
    // A page that leaves the tree is forgotten; the transition then stops at its next
    // update without touching it.
    void Forget(const CWidget* page);

    void SetFrom(CWidget* from) { m_from = from; }
    void SetTo(CWidget* to) { m_to = to; }
    CWidget* GetFrom() const { return m_from; }
    CWidget* GetTo() const { return m_to; }
    // Owned; an earlier curve is deleted.
    void SetEasingIn(IEasingCurve* curve);
    void SetEasingOut(IEasingCurve* curve);
    IEasingCurve* GetEasingIn() const { return m_easingIn; }
    IEasingCurve* GetEasingOut() const { return m_easingOut; }

    bool IsRunning() const { return m_running; }
    bool GetMoveOther() const { return m_moveOther; }
    i32 GetDirection() const { return m_direction; }
    i32 GetKind() const { return m_kind; }
    f32 GetDuration() const { return m_duration; }
    f32 GetElapsed() const { return m_elapsed; }
    // Eased fraction times the travel of the moving page.
    f32 GetOffset() const { return m_offset; }

protected:
    virtual void StepUp(f32 dt);
    virtual void StepDown(f32 dt);
    virtual void StepRight(f32 dt);
    virtual void StepLeft(f32 dt);
    virtual void StepCenter(f32 dt);
    virtual void StepNone(f32 dt);

private:
    CTransition(const CTransition&) = delete;
    CTransition& operator=(const CTransition&) = delete;
    void Step(f32 dt);
    // Adds dt to the clock (clamped to the duration) and evaluates curve; 1 without
    // a positive duration.
    f32 Advance(f32 dt, const IEasingCurve* curve);

    f32 m_duration;
    f32 m_elapsed;
    f32 m_offset;
    i32 m_limitX;
    i32 m_startX;
    bool m_running;
    bool m_moveOther;
    bool m_firstStep;
    CWidget* m_from;    // not owned
    CWidget* m_to;      // not owned
    IEasingCurve* m_easingIn;    // owned
    IEasingCurve* m_easingOut;   // owned
    i32 m_direction;
    i32 m_kind;
};

class CTransitionable
{
public:
    CTransitionable() {}
    virtual ~CTransitionable();   // DeleteAllTransitions

    // Takes ownership; a transition of the same kind is reset, deleted and replaced.
    void AddTransition(CTransition* transition);
    // Every transition of that kind gets the pages and starts.
    void StartTransitions(i32 kind, CWidget* from, CWidget* to);
    virtual void UpdateTransitions(f32 dt);
    void FinishTransitions();
    void FinishKind(i32 kind);
    bool IsBusy() const;
    // The first transition's offset, 0 without transitions.
    f32 GetOffset() const;
    CTransition* FindTransition(i32 kind) const;
    i32 GetTransitionCount() const { return m_transitions.GetCount(); }
    CTransition* GetTransition(i32 index) const
    { return static_cast<CTransition*>(m_transitions.GetAt(index)); }
    // Every transition forgets page (see CTransition::Forget).
    void ForgetPage(const CWidget* page);
    // Empties the list without deleting. 1.
    virtual int RemoveAllTransitions();
    // Resets and deletes every transition.
    virtual void DeleteAllTransitions();

private:
    CTransitionable(const CTransitionable&) = delete;
    CTransitionable& operator=(const CTransitionable&) = delete;

    CKetrelPtrArray m_transitions;   // CTransition*, owned
};
