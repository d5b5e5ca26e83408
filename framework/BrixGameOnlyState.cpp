// framework/BrixGameOnlyState.cpp
#include "framework/BrixGameOnlyState.h"

#include "engine/KetrelFramePacer.h"
#include "engine/KetrelResult.h"
#include "framework/BrixGameState.h"

int CBrixGameOnlyState::Init(IKetrelApplication* app)
{
    if (!m_game)
        return KE_OK;
    const int rc = m_game->Init(app);
    m_initialised = rc == KE_OK;
    return rc;
}

void CBrixGameOnlyState::Release()
{
    if (m_game && m_initialised)
        m_game->Release();
    m_initialised = 0;
}

void CBrixGameOnlyState::Activate()
{
    if (m_game)
        m_game->Activate();
}

void CBrixGameOnlyState::Deactivate()
{
    if (m_game)
        m_game->Deactivate();
}

i32 CBrixGameOnlyState::Update(f32 dt)
{
    if (!m_game)
    {
        Finish();
        return 0;
    }
    m_game->Update(dt);
    // The game is drawn every frame: creatures, water and timers move.
    CKetrelFramePacer::NoteScreenActivity();
    if (m_game->IsFinished())
        Finish();
    return 0;
}

void CBrixGameOnlyState::Render()
{
    if (m_game)
        m_game->Render();
}

i32 CBrixGameOnlyState::OnScreenSizeChanged(i32 width, i32 height)
{
    return m_game ? m_game->OnScreenSizeChanged(width, height) : 1;
}

i32 CBrixGameOnlyState::OnFocusChanged(i32) { return 1; }   // the application told the game already

i32 CBrixGameOnlyState::OnPointerDown(i32 pointer, i32 x, i32 y)
{
    return m_game ? m_game->OnPointerDown(pointer, x, y) : 1;
}

i32 CBrixGameOnlyState::OnPointerMove(i32 pointer, i32 x, i32 y)
{
    return m_game ? m_game->OnPointerMove(pointer, x, y) : 1;
}

i32 CBrixGameOnlyState::OnPointerUp(i32 pointer, i32 x, i32 y)
{
    return m_game ? m_game->OnPointerUp(pointer, x, y) : 1;
}

i32 CBrixGameOnlyState::OnKeyDown(u32 keysym) { return m_game ? m_game->OnKeyDown(keysym) : 1; }

i32 CBrixGameOnlyState::OnChar(u32 character) { return m_game ? m_game->OnChar(character) : 1; }
