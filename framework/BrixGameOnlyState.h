#pragma once
// framework/BrixGameOnlyState.h
#include "framework/BrixState.h"

class IBrixGameState;

// The state that runs the game object on its own, without a lobby: what the social part
// pushes when the program registers no lobby menu state. It initialises the game, hands
// it every frame and every input, and releases it when it goes; the application keeps
// owning the game. With no game it finishes at its first update.
class CBrixGameOnlyState : public IBrixState
{
public:
    explicit CBrixGameOnlyState(IBrixGameState* game) : m_game(game), m_initialised(0) {}

    int Init(IKetrelApplication* app) override;
    void Release() override;
    void Activate() override;
    void Deactivate() override;
    i32 Update(f32 dt) override;
    void Render() override;
    i32 OnScreenSizeChanged(i32 width, i32 height) override;
    i32 OnFocusChanged(i32 active) override;
    i32 OnPointerDown(i32 pointer, i32 x, i32 y) override;
    i32 OnPointerMove(i32 pointer, i32 x, i32 y) override;
    i32 OnPointerUp(i32 pointer, i32 x, i32 y) override;
    i32 OnKeyDown(u32 keysym) override;
    i32 OnChar(u32 character) override;

private:
    IBrixGameState* m_game;     // not owned
    i32 m_initialised;
};
