// Frame time of drawing a whole sample level through the game renderer (sky gradient,
// background layers, blocks in batches with outlines, creatures, water) on a private Xvfb
// with Mesa's software GLES2, against a bare loop that draws the same quads from vertex
// arrays made once, with each program's state set once per frame and nothing put back.
// Also counts the GL state and draw calls of each frame (through linker wrappers).
//
//   BENCH level_frame ratio=<bare frame time / renderer frame time>
#include "BenchWindow.h"
#include "engine/KetrelApplication.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelGraphicsExt_GLES2.h"
#include "engine/graphics/KetrelSurface.h"
#include "framework/BrixResourceManager.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubBlock.h"
#include "game/match/JubPhysicsBody.h"
#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubRenderer.h"
#include "game/match/JubScene.h"
#include "game/match/JubShader.h"

#include <GLES2/gl2.h>
#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

// ---- GL call counting: every call below goes through these wrappers (-Wl,--wrap) ----
static long g_glCalls = 0;
#define KETREL_WRAP(ret, name, params, args)                                                     \
    extern "C" ret __real_##name params;                                                         \
    extern "C" ret __wrap_##name params                                                          \
    {                                                                                            \
        ++g_glCalls;                                                                             \
        return __real_##name args;                                                               \
    }
KETREL_WRAP(void, glDrawArrays, (GLenum m, GLint f, GLsizei c), (m, f, c))
KETREL_WRAP(void, glDrawElements, (GLenum m, GLsizei c, GLenum t, const void* i), (m, c, t, i))
KETREL_WRAP(void, glUseProgram, (GLuint p), (p))
KETREL_WRAP(void, glBindTexture, (GLenum t, GLuint n), (t, n))
KETREL_WRAP(void, glActiveTexture, (GLenum t), (t))
KETREL_WRAP(void, glEnable, (GLenum c), (c))
KETREL_WRAP(void, glDisable, (GLenum c), (c))
KETREL_WRAP(void, glBlendFunc, (GLenum s, GLenum d), (s, d))
KETREL_WRAP(void, glBlendFuncSeparate, (GLenum a, GLenum b, GLenum c, GLenum d), (a, b, c, d))
KETREL_WRAP(void, glBlendEquation, (GLenum m), (m))
KETREL_WRAP(void, glDepthMask, (GLboolean f), (f))
KETREL_WRAP(void, glTexParameteri, (GLenum t, GLenum p, GLint v), (t, p, v))
KETREL_WRAP(void, glBindBuffer, (GLenum t, GLuint b), (t, b))
KETREL_WRAP(void, glUniform4f, (GLint l, GLfloat a, GLfloat b, GLfloat c, GLfloat d),
            (l, a, b, c, d))
KETREL_WRAP(void, glUniformMatrix4fv, (GLint l, GLsizei c, GLboolean t, const GLfloat* v),
            (l, c, t, v))
KETREL_WRAP(void, glEnableVertexAttribArray, (GLuint i), (i))
KETREL_WRAP(void, glDisableVertexAttribArray, (GLuint i), (i))
KETREL_WRAP(void, glVertexAttribPointer,
            (GLuint i, GLint s, GLenum t, GLboolean n, GLsizei st, const void* p),
            (i, s, t, n, st, p))

namespace
{
using bench::NowUs;
using bench::StartXvfb;
const int kFramesPerRound = 30, kRounds = 5;



class PackImages : public CJubAssetSource
{
public:
    explicit PackImages(CBrixResourceManager* r) : m_r(r) {}
    CKetrelSurface* GetImage(const CKetrelString& name) override { return m_r->GetImage(name); }
    int ReleaseImage(CKetrelSurface** image) override { return m_r->ReleaseImage(image); }
    IKetrelSoundSource* GetSound(const CKetrelString&) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource**) override { return 1; }
    i32 ReadResource(const CKetrelString& name, u8** data) override
    {
        return m_r->ReadResource(name, data);
    }

private:
    CBrixResourceManager* m_r;
};

std::string AssetFolder()
{
    char path[PATH_MAX] = {0};
    ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    std::string exe(path, n > 0 ? (size_t)n : 0);
    return exe.substr(0, exe.rfind('/')) + "/../main/";
}

