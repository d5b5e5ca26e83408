// ui/UITimedSequence.cpp
#include "ui/UITimedSequence.h"

#include "KetrelSound/KetrelSoundSource.h"
#include "engine/KetrelFramePacer.h"
#include "engine/KetrelResult.h"
#include "ui/UIServices.h"
#include "ui/Widget.h"

namespace
{
struct CallbackTrigger
{
    i32 active;
    f32 time;
    CUIActionCallback callback;
};

struct SoundTrigger
{
    i32 active;
    f32 time;
    IKetrelSoundSource* sound;   // owned until ClearTriggers gives it back
};

struct VibrationTrigger
{
    i32 active;
    f32 time;
    i32 value;
};

template <class T>
void Append(CKetrelPtrArray*& list, T* record)
{
    if (!list)
        list = new CKetrelPtrArray();
    list->Add(record);
}

template <class T>
void Activate(CKetrelPtrArray* list)
{
    for (i32 i = 0; list && i < list->GetCount(); ++i)
        static_cast<T*>(list->GetAt(i))->active = 1;
}

template <class T>
i32 CountOf(const CKetrelPtrArray* list)
{
    return list ? list->GetCount() : 0;
}
}  // namespace

CUITimedSequence::CUITimedSequence()
    : m_app(nullptr), m_clock(-1.0f), m_callbacks(nullptr), m_sounds(nullptr),
      m_vibrations(nullptr), m_argument(nullptr), m_busy(0), m_retired(false),
      m_orphaned(false)
{
}

CUITimedSequence::~CUITimedSequence() { ClearTriggers(); }

int CUITimedSequence::SetName(const CKetrelString& name)
{
    m_name = name;
    Reset();
    return KE_OK;
}

void CUITimedSequence::Reset()
{
    m_argument = nullptr;
    m_clock = -1.0f;
}

int CUITimedSequence::AddCallback(f32 time, const CUIActionCallback& callback)
{
    if (!callback.function)
        return KE_ERR_ARGUMENT;
    Append(m_callbacks, new CallbackTrigger{0, time, callback});
    return KE_OK;
}

int CUITimedSequence::AddSound(f32 time, IKetrelSoundSource* sound)
{
    if (!sound)
        return KE_ERR_ARGUMENT;
    Append(m_sounds, new SoundTrigger{0, time, sound});
    return KE_OK;
}

int CUITimedSequence::AddVibration(f32 time, i32 value)
{
    if (time < 0.0f)
        return KE_ERR_ARGUMENT;
    Append(m_vibrations, new VibrationTrigger{0, time, value});
    return KE_OK;
}

i32 CUITimedSequence::GetTriggerCount() const
{
    return CountOf<CallbackTrigger>(m_callbacks) + CountOf<SoundTrigger>(m_sounds) +
           CountOf<VibrationTrigger>(m_vibrations);
}

void CUITimedSequence::Start(void* argument)
{
    if (m_clock >= 0.0f || m_retired)
        return;
    m_argument = argument;
    m_clock = 0.0f;
    Activate<CallbackTrigger>(m_callbacks);
    Activate<SoundTrigger>(m_sounds);
    Activate<VibrationTrigger>(m_vibrations);
    Update(0.0f);
}

void CUITimedSequence::Update(f32 dt)
{
    if (m_clock < 0.0f || m_retired)
        return;
    CKetrelFramePacer::NoteScreenActivity();   // its steps change the screen at set times
    ++m_busy;
    m_clock += dt;
    bool pending = false;
    // Callbacks may change this sequence's lists (never delete the sequence, which the
    // list keeps until this update returns): indices and counts are read afresh.
    for (i32 i = 0; m_callbacks && i < m_callbacks->GetCount(); ++i)
    {
        CallbackTrigger* t = static_cast<CallbackTrigger*>(m_callbacks->GetAt(i));
        if (!t->active)
            continue;
        if (t->time <= m_clock)
        {
            t->active = 0;
            CUIActionCallback cb = t->callback;
            CWidget::FireCallback(cb, m_argument);
            if (m_retired || m_clock < 0.0f)
            {
                // Retired, reset or cleared by the callback: nothing more fires now.
                LeaveUpdate();
                return;
            }
        }
        else
            pending = true;
    }
    for (i32 i = 0; m_sounds && i < m_sounds->GetCount(); ++i)
    {
        SoundTrigger* t = static_cast<SoundTrigger*>(m_sounds->GetAt(i));
        if (!t->active)
            continue;
        if (t->time <= m_clock)
        {
            t->active = 0;
            t->sound->PlayFromStart(0, 0, 0);
        }
        else
            pending = true;
    }
    for (i32 i = 0; m_vibrations && i < m_vibrations->GetCount(); ++i)
    {
        VibrationTrigger* t = static_cast<VibrationTrigger*>(m_vibrations->GetAt(i));
        if (!t->active)
            continue;
        if (t->time <= m_clock)
        {
            t->active = 0;
            IUIDevice* device = m_app ? m_app->GetDevice() : nullptr;
            if (device)
                device->Vibrate(t->value);
        }
        else
            pending = true;
    }
    if (!pending)
        Reset();
    LeaveUpdate();
}

