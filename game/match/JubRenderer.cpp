#include "game/match/JubRenderer.h"

#include "engine/KetrelApplication.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "engine/graphics/KetrelSurface.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubShader.h"

#include <GLES2/gl2.h>
#include <cmath>
#include <new>

namespace
{
const f32 kHalfPi = 1.57079632679f;
const f32 kSheetRowNudge = 0.005f;   // sheet cells are sampled a little below their top

// Sprite z values: plain sprites at 0.5, sheet cells at 1.0.
const f32 kSpriteZ = 0.5f;
const f32 kFrameZ = 1.0f;
const f32 kWorldZ = 0.5f;

// Blending of a screen sprite: premultiplied when the colour is opaque.
void SpriteBlend(const CKetrelColor& colour, u32& source, u32& dest)
{
    u32 alpha = colour.GetARGB() >> 24;
    source = alpha < 255 ? GL_SRC_ALPHA : GL_ONE;
    dest = GL_ONE_MINUS_SRC_ALPHA;
}

} // namespace

CKetrelRectF CJubRenderer::SheetCell(i32 column, i32 row, i32 columns, i32 rows)
{
    if (columns < 1)
        columns = 1;
    if (rows < 1)
        rows = 1;
    column %= columns;
    if (column < 0)
        column += columns;
    f32 fc = (f32)columns, fr = (f32)rows;
    return CKetrelRectF((f32)column / fc, (f32)row / fr + kSheetRowNudge, (f32)(column + 1) / fc,
                        (f32)(row + 1) / fr + kSheetRowNudge);
}
CJubRenderer::CJubRenderer()
    : m_clock(0.0f), m_app(nullptr), m_assets(nullptr), m_fontSource(nullptr),
      m_batchVertices(nullptr), m_batchIndices(nullptr), m_batchVertexBytes(0),
      m_batchIndexBytes(0), m_batchDraws(0)
{
    for (i32 i = 0; i < JUB_SHADER_COUNT; ++i)
        m_shaders[i] = nullptr;
    for (i32 i = 0; i < JUB_FONT_SLOTS; ++i)
        m_fonts[i] = nullptr;
}

CJubRenderer::~CJubRenderer()
{
    ReleaseShaders();
    ReleaseFonts();
    delete[] m_batchVertices;
    delete[] m_batchIndices;
}

int CJubRenderer::Init(IKetrelApplication* app)
{
    m_app = app;
    IKetrelGraphicsContext* graphics = GetGraphics();
    f32 width = graphics ? (f32)graphics->GetWidth() : 0.0f;
    f32 height = graphics ? (f32)graphics->GetHeight() : 0.0f;
    m_camera.SetScreenSize(width, height);
    m_camera.SetViewOffset(CKetrelVector2(0.0f, 0.5f));
    m_camera.SetZoom(1.0f);
    m_camera.Update();
    CreateShaders();

    // One block vertex: position xyz, uv0, uv1 and the shade, 32 bytes. The buffers hold
    // a whole run of quads in that format.
    if (!m_batchVertices)
    {
        m_batchVertexBytes = JUB_BATCH_MAX_QUADS * 4 * 8 * (i32)sizeof(f32);
        m_batchIndexBytes = JUB_BATCH_MAX_QUADS * 6 * (i32)sizeof(u16);
        m_batchVertices = new (std::nothrow) u8[m_batchVertexBytes];
        m_batchIndices = new (std::nothrow) u16[JUB_BATCH_MAX_QUADS * 6];
        if (!m_batchVertices || !m_batchIndices)
        {
            delete[] m_batchVertices;
            delete[] m_batchIndices;
            m_batchVertices = nullptr;
            m_batchIndices = nullptr;
            m_batchVertexBytes = m_batchIndexBytes = 0;
            return KE_ERR_MEMORY;
        }
        for (i32 q = 0; q < JUB_BATCH_MAX_QUADS; ++q)
        {
            u16 base = (u16)(q * 4);
            u16* out = m_batchIndices + q * 6;
            out[0] = base;
            out[1] = (u16)(base + 1);
            out[2] = (u16)(base + 2);
            out[3] = base;
            out[4] = (u16)(base + 2);
            out[5] = (u16)(base + 3);
        }
    }
    return KE_OK;
}

void CJubRenderer::ReleaseShaders()
{
    for (i32 i = 0; i < JUB_SHADER_COUNT; ++i)
    {
        delete m_shaders[i];
        m_shaders[i] = nullptr;
    }
}

