// Block batches: quads written into the renderer's client-side buffers and drawn with
// glDrawElements, a run of at most JUB_BATCH_MAX_QUADS quads at a time.
#include "game/match/JubRenderer.h"

#include "engine/graphics/KetrelSurface.h"
#include "game/match/JubShader.h"

#include <GLES2/gl2.h>

namespace
{
// Position xyz, the shape's uv, the surface's uv and the shade: 32 bytes.
struct BlockVertex
{
    f32 x, y, z;
    f32 u0, v0;
    f32 u1, v1;
    f32 shade;
};
static_assert(sizeof(BlockVertex) == 32, "the batch buffers are sized for 32-byte vertices");

const f32 kBlockZ = 0.5f;
// The surface texture repeats every 0.4 world units, so neighbouring blocks join up.
const f32 kSurfaceRepeat = 2.5f;

void EnableArray(i32 location, i32 size, const f32* first)
{
    if (location < 0)
        return;
    glEnableVertexAttribArray((GLuint)location);
    glVertexAttribPointer((GLuint)location, size, GL_FLOAT, GL_FALSE, (GLsizei)sizeof(BlockVertex),
                          first);
}

void DisableArray(i32 location)
{
    if (location >= 0)
        glDisableVertexAttribArray((GLuint)location);
}

void BindUnit(u32 unit, const CKetrelSurface* texture, GLint wrap)
{
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(GL_TEXTURE_2D, texture->GetTextureName());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
}

void BeginState()
{
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
}

void EndState(const CJubShader* shader)
{
    glDisable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
    DisableArray(shader->position);
    DisableArray(shader->uv0);
    DisableArray(shader->uv1);
    DisableArray(shader->shade);
}
} // namespace

void CJubRenderer::DrawBatchRuns(CJubShader* shader, const CJubBlockQuad* quads, i32 count,
                                 f32 grow)
{
    BlockVertex* vertices = reinterpret_cast<BlockVertex*>(m_batchVertices);
    const i32 capacity = m_batchVertexBytes / (i32)(4 * sizeof(BlockVertex));
    EnableArray(shader->position, 3, &vertices[0].x);
    EnableArray(shader->uv0, 2, &vertices[0].u0);
    EnableArray(shader->uv1, 2, &vertices[0].u1);
    EnableArray(shader->shade, 1, &vertices[0].shade);

    for (i32 first = 0; first < count; first += capacity)
    {
        i32 run = count - first < capacity ? count - first : capacity;
        for (i32 q = 0; q < run; ++q)
        {
            const CJubBlockQuad& quad = quads[first + q];
            const f32 left = quad.centre.x - quad.halfSize.x - grow;
            const f32 right = quad.centre.x + quad.halfSize.x + grow;
            const f32 bottom = quad.centre.y - quad.halfSize.y - grow;
            const f32 top = quad.centre.y + quad.halfSize.y + grow;
            // Bottom left, bottom right, top right, top left; the shape is painted top down.
            const f32 xs[4] = {left, right, right, left};
            const f32 ys[4] = {bottom, bottom, top, top};
            const f32 us[4] = {0.0f, 1.0f, 1.0f, 0.0f};
            const f32 vs[4] = {1.0f, 1.0f, 0.0f, 0.0f};
            BlockVertex* out = vertices + q * 4;
            for (int i = 0; i < 4; ++i)
            {
                out[i].x = xs[i];
                out[i].y = ys[i];
                out[i].z = kBlockZ;
                out[i].u0 = us[i];
                out[i].v0 = vs[i];
                out[i].u1 = xs[i] * kSurfaceRepeat;
                out[i].v1 = -ys[i] * kSurfaceRepeat;
                out[i].shade = quad.shade;
            }
        }
        glDrawElements(GL_TRIANGLES, run * 6, GL_UNSIGNED_SHORT, m_batchIndices);
        ++m_batchDraws;
    }
}

void CJubRenderer::DrawBlockBatch(const CJubBlockQuad* quads, i32 count, CKetrelSurface* shape,
                                  CKetrelSurface* surface)
{
    CJubShader* shader = GetShader(JUB_SHADER_BLOCK);
    if (!quads || count <= 0 || !shader || !shader->GetProgram() || !m_batchVertices || !shape ||
        !surface || !shape->GetTextureName() || !surface->GetTextureName())
        return;
    shader->Use();
    if (shader->projectionMatrix >= 0)
        glUniformMatrix4fv(shader->projectionMatrix, 1, GL_FALSE, m_camera.GetViewMatrix().m);
    BeginState();
    // Premultiplied blending over what is drawn already.
    glBlendEquation(GL_FUNC_ADD);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    BindUnit(1, surface, GL_REPEAT);
    BindUnit(0, shape, GL_CLAMP_TO_EDGE);
    DrawBatchRuns(shader, quads, count, 0.0f);
    EndState(shader);
}

void CJubRenderer::DrawBlockOutlines(const CJubBlockQuad* quads, i32 count,
                                     CKetrelSurface* texture, const CKetrelColor& colour,
                                     f32 margin)
{
    CJubShader* shader = GetShader(JUB_SHADER_WORLD);
    if (!quads || count <= 0 || !shader || !shader->GetProgram() || !m_batchVertices ||
        !texture || !texture->GetTextureName())
        return;
    shader->Use();
    if (shader->projectionMatrix >= 0)
        glUniformMatrix4fv(shader->projectionMatrix, 1, GL_FALSE, m_camera.GetViewMatrix().m);
    if (shader->color0 >= 0)
        glUniform4f(shader->color0, colour.r, colour.g, colour.b, colour.a);
    BeginState();
    // target colour - source x target alpha; the target's alpha stays.
    glBlendEquation(GL_FUNC_REVERSE_SUBTRACT);
    glBlendFuncSeparate(GL_DST_ALPHA, GL_ONE, GL_ZERO, GL_ONE);
    BindUnit(0, texture, GL_CLAMP_TO_EDGE);
    DrawBatchRuns(shader, quads, count, margin);
    EndState(shader);
}
