// net/BrixSessionHost.cpp: the defaults of the session host.
#include "net/BrixSessionHost.h"

#include "engine/KetrelApplication.h"

i32 IBrixSessionHost::GetAppGameId()
{
    CBrixClientInfo info;
    GetClientInfo(&info);
    return info.appGameId;
}

CKetrelString IBrixSessionHost::GetLanguageCode()
{
    CBrixClientInfo info;
    GetClientInfo(&info);
    return info.languageCode;
}

CKetrelString IBrixSessionHost::GetUserDataFolder()
{
    CKetrelString folder;
    IKetrelApplication* app = GetEngineApplication();
    if (app)
        app->GetUserDataPath(folder, CKetrelString());
    return folder;
}
