#pragma once
// ui/UITimedSequence.h: an action of a UI document: once started, it fires callbacks,
// plays sounds and vibrates the device at given times (seconds since the start).
// Sequences live in a CUITimedSequenceList that the screen ticks once per frame.
// UI thread only.
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "ui/UIActionCallback.h"

class IKetrelSoundSource;
class IUIApplication;

class CUITimedSequence
{
public:
    CUITimedSequence();
    ~CUITimedSequence();   // ClearTriggers

    // Reaches the device and the resource manager; not owned.
    void SetApplication(IUIApplication* app) { m_app = app; }
    IUIApplication* GetApplication() const { return m_app; }
    const CKetrelString& GetName() const { return m_name; }
    // Stores the name, then Reset. 1.
    int SetName(const CKetrelString& name);
    // Idle: start argument null, clock -1.
    void Reset();

    // Triggers are made inactive and kept for the sequence's life; every Start makes
    // them active again. 2, and nothing added, for a null function.
    int AddCallback(f32 time, const CUIActionCallback& callback);
    // The sequence owns the sound until ClearTriggers gives it back. 2 for null.
    int AddSound(f32 time, IKetrelSoundSource* sound);
    // 2 for a negative time.
    int AddVibration(f32 time, i32 value);

    // Ignored while running. Otherwise keeps the argument, sets the clock to 0, makes
    // every trigger active and runs Update(0), so triggers at 0 fire at once.
    void Start(void* argument);
    // Fires every active trigger whose time has come (callbacks, then sounds, then
    // vibrations, each in order of addition); idle again once nothing is pending.
    // Callbacks may start, reset or retire sequences, and register new ones.
    void Update(f32 dt);
    // Deletes every trigger; sounds go back to the resource manager, or are deleted
    // when it does not know them.
    void ClearTriggers();

    bool IsRunning() const { return m_clock >= 0.0f; }
    f32 GetClock() const { return m_clock; }
    void* GetStartArgument() const { return m_argument; }
    i32 GetTriggerCount() const;

    // The action function registered for a sequence: context is the sequence;
    // Start(argument), then 1.
    static int StartAction(void* argument, void* context);

    // For the list: a retired sequence fires nothing more, and one whose Update is on
    // the stack is deleted only after it returns.
    void Retire() { m_retired = true; }
    bool IsBusy() const { return m_busy > 0; }
    // For a list destroyed while this sequence's Update is on the stack: retired and
    // owned by nobody, it deletes itself when that Update returns.
    void Orphan()
    {
        m_retired = true;
        m_orphaned = true;
    }

private:
    CUITimedSequence(const CUITimedSequence&) = delete;
    CUITimedSequence& operator=(const CUITimedSequence&) = delete;

    IUIApplication* m_app;          // not owned
    CKetrelString m_name;
    f32 m_clock;                    // seconds since the start; -1 while idle
    CKetrelPtrArray* m_callbacks;   // owned records, made on the first of its kind
    CKetrelPtrArray* m_sounds;
    CKetrelPtrArray* m_vibrations;
    void* m_argument;               // given to the running Start
    i32 m_busy;                     // Update calls on the stack
    bool m_retired;
    bool m_orphaned;                // deletes itself as its last Update returns
    // Ends an Update: the count of Updates on the stack drops; an orphan whose last
    // Update this was is deleted.
    void LeaveUpdate();
};

class CUITimedSequenceList
{
public:
    CUITimedSequenceList();
    // DeleteAll. May run inside a sequence's callback: the Updates on the stack then
    // return without touching the list, and the running sequences free themselves.
    ~CUITimedSequenceList();

    int Init() { return 1; }
    // Takes ownership; null is ignored.
    void Add(CUITimedSequence* sequence);
    // Each sequence's Update in list order, the sequences a callback adds included.
    void Update(f32 dt);
    // ClearTriggers and delete every sequence; the list is empty afterwards. Called
    // from inside a sequence's callback, the sequences stop at once and are deleted
    // when their updates have returned.
    void DeleteAll();
    i32 GetCount() const { return m_list.GetCount(); }
    CUITimedSequence* GetAt(i32 index) const
    { return static_cast<CUITimedSequence*>(m_list.GetAt(index)); }

private:
    CUITimedSequenceList(const CUITimedSequenceList&) = delete;
    CUITimedSequenceList& operator=(const CUITimedSequenceList&) = delete;
    // Deletes the retired sequences that no update is running in.
    void Reap();

    // One per Update on the stack, innermost first: the destructor marks them all,
    // so that no Update touches the list after a callback deleted it.
    struct UpdateFrame
    {
        bool listGone;
        UpdateFrame* outer;
    };

    CKetrelPtrArray m_list;      // CUITimedSequence*, owned, order of registration
    CKetrelPtrArray m_retired;   // CUITimedSequence*, owned, waiting for Reap
    i32 m_updating;              // Update calls on the stack
    u32 m_generation;            // bumped by DeleteAll
    UpdateFrame* m_frames;       // the Updates on the stack; null when none
};
