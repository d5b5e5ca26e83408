#pragma once
#include "engine/KetrelTypes.h"

class CJubGameHost;
class CJubPhysicsWorld;
class CJubRenderer;

// The base of every game screen: links the screen to the game object, its renderer and
// physics world, and tells the game object when the screen is done and which screen
// comes next. Main thread only.
class CJubState
{
public:
    CJubState();
    virtual ~CJubState();
    CJubState(const CJubState&) = delete;
    CJubState& operator=(const CJubState&) = delete;

    // Keeps the game and the game's renderer and physics world (not owned). KE_OK, or
    // KE_ERR_ARGUMENT for a null game (the links are then all null).
    virtual int Init(CJubGameHost* game);
    virtual void Deinit();
    // Next state 0, not done.
    virtual void Reset();
    // Fixed-step update and drawing of the screen.
    virtual int Update(f32 dt) = 0;
    virtual void Render() = 0;
    virtual void SetDone(i32 done = 1);
    virtual i32 IsDone();
    virtual i32 GetNextState();
    virtual i32 GetStateId();
    // Fetches the screen's textures again after the graphics context was made again.
    virtual void ReloadResources() = 0;
    virtual void SetParam(i32 value);
    virtual i32 GetParam();
    virtual void OnBack();
    // A typed character; 1 when the screen took it. The base takes none.
    virtual i32 OnKey(i32 ch);

    CJubGameHost* GetGame() const { return m_game; }
    CJubRenderer* GetRenderer() const { return m_renderer; }
    CJubPhysicsWorld* GetWorld() const { return m_world; }

protected:
    CJubGameHost* m_game;          // not owned
    CJubRenderer* m_renderer;      // the game's; not owned
    CJubPhysicsWorld* m_world;     // the game's; not owned
    i32 m_nextState;               // screen to switch to when done
    i32 m_stateId;                 // this screen's own id
    i32 m_done;
    i32 m_param;                   // a value handed between screens
};
