// Set-up, presentation and GL state of the OpenGL ES 2.0 renderer; the drawing
// operations are in KetrelGraphicsExt_GLES2Draw.cpp.
#include "engine/graphics/KetrelGraphicsExt_GLES2.h"
#include "engine/KetrelApplication.h"
#include "engine/KetrelMath.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/Ketrel3DProgram.h"
#include "engine/graphics/KetrelGraphicsExt_GLES2Shaders.h"
#include "engine/graphics/KetrelSurface.h"

#include <EGL/egl.h>
#include <GLES2/gl2.h>
#include <X11/Xlib.h>
#include <cstdio>
#include <cstring>
#include <new>

namespace
{
const EGLint kConfigAttributes[] = {EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RENDERABLE_TYPE,
                                    EGL_OPENGL_ES2_BIT, EGL_DEPTH_SIZE, 16, EGL_NONE};
const EGLint kContextAttributes[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
const int kMaxConfigs = 64;
} // namespace

CKetrelGraphicsExt_GLES2::CKetrelGraphicsExt_GLES2()
    : m_clipLeft(0), m_clipTop(0), m_clipRight(0), m_clipBottom(0), m_owner(nullptr),
      m_width(0), m_height(0), m_eglDisplay(nullptr), m_eglSurface(nullptr),
      m_eglContext(nullptr), m_eglConfig(nullptr), m_redBits(0), m_greenBits(0),
      m_blueBits(0), m_alphaBits(0), m_eglMajor(0), m_eglMinor(0), m_hasMaxLevel(0),
      m_spriteProgram(nullptr), m_texturedProgram(nullptr), m_tintProgram(nullptr),
      m_colorProgram(nullptr), m_vertexColorProgram(nullptr), m_fontProgram(nullptr),
      m_secondFontProgram(nullptr), m_textureBinds(0), m_programSwitches(0),
      m_currentProgram(0), m_lastTexture(0), m_lastVertices(nullptr)
{
    std::memset(m_scratch, 0, sizeof(m_scratch));
    SetID(CKetrelString("KetrelEngine OpenGL ES 2.0 Extension"));
}

CKetrelGraphicsExt_GLES2::~CKetrelGraphicsExt_GLES2()
{
    // The programs belong to the GL context and go with Shutdown; a renderer
    // deleted without it still frees their objects on the heap.
    for (i32 i = 0; i < m_programs.GetCount(); ++i)
        delete (CKetrel3DProgram*)m_programs.GetAt(i);
    m_programs.RemoveAll();
}

CKetrelGraphicsExt_GLES2* CKetrelGraphicsExt_GLES2::FromContext(IKetrelGraphicsContext* context)
{
    if (!context || (context->IsHardware() != 1 && context->IsHardware() != 2))
        return nullptr;
    return static_cast<CKetrelGraphicsExt_GLES2*>(context);
}

CKetrel3DProgram* CKetrelGraphicsExt_GLES2::BuildProgram(const char* vertex, const char* fragment,
                                                         bool textured, int* result)
{
    CKetrel3DProgram* program = new (std::nothrow) CKetrel3DProgram();
    if (!program)
    {
        *result = KE_ERR_MEMORY;
        return nullptr;
    }
    m_programs.Add(program);
    *result = program->Create(this, CKetrelString(vertex), CKetrelString(fragment));
    if (*result != KE_OK)
    {
        CKetrelString log;
        program->GetInfoLog(log);
        char* text = new (std::nothrow) char[(size_t)log.GetLength() + 1];
        fputs("Failed to create shader program \n", stderr);
        if (text)
        {
            log.ToNarrow(text);
            fprintf(stderr, "%s\n", text);
            delete[] text;
        }
        return nullptr;
    }
    if (textured)
    {
        i32 sampler = program->GetUniformLocation(CKetrelString("texture01"));
        if (sampler >= 0)
        {
            glUseProgram(program->GetProgram());
            glUniform1i(sampler, 0);
        }
    }
    return program;
}

int CKetrelGraphicsExt_GLES2::Create(IKetrelApplication* owner)
{
    // A second Create (Restore) must not stack a second surface on the window
    // or a second set of programs.
    Shutdown();
    if (!owner)
        return KE_ERR_ARGUMENT;
    m_owner = owner;
    Window window = (Window)owner->GetWindow();
    Display* x = owner->GetDisplay();
    if (!window || !x)
        return KE_ERR_ARGUMENT;

    // The owner's own X connection, so that the surface is made on the server
    // that holds the window.
    EGLDisplay display = eglGetDisplay((EGLNativeDisplayType)x);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY)
        return KE_ERR_DEVICE;
    if (!eglInitialize(display, &major, &minor))
        return KE_ERR_DEVICE;
    m_eglDisplay = display;
    m_eglMajor = major;
    m_eglMinor = minor;
    if (!eglBindAPI(EGL_OPENGL_ES_API))
    {
        Shutdown();
        return KE_ERR_DEVICE;
    }

