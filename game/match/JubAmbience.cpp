#include "game/match/JubAmbience.h"

#include "KetrelSound/KetrelSoundSource.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubGameHost.h"

namespace
{
const f32 kFirstInterval = 10.0f;      // seconds, until Init draws the real ones
const f32 kCommonMin = 7.0f;
const f32 kCommonMax = 15.0f;
const f32 kRareMin = 20.0f;
const f32 kRareMax = 30.0f;
} // namespace

CJubAmbience::CJubAmbience()
    : m_loop(0), m_hasLoop(0), m_game(nullptr), m_rareTimer(kFirstInterval),
      m_commonTimer(kFirstInterval)
{
}

CJubAmbience::~CJubAmbience()
{
    StopAll();
}

void CJubAmbience::AddCommon(u32 sound) { m_common.Add(sound); }
void CJubAmbience::AddRare(u32 sound) { m_rare.Add(sound); }

void CJubAmbience::SetLoop(u32 sound)
{
    m_loop = sound;
    m_hasLoop = 1;
}

void CJubAmbience::Init(CJubGameHost* game)
{
    m_game = game;
    if (!game)
        return;
    m_rareTimer = game->RandomFloat(kRareMin, kRareMax);
    m_commonTimer = game->RandomFloat(kCommonMin, kCommonMax);
}

void CJubAmbience::PlayOne(const CKetrelArray<u32>& sounds)
{
    if (sounds.GetCount() == 0)
        return;
    i32 index = m_game->RandomInt(0, sounds.GetCount() - 1);
    if (index < 0 || index >= sounds.GetCount())
        index = 0;
    m_game->PlaySound(sounds[index], 0, 0);
}

void CJubAmbience::PlayLoop()
{
    if (m_game && m_hasLoop)
        m_game->PlaySound(m_loop, 0, 0);
}

void CJubAmbience::Update(f32 dt)
{
    if (!m_game)
        return;
    m_commonTimer -= dt;
    m_rareTimer -= dt;
    if (m_commonTimer <= 0.0f)
    {
        PlayOne(m_common);
        m_commonTimer = m_game->RandomFloat(kCommonMin, kCommonMax);
    }
    if (m_rareTimer <= 0.0f)
    {
        PlayOne(m_rare);
        m_rareTimer = m_game->RandomFloat(kRareMin, kRareMax);
    }
    PlayLoop();
}

void CJubAmbience::StopList(const CKetrelArray<u32>& sounds)
{
    CJubAssetCache* assets = m_game->GetAssets();
    if (!assets)
        return;
    for (i32 i = 0; i < sounds.GetCount(); ++i)
    {
        IKetrelSoundSource* sound = assets->GetSound((i32)sounds[i]);
        if (sound)
            sound->Stop();
    }
}

void CJubAmbience::StopAll()
{
    if (!m_game)
        return;
    StopList(m_common);
    StopList(m_rare);
}
