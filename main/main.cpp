// The entry point: one copy at a time, the application from the factory, its
// run loop, and its deletion.
#include "engine/KetrelApplication.h"
#include "engine/KetrelResult.h"
#include "main/ApplicationFactory.h"
#include "main/KetrelInstanceLock.h"

#include <cstdio>

int main()
{
    i32 otherPid = 0;
    if (AcquireInstanceLock(&otherPid))
    {
        if (otherPid > 0)
            printf("Another copy of the program is already running (process %d).\n", (int)otherPid);
        else
            printf("Another copy of the program is already running.\n");
        return 0;
    }

    // Ctrl+C and a logout's SIGTERM end the run loop through Quit, so the
    // application's OnDestroy still saves what it keeps.
    IKetrelApplication::InstallQuitSignals();

    IKetrelApplication* application = CreateApplication(0);
    if (!application)
    {
        int code = IKetrelApplication::GetLastCreateResult();
        if (code == KE_OK)
            code = KE_ERR_NOT_READY;     // the factory failed before creating a window
        fprintf(stderr, "ERROR: %d\n", code);
        return 1;
    }
    int result = application->Run();
    delete application;
    return result;
}
