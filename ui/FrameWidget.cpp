// ui/FrameWidget.cpp
#include "ui/FrameWidget.h"

#include "engine/KetrelResult.h"
#include "engine/graphics/Ketrel3DProgram.h"
#include "engine/graphics/KetrelGraphicsExt_GLES2.h"
#include "engine/graphics/KetrelSurface.h"

#include <GLES2/gl2.h>
#include <cmath>
#include <cstdio>
#include <new>
#include <string>

const char* const CFrameWidget::kProgramName = "framewidget_shader";

// Quad (row r, column c), a = 4r + c: triangles (a, a+4, a+5) and (a+5, a+1, a).
const u8 CFrameWidget::kIndices[IndexCount] = {
    0, 4, 5, 5, 1, 0,     1, 5, 6, 6, 2, 1,     2, 6, 7, 7, 3, 2,
    4, 8, 9, 9, 5, 4,     5, 9, 10, 10, 6, 5,   6, 10, 11, 11, 7, 6,
    8, 12, 13, 13, 9, 8,  9, 13, 14, 14, 10, 9, 10, 14, 15, 15, 11, 10};

namespace
{
const char* const kVertexSource =
    "attribute mediump vec2 position;\n"
    "attribute mediump vec4 uv;\n"
    "varying mediump vec4 texCoord;\n"
    "void main() { gl_Position = vec4(position, 0.0, 1.0); texCoord = uv; }\n";

// The border over the picture (premultiplied), the whole shaped by the mask: colour
// and alpha both carry the mask, as premultiplied blending expects.
const char* const kFragmentSource =
    "precision mediump float;\n"
    "uniform sampler2D texture01;\n"
    "uniform sampler2D texture02;\n"
    "uniform sampler2D texture03;\n"
    "varying mediump vec4 texCoord;\n"
    "void main() {\n"
    "  vec4 t01 = texture2D(texture01, texCoord.xy);\n"
    "  vec4 t02 = texture2D(texture02, texCoord.zw);\n"
    "  float a = texture2D(texture03, texCoord.zw).a;\n"
    "  gl_FragColor = vec4((t02.rgb + t01.rgb * (1.0 - t02.a)) * a, a);\n"
    "}\n";
}  // namespace

CFrameWidget::CFrameWidget() : m_maskImage(nullptr), m_borderImage(nullptr), m_program(nullptr) {}

CFrameWidget::~CFrameWidget()
{
    ReleaseProgram();
    ReleaseSurface(GetResourceManager(), &m_maskImage);
    ReleaseSurface(GetResourceManager(), &m_borderImage);
}

int CFrameWidget::Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect)
{
    if (!app || !resources)
        return KE_ERR_ARGUMENT;
    int r = CImageWidget::Init(app, resources, rect);
    if (r != KE_OK)
    {
        ReportError(r);
        return r;
    }
    ReleaseSurface(resources, &m_maskImage);
    ReleaseSurface(resources, &m_borderImage);
    ReleaseProgram();
    SetTransparent(false);
    return KE_OK;
}

void CFrameWidget::Close()
{
    IUIResourceManager* res = GetResourceManager();
    ReleaseProgram();
    ReleaseSurface(res, &m_maskImage);
    ReleaseSurface(res, &m_borderImage);
    CImageWidget::Close();
}

CWidget* CFrameWidget::CreateInstance() const { return new CFrameWidget(); }

void CFrameWidget::ReleaseProgram()
{
    if (!m_program)
        return;
    CKetrel3DProgram* program = m_program;
    m_program = nullptr;
    // The manager counts one reference per frame widget; one it does not know is ours.
    IUIResourceManager* res = GetResourceManager();
    if (!res || res->ReleaseShaderProgram(&program) == 0)
    {
        program->Release();
        delete program;
    }
}

void CFrameWidget::SetMaskImage(CKetrelSurface* image)
{
    ExchangeSurface(GetResourceManager(), &m_maskImage, image);
}

void CFrameWidget::SetBorderImage(CKetrelSurface* image)
{
    ExchangeSurface(GetResourceManager(), &m_borderImage, image);
}

void CFrameWidget::CopyFrom(const CWidget* source)
{
    CImageWidget::CopyFrom(source);
    const CFrameWidget* o = CFrameWidget::Cast(const_cast<CWidget*>(source));
    if (!o || o == this)
        return;
    ShareSurface(GetResourceManager(), &m_maskImage, o->m_maskImage);
    ShareSurface(GetResourceManager(), &m_borderImage, o->m_borderImage);
}

int CFrameWidget::LoadShader()
{
    if (m_program)
        return KE_OK;
    IUIResourceManager* res = GetResourceManager();
    IUIApplication* app = GetApplication();
    if (!res || !app)
        return KE_ERR_NOT_READY;
    const CKetrelString name(kProgramName);
    m_program = res->FindShaderProgram(name);
    if (m_program)
        return KE_OK;
    CKetrelGraphicsExt_GLES2* gl = CKetrelGraphicsExt_GLES2::FromContext(app->GetUIGraphicsContext());
    if (!gl)
        return KE_ERR_NOT_READY;
    CKetrel3DProgram* program = new (std::nothrow) CKetrel3DProgram();
    if (!program)
        return KE_ERR_MEMORY;
    if (program->Create(gl, CKetrelString(kVertexSource), CKetrelString(kFragmentSource)) != KE_OK)
    {
        CKetrelString log;
        program->GetInfoLog(log);
        std::string text((size_t)log.ToUTF8(nullptr) + 1, '\0');
        log.ToUTF8(&text[0]);
        fputs(text.c_str(), stderr);
        fputc('\n', stderr);
        program->Release();
        delete program;
        return KE_ERR_DEVICE;
    }
    res->RegisterShaderProgram(name, program);
    m_program = program;
    return KE_OK;
}

