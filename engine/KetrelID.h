#pragma once
#include "engine/KetrelString.h"

// Base of engine objects that carry a textual id (fonts, graphics contexts,
// runnables, sound sources, shader programs). The default id is "0x%08x" of
// the object's own address (its low 32 bits); subclasses replace it by a name.
class CKetrelID
{
public:
    CKetrelID();
    virtual ~CKetrelID();

    const CKetrelString& GetID() const { return m_id; }
    void SetID(const CKetrelString& id) { m_id = id; }
    // Back to the address form.
    void ResetID();

private:
    CKetrelString m_id;
};
