// Image loading (packs, files, memory) into surfaces, "_alpha" companion masks, and
// saving as JPEG, PNG or BMP, through gdk-pixbuf.
#include "engine/graphics/KetrelImage.h"

#include "engine/KetrelDataScrambler.h"
#include "engine/KetrelFile.h"
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelResult.h"
#include "engine/KetrelString.h"
#include "engine/graphics/KetrelPixelFormats.h"
#include "engine/graphics/KetrelSurface.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <cstring>
#include <new>

using namespace ketrelpx;

KetrelImageKind KetrelSniffImage(const void* data, i64 size)
{
    static const u8 png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const u8* p = static_cast<const u8*>(data);
    if (!p)
        return KE_IMAGE_UNKNOWN;
    if (size >= 8 && std::memcmp(p, png, 8) == 0)
        return KE_IMAGE_PNG;
    if (size >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF)
        return KE_IMAGE_JPEG;
    return KE_IMAGE_UNKNOWN;
}

namespace
{
// No PNG or JPEG within the decoded limits needs more bytes than this.
const int kMaxEncodedBytes = 128 * 1024 * 1024;

struct SizeRequest
{
    int width;     // requested; 0 keeps the image's own
    int height;
    bool refused;
};

bool WithinLimits(i64 w, i64 h)
{
    return w > 0 && h > 0 && w <= KE_IMAGE_MAX_SIDE && h <= KE_IMAGE_MAX_SIDE &&
           w * h <= KE_IMAGE_MAX_PIXELS;
}

// Called once the image's size is known and before any pixel memory is taken.
// A size of 0 makes the PNG and JPEG loaders give up at once.
void OnSizePrepared(GdkPixbufLoader* loader, int width, int height, gpointer data)
{
    SizeRequest* request = static_cast<SizeRequest*>(data);
    const int w = request->width > 0 ? request->width : width;
    const int h = request->height > 0 ? request->height : height;
    if (!WithinLimits(width, height) || !WithinLimits(w, h))
    {
        request->refused = true;
        gdk_pixbuf_loader_set_size(loader, 0, 0);
        return;
    }
    if (w != width || h != height)
        gdk_pixbuf_loader_set_size(loader, w, h);
}

// The decoded image of a PNG or JPEG block at the requested size, or null.
GdkPixbuf* DecodeBytes(const u8* bytes, i64 size, int width, int height)
{
    const KetrelImageKind kind = KetrelSniffImage(bytes, size);
    if (kind == KE_IMAGE_UNKNOWN || size > 0x7FFFFFFF)
        return nullptr;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type(kind == KE_IMAGE_PNG ? "png" : "jpeg", nullptr);
    if (!loader)
        return nullptr;
    SizeRequest request = {width, height, false};
    g_signal_connect(loader, "size-prepared", G_CALLBACK(OnSizePrepared), &request);
    GdkPixbuf* pixbuf = nullptr;
    const gboolean written = gdk_pixbuf_loader_write(loader, bytes, (gsize)size, nullptr);
    const gboolean closed = gdk_pixbuf_loader_close(loader, nullptr);
    if (written && closed && !request.refused)
    {
        pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
        if (pixbuf)
            g_object_ref(pixbuf);
    }
    g_object_unref(loader);
    if (pixbuf &&
        (gdk_pixbuf_get_colorspace(pixbuf) != GDK_COLORSPACE_RGB ||
         gdk_pixbuf_get_bits_per_sample(pixbuf) != 8 ||
         gdk_pixbuf_get_n_channels(pixbuf) != (gdk_pixbuf_get_has_alpha(pixbuf) ? 4 : 3) ||
         !WithinLimits(gdk_pixbuf_get_width(pixbuf), gdk_pixbuf_get_height(pixbuf))))
    {
        g_object_unref(pixbuf);
        pixbuf = nullptr;
    }
    return pixbuf;
}

CKetrelSurfaceDesc DescOrZero(const CKetrelSurfaceDesc* desc)
{
    if (desc)
        return *desc;
    CKetrelSurfaceDesc zero = {0, 0, 0, 0, 0, 0};
    return zero;
}

bool WantsCompanion(const CKetrelSurfaceDesc* desc)
{
    return desc && (desc->flags & KE_SDF_COMPANION) && !(desc->flags & KE_SDF_NO_COMPANION);
}
} // namespace

