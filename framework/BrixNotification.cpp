// framework/BrixNotification.cpp
#include "framework/BrixNotification.h"

#include "engine/KetrelResult.h"

int CBrixNotification::Init(IBrixFrameworkHost* app)
{
    m_app = app;
    return KE_OK;
}

i32 CBrixNotification::OnScreenSizeChanged(i32, i32)
{
    return 1;
}

i32 CBrixNotification::OnPointerDown(i32, i32, i32)
{
    return 1;
}

i32 CBrixNotification::OnPointerUp(i32, i32, i32)
{
    return 1;
}

i32 CBrixNotification::OnPointerMove(i32, i32, i32)
{
    return 1;
}

void CBrixNotification::Update(f32)
{
}