    // Of the matching configs, the one whose native visual is the window's:
    // a surface on a window of another visual cannot be made.
    EGLConfig configs[kMaxConfigs];
    EGLint count = 0;
    if (!eglChooseConfig(display, kConfigAttributes, configs, kMaxConfigs, &count) || count < 1)
    {
        Shutdown();
        return KE_ERR_DEVICE;
    }
    EGLConfig config = configs[0];
    XWindowAttributes attributes;
    if (XGetWindowAttributes(x, window, &attributes) && attributes.visual)
    {
        for (EGLint i = 0; i < count; ++i)
        {
            EGLint visual = 0;
            if (eglGetConfigAttrib(display, configs[i], EGL_NATIVE_VISUAL_ID, &visual) &&
                (VisualID)visual == attributes.visual->visualid)
            {
                config = configs[i];
                break;
            }
        }
    }
    m_eglConfig = config;

    EGLSurface surface =
        eglCreateWindowSurface(display, config, (EGLNativeWindowType)window, nullptr);
    if (surface == EGL_NO_SURFACE)
    {
        Shutdown();
        return KE_ERR_DEVICE;
    }
    m_eglSurface = surface;
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, kContextAttributes);
    if (context == EGL_NO_CONTEXT)
    {
        Shutdown();
        return KE_ERR_DEVICE;
    }
    m_eglContext = context;
    if (!eglMakeCurrent(display, surface, surface, context))
    {
        Shutdown();
        return KE_ERR_DEVICE;
    }

    using namespace KetrelGLES2Shaders;
    struct Built { CKetrel3DProgram** slot; const char* vertex; const char* fragment; bool textured; };
    const Built built[] = {
        {&m_spriteProgram, kSpriteVertex, kSpriteFragment, true},
        {&m_texturedProgram, kTexturedVertex, kTexturedFragment, true},
        {&m_colorProgram, kColorVertex, kColorFragment, false},
        {&m_vertexColorProgram, kVertexColorVertex, kVertexColorFragment, true},
        {&m_tintProgram, kVertexColorVertex, kTintFragment, true},
        {&m_fontProgram, kFontVertex, kFontFragment, true},
        {&m_secondFontProgram, kFontVertex, kFontFragment, true},
    };
    for (const Built& b : built)
    {
        int result = KE_OK;
        *b.slot = BuildProgram(b.vertex, b.fragment, b.textured, &result);
        if (result != KE_OK)
            return result;
    }

    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    for (GLenum unit : {GL_TEXTURE2, GL_TEXTURE1, GL_TEXTURE0})
    {
        glActiveTexture(unit);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    glUseProgram(0);
    m_currentProgram = 0;
    m_lastTexture = 0;
    m_lastVertices = nullptr;

    GLint bits = 0;
    glGetIntegerv(GL_RED_BITS, &bits);
    m_redBits = bits;
    glGetIntegerv(GL_GREEN_BITS, &bits);
    m_greenBits = bits;
    glGetIntegerv(GL_BLUE_BITS, &bits);
    m_blueBits = bits;
    glGetIntegerv(GL_ALPHA_BITS, &bits);
    m_alphaBits = bits;

    glFrontFace(GL_CCW);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    glDisable(GL_STENCIL_TEST);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    std::memset(m_scratch, 0, sizeof(m_scratch));

    const char* extensions = (const char*)glGetString(GL_EXTENSIONS);
    m_hasMaxLevel = (extensions && std::strstr(extensions, "GL_APPLE_texture_max_level")) ? 1 : 0;

    glDepthFunc(GL_LEQUAL);
    glClearDepthf(1.0f);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    SetClipRect(nullptr);
    return KE_OK;
}

