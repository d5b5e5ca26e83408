// The application factory: the one place that names the concrete classes of every
// layer. It joins the framework application, the game object and the lobby menu
// state that the framework creates when it enters the social part.
#include "main/ApplicationFactory.h"

#include "engine/KetrelResult.h"
#include "game/screens/StateGame.h"
#include "lobby/BrixMenuState.h"
#include "main/BrixGameApplication.h"

#include <new>

IKetrelApplication* CreateApplication(u32 argument)
{
    CBrixGameApplication* application = new (std::nothrow) CBrixGameApplication();
    CStateGame* game = application ? new (std::nothrow) CStateGame() : nullptr;
    if (!game)
    {
        delete application;
        IKetrelApplication::SetLastCreateResult(KE_ERR_MEMORY);
        return nullptr;
    }
    application->SetLobbyStateCreator(BrixCreateMenuState);
    game->SetShellHost(application->GetShell());

    // The application owns the game from here on, also when Init fails.
    int result = application->Init(argument, 640, 360, game);
    if (result != KE_OK)
    {
        IKetrelApplication::SetLastCreateResult(result);
        delete application;
        return nullptr;
    }
    return application;
}