int CKetrelSurface::LoadFromPack(IKetrelApplication* owner, CKetrelMediaPack* pack,
                                 const CKetrelString& name, int index,
                                 const CKetrelSurfaceDesc* desc)
{
    m_owner = owner;
    if (!pack || !pack->GetFile() || index < 0)
        return KE_ERR_NOT_FOUND;
    const u32 size = pack->SeekEntry(name, (u32)index);
    if (size == 0)
        return KE_ERR_NOT_FOUND;
    const CKetrelString* key = pack->GetKey();
    CKetrelFile file;
    u8* buffer = nullptr;
    if (key && !key->IsEmpty())
    {
        buffer = new (std::nothrow) u8[size];
        if (!buffer)
            return KE_ERR_MEMORY;
        const u32 got = pack->GetFile()->Read(buffer, size);
        CKetrelDataScrambler scrambler;
        scrambler.Descramble(buffer, got, *key);
        if (got == 0 || file.OpenMemory(buffer, got, KE_FILE_READ) != KE_OK)
        {
            delete[] buffer;
            return KE_ERR_FORMAT;
        }
    }
    else
        file.OpenShared(*pack->GetFile());
    const int rc = DecodeImage(file, (int)size, desc);
    file.Close();
    delete[] buffer;
    if (rc == KE_OK)
    {
        if (!name.IsEmpty())
            SetID(name);
        else if (pack->GetEntryAt(index))
            SetID(pack->GetEntryAt(index)->GetName());
    }
    if (WantsCompanion(desc))
        LoadAlphaCompanion(name.IsEmpty() && pack->GetEntryAt(index) ? pack->GetEntryAt(index)->GetName() : name,
                           pack);
    return rc;
}

int CKetrelSurface::LoadFromFile(IKetrelApplication* owner, const CKetrelString& path,
                                 const CKetrelSurfaceDesc* desc)
{
    m_owner = owner;
    CKetrelFile file;
    if (file.Open(path, KE_FILE_READ) != KE_OK)
        return KE_ERR_OPEN;
    const int rc = DecodeImage(file, file.GetSize(), desc);
    file.Close();
    if (WantsCompanion(desc))
        LoadAlphaCompanion(path, nullptr);
    return rc;
}

int CKetrelSurface::LoadFromMemory(IKetrelApplication* owner, const void* data, int size,
                                   const CKetrelSurfaceDesc* desc)
{
    m_owner = owner;
    if (!data || size <= 0)
        return KE_ERR_ARGUMENT;
    CKetrelFile file;
    // Read only: the stream never writes through the caller's bytes.
    if (file.OpenMemory(const_cast<void*>(data), (u32)size, KE_FILE_READ) != KE_OK)
        return KE_ERR_ARGUMENT;
    return DecodeImage(file, size, desc);
}

int CKetrelSurface::DecodeImage(CKetrelFile& file, int size, const CKetrelSurfaceDesc* desc)
{
    if (size <= 0)
        return KE_ERR_NO_FORMAT;
    const int rc = DecodeWithPixbuf(file, size, desc);
    if (rc == KE_OK && desc && (desc->flags & KE_SDF_TEXTURE))
        return CreateTextureAuto();
    return rc;
}

int CKetrelSurface::DecodeWithPixbuf(CKetrelFile& file, int size, const CKetrelSurfaceDesc* desc)
{
    if (size > kMaxEncodedBytes)
        return KE_ERR_MEMORY;
    u8* bytes = new (std::nothrow) u8[(size_t)size];
    if (!bytes)
        return KE_ERR_MEMORY;
    const u32 got = file.Read(bytes, (u32)size);
    const CKetrelSurfaceDesc d = DescOrZero(desc);
    GdkPixbuf* pixbuf = DecodeBytes(bytes, got, d.width, d.height);
    delete[] bytes;
    if (!pixbuf)
        return KE_ERR_MEMORY;   // undecodable data is reported as out of memory
    const int rc = ImportPixels(gdk_pixbuf_get_pixels(pixbuf), gdk_pixbuf_get_width(pixbuf),
                                gdk_pixbuf_get_height(pixbuf), gdk_pixbuf_get_rowstride(pixbuf),
                                gdk_pixbuf_get_has_alpha(pixbuf) ? 1 : 0, desc);
    g_object_unref(pixbuf);
    return rc;
}

