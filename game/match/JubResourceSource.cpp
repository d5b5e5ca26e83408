#include "game/match/JubResourceSource.h"

#include "framework/BrixResourceManager.h"

CKetrelSurface* CJubResourceSource::GetImage(const CKetrelString& name)
{
    return m_manager ? m_manager->GetImage(name) : nullptr;
}

int CJubResourceSource::ReleaseImage(CKetrelSurface** image)
{
    return m_manager ? m_manager->ReleaseImage(image) : 0;
}

IKetrelSoundSource* CJubResourceSource::GetSound(const CKetrelString& name)
{
    return m_manager ? m_manager->GetSound(name, 0, 0) : nullptr;
}

int CJubResourceSource::ReleaseSound(IKetrelSoundSource** sound)
{
    return m_manager ? m_manager->ReleaseSound(sound) : 0;
}

i32 CJubResourceSource::ReadResource(const CKetrelString& name, u8** data)
{
    *data = nullptr;
    return m_manager ? m_manager->ReadResource(name, data) : 0;
}