void CJubRenderer::CreateShaders()
{
    ReleaseShaders();
    m_shaders[JUB_SHADER_WATER] = new (std::nothrow) CJubWaterShader(m_app);
    m_shaders[JUB_SHADER_BLOCK] = new (std::nothrow) CJubBlockShader(m_app);
    m_shaders[JUB_SHADER_GLOOB] = new (std::nothrow) CJubGloobShader(m_app);
    m_shaders[JUB_SHADER_SCREEN] = new (std::nothrow) CJubScreenShader(m_app);
    m_shaders[JUB_SHADER_SCREEN_OVERLAY] = new (std::nothrow) CJubScreenOverlayShader(m_app);
    m_shaders[JUB_SHADER_WORLD] = new (std::nothrow) CJubWorldShader(m_app);
    m_shaders[JUB_SHADER_BACKGROUND] = new (std::nothrow) CJubBackgroundShader(m_app);
}

void CJubRenderer::Update(f32 dt)
{
    m_clock += dt;
    m_camera.Update();
}

IKetrelGraphicsContext* CJubRenderer::GetGraphics() const
{
    return m_app ? m_app->GetGraphicsContext() : nullptr;
}

CJubShader* CJubRenderer::GetShader(i32 index) const
{
    return (index >= 0 && index < JUB_SHADER_COUNT) ? m_shaders[index] : nullptr;
}

// ---- the common fan ----

void CJubRenderer::DrawFan(CJubShader* shader, const Vertex* fan, CKetrelSurface* texture,
                           const CKetrelColor* colour, const CKetrelMatrix4* projection,
                           u32 blendSource, u32 blendDest, u32 wrapS, u32 wrapT)
{
    if (!shader || !shader->GetProgram() || !texture || !texture->GetTextureName())
        return;
    shader->Use();
    if (projection && shader->projectionMatrix >= 0)
        glUniformMatrix4fv(shader->projectionMatrix, 1, GL_FALSE, projection->m);
    if (colour && shader->color0 >= 0)
        glUniform4f(shader->color0, colour->r, colour->g, colour->b, colour->a);

    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    // The quads are wound either way; the engine's own drawing also runs without culling.
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glBlendFunc(blendSource, blendDest);

    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture->GetTextureName());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, (GLint)wrapS);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, (GLint)wrapT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);

    const GLsizei stride = (GLsizei)sizeof(Vertex);
    if (shader->position >= 0)
    {
        glEnableVertexAttribArray((GLuint)shader->position);
        glVertexAttribPointer((GLuint)shader->position, 3, GL_FLOAT, GL_FALSE, stride, &fan[0].x);
    }
    if (shader->uv0 >= 0)
    {
        glEnableVertexAttribArray((GLuint)shader->uv0);
        glVertexAttribPointer((GLuint)shader->uv0, 2, GL_FLOAT, GL_FALSE, stride, &fan[0].u);
    }
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);

    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glBindTexture(GL_TEXTURE_2D, 0);
    if (shader->position >= 0)
        glDisableVertexAttribArray((GLuint)shader->position);
    if (shader->uv0 >= 0)
        glDisableVertexAttribArray((GLuint)shader->uv0);
}

// ---- screen sprites ----

void CJubRenderer::ScreenFan(f32 cx, f32 cy, f32 hx, f32 hy, f32 angle, f32 z,
                             const CKetrelRectF& uv, Vertex* fan) const
{
    // Corners turn in pixels (so the quad keeps its shape on a wide screen), then become
    // clip space: x / hw - 1, 1 - y / hh.
    const f32 hw = m_camera.GetScreenWidth() * 0.5f;
    const f32 hh = m_camera.GetScreenHeight() * 0.5f;
    const f32 corners[4][2] = {{-hx, -hy}, {hx, -hy}, {hx, hy}, {-hx, hy}};   // screen y down
    const f32 us[4] = {uv.left, uv.right, uv.right, uv.left};
    const f32 vs[4] = {uv.top, uv.top, uv.bottom, uv.bottom};
    const f32 c = std::cos(angle), s = std::sin(angle);
    for (int i = 0; i < 4; ++i)
    {
        f32 dx = corners[i][0], dy = corners[i][1];
        if (angle != 0.0f)
        {
            // Counter-clockwise on screen, whose y axis points down.
            f32 rx = dx * c + dy * s;
            f32 ry = -dx * s + dy * c;
            dx = rx;
            dy = ry;
        }
        fan[i].x = (cx + dx) / hw - 1.0f;
        fan[i].y = 1.0f - (cy + dy) / hh;
        fan[i].z = z;
        fan[i].u = us[i];
        fan[i].v = vs[i];
    }
}

