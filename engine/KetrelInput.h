#pragma once
// Input devices of the application and the key-code helpers. The keyboard and
// the pointer (mouse or stylus) are reported as one device each.
#include "engine/KetrelKeyCodes.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTimer.h"
#include "engine/KetrelTypes.h"

class CKetrelPtrArray;
class IKetrelApplication;

// A device record as the enumerators append it.
struct CKetrelInputDevice
{
    CKetrelString description;
    u32 reserved[6];                     // all 0
};

class CKetrelInput
{
public:
    static CKetrelInput* Create();
    CKetrelInput();
    virtual ~CKetrelInput();

    int Attach(IKetrelApplication* application);   // keeps it and its window; 1

    // Each appends one new record; null does nothing. The caller empties such
    // a list with FreeDevices.
    void EnumerateKeyboards(CKetrelPtrArray* list);
    void EnumeratePointers(CKetrelPtrArray* list);
    static void FreeDevices(CKetrelPtrArray* list);

    static u32 KeysymToKeyCode(u32 keysym) { return KetrelKeysymToKeyCode(keysym); }
    static void GetKeyName(u32 code, CKetrelString& out) { out = KetrelKeyCodeName(code); }

private:
    CKetrelTimer m_timer;
    unsigned long m_window;
    IKetrelApplication* m_application;
};
