// Every drawing operation on seeded patterns in every format, against digests
// recorded from a reviewed run (the exact rules are checked by the other tests;
// these catch any change in the pixels elsewhere).
#include "engine/graphics/KetrelSurface.h"

#include "SurfaceTestUtil.h"
#include "engine/KetrelResult.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace
{
struct Op
{
    const char* name;
    std::function<int(CKetrelSurface& dst, CKetrelSurface& src)> run;
};

const Op kOps[] = {
    {"blit", [](CKetrelSurface& d, CKetrelSurface& s) { CKetrelRect r(3, 2, 30, 25); return d.Blit(-4, 9, &s, &r, 0); }},
    {"blit keyed mirrored", [](CKetrelSurface& d, CKetrelSurface& s) { return d.Blit(11, -3, &s, nullptr, KE_BLT_COLORKEY | KE_BLT_MIRROR_X | KE_BLT_MIRROR_Y); }},
    {"blit average", [](CKetrelSurface& d, CKetrelSurface& s) { return d.Blit(5, 5, &s, nullptr, KE_BLT_MULTIPLY); }},
    {"blit alpha", [](CKetrelSurface& d, CKetrelSurface& s) { return d.Blit(2, 1, &s, nullptr, KE_BLT_ALPHA | KE_BLT_MIRROR_X); }},
    {"blit alpha only", [](CKetrelSurface& d, CKetrelSurface& s) { return d.Blit(0, 0, &s, nullptr, KE_BLT_ALPHA_ONLY); }},
    {"stretch", [](CKetrelSurface& d, CKetrelSurface& s) { CKetrelRect r(-7, 4, 50, 33); return d.StretchBlit(&r, &s, nullptr, KE_BLT_MIRROR_Y); }},
    {"stretch keyed", [](CKetrelSurface& d, CKetrelSurface& s) { CKetrelRect r(1, 1, 20, 40); return d.StretchBlit(&r, &s, nullptr, KE_BLT_COLORKEY); }},
    {"stretch smooth", [](CKetrelSurface& d, CKetrelSurface& s) { CKetrelRect r(2, 3, 41, 19); return d.StretchBlit(&r, &s, nullptr, KE_BLT_SMOOTH); }},
    {"stretch tinted alpha", [](CKetrelSurface& d, CKetrelSurface& s) { return d.StretchBlitTinted(nullptr, &s, nullptr, 0xC080FF40, KE_BLT_ALPHA); }},
    {"blit tinted", [](CKetrelSurface& d, CKetrelSurface& s) { return d.BlitTinted(-3, 6, &s, nullptr, 0xA0FF8040, KE_BLT_MIRROR_X); }},
    {"blit rotated", [](CKetrelSurface& d, CKetrelSurface& s) { return d.BlitRotated(20, 17, &s, 0.7f, 19, KE_BLT_COLORKEY); }},
    {"fill", [](CKetrelSurface& d, CKetrelSurface&) { CKetrelRect r(5, -2, 31, 12); return d.FillRect(0x80336699, &r); }},
    {"fill alpha", [](CKetrelSurface& d, CKetrelSurface&) { return d.FillRectAlpha(0x9012C0F0, nullptr); }},
    {"dim", [](CKetrelSurface& d, CKetrelSurface&) { return d.DimRect(nullptr, 0.37f); }},
    {"gradient", [](CKetrelSurface& d, CKetrelSurface&) { CKetrelRect r(-5, 3, 37, 28); return d.FillGradient(0xFF102030, 0xFFF0E0D0, 0xFF00FF00, 0xFF8000FF, &r); }},
    {"radial", [](CKetrelSurface& d, CKetrelSurface&) { return d.DrawRadialGradient(0xFF203040, 0xFFFFC080, 0.8f, nullptr); }},
    {"lines", [](CKetrelSurface& d, CKetrelSurface&) {
         int rc = d.DrawLine(-10, 3, 50, 30, 0xFFFF0000, 0xFF0000FF);
         if (rc == KE_OK) rc = d.DrawLine(30, -5, 2, 40, 0xFF00FF00, 0xFF00FF00);
         return rc; }},
    {"invert", [](CKetrelSurface& d, CKetrelSurface&) { return d.Invert(); }},
};

struct Expected { const char* op; int format; int rc; uint64_t digest; };
const Expected kExpected[] = {
#include "KetrelDigestTable.inc"
};

const Expected* Find(const char* op, int format)
{
    for (const Expected& e : kExpected)
        if (std::strcmp(e.op, op) == 0 && e.format == format)
            return &e;
    return nullptr;
}
} // namespace

