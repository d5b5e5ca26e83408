// The surface's GL texture copy (OpenGL ES 2.0): creation, upload with format
// conversion, and mipmap levels made by box-filtered halving.
#include "engine/graphics/KetrelSurface.h"

#include "engine/KetrelMath.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelPixelFormats.h"

#include <GLES2/gl2.h>
#include <cstring>
#include <new>

#ifndef GL_TEXTURE_MAX_LEVEL_APPLE
#define GL_TEXTURE_MAX_LEVEL_APPLE 0x813D
#endif

using namespace ketrelpx;

namespace
{
// Pixels of a surface in the layout GL takes for (format, type); rows follow each
// other. Null with *rc set when the pair is unsupported (11) or memory is short (7).
u8* ConvertForUpload(const CKetrelSurface& s, u32 glFormat, u32 glType, int* rc)
{
    const i32 w = s.GetWidth(), h = s.GetHeight();
    int bpp;
    if (glFormat == GL_RGB && glType == GL_UNSIGNED_BYTE)
        bpp = 3;
    else if (glFormat == GL_RGB && glType == GL_UNSIGNED_SHORT_5_6_5)
        bpp = 2;
    else if (glFormat == GL_RGBA && glType == GL_UNSIGNED_BYTE)
        bpp = 4;
    else if (glFormat == GL_RGBA &&
             (glType == GL_UNSIGNED_SHORT_4_4_4_4 || glType == GL_UNSIGNED_SHORT_5_5_5_1))
        bpp = 2;
    else
    {
        *rc = KE_ERR_NO_FORMAT;
        return nullptr;
    }
    u8* out = new (std::nothrow) u8[(size_t)w * h * bpp];
    if (!out)
    {
        *rc = KE_ERR_MEMORY;
        return nullptr;
    }
    u8* p = out;
    for (i32 y = 0; y < h; ++y)
        for (i32 x = 0; x < w; ++x, p += bpp)
        {
            const u32 c = s.GetPixel(x, y);
            const u32 r = Red(c), g = Green(c), b = Blue(c), a = Alpha(c);
            u16 v;
            switch (bpp)
            {
            case 3: p[0] = (u8)r; p[1] = (u8)g; p[2] = (u8)b; break;
            case 4: p[0] = (u8)r; p[1] = (u8)g; p[2] = (u8)b; p[3] = (u8)a; break;
            default:
                if (glFormat == GL_RGB)
                    v = (u16)((r >> 3) << 11 | (g >> 2) << 5 | b >> 3);
                else if (glType == GL_UNSIGNED_SHORT_4_4_4_4)
                    v = (u16)((r >> 4) << 12 | (g >> 4) << 8 | (b >> 4) << 4 | a >> 4);
                else
                    v = (u16)((r >> 3) << 11 | (g >> 3) << 6 | (b >> 3) << 1 | (a ? 1 : 0));
                std::memcpy(p, &v, 2);
                break;
            }
        }
    *rc = KE_OK;
    return out;
}

// Sends the level, directly when the surface already has GL's layout with rows
// that follow each other, else through a converted copy.
int SendLevel(const CKetrelSurface& s, u32 glFormat, u32 glType, int level)
{
    const bool direct =
        s.GetPitch() == s.GetWidth() * s.GetBytesPerPixel() &&
        ((glFormat == GL_RGB && glType == GL_UNSIGNED_SHORT_5_6_5 && s.GetPixelFormat() == 4) ||
         (glFormat == GL_RGBA && glType == GL_UNSIGNED_BYTE && s.GetPixelFormat() == 7));
    if (direct)
    {
        glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, s.GetWidth(), s.GetHeight(), glFormat, glType,
                        s.GetPixels());
        return KE_OK;
    }
    int rc = KE_OK;
    u8* data = ConvertForUpload(s, glFormat, glType, &rc);
    if (!data)
        return rc;
    glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, s.GetWidth(), s.GetHeight(), glFormat, glType, data);
    delete[] data;
    return KE_OK;
}

bool HasTextureMaxLevel()
{
    const char* ext = (const char*)glGetString(GL_EXTENSIONS);
    return ext && std::strstr(ext, "GL_APPLE_texture_max_level") != nullptr;
}
} // namespace

