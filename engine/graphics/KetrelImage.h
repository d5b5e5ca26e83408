#pragma once
// Image decoding limits and format recognition. The loaders and the saver are
// members of CKetrelSurface (engine/graphics/KetrelSurface.h); they decode through
// gdk-pixbuf and accept PNG and JPEG only, whatever other loaders are installed.
#include "engine/KetrelTypes.h"

// Images larger than this on either side, or in all, are refused before they are
// decoded (a few bytes of a network image must not cost gigabytes of memory).
enum
{
    KE_IMAGE_MAX_SIDE = 4096,
    KE_IMAGE_MAX_PIXELS = 4096 * 4096
};

enum KetrelImageKind
{
    KE_IMAGE_UNKNOWN = 0,
    KE_IMAGE_PNG = 1,
    KE_IMAGE_JPEG = 2
};

// The image format that the first bytes announce.
KetrelImageKind KetrelSniffImage(const void* data, i64 size);
