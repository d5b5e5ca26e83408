// Random blits and fills on random surfaces. Unscaled blits are compared with
// the slow per-pixel reference of the tests; in an empty clip the clipped
// operations must change nothing; every operation must stay inside its buffers
// (the sanitizers check).
#include "engine/graphics/KetrelSurface.h"
#include "tests/graphics/SurfaceTestUtil.cpp"

#include <cstdint>
#include <cstdlib>
#include <cstdio>

namespace
{
struct Reader
{
    const uint8_t* p;
    size_t n;
    uint32_t Byte() { if (!n) return 0; --n; return *p++; }
    int32_t Int()
    {
        // Mostly small values, sometimes anywhere in the i32 range.
        const uint32_t kind = Byte();
        if (kind < 200)
            return (int32_t)(kind % 96) - 24;
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = v << 8 | Byte();
        return (int32_t)v;
    }
    float Float() { return (float)Int() / (float)(1 + (Byte() % 64)); }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Reader r{data, size};
    // Format 1 has no owner here: its palette and colour table are missing, which
    // the routines must survive (every colour reads and writes as index 0).
    const int format = 1 + (int)(r.Byte() % 7);
    const int srcFormat = r.Byte() % 4 == 0 ? 1 + (int)(r.Byte() % 7) : format;
    auto dst = MakeSurface(format, 1 + (int)(r.Byte() % 48), 1 + (int)(r.Byte() % 48));
    auto src = MakeSurface(srcFormat, 1 + (int)(r.Byte() % 48), 1 + (int)(r.Byte() % 48));
    if (!dst || !src)
        return 0;
    if (format < 6 && (r.Byte() & 1))
        dst->CreateAlphaPlane();
    if (srcFormat < 6 && (r.Byte() & 1))
        src->CreateAlphaPlane();
    TestRng rng(r.Byte());
    FillPattern(*dst, rng, false);
    FillPattern(*src, rng, true);
    src->SetColorKey(RawAt(*src, 0, 0) & (srcFormat >= 6 ? 0xFFFFFFu : 0xFFFFFFFFu));
    CKetrelRect clip(r.Int(), r.Int(), r.Int(), r.Int());
    dst->SetClipRect(&clip);
    dst->GetClipRect(&clip);
    const bool emptyClip = clip.right <= clip.left || clip.bottom <= clip.top;

    for (int op = 0; op < 8 && r.n; ++op)
    {
        const uint32_t kind = r.Byte() % 14;
        CKetrelRect a(r.Int(), r.Int(), r.Int(), r.Int());
        CKetrelRect b(r.Int(), r.Int(), r.Int(), r.Int());
        const uint32_t flags = r.Byte() | (r.Byte() & 7) << 8;
        const uint32_t colour = r.Byte() << 24 | r.Byte() << 16 | r.Byte() << 8 | r.Byte();
        const int32_t x = r.Int(), y = r.Int();
        // In an empty clip nothing may change, except by the operations bounded by
        // the surface alone (opaque fill, radial gradient, point plot, invert) and
        // by blits told to ignore the clip.
        const bool bySurface = kind == 5 || kind == 9 || kind == 11 || kind == 12 ||
                               ((flags & KE_BLT_NOCLIP) && kind != 6 && kind != 7 && kind != 8 && kind != 10);
        const uint64_t before = emptyClip && !bySurface ? Digest(*dst) : 0;
        switch (kind)
        {
        case 0:
        {
            // Same pixel size only (the reference reads raw values).
            auto expected = Clone(*dst);
            const bool useRect = flags & 0x40;
            const int want = ReferenceBlit(*expected, x, y, *src, useRect ? &b : nullptr, flags & ~0x60u);
            const int got = dst->Blit(x, y, src.get(), useRect ? &b : nullptr, flags & ~0x60u);
            // The reference has no palette: alpha blends onto format 1 are only run.
            const bool compare = !(format == 1 && (flags & KE_BLT_ALPHA));
            if (compare && (want != got || (got == 1 && !FirstDifference(*expected, *dst).empty())))
            {
                std::fprintf(stderr, "blit differs from the reference: %s\n",
                             FirstDifference(*expected, *dst).c_str());
                std::abort();
            }
            break;
        }
        case 1: dst->StretchBlit(&a, src.get(), (flags & 1) ? nullptr : &b, flags); break;
        case 2: dst->StretchBlitTinted(&a, src.get(), &b, colour, flags); break;
        case 3: dst->BlitTinted(x, y, src.get(), (flags & 1) ? nullptr : &b, colour, flags); break;
        case 4: dst->BlitRotated(x, y, src.get(), r.Float(), (int)(r.Byte() % 80) - 5, flags); break;
        case 5: dst->FillRect(colour, (flags & 1) ? nullptr : &a); break;
        case 6: dst->FillRectAlpha(colour, &a); break;
        case 7: dst->DimRect(&a, r.Float()); break;
        case 8: dst->FillGradient(colour, ~colour, colour ^ 0x55AA55AA, colour >> 3, &a); break;
        case 9: dst->DrawRadialGradient(colour, ~colour, r.Float(), &a); break;
        case 10: dst->DrawLine(a.left, a.top, a.right, a.bottom, colour, ~colour); break;
        case 11: dst->PlotPoint(x, y, colour, flags); break;
        case 12: dst->Invert(); break;
        default:
        {
            CKetrelRectF rf(r.Float(), r.Float(), r.Float(), r.Float());
            CKetrelVector2 p(r.Float(), r.Float());
            dst->BlitRelative(&p, src.get(), &rf, flags);
            dst->StretchBlitRelative(&rf, src.get(), nullptr, flags);
            dst->BlitTintedRelative(&p, src.get(), &rf, colour, flags);
            break;
        }
        }
        if (emptyClip && !bySurface && Digest(*dst) != before)
        {
            std::fprintf(stderr, "operation %u drew in an empty clip\n", kind);
            std::abort();
        }
    }
    return 0;
}