int CFrameWidget::UpdateSelf(f32 dt)
{
    LoadShader();
    return CImageWidget::UpdateSelf(dt);
}

bool CFrameWidget::BuildGrid(const CKetrelRect& dest, i32 targetW, i32 targetH, i32 cw, i32 ch,
                             i32 bw, i32 bh, i32 pw, i32 ph,
                             f32 out[GridVertices * FloatsPerVertex])
{
    const i32 w = dest.Width(), h = dest.Height();
    if (w <= 0 || h <= 0 || targetW <= 0 || targetH <= 0 || bw <= 0 || bh <= 0 || pw <= 0 ||
        ph <= 0)
        return false;
    const f32 xs[4] = {(f32)dest.left, (f32)(dest.left + cw), (f32)(dest.right - cw), (f32)dest.right};
    const f32 ys[4] = {(f32)dest.top, (f32)(dest.top + ch), (f32)(dest.bottom - ch), (f32)dest.bottom};
    const f32 bu[4] = {0.0f, (f32)cw / (f32)bw, 1.0f - (f32)cw / (f32)bw, 1.0f};
    const f32 bv[4] = {0.0f, (f32)ch / (f32)bh, 1.0f - (f32)ch / (f32)bh, 1.0f};
    const f32 insetX = (f32)lroundf((f32)cw / (f32)w * (f32)pw);
    const f32 insetY = (f32)lroundf((f32)ch / (f32)h * (f32)ph);
    const f32 pu[4] = {0.0f, insetX / (f32)pw, ((f32)pw - insetX) / (f32)pw, 1.0f};
    const f32 pv[4] = {0.0f, insetY / (f32)ph, ((f32)ph - insetY) / (f32)ph, 1.0f};
    for (i32 row = 0; row < 4; ++row)
        for (i32 col = 0; col < 4; ++col)
        {
            f32* v = out + (row * 4 + col) * FloatsPerVertex;
            // Pixels to normalized device coordinates (y up), as the renderer does.
            v[0] = 2.0f * xs[col] / (f32)targetW - 1.0f;
            v[1] = 1.0f - 2.0f * ys[row] / (f32)targetH;
            v[2] = pu[col];
            v[3] = pv[row];
            v[4] = bu[col];
            v[5] = bv[row];
        }
    return true;
}

int CFrameWidget::DrawSelf(IKetrelGraphicsContext* gc, const CKetrelRect& area)
{
    CKetrelGraphicsExt_GLES2* gl = CKetrelGraphicsExt_GLES2::FromContext(gc);
    CKetrelSurface* picture = GetImage();
    if (!gl || !m_program || !m_program->GetProgram() || !picture || !m_borderImage ||
        !m_maskImage || !picture->GetTextureName() || !m_borderImage->GetTextureName() ||
        !m_maskImage->GetTextureName())
        return CImageWidget::DrawSelf(gc, area);
    if (area.Width() <= 0 || area.Height() <= 0)
        return KE_OK;
    CKetrelRect corner;
    m_borderImage->GetFrameRect(0, &corner);
    f32 grid[GridVertices * FloatsPerVertex];
    if (!BuildGrid(area, gc->GetWidth(), gc->GetHeight(), corner.Width(), corner.Height(),
                   m_borderImage->GetWidth(), m_borderImage->GetHeight(), picture->GetWidth(),
                   picture->GetHeight(), grid))
        return KE_OK;

    const i32 position = m_program->GetAttributeLocation(CKetrelString("position"));
    const i32 uv = m_program->GetAttributeLocation(CKetrelString("uv"));
    if (position < 0 || uv < 0)
        return CImageWidget::DrawSelf(gc, area);
    glUseProgram(m_program->GetProgram());
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    gl->BindTexture(0, picture->GetTextureName());
    gl->BindTexture(1, m_borderImage->GetTextureName());
    gl->BindTexture(2, m_maskImage->GetTextureName());
    glUniform1i(m_program->GetUniformLocation(CKetrelString("texture01")), 0);
    glUniform1i(m_program->GetUniformLocation(CKetrelString("texture02")), 1);
    glUniform1i(m_program->GetUniformLocation(CKetrelString("texture03")), 2);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glEnableVertexAttribArray((GLuint)position);
    glEnableVertexAttribArray((GLuint)uv);
    glVertexAttribPointer((GLuint)position, 2, GL_FLOAT, GL_FALSE, FloatsPerVertex * 4, grid);
    glVertexAttribPointer((GLuint)uv, 4, GL_FLOAT, GL_FALSE, FloatsPerVertex * 4, grid + 2);
    glDrawElements(GL_TRIANGLES, IndexCount, GL_UNSIGNED_BYTE, kIndices);
    // Back to the state the renderer's own drawing expects.
    glDisableVertexAttribArray((GLuint)position);
    glDisableVertexAttribArray((GLuint)uv);
    glDisable(GL_BLEND);
    gl->BindTexture(2, 0);
    gl->BindTexture(1, 0);
    gl->BindTexture(0, 0);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glUseProgram(0);
    return KE_OK;
}
