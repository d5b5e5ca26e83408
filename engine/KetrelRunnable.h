#pragma once
// engine/KetrelRunnable.h
#include "engine/KetrelID.h"
#include "engine/KetrelTypes.h"

// An object called once per frame on the main thread, after the due timers and before
// the application's frame hook, while it is registered with the application.
// Registration does not transfer ownership: unregister before deleting.
class IKetrelRunnable : public CKetrelID
{
public:
    IKetrelRunnable() : m_registered(0) {}
    ~IKetrelRunnable() override {}

    // seconds: the frame delta.
    virtual void Run(f32 seconds) = 0;

    // Kept by the application's AddRunnable and RemoveRunnable.
    i32 IsRegistered() const { return m_registered; }
    void SetRegistered(i32 registered) { m_registered = registered; }

private:
    i32 m_registered;
};
