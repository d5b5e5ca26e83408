// ui/Transition.cpp
#include "ui/Transition.h"

#include "engine/KetrelFramePacer.h"
#include "engine/KetrelResult.h"
#include "ui/EasingCurve.h"
#include "ui/Widget.h"

#include <cmath>

namespace
{
// An eased position in pixels, kept finite and in range before it becomes an int.
i32 RoundPixels(f32 x)
{
    if (x != x)
        return 0;
    if (x > 1048576.0f)
        x = 1048576.0f;
    if (x < -1048576.0f)
        x = -1048576.0f;
    return (i32)floorf(x + 0.5f);
}
}  // namespace

CTransition::CTransition()
    : m_duration(0.0f),
      m_elapsed(0.0f),
      m_offset(0.0f),
      m_limitX(0),
      m_startX(0),
      m_running(false),
      m_moveOther(false),
      m_firstStep(false),
      m_from(nullptr),
      m_to(nullptr),
      m_easingIn(nullptr),
      m_easingOut(nullptr),
      m_direction(DIRECTION_NONE),
      m_kind(KIND_OTHER)
{
}

CTransition::~CTransition() { Reset(); }

int CTransition::Init(bool moveOther, i32 direction, i32 kind, f32 duration)
{
    m_kind = kind;
    m_moveOther = moveOther;
    m_duration = duration;
    SetDirection(direction);
    return KE_OK;
}

void CTransition::SetDirection(i32 direction)
{
    if (m_running)
        return;
    m_direction = (direction >= DIRECTION_UP && direction <= DIRECTION_CENTER) ? direction
                                                                                : DIRECTION_NONE;
}

void CTransition::Reset()
{
    m_from = m_to = nullptr;
    delete m_easingIn;
    delete m_easingOut;
    m_easingIn = m_easingOut = nullptr;
}

void CTransition::SetEasingIn(IEasingCurve* curve)
{
    if (curve != m_easingIn)
        delete m_easingIn;
    m_easingIn = curve;
}

void CTransition::SetEasingOut(IEasingCurve* curve)
{
    if (curve != m_easingOut)
        delete m_easingOut;
    m_easingOut = curve;
}

void CTransition::Step(f32 dt)
{
    switch (m_direction)
    {
    case DIRECTION_UP: StepUp(dt); break;
    case DIRECTION_DOWN: StepDown(dt); break;
    case DIRECTION_RIGHT: StepRight(dt); break;
    case DIRECTION_LEFT: StepLeft(dt); break;
    case DIRECTION_CENTER: StepCenter(dt); break;
    default: StepNone(dt); break;
    }
}

void CTransition::Update(f32 dt)
{
    if (!m_running)
        return;
    if (!m_from || !m_to || !m_easingIn || !m_easingOut)
    {
        Stop();
        return;
    }
    CKetrelFramePacer::NoteScreenActivity();
    Step(dt);
    m_firstStep = false;
    // Only the horizontal slides move anything: the other directions end at once
    // rather than keeping the owner busy until someone finishes them.
    const bool moving = m_direction == DIRECTION_RIGHT || m_direction == DIRECTION_LEFT;
    if (!moving || !(m_duration > 0.0f) || m_duration <= m_elapsed)
        Stop();
}

void CTransition::Start()
{
    m_firstStep = true;
    m_running = true;
    Update(0.0f);
}

void CTransition::Stop()
{
    m_running = false;
    m_elapsed = 0.0f;
    m_offset = 0.0f;
    m_limitX = 0;
    CWidget* from = m_from;
    CWidget* to = m_to;
    m_from = m_to = nullptr;
    if (from)
        from->SetVisible(false);
    if (to)
        to->SetVisible(true);
}

void CTransition::Finish()
{
    if (!m_running)
        return;
    m_elapsed = m_duration;
    Update(0.0f);
}

void CTransition::Forget(const CWidget* page)
{
    if (page && m_from == page)
        m_from = nullptr;
    if (page && m_to == page)
        m_to = nullptr;
}

f32 CTransition::Advance(f32 dt, const IEasingCurve* curve)
{
    m_elapsed += dt;
    if (!(m_duration > 0.0f))
    {
        // No duration: the movement is complete at once.
        m_elapsed = 0.0f;
        return 1.0f;
    }
    f32 t = m_elapsed;
    if (!(t < m_duration))
    {
        t = m_duration;
        m_elapsed = m_duration;
    }
    return curve ? curve->Evaluate(t / m_duration) : 1.0f;
}