struct Level
{
    CJubRenderer* renderer;
    CKetrelGraphicsExt_GLES2* gl;
    CJubAssetCache* cache;
    CJubScene* scene;
};

void RendererFrame(Level& l)
{
    CKetrelColor white;
    white.Set(1, 1, 1, 1);
    l.gl->FillGradient(0xFF7FB2E5, 0xFF7FB2E5, 0xFFE0F0FF, 0xFFE0F0FF, nullptr);
    l.renderer->DrawBackground(CKetrelVector2(0.0f, 1.6f), CKetrelVector2(6.4f, 1.6f),
                               l.cache->GetImage(3), white, 0);
    for (int i = -1; i <= 1; ++i)
        l.renderer->DrawBackground(CKetrelVector2(4.2f * (f32)i, 0.8f), CKetrelVector2(2.1f, 1.05f),
                                   l.cache->GetImage(2), white, 0);
    l.scene->RenderBlocks(*l.renderer, 1);
    l.scene->RenderCreatures(*l.renderer, 0);
    l.renderer->DrawWater(0);
}

// ---- the bare loop: the same quads, made once ----

struct BareVertex
{
    f32 x, y, z, u0, v0, u1, v1, shade;
};

struct BareDraw
{
    GLuint texture0, texture1;
    int first, count;      // quads
};

struct Bare
{
    std::vector<BareVertex> vertices;
    std::vector<u16> indices;
    std::vector<BareDraw> blockDraws;   // block shader
    std::vector<BareDraw> plainDraws;   // world shader: backgrounds, creatures, water
};

void AddQuad(Bare& b, f32 l, f32 bottom, f32 r, f32 top, f32 ul, f32 vt, f32 ur, f32 vb, f32 shade)
{
    const f32 xs[4] = {l, r, r, l}, ys[4] = {bottom, bottom, top, top};
    const f32 us[4] = {ul, ur, ur, ul}, vs[4] = {vb, vb, vt, vt};
    u16 base = (u16)b.vertices.size();
    for (int i = 0; i < 4; ++i)
        b.vertices.push_back({xs[i], ys[i], 0.5f, us[i], vs[i], xs[i] * 2.5f, -ys[i] * 2.5f, shade});
    const u16 idx[6] = {0, 1, 2, 0, 2, 3};
    for (u16 i : idx)
        b.indices.push_back((u16)(base + i));
}

void AddPlain(Bare& b, GLuint texture, f32 l, f32 bottom, f32 r, f32 top, f32 ul, f32 vt, f32 ur,
              f32 vb)
{
    int first = (int)b.vertices.size() / 4;
    AddQuad(b, l, bottom, r, top, ul, vt, ur, vb, 1.0f);
    b.plainDraws.push_back({texture, 0, first, 1});
}

Bare BuildBare(Level& l)
{
    Bare b;
    CJubAssetCache& c = *l.cache;
    AddPlain(b, c.GetImage(3)->GetTextureName(), -6.4f, 0.0f, 6.4f, 3.2f, 0, 0, 1, 1);
    for (int i = -1; i <= 1; ++i)
        AddPlain(b, c.GetImage(2)->GetTextureName(), 4.2f * i - 2.1f, -0.25f, 4.2f * i + 2.1f, 1.85f,
                 0, 0, 1, 1);
    // Blocks grouped by layer, material and flags, in the renderer's order.
    CJubBlockSet* blocks = l.scene->GetBlocks();
    for (int layer = 0; layer < 4; ++layer)
        for (int material = 0; material < 4; ++material)
            for (int flags = 0; flags < 4; ++flags)
            {
                int first = (int)b.vertices.size() / 4, count = 0;
                for (int i = 0; i < blocks->GetCount(); ++i)
                {
                    CJubBlock* k = blocks->GetBlock(i);
                    if (k->layer != layer || k->material != material || k->flags != flags)
                        continue;
                    CKetrelVector2 p = k->body->GetPosition(), h = k->body->GetHalfSize();
                    AddQuad(b, p.x - h.x, p.y - h.y, p.x + h.x, p.y + h.y, 0, 0, 1, 1, 1.0f);
                    ++count;
                }
                if (count)
                {
                    int variant = layer == 1 ? 0 : (layer == 2 ? 1 : 2);
                    b.blockDraws.push_back({c.GetImage(28 + flags)->GetTextureName(),
                                            c.GetImage(32 + material * 3 + variant)->GetTextureName(),
                                            first, count});
                }
            }
    for (int p = 0; p < 2; ++p)
    {
        CJubPhysicsBody* body = l.scene->GetPlayer(p).body;
        CKetrelVector2 at = body->GetPosition(), h = body->GetHalfSize();
        AddPlain(b, c.GetImage(4 + p)->GetTextureName(), at.x - 1.75f * h.x, at.y - 1.75f * h.y,
                 at.x + 1.75f * h.x, at.y + 1.75f * h.y, 0, 0, 0.125f, 0.1f);
    }
    AddPlain(b, c.GetImage(45)->GetTextureName(), -6.75f, -0.05f, 6.75f, 0.05f, 0, 0.53f, 40, 0.98f);
    AddPlain(b, c.GetImage(45)->GetTextureName(), -6.75f, -0.07f, 6.75f, 0.03f, 0, 0.02f, 40, 0.48f);
    AddPlain(b, c.GetImage(44)->GetTextureName(), -6.75f, -2.0f, 6.75f, -0.07f, 0, 0, 1, 1);
    return b;
}

