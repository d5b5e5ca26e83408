// Software blits on an 800 x 480 frame in format 7 (bytes R, G, B, A):
//   plain blit        against memcpy of the frame,
//   colour-key blit   against memcpy of the frame,
//   alpha blend       against pixman's OVER (a8b8g8r8 onto a8b8g8r8), each
//                     after restoring the background (one frame copy),
// with sprite-like alpha: opaque bodies, clear surroundings and soft edges.
#include "engine/graphics/KetrelSurface.h"

#include <pixman.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace
{
const int kWidth = 800, kHeight = 480;

double TimeOnce(const std::function<void()>& run, int reps)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < reps; ++i)
        run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / reps;
}

// Best seconds per run of each, measured in alternating rounds so that both see
// the same machine load.
void SideBySide(const std::function<void()>& a, const std::function<void()>& b, double* ta, double* tb)
{
    a();
    b();
    *ta = *tb = 1e9;
    for (int round = 0; round < 15; ++round)
    {
        const double x = TimeOnce(a, 20), y = TimeOnce(b, 20);
        if (x < *ta) *ta = x;
        if (y < *tb) *tb = y;
    }
}

void Make(CKetrelSurface& s)
{
    CKetrelSurfaceDesc desc = {kWidth, kHeight, 0, 7, 0, 0};
    if (s.Create(nullptr, &desc) != 1)
    {
        std::fprintf(stderr, "cannot create a surface\n");
        std::exit(1);
    }
}

// Round sprites of 48-pixel radius on a clear field; alpha falls off over the
// last 3 pixels of each radius. Colour premultiplied.
void FillSprites(CKetrelSurface& s)
{
    uint8_t* base = s.GetPixels();
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
        {
            const int cx = (x / 120) * 120 + 60, cy = (y / 120) * 120 + 60;
            const float d = std::sqrt((float)((x - cx) * (x - cx) + (y - cy) * (y - cy)));
            float a = (48.0f - d) / 3.0f;
            a = a < 0 ? 0 : (a > 1 ? 1 : a);
            const uint32_t alpha = (uint32_t)(a * 255.0f + 0.5f);
            uint8_t* p = base + (size_t)y * s.GetPitch() + 4 * (size_t)x;
            p[0] = (uint8_t)((x * 3) & 0xFF) * alpha / 255;
            p[1] = (uint8_t)((y * 5) & 0xFF) * alpha / 255;
            p[2] = (uint8_t)(((x + y) * 7) & 0xFF) * alpha / 255;
            p[3] = (uint8_t)alpha;
        }
}

void FillBackground(CKetrelSurface& s)
{
    uint8_t* base = s.GetPixels();
    for (int i = 0; i < kWidth * kHeight * 4; ++i)
        base[i] = (uint8_t)(i * 13 + (i >> 11));
}

uint64_t Checksum(const CKetrelSurface& s)
{
    uint64_t h = 0;
    const uint8_t* p = s.GetPixels();
    for (int i = 0; i < kWidth * kHeight * 4; i += 61)
        h = h * 31 + p[i];
    return h;
}

struct Row
{
    const char* name;
    const char* yardstickName;
    double ours, yardstick;   // seconds per frame
};
} // namespace

int main()
{
    CKetrelSurface src, dst, back;
    Make(src);
    Make(dst);
    Make(back);
    FillBackground(back);
    std::vector<uint8_t> copy((size_t)kWidth * kHeight * 4);
    const CKetrelRect whole(0, 0, kWidth, kHeight);   // a rect: no whole-buffer shortcut

    std::vector<Row> rows;

    FillBackground(src);
    auto frameCopy = [&] { std::memcpy(copy.data(), src.GetPixels(), copy.size()); };
    double plain, memcpyTime;
    SideBySide([&] { dst.Blit(0, 0, &src, &whole, 0); }, frameCopy, &plain, &memcpyTime);
    rows.push_back({"blit_copy", "memcpy", plain, memcpyTime});

    FillSprites(src);
    src.SetColorKey(0);   // the clear surroundings are keyed out
    double keyed, memcpyTime2;
    SideBySide([&] { dst.Blit(0, 0, &src, &whole, KE_BLT_COLORKEY); }, frameCopy, &keyed, &memcpyTime2);
    rows.push_back({"blit_colorkey", "memcpy", keyed, memcpyTime2});

    // Alpha: both start from the same background each time; the restore (one
    // frame copy) is counted in both.
    pixman_image_t* ps = pixman_image_create_bits(PIXMAN_a8b8g8r8, kWidth, kHeight,
                                                  (uint32_t*)src.GetPixels(), src.GetPitch());
    pixman_image_t* pd = pixman_image_create_bits(PIXMAN_a8b8g8r8, kWidth, kHeight,
                                                  (uint32_t*)dst.GetPixels(), dst.GetPitch());
    double ours, pix;
    SideBySide(
        [&] {
            std::memcpy(dst.GetPixels(), back.GetPixels(), copy.size());
            dst.Blit(0, 0, &src, &whole, KE_BLT_ALPHA);
        },
        [&] {
            std::memcpy(dst.GetPixels(), back.GetPixels(), copy.size());
            pixman_image_composite32(PIXMAN_OP_OVER, ps, nullptr, pd, 0, 0, 0, 0, 0, 0, kWidth, kHeight);
        },
        &ours, &pix);
    std::memcpy(dst.GetPixels(), back.GetPixels(), copy.size());
    dst.Blit(0, 0, &src, &whole, KE_BLT_ALPHA);
    const uint64_t ourSum = Checksum(dst);
    pixman_image_unref(ps);
    pixman_image_unref(pd);
    rows.push_back({"blit_alpha", "pixman OVER", ours, pix});

    const double mpix = (double)kWidth * kHeight / 1e6;
    std::printf("Software blits, 800x480 format 7 (Mpixel/s; best of 15 alternating rounds of 20 frames)\n");
    std::printf("%-16s %12s %-14s %12s %8s\n", "kernel", "ours", "yardstick", "yardstick", "ratio");
    for (const Row& r : rows)
        std::printf("%-16s %12.0f %-14s %12.0f %8.2f\n", r.name, mpix / r.ours, r.yardstickName,
                    mpix / r.yardstick, r.yardstick / r.ours);
    for (const Row& r : rows)
        std::printf("BENCH %s ratio=%.3f\n", r.name, r.yardstick / r.ours);
    std::printf("(checksum %llx)\n", (unsigned long long)ourSum);
    return 0;
}
