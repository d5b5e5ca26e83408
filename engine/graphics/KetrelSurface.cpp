#include "engine/graphics/KetrelSurface.h"

#include "engine/KetrelMath.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelPixelFormats.h"

#include <GLES2/gl2.h>
#include <climits>
#include <cstring>
#include <new>

using namespace ketrelpx;

namespace
{
// Sizes beyond these are refused: they keep every byte count within 32 bits and
// every coordinate shifted by 16 within an i32.
const i32 kMaxSide = 16384;
const i64 kMaxPixels = (i64)8192 * 8192;
} // namespace

CKetrelSurface::CKetrelSurface() { ClearFields(); }

CKetrelSurface::CKetrelSurface(IKetrelApplication* owner)
{
    ClearFields();
    m_owner = owner;
}

// Frees what the surface owns, so that forgetting Release before delete loses
// nothing; Release before delete stays harmless.
CKetrelSurface::~CKetrelSurface() { Release(); }

CKetrelSurface* CKetrelSurface::New() { return new (std::nothrow) CKetrelSurface(); }

void CKetrelSurface::ClearFields()
{
    m_clipLeft = m_clipTop = m_clipRight = m_clipBottom = 0;
    m_pixels = nullptr;
    m_xgc = nullptr;
    m_pixmap = 0;
    m_xgcSlot = nullptr;
    m_width = m_height = m_pitch = m_format = 0;
    m_flags = 0;
    m_bytesPerPixel = 0;
    m_colorKey = 0;
    m_bufferSize = 0;
    m_ownsPixels = 0;
    m_lockFlags = 0;
    m_alpha = nullptr;
    m_frameWidth = m_frameHeight = m_frameColumns = m_frameRows = 0;
    m_owner = nullptr;
    m_texture = 0;
    m_mipmapped = 0;
    m_glFormat = 0;
    m_glType = 0;
}

int CKetrelSurface::Create(IKetrelApplication* owner, const CKetrelSurfaceDesc* desc)
{
    Release();
    m_owner = owner;
    if (!desc || desc->width <= 0 || desc->height <= 0)
        return KE_ERR_ARGUMENT;
    int format = desc->pixelFormat;
    if (format == 0)
    {
        if (!owner)
            return KE_ERR_ARGUMENT;
        format = OwnerPixelFormat(owner);
    }
    const int bpp = BytesPerPixel(format);
    if (!bpp)
        return KE_ERR_NO_FORMAT;
    if (desc->width > kMaxSide || desc->height > kMaxSide ||
        (i64)desc->width * desc->height > kMaxPixels)
        return KE_ERR_MEMORY;
    const i64 size = (i64)desc->width * desc->height * bpp;
    u8* pixels = new (std::nothrow) u8[(size_t)size];
    if (!pixels)
        return KE_ERR_MEMORY;

    m_pixels = pixels;
    m_ownsPixels = 1;
    m_width = desc->width;
    m_height = desc->height;
    m_format = format;
    m_bytesPerPixel = bpp;
    m_pitch = desc->width * bpp;
    m_flags = desc->flags;
    m_bufferSize = size;
    SetClipRect(nullptr);
    SetFrameSize(m_width, m_height);
    if (m_flags & KE_SDF_TEXTURE)
    {
        if (bpp == 4)
            CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 0);
        else
            CreateTexture(m_alpha ? GL_RGBA : GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 0);
    }
    return KE_OK;
}

int CKetrelSurface::CreateFromBuffer(IKetrelApplication* owner, const CKetrelSurfaceDesc* desc,
                                     void* pixels)
{
    Release();
    m_owner = owner;
    if (!desc || !pixels || desc->width <= 0 || desc->height <= 0)
        return KE_ERR_ARGUMENT;
    int format = desc->pixelFormat ? desc->pixelFormat : OwnerPixelFormat(owner);
    const int bpp = BytesPerPixel(format);
    // A pitch shorter than a row would let every routine run past the buffer.
    if (bpp && desc->pitch < desc->width * bpp)
        return KE_ERR_ARGUMENT;
    m_pixels = (u8*)pixels;
    m_ownsPixels = 0;
    m_width = desc->width;
    m_height = desc->height;
    m_pitch = desc->pitch;
    m_format = format;
    m_bytesPerPixel = bpp;
    m_flags = desc->flags;
    m_bufferSize = (i64)desc->width * desc->height * bpp;
    SetClipRect(nullptr);
    SetFrameSize(m_width, m_height);
    return KE_OK;
}