void BareFrame(Level& l, const Bare& b)
{
    l.gl->FillGradient(0xFF7FB2E5, 0xFF7FB2E5, 0xFFE0F0FF, 0xFFE0F0FF, nullptr);
    const f32* view = l.renderer->GetCamera().GetViewMatrix().m;
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    const GLsizei stride = (GLsizei)sizeof(BareVertex);

    CJubShader* world = l.renderer->GetShader(JUB_SHADER_WORLD);
    world->Use();
    glUniformMatrix4fv(world->projectionMatrix, 1, GL_FALSE, view);
    glUniform4f(world->color0, 1, 1, 1, 1);
    glEnableVertexAttribArray((GLuint)world->position);
    glEnableVertexAttribArray((GLuint)world->uv0);
    glVertexAttribPointer((GLuint)world->position, 3, GL_FLOAT, GL_FALSE, stride, &b.vertices[0].x);
    glVertexAttribPointer((GLuint)world->uv0, 2, GL_FLOAT, GL_FALSE, stride, &b.vertices[0].u0);
    // Backgrounds first (the first four plain draws), then the blocks, then the rest.
    glActiveTexture(GL_TEXTURE0);
    for (size_t i = 0; i < 4; ++i)
    {
        glBindTexture(GL_TEXTURE_2D, b.plainDraws[i].texture0);
        glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, &b.indices[b.plainDraws[i].first * 6]);
    }
    CJubShader* block = l.renderer->GetShader(JUB_SHADER_BLOCK);
    block->Use();
    glUniformMatrix4fv(block->projectionMatrix, 1, GL_FALSE, view);
    glEnableVertexAttribArray((GLuint)block->uv1);
    glEnableVertexAttribArray((GLuint)block->shade);
    glVertexAttribPointer((GLuint)block->position, 3, GL_FLOAT, GL_FALSE, stride, &b.vertices[0].x);
    glVertexAttribPointer((GLuint)block->uv0, 2, GL_FLOAT, GL_FALSE, stride, &b.vertices[0].u0);
    glVertexAttribPointer((GLuint)block->uv1, 2, GL_FLOAT, GL_FALSE, stride, &b.vertices[0].u1);
    glVertexAttribPointer((GLuint)block->shade, 1, GL_FLOAT, GL_FALSE, stride, &b.vertices[0].shade);
    for (const BareDraw& d : b.blockDraws)
    {
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, d.texture1);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, d.texture0);
        glDrawElements(GL_TRIANGLES, d.count * 6, GL_UNSIGNED_SHORT, &b.indices[d.first * 6]);
    }
    glDisableVertexAttribArray((GLuint)block->uv1);
    glDisableVertexAttribArray((GLuint)block->shade);
    world->Use();
    glVertexAttribPointer((GLuint)world->position, 3, GL_FLOAT, GL_FALSE, stride, &b.vertices[0].x);
    glVertexAttribPointer((GLuint)world->uv0, 2, GL_FLOAT, GL_FALSE, stride, &b.vertices[0].u0);
    for (size_t i = 4; i < b.plainDraws.size(); ++i)
    {
        glBindTexture(GL_TEXTURE_2D, b.plainDraws[i].texture0);
        glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, &b.indices[b.plainDraws[i].first * 6]);
    }
    glDisableVertexAttribArray((GLuint)world->position);
    glDisableVertexAttribArray((GLuint)world->uv0);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
}

