// Transfer between a surface and X pixmaps (the owner application's display).
#include "engine/graphics/KetrelSurface.h"

#include "engine/KetrelMath.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelPixelFormats.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstring>

using namespace ketrelpx;

namespace
{
// X reports an unsupported depth asynchronously and the default handler ends the
// process, so the depth is checked first.
bool PixmapDepthSupported(Display* display, int depth)
{
    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
    bool found = false;
    for (int i = 0; formats && i < count; ++i)
        if (formats[i].depth == depth)
            found = true;
    if (formats)
        XFree(formats);
    return found;
}
} // namespace

int CKetrelSurface::CreatePixmap(_XGC** out)
{
    if (!m_pixels)
        return KE_ERR_NOT_READY;
    if (m_xgc)
        return KE_ERR_X_GC_EXISTS;
    Display* display = (Display*)OwnerDisplay(m_owner);
    const int depth = 8 * m_bytesPerPixel;
    if (!display || !depth || !PixmapDepthSupported(display, depth))
        return KE_ERR_X_RESOURCE;
    const int screen = DefaultScreen(display);
    Pixmap pixmap = XCreatePixmap(display, RootWindow(display, screen), (unsigned)m_width,
                                  (unsigned)m_height, (unsigned)depth);
    if (!pixmap)
        return KE_ERR_X_RESOURCE;
    GC gc = XCreateGC(display, pixmap, 0, nullptr);
    if (!gc)
    {
        XFreePixmap(display, pixmap);
        return KE_ERR_X_RESOURCE;
    }
    XImage* image = XCreateImage(display, DefaultVisual(display, screen), (unsigned)depth, ZPixmap, 0,
                                 (char*)m_pixels, (unsigned)m_width, (unsigned)m_height,
                                 m_bytesPerPixel == 1 ? 8 : (m_bytesPerPixel == 2 ? 16 : 32), m_pitch);
    if (image)
    {
        XPutImage(display, pixmap, gc, image, 0, 0, 0, 0, (unsigned)m_width, (unsigned)m_height);
        image->data = nullptr;   // the pixels stay the surface's
        XDestroyImage(image);
    }
    m_pixmap = pixmap;
    m_xgc = gc;
    m_xgcSlot = out;
    if (out)
        *out = gc;
    return KE_OK;
}

void CKetrelSurface::ReleasePixmap(_XGC* gc, int copyBack)
{
    Display* display = (Display*)OwnerDisplay(m_owner);
    if (!display)
        return;
    if (!gc)
        gc = m_xgc;
    if (m_pixels)
    {
        XSync(display, False);
        if (copyBack && m_pixmap)
        {
            XImage* image = XGetImage(display, m_pixmap, 0, 0, (unsigned)m_width,
                                      (unsigned)m_height, AllPlanes, ZPixmap);
            if (image)
            {
                const i64 row = image->bytes_per_line < m_pitch ? image->bytes_per_line : m_pitch;
                for (i32 y = 0; y < m_height && y < image->height; ++y)
                    std::memcpy(m_pixels + (i64)y * m_pitch,
                                image->data + (i64)y * image->bytes_per_line, (size_t)row);
                XDestroyImage(image);
            }
        }
    }
    if (m_pixmap)
        XFreePixmap(display, m_pixmap);
    if (gc)
        XFreeGC(display, gc);
    m_pixmap = 0;
    m_xgc = nullptr;
}

int CKetrelSurface::CreateFromDrawable(IKetrelApplication* owner, CKetrelSurfaceDesc* desc,
                                       unsigned long drawable)
{
    Display* display = (Display*)OwnerDisplay(owner);
    if (!drawable || !desc || !display)
        return KE_ERR_ARGUMENT;
    Window root;
    int gx, gy;
    unsigned int dw = 0, dh = 0, border, depth;
    if (!XGetGeometry(display, drawable, &root, &gx, &gy, &dw, &dh, &border, &depth) || !dw || !dh)
        return KE_ERR_ARGUMENT;
    if ((desc->flags & KE_SDF_DRAWABLE_ASPECT) && (desc->width == 0) != (desc->height == 0))
    {
        if (desc->width == 0)
            desc->width = KetrelTruncToInt((float)desc->height * (float)dw / (float)dh);
        else
            desc->height = KetrelTruncToInt((float)desc->width * (float)dh / (float)dw);
        if ((desc->width & 1) && desc->width < 0x7FFFFFFF)
            desc->width += 1;
    }
    if (desc->width == 0 || desc->height == 0)
    {
        desc->width = (i32)dw;
        desc->height = (i32)dh;
    }
    int rc = Create(owner, desc);
    if (rc != KE_OK)
        return rc;
    FillRect(0, nullptr);
    _XGC* gc = nullptr;
    rc = CreatePixmap(&gc);
    if (rc == KE_OK)
        ReleasePixmap(gc, 1);
    SetClipRect(nullptr);
    SetFrameSize(m_width, m_height);
    return KE_OK;
}