void CKetrelSurface::Release()
{
    ReleaseTexture();
    if (m_ownsPixels)
        delete[] m_pixels;
    m_pixels = nullptr;
    m_ownsPixels = 0;
    FreeAlphaPlane();
    m_width = m_height = m_pitch = m_format = 0;
    m_bytesPerPixel = 0;
    m_bufferSize = 0;
    m_flags = 0;
    m_colorKey = 0;
    m_frameWidth = m_frameHeight = m_frameColumns = m_frameRows = 0;
    m_clipLeft = m_clipTop = m_clipRight = m_clipBottom = 0;
    m_owner = nullptr;
    m_mipmapped = 0;
    m_glFormat = m_glType = 0;
}

u8* CKetrelSurface::Lock(CKetrelSurfaceDesc* out, u32 flags)
{
    m_lockFlags = flags;
    if (out)
    {
        out->width = m_width;
        out->height = m_height;
        out->pitch = m_pitch;
        out->pixelFormat = m_format;
        out->flags = m_flags;
        out->bytesPerPixel = m_bytesPerPixel;
    }
    return m_pixels;
}

void CKetrelSurface::UpdateTexture()
{
    if (m_texture && !(m_lockFlags & 1))
        UploadTexture();
}

// --- colours and pixels ---------------------------------------------------------

u32 CKetrelSurface::ColorToPixel(u32 c) const
{
    switch (m_format)
    {
    case 1:
    {
        const u8* lookup = OwnerColorLookup(m_owner);
        return lookup ? lookup[LookupIndex(Red(c), Green(c), Blue(c))] : 0;
    }
    case 2: return Px444().Pack(Red(c), Green(c), Blue(c));
    case 3: return Px555().Pack(Red(c), Green(c), Blue(c));
    case 4: return Px565().Pack(Red(c), Green(c), Blue(c));
    case 5: return c & 0xFFFFFF;
    case 6: return c;
    case 7: return SwapRB(c);
    default: return 0xFFFFFFFF;
    }
}

u32 CKetrelSurface::RGBAToPixel(u32 r, u32 g, u32 b, u32 a) const
{
    return ColorToPixel((a & 0xFF) << 24 | (r & 0xFF) << 16 | (g & 0xFF) << 8 | (b & 0xFF));
}

void CKetrelSurface::SetPixel(i32 x, i32 y, u32 colour)
{
    if (!m_pixels || x < 0 || y < 0 || x >= m_width || y >= m_height || !m_bytesPerPixel)
        return;
    BeginDraw();
    StoreRaw(m_pixels + (i64)y * m_pitch + (i64)x * m_bytesPerPixel, m_bytesPerPixel,
             ColorToPixel(colour));
    UpdateTexture();
}

u32 CKetrelSurface::GetPixel(i32 x, i32 y) const
{
    m_lockFlags = 1;
    if (!m_pixels || x < 0 || y < 0 || x >= m_width || y >= m_height || !m_bytesPerPixel)
        return 0;
    const u32 p = LoadRaw(m_pixels + (i64)y * m_pitch + (i64)x * m_bytesPerPixel, m_bytesPerPixel);
    const u32 a = m_alpha ? (u32)m_alpha[(i64)y * m_width + x] << 24 : 0xFF000000u;
    u32 r = 0, g = 0, b = 0;
    switch (m_format)
    {
    case 1:
    {
        const u32* palette = OwnerPalette(m_owner);
        return a | (palette ? palette[p & 0xFF] & 0xFFFFFF : 0);
    }
    case 2: Px444().Unpack(p, r, g, b); break;
    case 3: Px555().Unpack(p, r, g, b); break;
    case 4: Px565().Unpack(p, r, g, b); break;
    case 5: return a | p;
    case 6: return p;
    case 7: return SwapRB(p);
    default: return 0xFFFFFFFF;
    }
    return a | r << 16 | g << 8 | b;
}

int CKetrelSurface::PutPixel(i32 x, i32 y, u32 value)
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height || !m_pixels)
        return KE_ERR_ARGUMENT;
    const int bpp = BytesPerPixel(m_format);
    if (!bpp)
        return KE_ERR_NO_FORMAT;
    StoreRaw(m_pixels + (i64)y * m_pitch + (i64)x * bpp, bpp, value);
    return KE_OK;
}

