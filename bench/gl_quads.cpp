// bench/gl_quads.cpp: frames per second drawing 500 blended 32 x 32 textured
// quads per 800 x 480 frame on a private Xvfb (Mesa's software GLES2), through
// the engine's OpenGL ES renderer (CKetrelGraphicsExt_GLES2::Blit with
// KE_BLT_ALPHA) against a bare EGL/GLES2 loop that draws the same quads with
// one program, one texture and one draw call per quad from client memory.
#include "BenchEgl.h"
#include "BenchWindow.h"
#include "engine/KetrelApplication.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelGraphicsExt_GLES2.h"
#include "engine/graphics/KetrelSurface.h"

#include <EGL/egl.h>
#include <GLES2/gl2.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace
{
using bench::NowUs;
using bench::StartXvfb;
const int kWidth = 800, kHeight = 480, kQuads = 500, kSize = 32;
const int kFramesPerRound = 40, kRounds = 7;



// The sprite: a premultiplied disc with soft edges, RGBA bytes.
std::vector<unsigned char> Sprite()
{
    std::vector<unsigned char> rgba(kSize * kSize * 4);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
        {
            float dx = (float)x - 15.5f, dy = (float)y - 15.5f;
            float d = 16.0f - __builtin_sqrtf(dx * dx + dy * dy);
            int a = d <= 0 ? 0 : (d >= 2 ? 255 : (int)(d * 127.5f));
            unsigned char* p = &rgba[(size_t)(y * kSize + x) * 4];
            p[0] = (unsigned char)(200 * a / 255);
            p[1] = (unsigned char)((x * 8) * a / 255);
            p[2] = (unsigned char)((y * 8) * a / 255);
            p[3] = (unsigned char)a;
        }
    return rgba;
}

struct Positions
{
    int x[kQuads], y[kQuads];
    Positions()
    {
        unsigned s = 12345;
        for (int i = 0; i < kQuads; ++i)
        {
            s = s * 1103515245u + 12345u;
            x[i] = (int)((s >> 8) % (kWidth - kSize));
            s = s * 1103515245u + 12345u;
            y[i] = (int)((s >> 8) % (kHeight - kSize));
        }
    }
};

// ---- ours -------------------------------------------------------------------
struct Ours
{
    bench::BenchApplication app;
    CKetrelGraphicsExt_GLES2* gl = nullptr;
    CKetrelSurface sprite;
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLSurface surface = EGL_NO_SURFACE;
    EGLContext context = EGL_NO_CONTEXT;

    bool Open()
    {
        gl = bench::OpenWindow(app);
        if (!gl)
            return false;
        display = eglGetCurrentDisplay();
        surface = eglGetCurrentSurface(EGL_DRAW);
        context = eglGetCurrentContext();
        CKetrelSurfaceDesc desc = {};
        desc.width = kSize;
        desc.height = kSize;
        desc.pixelFormat = KE_PF_ABGR8888;
        if (sprite.Create(&app, &desc) != KE_OK)
            return false;
        std::vector<unsigned char> rgba = Sprite();
        memcpy(sprite.Lock(nullptr, 1), rgba.data(), rgba.size());
        return sprite.CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 0) == KE_OK;
    }
    double Round(const Positions& pos)
    {
        eglMakeCurrent(display, surface, surface, context);
        double start = NowUs();
        for (int f = 0; f < kFramesPerRound; ++f)
        {
            gl->FillRect(0xFF101820, nullptr);
            for (int i = 0; i < kQuads; ++i)
                gl->Blit(pos.x[i], pos.y[i], &sprite, nullptr, KE_BLT_ALPHA);
            gl->Present();
        }
        glFinish();
        return kFramesPerRound * 1e6 / (NowUs() - start);
    }
    void Close()
    {
        eglMakeCurrent(display, surface, surface, context);
        sprite.Release();
        app.Close();
    }
};

// ---- bare EGL/GLES2 ------------------------------------------------------------
struct Bare
{
    Display* x = nullptr;
    Window window = 0;
    bench::EglWindow egl;
    GLuint program = 0, texture = 0;
    GLint position = -1, uv = -1;
    float vertices[20];

