#pragma once
// Helpers shared by the graphics tests: surfaces filled with seeded patterns,
// digests of their pixels, and a slow per-pixel reference for the blits.
#include "engine/graphics/KetrelSurface.h"

#include <cstdint>
#include <memory>
#include <string>

// A surface of the given format (no owner), or null when Create fails.
std::unique_ptr<CKetrelSurface> MakeSurface(int format, int width, int height);

// Deterministic pseudo-random numbers (xorshift), so digests stay fixed.
struct TestRng
{
    uint64_t state;
    explicit TestRng(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint32_t Next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return (uint32_t)(state >> 16);
    }
    int Range(int lo, int hi) { return lo + (int)(Next() % (uint32_t)(hi - lo + 1)); }
};

// Fills every pixel byte (and the alpha plane, if any) from the generator. For
// 32-bit surfaces with premultiplied set, the colour is made valid premultiplied
// colour, with alphas mostly 0 or 255 like sprites.
void FillPattern(CKetrelSurface& s, TestRng& rng, bool premultiplied = false);

// FNV-1a over the visible bytes of every row, then over the alpha plane.
uint64_t Digest(const CKetrelSurface& s);

// Raw pixel value at (x, y) in the surface's own format.
uint32_t RawAt(const CKetrelSurface& s, int x, int y);
void SetRawAt(CKetrelSurface& s, int x, int y, uint32_t v);

// A byte-for-byte copy of the pixels and alpha plane of src into a new surface.
std::unique_ptr<CKetrelSurface> Clone(const CKetrelSurface& src);

// Which pixels differ, for messages; empty when the two are equal.
std::string FirstDifference(const CKetrelSurface& a, const CKetrelSurface& b);

// The unscaled blit, pixel by pixel, written straight from the rules and without
// any of the fast routines: clipping to the source and the clip rect, mirrors,
// colour key, average, alpha-only and the premultiplied alpha blend.
int ReferenceBlit(CKetrelSurface& dst, int x, int y, const CKetrelSurface& src,
                  const CKetrelRect* sourceRect, uint32_t flags);
