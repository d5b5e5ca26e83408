#pragma once
#include "game/match/JubButtonManager.h"
#include "game/match/JubState.h"

class CJubParticleSystem;

// A game screen with buttons of its own over drifting particles (the menu, the training
// picker, the connecting screen). It owns both, listens to its buttons, and gives their
// textures back and reloads them with the screen.
class CJubButtonScreen : public CJubState, public CJubButtonListener
{
public:
    ~CJubButtonScreen() override;

    void Deinit() override;
    void ReloadResources() override;

    void OnButtonPressed(CJubButton*) override {}
    void OnButtonHeld(CJubButton*) override {}

    CJubButtonManager* GetButtons() const { return m_buttons; }

protected:
    // Replaces the buttons and particles with new ones: an empty button manager listened
    // to by this screen, and 15 particles. KE_ERR_MEMORY when either cannot be made.
    int CreateButtons(CJubGameHost* game);

    CJubButtonManager* m_buttons = nullptr;     // owned
    CJubParticleSystem* m_particles = nullptr;  // owned
};