int CKetrelSurface::SetColorKeyFromPixel(i32 x, i32 y)
{
    if (!m_pixels)
        return KE_ERR_NOT_READY;
    if (x < 0 || y < 0 || x >= m_width || y >= m_height || !m_bytesPerPixel)
        m_colorKey = 0;
    else
        m_colorKey = LoadRaw(m_pixels + (i64)y * m_pitch + (i64)x * m_bytesPerPixel,
                             m_bytesPerPixel) & KeyMask(m_format);
    return KE_OK;
}

// --- alpha plane -------------------------------------------------------------------

int CKetrelSurface::CreateAlphaPlane()
{
    if (m_format == 6 || m_format == 7)
        return KE_ERR_NO_FORMAT;
    if (m_width <= 0 || m_height <= 0)
        return KE_ERR_NOT_READY;
    u8* plane = new (std::nothrow) u8[(size_t)m_width * m_height];
    if (!plane)
        return KE_ERR_MEMORY;
    FreeAlphaPlane();
    m_alpha = plane;
    return KE_OK;
}

void CKetrelSurface::FreeAlphaPlane()
{
    delete[] m_alpha;
    m_alpha = nullptr;
}

int CKetrelSurface::SetAlphaPlane(const CKetrelSurfaceDesc* alphaDesc, const u8* alpha)
{
    if (!alphaDesc || !alpha)
        return KE_ERR_ARGUMENT;
    if (alphaDesc->pixelFormat != 1)
        return KE_ERR_NO_FORMAT;
    if (alphaDesc->width != m_width || alphaDesc->height != m_height)
        return KE_ERR_FORMAT;
    if (!m_pixels || m_width <= 0 || m_height <= 0)
        return KE_ERR_NOT_READY;
    const i32 alphaPitch = alphaDesc->pitch ? alphaDesc->pitch : m_width;
    if (alphaPitch < m_width)
        return KE_ERR_ARGUMENT;
    BeginDraw();
    if (m_format == 6 || m_format == 7)
    {
        for (i32 y = 0; y < m_height; ++y)
        {
            u8* row = m_pixels + (i64)y * m_pitch;
            const u8* arow = alpha + (i64)y * alphaPitch;
            for (i32 x = 0; x < m_width; ++x)
            {
                const u32 a = arow[x];
                if (a == 255)
                    continue;
                u32 p;
                std::memcpy(&p, row + 4 * x, 4);
                p = a << 24 | ((p >> 16 & 0xFF) * a >> 8) << 16 | ((p >> 8 & 0xFF) * a >> 8) << 8 |
                    ((p & 0xFF) * a >> 8);
                std::memcpy(row + 4 * x, &p, 4);
            }
        }
        UpdateTexture();
        return KE_OK;
    }
    if (!m_bytesPerPixel)
        return KE_ERR_NO_FORMAT;
    if (!m_alpha)
    {
        const int rc = CreateAlphaPlane();
        if (rc != KE_OK)
            return rc;
    }
    for (i32 y = 0; y < m_height; ++y)
        std::memcpy(m_alpha + (i64)y * m_width, alpha + (i64)y * alphaPitch, (size_t)m_width);
    // Premultiply the colour in the surface's own channel layout, so that the
    // alpha blits (which expect premultiplied colour) work on every format.
    const u8* planeBase = m_alpha;
    WithFormat(m_format, m_owner, [&](auto px) {
        for (i32 y = 0; y < m_height; ++y)
        {
            u8* row = m_pixels + (i64)y * m_pitch;
            const u8* arow = planeBase + (i64)y * m_width;
            for (i32 x = 0; x < m_width; ++x)
            {
                const u32 a = arow[x];
                if (a == 255)
                    continue;
                u8* p = row + x * (int)decltype(px)::Bpp;
                u32 r, g, b;
                px.Unpack(px.Load(p), r, g, b);
                px.Store(p, px.Pack(r * a >> 8, g * a >> 8, b * a >> 8));
            }
        }
        return 1;
    });
    UpdateTexture();
    return KE_OK;
}