int CKetrelSurface::CreateTexture(u32 glFormat, u32 glType, int mipmaps)
{
    if (!m_pixels)
        return KE_ERR_FORMAT;
    ReleaseTexture();
    const bool rgbOk = glFormat == GL_RGB &&
                       (glType == GL_UNSIGNED_BYTE || glType == GL_UNSIGNED_SHORT_5_6_5);
    const bool rgbaOk = glFormat == GL_RGBA &&
                        (glType == GL_UNSIGNED_BYTE || glType == GL_UNSIGNED_SHORT_4_4_4_4 ||
                         glType == GL_UNSIGNED_SHORT_5_5_5_1);
    if (!rgbOk && !rgbaOk)
        return KE_ERR_NO_FORMAT;
    GLuint name = 0;
    glGenTextures(1, &name);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, (GLint)glFormat, m_width, m_height, 0, glFormat, glType, nullptr);
    m_mipmapped = 0;
    if (mipmaps && KetrelIsPowerOfTwo((u32)m_width) && KetrelIsPowerOfTwo((u32)m_height))
    {
        i32 w = m_width, h = m_height;
        for (int level = 1; w > 1 || h > 1; ++level)
        {
            w = w > 1 ? w / 2 : 1;
            h = h > 1 ? h / 2 : 1;
            glTexImage2D(GL_TEXTURE_2D, level, (GLint)glFormat, w, h, 0, glFormat, glType, nullptr);
        }
        m_mipmapped = 1;
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    m_texture = name;
    m_glFormat = glFormat;
    m_glType = glType;
    const int rc = UploadTexture();
    if (rc != KE_OK)
    {
        glDeleteTextures(1, &name);
        m_texture = 0;
    }
    return rc;
}

// A surface that is not 32-bit but has an alpha plane gets RGBA bytes: GL has no
// RGBA 5-6-5 upload.
int CKetrelSurface::CreateTextureAuto()
{
    if (m_bytesPerPixel == 4 || m_alpha)
        return CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 0);
    return CreateTexture(GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 0);
}

int CKetrelSurface::RecreateTexture()
{
    if (!m_glFormat || !m_glType)
        return KE_ERR_FORMAT;
    m_texture = 0;   // the old name died with the lost context
    return CreateTexture(m_glFormat, m_glType, m_mipmapped);
}

void CKetrelSurface::ReleaseTexture()
{
    if (!m_texture)
        return;
    GLuint name = m_texture;
    glDeleteTextures(1, &name);
    m_texture = 0;
}

int CKetrelSurface::UploadTexture()
{
    if (!m_pixels || !m_texture)
        return KE_ERR_FORMAT;
    const bool pairOk =
        (m_glFormat == GL_RGB && (m_glType == GL_UNSIGNED_BYTE || m_glType == GL_UNSIGNED_SHORT_5_6_5)) ||
        (m_glFormat == GL_RGBA && (m_glType == GL_UNSIGNED_BYTE || m_glType == GL_UNSIGNED_SHORT_4_4_4_4 ||
                                   m_glType == GL_UNSIGNED_SHORT_5_5_5_1));
    if (!pairOk)
        return KE_ERR_NO_FORMAT;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, m_texture);
    int rc = SendLevel(*this, m_glFormat, m_glType, 0);
    if (rc != KE_OK)
    {
        glBindTexture(GL_TEXTURE_2D, 0);
        return rc;
    }
    int levels = 0;
    if (m_mipmapped)
    {
        CKetrelSurface* previous = this;
        i32 w = m_width, h = m_height;
        for (int level = 1; w > 1 || h > 1; ++level)
        {
            w = w > 1 ? w / 2 : 1;
            h = h > 1 ? h / 2 : 1;
            CKetrelSurface* next = New();
            CKetrelSurfaceDesc desc = {w, h, 0, m_format, 0, 0};
            if (!next || next->Create(m_owner, &desc) != KE_OK)
            {
                delete next;
                rc = KE_ERR_MEMORY;
                break;
            }
            next->StretchBlit(nullptr, previous, nullptr, KE_BLT_SMOOTH);
            rc = SendLevel(*next, m_glFormat, m_glType, level);
            if (previous != this)
                delete previous;
            previous = next;
            levels = level;
            if (rc != KE_OK)
                break;
        }
        if (previous != this)
            delete previous;
        if (rc != KE_OK)
        {
            glBindTexture(GL_TEXTURE_2D, 0);
            return rc;
        }
        IKetrelGraphicsContext* ctx = OwnerGraphicsContext(m_owner);
        if (ctx && (ctx->IsHardware() == 1 || ctx->IsHardware() == 2) && HasTextureMaxLevel())
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL_APPLE, levels);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    m_mipmapped ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, 0);
    return KE_OK;
}