TEST(KetrelDigest, EveryOperationInEveryFormat)
{
    const int formats[] = {2, 3, 4, 5, 6, 7};
    const bool record = std::getenv("KETREL_RECORD_DIGESTS") != nullptr;
    for (const Op& op : kOps)
        for (int format : formats)
        {
            TestRng rng(1000 + format);
            auto dst = MakeSurface(format, 40, 30);
            auto src = MakeSurface(format, 23, 17);
            if (format < 6)
            {
                dst->CreateAlphaPlane();
                src->CreateAlphaPlane();
            }
            FillPattern(*dst, rng, true);
            FillPattern(*src, rng, true);
            src->SetColorKey(RawAt(*src, 4, 4) & (format >= 6 ? 0xFFFFFFu : 0xFFFFFFFFu));
            const CKetrelRect clip(1, 2, 37, 29);
            dst->SetClipRect(&clip);
            const int rc = op.run(*dst, *src);
            const uint64_t digest = Digest(*dst);
            if (record)
            {
                std::printf("    {\"%s\", %d, %d, 0x%016" PRIx64 "ull},\n", op.name, format, rc, digest);
                continue;
            }
            const Expected* e = Find(op.name, format);
            ASSERT_NE(nullptr, e) << op.name << " format " << format;
            EXPECT_EQ(e->rc, rc) << op.name << " format " << format;
            EXPECT_EQ(e->digest, digest) << op.name << " format " << format;
        }
}

// A clip rect that is inverted, empty or outside the surface leaves nothing to draw
// in: every clipped operation must leave the pixels alone. The opaque fill, the
// radial gradient (a fill first), the invert and the point plot are bounded by the
// surface alone, so for them any clip must give what the whole surface gives.
TEST(KetrelDigest, EmptyClipDrawsNothing)
{
    struct Clip { const char* name; CKetrelRect rect; };
    const Clip clips[] = {
        {"inverted",             {1, -9, 6, -22}},
        {"inverted inside",      {30, 25, 3, 2}},
        {"empty",                {-24, -24, -24, -24}},
        {"ends at the edge",     {-22, -22, 0, 0}},
        {"beyond right",         {50, 10, 60, 20}},
        {"beyond bottom",        {5, 40, 20, 90}},
        {"zero width inside",    {12, 3, 12, 20}},
    };
    auto same = [](CKetrelSurface& d, CKetrelSurface& s) { return d.Blit(0, 0, &s, nullptr, 0); };
    auto plot = [](CKetrelSurface& d, CKetrelSurface&) { return d.PlotPoint(7, 7, 0xFF00FF00, 0xFF); };
    auto relative = [](CKetrelSurface& d, CKetrelSurface& s) {
        const CKetrelVector2 p(0.1f, 0.2f);
        const CKetrelRectF r(0.0f, 0.0f, 0.9f, 0.8f);
        d.BlitRelative(&p, &s, nullptr, 0);
        d.StretchBlitRelative(&r, &s, nullptr, 0);
        return d.BlitTintedRelative(&p, &s, nullptr, 0xFF808080, 0); };
    std::vector<Op> ops(std::begin(kOps), std::end(kOps));
    ops.push_back({"blit same size at the origin", same});
    ops.push_back({"plot", plot});
    ops.push_back({"relative", relative});
    for (const Op& op : ops)
    {
        const std::string name = op.name;
        const bool bySurface = name == "fill" || name == "radial" || name == "invert" || name == "plot";
        for (int format = 1; format <= 7; ++format)
            for (const Clip& clip : clips)
            {
                TestRng rng(77 + format);
                auto dst = MakeSurface(format, 40, 30);
                auto src = MakeSurface(format, name == "blit same size at the origin" ? 40 : 23,
                                       name == "blit same size at the origin" ? 30 : 17);
                FillPattern(*dst, rng, true);
                FillPattern(*src, rng, true);
                auto whole = Clone(*dst);
                const uint64_t before = Digest(*dst);
                dst->SetClipRect(&clip.rect);
                op.run(*dst, *src);
                if (bySurface)
                {
                    whole->SetClipRect(nullptr);
                    op.run(*whole, *src);
                    EXPECT_EQ(Digest(*whole), Digest(*dst)) << op.name << " format " << format << ", " << clip.name;
                }
                else
                    EXPECT_EQ(before, Digest(*dst)) << op.name << " format " << format << ", " << clip.name
                                                    << ": " << FirstDifference(*whole, *dst);
            }
    }
}
