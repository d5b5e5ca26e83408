#pragma once
#include "game/match/JubAssetNames.h"

class CBrixResourceManager;

// The application's resource manager as the source of the game's asset caches and level
// bytes. Sounds are asked for with no flags and no extra voices. The manager must outlive
// this object and everything fetched through it.
class CJubResourceSource : public CJubAssetSource
{
public:
    explicit CJubResourceSource(CBrixResourceManager* manager) : m_manager(manager) {}

    CKetrelSurface* GetImage(const CKetrelString& name) override;
    int ReleaseImage(CKetrelSurface** image) override;
    IKetrelSoundSource* GetSound(const CKetrelString& name) override;
    int ReleaseSound(IKetrelSoundSource** sound) override;
    i32 ReadResource(const CKetrelString& name, u8** data) override;

private:
    CBrixResourceManager* m_manager;   // not owned; null gives nothing
};