void CJubRenderer::ScreenQuad(i32 shader, const CKetrelVector2& centre,
                              const CKetrelVector2& halfSize, CKetrelSurface* texture,
                              const CKetrelRectF& uv, f32 angle, f32 z, const CKetrelColor& colour,
                              u32 blendSource, u32 blendDest)
{
    if (m_camera.GetScreenWidth() <= 0.0f || m_camera.GetScreenHeight() <= 0.0f)
        return;
    Vertex fan[4];
    ScreenFan(centre.x, centre.y, halfSize.x, halfSize.y, angle, z, uv, fan);
    DrawFan(GetShader(shader), fan, texture, &colour, nullptr, blendSource, blendDest,
            GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE);
}

void CJubRenderer::DrawSprite(const CKetrelVector2& centre, const CKetrelVector2& halfSize,
                              CKetrelSurface* texture, const CKetrelColor& colour)
{
    u32 source, dest;
    SpriteBlend(colour, source, dest);
    ScreenQuad(JUB_SHADER_SCREEN, centre, halfSize, texture, CKetrelRectF(0.0f, 0.0f, 1.0f, 1.0f),
               0.0f, kSpriteZ, colour, source, dest);
}

void CJubRenderer::DrawSpriteFrame(const CKetrelVector2& centre, const CKetrelVector2& halfSize,
                                   CKetrelSurface* texture, i32 column, i32 row, i32 columns,
                                   i32 rows, const CKetrelColor& colour)
{
    u32 source, dest;
    SpriteBlend(colour, source, dest);
    ScreenQuad(JUB_SHADER_SCREEN, centre, halfSize, texture, SheetCell(column, row, columns, rows),
               0.0f, kFrameZ, colour, source, dest);
}

void CJubRenderer::DrawSpriteFrameRotated(const CKetrelVector2& centre,
                                          const CKetrelVector2& halfSize, CKetrelSurface* texture,
                                          i32 column, i32 row, i32 columns, i32 rows, f32 angle,
                                          const CKetrelColor& colour)
{
    u32 source, dest;
    SpriteBlend(colour, source, dest);
    ScreenQuad(JUB_SHADER_SCREEN, centre, halfSize, texture, SheetCell(column, row, columns, rows),
               angle, kFrameZ, colour, source, dest);
}

void CJubRenderer::DrawOverlaySprite(const CKetrelVector2& centre, const CKetrelVector2& halfSize,
                                     CKetrelSurface* texture, i32 column, i32 row, i32 columns,
                                     i32 rows, const CKetrelColor& colour, i32 multiply)
{
    u32 source, dest;
    if (multiply)
    {
        source = GL_DST_COLOR;
        dest = GL_SRC_COLOR;
    }
    else
        SpriteBlend(colour, source, dest);
    ScreenQuad(JUB_SHADER_SCREEN_OVERLAY, centre, halfSize, texture,
               SheetCell(column, row, columns, rows), 0.0f, kFrameZ, colour, source, dest);
}

void CJubRenderer::DrawParticle(const CKetrelVector2& centre, const CKetrelVector2& halfSize,
                                CKetrelSurface* texture, f32 angle, const CKetrelColor& colour)
{
    ScreenQuad(JUB_SHADER_SCREEN, centre, halfSize, texture, CKetrelRectF(0.0f, 0.0f, 1.0f, 1.0f),
               -kHalfPi - angle, kSpriteZ, colour, GL_SRC_ALPHA, GL_ONE);
}

// ---- world quads ----

void CJubRenderer::DrawWorldSprite(i32 shader, const CKetrelVector2& centre,
                                   const CKetrelVector2& halfSize, CKetrelSurface* texture,
                                   const CKetrelColor& colour, const CKetrelRectF* uv)
{
    const CKetrelVector2 corners[4] = {
        CKetrelVector2(centre.x - halfSize.x, centre.y + halfSize.y),
        CKetrelVector2(centre.x + halfSize.x, centre.y + halfSize.y),
        CKetrelVector2(centre.x + halfSize.x, centre.y - halfSize.y),
        CKetrelVector2(centre.x - halfSize.x, centre.y - halfSize.y)};
    if (shader != JUB_SHADER_GLOOB && shader != JUB_SHADER_WORLD)
        return;
    CKetrelRectF whole(0.0f, 0.0f, 1.0f, 1.0f);
    const CKetrelRectF& t = uv ? *uv : whole;
    Vertex fan[4] = {{corners[0].x, corners[0].y, kWorldZ, t.left, t.top},
                     {corners[1].x, corners[1].y, kWorldZ, t.right, t.top},
                     {corners[2].x, corners[2].y, kWorldZ, t.right, t.bottom},
                     {corners[3].x, corners[3].y, kWorldZ, t.left, t.bottom}};
    DrawFan(GetShader(shader), fan, texture, &colour, &m_camera.GetViewMatrix(), GL_ONE,
            GL_ONE_MINUS_SRC_ALPHA, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE);
}

