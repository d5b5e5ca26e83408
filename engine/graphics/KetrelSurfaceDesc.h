#pragma once
#include "engine/KetrelTypes.h"

// Describes a surface to be made or loaded, and what a locked surface hands back.
// A pixel format of 0 means the owner application's format.
struct CKetrelSurfaceDesc
{
    i32 width;
    i32 height;
    i32 pitch;          // bytes per row; replaced by Create
    i32 pixelFormat;    // KE_PF_*, 1 to 7
    u32 flags;          // KE_SDF_*
    i32 bytesPerPixel;
};

// CKetrelSurfaceDesc flags.
enum
{
    KE_SDF_TEXTURE        = 2,    // also keep a GL texture copy of the pixels
    KE_SDF_DRAWABLE_ASPECT = 8,   // from an X drawable: derive a missing size from its aspect
    KE_SDF_NO_COMPANION   = 16,   // image loads: never look for an "_alpha" companion
    KE_SDF_COMPANION      = 32    // image loads: load the "_alpha" companion (unless 16)
};