int CKetrelSurface::SetAlphaFromSurface(const CKetrelSurface* mask)
{
    if (!mask || mask->m_width != m_width || mask->m_height != m_height || m_width <= 0 ||
        m_height <= 0)
        return KE_ERR_ARGUMENT;
    u8* plane = new (std::nothrow) u8[(size_t)m_width * m_height];
    if (!plane)
        return KE_ERR_MEMORY;
    for (i32 y = 0; y < m_height; ++y)
        for (i32 x = 0; x < m_width; ++x)
            plane[(i64)y * m_width + x] = (u8)mask->GetPixel(x, y);
    CKetrelSurfaceDesc desc = {m_width, m_height, m_width, 1, 0, 1};
    const int rc = SetAlphaPlane(&desc, plane);
    delete[] plane;
    return rc;
}

// --- frames -----------------------------------------------------------------------------

void CKetrelSurface::SetFrameSize(i32 frameWidth, i32 frameHeight)
{
    if (frameWidth <= 0 || frameHeight <= 0)
        return;
    m_frameWidth = frameWidth;
    m_frameHeight = frameHeight;
    m_frameColumns = m_width / frameWidth;
    m_frameRows = m_height / frameHeight;
}

void CKetrelSurface::GetFrameRect(i32 frame, CKetrelRect* out) const
{
    if (!out)
        return;
    if (m_frameColumns == 0 || m_frameRows == 0 || (m_frameColumns == 1 && m_frameRows == 1) ||
        frame < 0 || (i64)frame >= (i64)m_frameColumns * m_frameRows)
    {
        out->Set(0, 0, m_width, m_height);
        return;
    }
    const i32 row = frame / m_frameColumns;
    const i32 column = frame - row * m_frameColumns;
    out->Set(m_frameWidth * column, m_frameHeight * row, m_frameWidth * (column + 1),
             m_frameHeight * (row + 1));
}

void CKetrelSurface::GetFrameRectRelative(i32 frame, CKetrelRectF* out) const
{
    if (!out)
        return;
    CKetrelRect r;
    GetFrameRect(frame, &r);
    *out = CKetrelRectF(PixelToRelativeX(r.left), PixelToRelativeY(r.top),
                        PixelToRelativeX(r.right), PixelToRelativeY(r.bottom));
}

void CKetrelSurface::GetRectOrWhole(const CKetrelRect* rect, CKetrelRect* out,
                                    const IKetrelGraphicsContext* context)
{
    if (!out)
        return;
    if (rect)
        *out = *rect;
    else if (context)
        out->Set(0, 0, context->GetWidth(), context->GetHeight());
    else
        out->Set(0, 0, 0, 0);
}

// --- coordinates and clipping ------------------------------------------------------------

i32 CKetrelSurface::RelativeToPixelX(f32 x) const { return KetrelTruncToInt((f32)m_width * x); }
i32 CKetrelSurface::RelativeToPixelY(f32 y) const { return KetrelTruncToInt((f32)m_height * y); }
f32 CKetrelSurface::PixelToRelativeX(i32 x) const { return m_width ? (f32)x / (f32)m_width : 0.0f; }
f32 CKetrelSurface::PixelToRelativeY(i32 y) const { return m_height ? (f32)y / (f32)m_height : 0.0f; }

void CKetrelSurface::SetClipRect(const CKetrelRect* rect)
{
    if (!rect)
    {
        m_clipLeft = m_clipTop = 0;
        m_clipRight = m_width;
        m_clipBottom = m_height;
        return;
    }
    auto clamp = [](i32 v, i32 hi) { return v < 0 ? 0 : (v > hi ? hi : v); };
    m_clipLeft = clamp(rect->left, m_width);
    m_clipRight = clamp(rect->right, m_width);
    m_clipTop = clamp(rect->top, m_height);
    m_clipBottom = clamp(rect->bottom, m_height);
    // An inverted rect is stored as an empty one, so every operation sees right >= left
    // and bottom >= top and draws nothing in it.
    if (m_clipRight < m_clipLeft)
        m_clipRight = m_clipLeft;
    if (m_clipBottom < m_clipTop)
        m_clipBottom = m_clipTop;
}

void CKetrelSurface::GetClipRect(CKetrelRect* out) const
{
    if (out)
        out->Set(m_clipLeft, m_clipTop, m_clipRight, m_clipBottom);
}