// Rows of bytes R, G, B (and A) into this surface in its format, colour
// premultiplied by alpha (channel x alpha / 255).
int CKetrelSurface::ImportPixels(const u8* rows, i32 width, i32 height, i32 stride, int hasAlpha,
                                 const CKetrelSurfaceDesc* desc)
{
    const CKetrelSurfaceDesc d = DescOrZero(desc);
    if (!(m_pixels && m_width == width && m_height == height && m_bytesPerPixel))
    {
        CKetrelSurfaceDesc target = {width, height, 0, d.pixelFormat, d.flags & ~(u32)KE_SDF_TEXTURE, 0};
        IKetrelApplication* owner = m_owner;
        const int rc = Create(owner, &target);
        if (rc != KE_OK)
            return rc;
    }
    if (hasAlpha && (m_bytesPerPixel == 1 || m_bytesPerPixel == 2))
    {
        if (!m_alpha)
        {
            const int rc = CreateAlphaPlane();
            if (rc != KE_OK)
            {
                Release();
                return rc;
            }
        }
    }
    else
        FreeAlphaPlane();   // a reused surface must not keep an older image's alpha
    BeginDraw();
    const int step = hasAlpha ? 4 : 3;
    u8* plane = m_alpha;
    const u8* lookup = m_format == 1 ? OwnerColorLookup(m_owner) : nullptr;
    for (i32 y = 0; y < height; ++y)
    {
        const u8* s = rows + (i64)y * stride;
        u8* p = m_pixels + (i64)y * m_pitch;
        for (i32 x = 0; x < width; ++x, s += step)
        {
            u32 r = s[0], g = s[1], b = s[2];
            const u32 a = hasAlpha ? s[3] : 255;
            if (a < 255)
            {
                r = r * a / 255;
                g = g * a / 255;
                b = b * a / 255;
            }
            switch (m_format)
            {
            case 1: *p = lookup ? lookup[LookupIndex(r, g, b)] : 0; break;
            case 2: Px444().Store(p, Px444().Pack(r, g, b)); break;
            case 3: Px555().Store(p, Px555().Pack(r, g, b)); break;
            case 4: Px565().Store(p, Px565().Pack(r, g, b)); break;
            case 5: p[0] = (u8)r; p[1] = (u8)g; p[2] = (u8)b; break;
            case 6: p[0] = (u8)b; p[1] = (u8)g; p[2] = (u8)r; p[3] = (u8)a; break;
            default: p[0] = (u8)r; p[1] = (u8)g; p[2] = (u8)b; p[3] = (u8)a; break;
            }
            p += m_bytesPerPixel;
            if (plane)
                *plane++ = (u8)a;
        }
    }
    UpdateTexture();
    return KE_OK;
}

int CKetrelSurface::LoadAlphaCompanion(const CKetrelString& name, CKetrelMediaPack* pack)
{
    const int dot = name.ReverseFind((u16)'.');
    if (dot < 0)
        return KE_ERR_NOT_FOUND;
    const CKetrelString extension(name, dot, name.GetLength() - dot);
    if (extension.StartsWith(CKetrelString(".png")))
        return KE_ERR_NO_FORMAT;
    CKetrelString companionName(name, 0, dot);
    companionName.Append(CKetrelString("_alpha"));
    companionName.Append(extension);

    CKetrelSurface companion;
    CKetrelSurfaceDesc desc = {0, 0, 0, m_format, KE_SDF_NO_COMPANION, 0};
    const int rc = pack ? companion.LoadFromPack(m_owner, pack, companionName, 0, &desc)
                        : companion.LoadFromFile(m_owner, companionName, &desc);
    if (rc != KE_OK)
        return rc;
    const i32 w = companion.GetWidth(), h = companion.GetHeight();
    u8* alpha = new (std::nothrow) u8[(size_t)w * h];
    if (!alpha)
        return KE_ERR_MEMORY;
    for (i32 y = 0; y < h; ++y)
        for (i32 x = 0; x < w; ++x)
            alpha[(i64)y * w + x] = (u8)companion.GetPixel(x, y);
    companion.Release();
    CKetrelSurfaceDesc alphaDesc = {w, h, w, 1, 0, 1};
    const int result = SetAlphaPlane(&alphaDesc, alpha);
    delete[] alpha;
    return result;
}

// Every format is written through GetPixel, with alpha 255.
int CKetrelSurface::SaveImage(const CKetrelString& path)
{
    if (!m_owner)
        return KE_ERR_NOT_READY;
    if (!m_pixels || m_width <= 0 || m_height <= 0)
        return 0;
    CKetrelString lower(path);
    lower.MakeLower();
    const char* type = "bmp";
    if (lower.Find(CKetrelString(".jpg")) >= 0)
        type = "jpeg";
    else if (lower.Find(CKetrelString(".png")) >= 0)
        type = "png";
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, m_width, m_height);
    if (!pixbuf)
        return 0;
    u8* out = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (i32 y = 0; y < m_height; ++y)
    {
        u8* row = out + (i64)y * stride;
        for (i32 x = 0; x < m_width; ++x, row += 4)
        {
            const u32 c = GetPixel(x, y);
            row[0] = (u8)Red(c);
            row[1] = (u8)Green(c);
            row[2] = (u8)Blue(c);
            row[3] = 255;
        }
    }
    const int narrowSize = path.ToNarrow(nullptr);
    char* narrow = new (std::nothrow) char[(size_t)narrowSize + 1];
    gboolean saved = FALSE;
    if (narrow)
    {
        path.ToNarrow(narrow);
        if (type[0] == 'j')
            saved = gdk_pixbuf_save(pixbuf, narrow, type, nullptr, "quality", "85", nullptr);
        else
            saved = gdk_pixbuf_save(pixbuf, narrow, type, nullptr, nullptr);
        delete[] narrow;
    }
    g_object_unref(pixbuf);
    return saved ? 1 : 0;
}