void CKetrelGraphicsExt_GLES2::Release()
{
    m_width = 0;
    m_height = 0;
    Shutdown();
}

void CKetrelGraphicsExt_GLES2::Shutdown()
{
    for (i32 i = 0; i < m_programs.GetCount(); ++i)
    {
        CKetrel3DProgram* program = (CKetrel3DProgram*)m_programs.GetAt(i);
        if (m_eglContext)
            program->Release();
        delete program;
    }
    m_programs.RemoveAll();
    m_spriteProgram = m_texturedProgram = m_tintProgram = m_colorProgram = nullptr;
    m_vertexColorProgram = m_fontProgram = m_secondFontProgram = nullptr;
    m_currentProgram = 0;
    m_lastTexture = 0;
    m_lastVertices = nullptr;

    if (m_eglDisplay)
    {
        EGLDisplay display = (EGLDisplay)m_eglDisplay;
        if (m_eglSurface && m_eglContext)
            eglSwapBuffers(display, (EGLSurface)m_eglSurface);
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (m_eglContext)
            eglDestroyContext(display, (EGLContext)m_eglContext);
        if (m_eglSurface)
            eglDestroySurface(display, (EGLSurface)m_eglSurface);
        eglTerminate(display);
    }
    m_eglDisplay = m_eglSurface = m_eglContext = m_eglConfig = nullptr;
}

int CKetrelGraphicsExt_GLES2::Restore()
{
    return Create(m_owner);
}

int CKetrelGraphicsExt_GLES2::Present()
{
    int result = 0;
    if (m_eglDisplay && m_eglSurface)
        result = eglSwapBuffers((EGLDisplay)m_eglDisplay, (EGLSurface)m_eglSurface) ? 1 : 0;
    m_textureBinds = 0;
    m_programSwitches = 0;
    return result;
}

int CKetrelGraphicsExt_GLES2::Resize(i32 width, i32 height)
{
    m_width = width;
    m_height = height;
    if (m_eglContext)
        glViewport(0, 0, width, height);
    SetClipRect(nullptr);
    return KE_OK;
}

i32 CKetrelGraphicsExt_GLES2::GetColorBits(i32 channel) const
{
    switch (channel)
    {
    case 0: return m_redBits;
    case 1: return m_greenBits;
    case 2: return m_blueBits;
    case 3: return m_alphaBits;
    default: return 0;
    }
}

i32 CKetrelGraphicsExt_GLES2::RelativeToPixelX(f32 x) const
{
    return KetrelTruncToInt((f32)m_width * x);
}

i32 CKetrelGraphicsExt_GLES2::RelativeToPixelY(f32 y) const
{
    return KetrelTruncToInt((f32)m_height * y);
}

f32 CKetrelGraphicsExt_GLES2::PixelToRelativeX(i32 x) const
{
    return m_width ? (f32)x / (f32)m_width : 0.0f;
}

f32 CKetrelGraphicsExt_GLES2::PixelToRelativeY(i32 y) const
{
    return m_height ? (f32)y / (f32)m_height : 0.0f;
}