void CTransition::StepUp(f32) {}
void CTransition::StepDown(f32) {}
void CTransition::StepCenter(f32) {}
void CTransition::StepNone(f32) {}

void CTransition::StepRight(f32 dt)
{
    if (m_kind != KIND_IN)
    {
        Advance(dt, nullptr);
        return;
    }
    if (m_firstStep)
    {
        m_to->SetVisible(true);
        m_limitX = 0;
        m_startX = m_to->GetWidth();
        m_to->SetPosition(m_startX, m_to->GetRect().top);
        if (m_moveOther)
            m_from->SetVisible(true);
    }
    const f32 e = Advance(dt, m_easingIn);
    m_offset = e * (f32)m_startX;
    i32 x = RoundPixels((f32)m_startX - e * (f32)m_startX);
    if (x < m_limitX)
        x = m_limitX;
    m_to->SetPosition(x, m_to->GetRect().top);
    if (m_moveOther)
        m_from->SetPosition(x - m_from->GetWidth(), m_from->GetRect().top);
}

void CTransition::StepLeft(f32 dt)
{
    if (m_kind != KIND_OUT)
    {
        Advance(dt, nullptr);
        return;
    }
    if (m_firstStep)
    {
        m_from->SetVisible(true);
        m_startX = 0;
        m_limitX = m_from->GetWidth();
        if (m_moveOther)
        {
            m_to->SetVisible(true);
            m_to->SetPosition(m_to->GetRect().left - m_to->GetRect().right, m_to->GetRect().top);
        }
    }
    const f32 e = Advance(dt, m_easingOut);
    m_offset = e * (f32)m_limitX;
    i32 x = RoundPixels(e * (f32)m_limitX + (f32)m_startX);
    if (x > m_limitX)
        x = m_limitX;
    m_from->SetPosition(x, m_from->GetRect().top);
    if (m_moveOther)
        m_to->SetPosition(x - m_to->GetWidth(), m_to->GetRect().top);
}

// ---- CTransitionable ----

CTransitionable::~CTransitionable() { DeleteAllTransitions(); }

void CTransitionable::AddTransition(CTransition* transition)
{
    if (!transition)
        return;
    for (i32 i = m_transitions.GetCount() - 1; i >= 0; --i)
    {
        CTransition* t = GetTransition(i);
        if (t != transition && t->GetKind() == transition->GetKind())
        {
            m_transitions.RemoveAt(i);
            t->Reset();
            delete t;
        }
    }
    m_transitions.Add(transition);
}

void CTransitionable::StartTransitions(i32 kind, CWidget* from, CWidget* to)
{
    for (i32 i = 0; i < m_transitions.GetCount(); ++i)
    {
        CTransition* t = GetTransition(i);
        if (t->GetKind() != kind)
            continue;
        t->SetFrom(from);
        t->SetTo(to);
        t->Start();
    }
}

void CTransitionable::UpdateTransitions(f32 dt)
{
    for (i32 i = 0; i < m_transitions.GetCount(); ++i)
        GetTransition(i)->Update(dt);
}

void CTransitionable::FinishTransitions()
{
    for (i32 i = 0; i < m_transitions.GetCount(); ++i)
        GetTransition(i)->Finish();
}

void CTransitionable::FinishKind(i32 kind)
{
    for (i32 i = 0; i < m_transitions.GetCount(); ++i)
        if (GetTransition(i)->GetKind() == kind)
            GetTransition(i)->Finish();
}

bool CTransitionable::IsBusy() const
{
    for (i32 i = 0; i < m_transitions.GetCount(); ++i)
        if (GetTransition(i)->IsRunning())
            return true;
    return false;
}

f32 CTransitionable::GetOffset() const
{
    return m_transitions.GetCount() ? GetTransition(0)->GetOffset() : 0.0f;
}

CTransition* CTransitionable::FindTransition(i32 kind) const
{
    for (i32 i = 0; i < m_transitions.GetCount(); ++i)
        if (GetTransition(i)->GetKind() == kind)
            return GetTransition(i);
    return nullptr;
}

void CTransitionable::ForgetPage(const CWidget* page)
{
    for (i32 i = 0; i < m_transitions.GetCount(); ++i)
        GetTransition(i)->Forget(page);
}

int CTransitionable::RemoveAllTransitions()
{
    m_transitions.RemoveAll();
    return KE_OK;
}

void CTransitionable::DeleteAllTransitions()
{
    for (i32 i = 0; i < m_transitions.GetCount(); ++i)
    {
        CTransition* t = GetTransition(i);
        t->Reset();
        delete t;
    }
    m_transitions.RemoveAll();
}