void CJubRenderer::DrawCreatureQuad(const CKetrelVector2* corners, CKetrelSurface* texture,
                                    const CKetrelColor& colour, const CKetrelRectF* uv)
{
    if (!corners)
        return;
    CKetrelRectF whole(0.0f, 0.0f, 1.0f, 1.0f);
    const CKetrelRectF& t = uv ? *uv : whole;
    Vertex fan[4] = {{corners[0].x, corners[0].y, kWorldZ, t.left, t.top},
                     {corners[1].x, corners[1].y, kWorldZ, t.right, t.top},
                     {corners[2].x, corners[2].y, kWorldZ, t.right, t.bottom},
                     {corners[3].x, corners[3].y, kWorldZ, t.left, t.bottom}};
    DrawFan(GetShader(JUB_SHADER_GLOOB), fan, texture, &colour, &m_camera.GetViewMatrix(), GL_ONE,
            GL_ONE_MINUS_SRC_ALPHA, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE);
}

void CJubRenderer::DrawBackground(const CKetrelVector2& centre, const CKetrelVector2& halfSize,
                                  CKetrelSurface* texture, const CKetrelColor& colour, i32 opaque,
                                  const CKetrelMatrix4* projection)
{
    Vertex fan[4] = {{centre.x - halfSize.x, centre.y + halfSize.y, kWorldZ, 0.0f, 0.0f},
                     {centre.x + halfSize.x, centre.y + halfSize.y, kWorldZ, 1.0f, 0.0f},
                     {centre.x + halfSize.x, centre.y - halfSize.y, kWorldZ, 1.0f, 1.0f},
                     {centre.x - halfSize.x, centre.y - halfSize.y, kWorldZ, 0.0f, 1.0f}};
    DrawFan(GetShader(JUB_SHADER_BACKGROUND), fan, texture, &colour,
            projection ? projection : &m_camera.GetViewMatrix(), GL_ONE,
            opaque ? GL_ZERO : GL_ONE_MINUS_SRC_ALPHA, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE);
}

// ---- water ----

void CJubRenderer::DrawWater(i32 editor)
{
    CJubShader* shader = GetShader(JUB_SHADER_WATER);
    CKetrelSurface* waves = m_assets ? m_assets->GetImage(JUB_IMAGE_WAVES) : nullptr;
    if (!shader || !shader->GetProgram() || !waves || !waves->GetTextureName())
        return;
    CKetrelSurface* base = m_assets->GetImage(JUB_IMAGE_WATER_BASE);

    const f32 t = m_clock;
    const f32 ax = 0.03f * std::cos(2.0f * t + 1.4f);
    const f32 ay = -0.005f + 0.01f * std::sin(2.0f * t + 1.4f);
    const f32 bx = 0.04f * std::cos(2.0f * t);
    const f32 by = -0.025f + 0.01f * std::sin(2.0f * t);
    const f32 width = m_camera.GetScreenWidth();
    const f32 r = width > 0.0f ? m_camera.GetScreenHeight() / width : 0.0f;
    const f32 z = 1.0f;

    // Bottom left, bottom right, top right, top left.
    const Vertex fans[3][4] = {
        {{ax - 6.75f, ay - 0.05f, z, 0.0f, 0.98f},
         {ax + 6.75f, ay - 0.05f, z, 40.0f, 0.98f},
         {ax + 6.75f, ay + 0.05f, z, 40.0f, 0.53f},
         {ax - 6.75f, ay + 0.05f, z, 0.0f, 0.53f}},
        {{bx - 6.75f, by - 0.05f, z, 0.0f, 0.48f},
         {bx + 6.75f, by - 0.05f, z, 40.0f, 0.48f},
         {bx + 6.75f, by + 0.05f, z, 40.0f, 0.02f},
         {bx - 6.75f, by + 0.05f, z, 0.0f, 0.02f}},
        {{ax - 6.75f, -3.3333333f * r, z, 0.0f, 1.0f},
         {ax + 6.75f, -3.3333333f * r, z, 1.0f, 1.0f},
         {ax + 6.75f, by - 0.05f, z, 1.0f, 0.0f},
         {ax - 6.75f, by - 0.05f, z, 0.0f, 0.0f}}};

    const u32 dest = editor ? GL_ONE_MINUS_SRC_COLOR : GL_ONE_MINUS_SRC_ALPHA;
    const CKetrelMatrix4* view = &m_camera.GetViewMatrix();
    DrawFan(shader, fans[0], waves, nullptr, view, GL_ONE, dest, GL_REPEAT, GL_REPEAT);
    DrawFan(shader, fans[1], waves, nullptr, view, GL_ONE, dest, GL_REPEAT, GL_REPEAT);
    DrawFan(shader, fans[2], base, nullptr, view, GL_ONE, dest, GL_REPEAT, GL_CLAMP_TO_EDGE);
}