void CUITimedSequence::LeaveUpdate()
{
    if (--m_busy == 0 && m_orphaned)
        delete this;   // the last touch: every caller returns at once
}

void CUITimedSequence::ClearTriggers()
{
    if (m_callbacks)
    {
        for (i32 i = 0; i < m_callbacks->GetCount(); ++i)
            delete static_cast<CallbackTrigger*>(m_callbacks->GetAt(i));
        delete m_callbacks;
        m_callbacks = nullptr;
    }
    if (m_sounds)
    {
        IUIResourceManager* resources = m_app ? m_app->GetUIResources() : nullptr;
        for (i32 i = 0; i < m_sounds->GetCount(); ++i)
        {
            SoundTrigger* t = static_cast<SoundTrigger*>(m_sounds->GetAt(i));
            IKetrelSoundSource* sound = t->sound;
            if (!resources || resources->ReleaseSound(&sound) == 0)
                delete t->sound;
            delete t;
        }
        delete m_sounds;
        m_sounds = nullptr;
    }
    if (m_vibrations)
    {
        for (i32 i = 0; i < m_vibrations->GetCount(); ++i)
            delete static_cast<VibrationTrigger*>(m_vibrations->GetAt(i));
        delete m_vibrations;
        m_vibrations = nullptr;
    }
    m_argument = nullptr;
}

int CUITimedSequence::StartAction(void* argument, void* context)
{
    static_cast<CUITimedSequence*>(context)->Start(argument);
    return KE_OK;
}

// ---- list ----

CUITimedSequenceList::CUITimedSequenceList() : m_updating(0), m_generation(0), m_frames(nullptr)
{
}

CUITimedSequenceList::~CUITimedSequenceList()
{
    // Deleted from inside a callback: the Updates still on the stack must not come
    // back to this list, and the sequences they run must outlive them.
    for (UpdateFrame* f = m_frames; f; f = f->outer)
        f->listGone = true;
    DeleteAll();
    for (i32 i = 0; i < m_retired.GetCount(); ++i)
    {
        CUITimedSequence* s = static_cast<CUITimedSequence*>(m_retired.GetAt(i));
        if (s->IsBusy())
            s->Orphan();
        else
            delete s;
    }
    m_retired.RemoveAll();
}

void CUITimedSequenceList::Add(CUITimedSequence* sequence)
{
    if (sequence)
        m_list.Add(sequence);
}

void CUITimedSequenceList::Update(f32 dt)
{
    CWidgetWalkGuard guard;   // widgets destroyed by callbacks outlive this update
    UpdateFrame frame{false, m_frames};
    m_frames = &frame;
    ++m_updating;
    const u32 generation = m_generation;
    for (i32 i = 0; i < m_list.GetCount() && generation == m_generation; ++i)
    {
        static_cast<CUITimedSequence*>(m_list.GetAt(i))->Update(dt);
        if (frame.listGone)
            return;   // a callback deleted this list
    }
    m_frames = frame.outer;
    --m_updating;
    if (m_updating == 0)
        Reap();
}

void CUITimedSequenceList::DeleteAll()
{
    ++m_generation;
    for (i32 i = 0; i < m_list.GetCount(); ++i)
    {
        CUITimedSequence* s = static_cast<CUITimedSequence*>(m_list.GetAt(i));
        s->Retire();
        m_retired.Add(s);
    }
    m_list.RemoveAll();
    if (m_updating == 0)
        Reap();
}

void CUITimedSequenceList::Reap()
{
    for (i32 i = m_retired.GetCount() - 1; i >= 0; --i)
    {
        CUITimedSequence* s = static_cast<CUITimedSequence*>(m_retired.GetAt(i));
        if (s->IsBusy())
            continue;
        m_retired.RemoveAt(i);
        s->ClearTriggers();
        delete s;
    }
}