void CKetrelGraphicsExt_GLES2::SetClipRect(const CKetrelRect* rect)
{
    CKetrelRect r = rect ? *rect : CKetrelRect(0, 0, m_width, m_height);
    auto clamp = [](i32 v, i32 lo, i32 hi) { return v < lo ? lo : (v > hi ? hi : v); };
    r.left = clamp(r.left, 0, m_width);
    r.top = clamp(r.top, 0, m_height);
    r.right = clamp(r.right, r.left, m_width);
    r.bottom = clamp(r.bottom, r.top, m_height);
    m_clipLeft = r.left;
    m_clipTop = r.top;
    m_clipRight = r.right;
    m_clipBottom = r.bottom;
    if (!m_eglContext)
        return;
    if (!rect)
    {
        glDisable(GL_SCISSOR_TEST);
        return;
    }
    glEnable(GL_SCISSOR_TEST);
    glScissor(r.left, m_height - r.bottom, r.right - r.left, r.bottom - r.top);
}

void CKetrelGraphicsExt_GLES2::GetClipRect(CKetrelRect* out) const
{
    if (out)
        out->Set(m_clipLeft, m_clipTop, m_clipRight, m_clipBottom);
}

int CKetrelGraphicsExt_GLES2::UseProgram(CKetrel3DProgram* program, const void* vertices)
{
    if (!program)
        return 0;
    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    bool changed = (u32)current != program->GetProgram();
    bool quadProgram = program == m_texturedProgram || program == m_colorProgram ||
                       program == m_vertexColorProgram || program == m_tintProgram;
    if (changed)
    {
        CKetrel3DProgram* previous = nullptr;
        if (m_vertexColorProgram && m_currentProgram == m_vertexColorProgram->GetProgram())
            previous = m_vertexColorProgram;
        else if (m_tintProgram && m_currentProgram == m_tintProgram->GetProgram())
            previous = m_tintProgram;
        if (previous)
        {
            i32 colour = previous->GetAttributeLocation(CKetrelString("color"));
            if (colour >= 0)
                glDisableVertexAttribArray((GLuint)colour);
        }
        glUseProgram(program->GetProgram());
        m_currentProgram = program->GetProgram();
        if (quadProgram)
        {
            glDisable(GL_DEPTH_TEST);
            glDisable(GL_CULL_FACE);
            glDepthMask(GL_FALSE);
            glBindBuffer(GL_ARRAY_BUFFER, 0);
        }
        ++m_programSwitches;
    }
    else if (!vertices || vertices == m_lastVertices)
    {
        return 0;
    }
    m_lastVertices = vertices;
    if (!quadProgram || !vertices)
        return 1;

    const u8* base = (const u8*)vertices;
    auto bind = [&](const char* name, GLint size, GLsizei stride, int offset) {
        i32 location = program->GetAttributeLocation(CKetrelString(name));
        if (location < 0)
            return;
        glEnableVertexAttribArray((GLuint)location);
        glVertexAttribPointer((GLuint)location, size, GL_FLOAT, GL_FALSE, stride, base + offset);
    };
    if (program == m_texturedProgram)
    {
        bind("position", 3, 20, 0);
        bind("uv", 2, 20, 12);
    }
    else if (program == m_colorProgram)
    {
        bind("position", 3, 28, 0);
        bind("color", 4, 28, 12);
    }
    else
    {
        // The tint program shares the vertex text of the vertex-colour program;
        // its own cache is asked all the same, in case a linker placed them apart.
        bind("position", 2, 32, 0);
        bind("uv", 2, 32, 8);
        bind("color", 4, 32, 16);
    }
    return 1;
}

int CKetrelGraphicsExt_GLES2::BindTexture(u32 textureUnit, u32 texture)
{
    GLenum unit = textureUnit < 32 ? GL_TEXTURE0 + textureUnit : textureUnit;
    glActiveTexture(unit);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    if ((u32)bound == texture)
        return 0;
    m_lastTexture = texture;
    glBindTexture(GL_TEXTURE_2D, texture);
    ++m_textureBinds;
    return 1;
}
