#pragma once
// The application factory: makes the program's application object, ready to
// run. Null when it cannot be made; the reason is then reported through
// IKetrelApplication::GetLastCreateResult. main owns the result and deletes it
// after Run.
#include "engine/KetrelTypes.h"

class IKetrelApplication;

IKetrelApplication* CreateApplication(u32 argument);