    bool Open()
    {
        x = XOpenDisplay(nullptr);
        if (!x)
            return false;
        Window root = DefaultRootWindow(x);
        window = XCreateSimpleWindow(x, root, 0, 0, kWidth, kHeight, 0, 0, 0);
        XMapWindow(x, window);
        XSync(x, False);
        if (!egl.Open(x, window))
            return false;

        const char* vs = "precision mediump float; attribute vec3 position; attribute vec2 uv;"
                         "varying vec2 v_uv; void main() { v_uv = uv; gl_Position = vec4(position, 1.0); }";
        const char* fs = "precision mediump float; uniform sampler2D texture01; varying vec2 v_uv;"
                         "void main() { gl_FragColor = texture2D(texture01, v_uv); }";
        GLuint v = glCreateShader(GL_VERTEX_SHADER), f = glCreateShader(GL_FRAGMENT_SHADER);
        glShaderSource(v, 1, &vs, nullptr);
        glShaderSource(f, 1, &fs, nullptr);
        glCompileShader(v);
        glCompileShader(f);
        program = glCreateProgram();
        glAttachShader(program, v);
        glAttachShader(program, f);
        glLinkProgram(program);
        GLint linked = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        if (!linked)
            return false;
        glUseProgram(program);
        position = glGetAttribLocation(program, "position");
        uv = glGetAttribLocation(program, "uv");
        glUniform1i(glGetUniformLocation(program, "texture01"), 0);
        std::vector<unsigned char> rgba = Sprite();
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kSize, kSize, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glViewport(0, 0, kWidth, kHeight);
        return true;
    }
    double Round(const Positions& pos)
    {
        eglMakeCurrent(egl.display, egl.surface, egl.surface, egl.context);
        glUseProgram(program);
        glBindTexture(GL_TEXTURE_2D, texture);
        glEnableVertexAttribArray((GLuint)position);
        glEnableVertexAttribArray((GLuint)uv);
        glVertexAttribPointer((GLuint)position, 3, GL_FLOAT, GL_FALSE, 20, vertices);
        glVertexAttribPointer((GLuint)uv, 2, GL_FLOAT, GL_FALSE, 20, vertices + 3);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        const float sx = 2.0f / kWidth, sy = 2.0f / kHeight;
        double start = NowUs();
        for (int fr = 0; fr < kFramesPerRound; ++fr)
        {
            glClearColor(0x10 / 255.0f, 0x18 / 255.0f, 0x20 / 255.0f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            for (int i = 0; i < kQuads; ++i)
            {
                float l = pos.x[i] * sx - 1.0f, t = 1.0f - pos.y[i] * sy;
                float r = l + kSize * sx, b = t - kSize * sy;
                const float quad[20] = {l, t, 0, 0, 0, l, b, 0, 0, 1, r, b, 0, 1, 1, r, t, 0, 1, 0};
                memcpy(vertices, quad, sizeof(quad));
                glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
            }
            eglSwapBuffers(egl.display, egl.surface);
        }
        glFinish();
        return kFramesPerRound * 1e6 / (NowUs() - start);
    }
    void Close()
    {
        egl.Close();
        if (x)
            XCloseDisplay(x);
    }
};

} // namespace

int main()
{
    pid_t server = StartXvfb();
    if (server < 0)
    {
        fprintf(stderr, "Xvfb could not be started\n");
        return 1;
    }
    int result = 0;
    {
        Positions pos;
        Ours ours;
        Bare bare;
        if (!ours.Open() || !bare.Open())
        {
            fprintf(stderr, "OpenGL ES 2.0 could not be set up on the private X server\n");
            result = 1;
        }
        else
        {
            // Warm both, then alternate rounds so that both see the same machine.
            ours.Round(pos);
            bare.Round(pos);
            std::vector<double> oursFps, bareFps;
            for (int r = 0; r < kRounds; ++r)
            {
                oursFps.push_back(ours.Round(pos));
                bareFps.push_back(bare.Round(pos));
            }
            double o = bench::Median(oursFps), b = bench::Median(bareFps);
            printf("%-44s %12s %12s\n", "800x480, 500 blended 32x32 quads per frame", "engine",
                   "bare GLES2");
            printf("%-44s %12.1f %12.1f\n", "frames per second (median of 7 rounds)", o, b);
            printf("%-44s %12.1f %12.1f\n", "microseconds per quad", 1e6 / (o * kQuads),
                   1e6 / (b * kQuads));
            printf("BENCH gl_quads ratio=%.3f\n", o / b);
        }
        bare.Close();
        ours.Close();
    }
    bench::StopXvfb(server);
    return result;
}
