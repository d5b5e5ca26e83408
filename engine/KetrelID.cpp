#include "engine/KetrelID.h"

#include <cstdint>

CKetrelID::CKetrelID()
{
    ResetID();
}

CKetrelID::~CKetrelID()
{
}

void CKetrelID::ResetID()
{
    m_id.Format(L"0x%08x", (u32)(std::uintptr_t)this);
}
