#include "game/match/JubState.h"

#include "engine/KetrelResult.h"
#include "game/match/JubGameHost.h"

CJubState::CJubState()
    : m_game(nullptr), m_renderer(nullptr), m_world(nullptr), m_nextState(0), m_stateId(0),
      m_done(0), m_param(0)
{
}

CJubState::~CJubState() {}

int CJubState::Init(CJubGameHost* game)
{
    m_game = game;
    m_renderer = game ? game->GetRenderer() : nullptr;
    m_world = game ? game->GetPhysicsWorld() : nullptr;
    return game ? KE_OK : KE_ERR_ARGUMENT;
}

void CJubState::Deinit() {}

void CJubState::Reset()
{
    m_nextState = 0;
    m_done = 0;
}

void CJubState::SetDone(i32 done) { m_done = done; }
i32 CJubState::IsDone() { return m_done; }
i32 CJubState::GetNextState() { return m_nextState; }
i32 CJubState::GetStateId() { return m_stateId; }
void CJubState::SetParam(i32 value) { m_param = value; }
i32 CJubState::GetParam() { return m_param; }
void CJubState::OnBack() {}
i32 CJubState::OnKey(i32) { return 0; }
