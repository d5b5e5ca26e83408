// framework/BrixState.cpp
#include "framework/BrixState.h"

#include "engine/KetrelResult.h"

i32 IBrixState::OnScreenSizeChanged(i32, i32) { return 1; }
i32 IBrixState::OnFocusChanged(i32) { return 1; }
int IBrixState::ReloadGraphics() { return KE_OK; }
int IBrixState::ReleaseGraphics() { return KE_OK; }
i32 IBrixState::OnPointerDown(i32, i32, i32) { return 1; }
i32 IBrixState::OnPointerMove(i32, i32, i32) { return 1; }
i32 IBrixState::OnPointerUp(i32, i32, i32) { return 1; }
i32 IBrixState::OnKeyDown(u32) { return 1; }
i32 IBrixState::OnChar(u32) { return 1; }
int IBrixState::OnLanguageChanged(const CKetrelString&) { return KE_OK; }