template <class F>
void Measure(F frame, double& bestUs, long& calls)
{
    bestUs = 1e30;
    for (int round = 0; round < kRounds; ++round)
    {
        long before = g_glCalls;
        glFinish();
        double t0 = NowUs();
        for (int i = 0; i < kFramesPerRound; ++i)
            frame();
        glFinish();
        double us = (NowUs() - t0) / kFramesPerRound;
        bestUs = std::min(bestUs, us);
        calls = (g_glCalls - before) / kFramesPerRound;
    }
}
} // namespace

int main()
{
    pid_t server = StartXvfb();
    if (server <= 0)
    {
        fprintf(stderr, "Xvfb could not be started\n");
        return 1;
    }
    int status = 1;
    {
        bench::BenchApplication app;
        CKetrelGraphicsExt_GLES2* gl = bench::OpenWindow(app);
        if (!gl)
            fprintf(stderr, "no OpenGL ES 2.0 window\n");
        else
        {
            const std::string assets = AssetFolder();
            CBrixResourceManager resources;
            resources.Init(&app, nullptr);
            for (const char* pack : {"dataPlayers.vad", "dataEffects.vad", "dataTextures.vad"})
                resources.AddMediaPack(CKetrelString((assets + pack).c_str()), 1, 0);
            PackImages images(&resources);
            CJubAssetCache cache;
            cache.SetSource(&images);
            {
                CJubRenderer renderer;
                renderer.Init(&app);
                renderer.SetAssets(&cache);
                CJubPhysicsWorld world;
                world.SetStep(1.0f / 30.0f, 4);
                CJubScene scene;
                scene.Init(nullptr, &renderer.GetCamera(), &world, 0);
                const char* name = "Cave_In.scn";
                bool ready = scene.Load(CKetrelString((assets + name).c_str())) == KE_OK &&
                             cache.GetImage(2) && cache.GetImage(45) && cache.GetImage(44);
                for (int i = 28; ready && i < 44; ++i)
                    ready = cache.GetImage(i) != nullptr;
                if (!ready)
                    fprintf(stderr, "the sample level or its pictures are missing in %s\n",
                            assets.c_str());
                else
                {
                    for (int i = 0; i < 60; ++i)
                    {
                        world.SavePreviousPositions();
                        world.Step();
                    }
                    world.SavePreviousPositions();
                    CJubCamera& camera = renderer.GetCamera();
                    camera.SetViewOffset(CKetrelVector2(0.0f, 1.0f));
                    camera.SetZoom(0.33f);
                    camera.SetZoomTarget(0.33f);
                    camera.Update();
                    Level level = {&renderer, gl, &cache, &scene};
                    Bare bare = BuildBare(level);
                    double ours = 0, yard = 0;
                    long ourCalls = 0, yardCalls = 0;
                    Measure([&] { RendererFrame(level); }, ours, ourCalls);
                    Measure([&] { BareFrame(level, bare); }, yard, yardCalls);
                    printf("level %s: %d blocks, %d batches, 800 x 480 on Xvfb (llvmpipe)\n", name,
                           scene.GetBlocks()->GetCount(), scene.GetBlockBatchCount());
                    printf("%-34s %12s %14s\n", "", "us / frame", "GL calls / frame");
                    printf("%-34s %12.1f %14ld\n", "renderer (state set and restored)", ours,
                           ourCalls);
                    printf("%-34s %12.1f %14ld\n", "bare loop (arrays made once)", yard,
                           yardCalls);
                    printf("BENCH level_frame ratio=%.3f\n", yard / ours);
                    status = 0;
                }
            }
            cache.SetSource(nullptr);
        }
    }
    bench::StopXvfb(server);
    return status;
}
