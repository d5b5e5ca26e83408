#include "game/screens/JubButtonScreen.h"

#include "engine/KetrelResult.h"
#include "game/match/JubParticleSystem.h"

#include <new>

namespace
{
const i32 kParticles = 15;
}

CJubButtonScreen::~CJubButtonScreen()
{
    CJubButtonScreen::Deinit();
}

void CJubButtonScreen::Deinit()
{
    delete m_particles;
    m_particles = nullptr;
    delete m_buttons;
    m_buttons = nullptr;
}

void CJubButtonScreen::ReloadResources()
{
    if (m_buttons)
        m_buttons->LoadTextures();
}

int CJubButtonScreen::CreateButtons(CJubGameHost* game)
{
    CJubButtonScreen::Deinit();
    m_buttons = new (std::nothrow) CJubButtonManager();
    m_particles = new (std::nothrow) CJubParticleSystem();
    if (!m_buttons || !m_particles)
        return KE_ERR_MEMORY;
    m_buttons->Init(m_renderer, game);
    m_buttons->SetListener(this);
    m_particles->Init(game);
    for (i32 i = 0; i < kParticles; ++i)
        m_particles->SpawnParticle();
    return KE_OK;
}
