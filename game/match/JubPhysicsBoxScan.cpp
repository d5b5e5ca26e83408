// The pair loop's search, plain and with SSE2 or AVX2. Nearly every test fails, and at
// random, so the conditions are combined without a branch each: a mispredicted branch per
// condition would cost more than testing several bodies at once. Only comparisons are made,
// so the variants agree exactly, whatever the build's floating-point settings.
#include "game/match/JubPhysicsBoxScan.h"

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

i32 JubFindMeetingScalar(const CJubPhysicsBoxScan& s, i32 from)
{
    for (i32 ib = from; ib < s.count; ++ib)
    {
        const bool meet = ((s.aMask & s.masks[ib]) != 0) & !(s.aMaxX <= s.minX[ib]) &
                          !(s.aMinX >= s.maxX[ib]) & !(s.aMaxY <= s.minY[ib]) &
                          !(s.aMinY >= s.maxY[ib]);
        if (meet && ib != s.self)
            return ib;
    }
    return -1;
}

// Lowest set bit of a group's result that is a real body other than A; -1 when none.
[[maybe_unused]] static inline i32 FirstInGroup(const CJubPhysicsBoxScan& s, i32 base, u32 bits)
{
    while (bits != 0)
    {
        const i32 j = base + __builtin_ctz(bits);
        bits &= bits - 1;
        if (j != s.self && j < s.count)
            return j;
    }
    return -1;
}

#if defined(__SSE2__)
i32 JubFindMeetingSse2(const CJubPhysicsBoxScan& s, i32 from)
{
    const __m128 aMinX = _mm_set1_ps(s.aMinX);
    const __m128 aMinY = _mm_set1_ps(s.aMinY);
    const __m128 aMaxX = _mm_set1_ps(s.aMaxX);
    const __m128 aMaxY = _mm_set1_ps(s.aMaxY);
    const __m128i aMask = _mm_set1_epi32((int)s.aMask);
    const __m128i zero = _mm_setzero_si128();
    for (i32 ib = from; ib < s.count; ib += 4)
    {
        __m128 meet = _mm_and_ps(_mm_cmpnle_ps(aMaxX, _mm_loadu_ps(s.minX + ib)),
                                 _mm_cmpnge_ps(aMinX, _mm_loadu_ps(s.maxX + ib)));
        meet = _mm_and_ps(meet, _mm_cmpnle_ps(aMaxY, _mm_loadu_ps(s.minY + ib)));
        meet = _mm_and_ps(meet, _mm_cmpnge_ps(aMinY, _mm_loadu_ps(s.maxY + ib)));
        const __m128i shared = _mm_and_si128(
            aMask, _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.masks + ib)));
        meet = _mm_andnot_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(shared, zero)), meet);
        const i32 hit = FirstInGroup(s, ib, (u32)_mm_movemask_ps(meet));
        if (hit >= 0)
            return hit;
    }
    return -1;
}
#endif

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// Eight bodies from ib: all ones where a body meets A.
__attribute__((target("avx2"))) static inline __m256
MeetAvx2(const CJubPhysicsBoxScan& s, i32 ib, __m256 aMinX, __m256 aMinY, __m256 aMaxX,
         __m256 aMaxY, __m256i aMask)
{
    __m256 meet = _mm256_and_ps(_mm256_cmp_ps(aMaxX, _mm256_loadu_ps(s.minX + ib), _CMP_NLE_UQ),
                                _mm256_cmp_ps(aMinX, _mm256_loadu_ps(s.maxX + ib), _CMP_NGE_UQ));
    meet = _mm256_and_ps(meet, _mm256_cmp_ps(aMaxY, _mm256_loadu_ps(s.minY + ib), _CMP_NLE_UQ));
    meet = _mm256_and_ps(meet, _mm256_cmp_ps(aMinY, _mm256_loadu_ps(s.maxY + ib), _CMP_NGE_UQ));
    const __m256i shared = _mm256_and_si256(
        aMask, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s.masks + ib)));
    return _mm256_andnot_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(shared, _mm256_setzero_si256())),
                            meet);
}

__attribute__((target("avx2"))) i32 JubFindMeetingAvx2(const CJubPhysicsBoxScan& s, i32 from)
{
    const __m256 aMinX = _mm256_set1_ps(s.aMinX);
    const __m256 aMinY = _mm256_set1_ps(s.aMinY);
    const __m256 aMaxX = _mm256_set1_ps(s.aMaxX);
    const __m256 aMaxY = _mm256_set1_ps(s.aMaxY);
    const __m256i aMask = _mm256_set1_epi32((int)s.aMask);
    // Sixteen at a time: one branch for two groups of eight.
    for (i32 ib = from; ib < s.count; ib += 16)
    {
        const __m256 low = MeetAvx2(s, ib, aMinX, aMinY, aMaxX, aMaxY, aMask);
        const __m256 high = MeetAvx2(s, ib + 8, aMinX, aMinY, aMaxX, aMaxY, aMask);
        const u32 bits = (u32)_mm256_movemask_ps(low) | ((u32)_mm256_movemask_ps(high) << 8);
        const i32 hit = FirstInGroup(s, ib, bits);
        if (hit >= 0)
            return hit;
    }
    return -1;
}

bool JubCpuHasAvx2()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
#endif

typedef i32 (*FindMeetingFn)(const CJubPhysicsBoxScan&, i32);

static FindMeetingFn ChooseFindMeeting()
{
#if !defined(__OPTIMIZE__) && defined(__SSE2__)
    // Unoptimised (debug and sanitizer) builds keep every vector in memory; there the
    // eight-wide variant, which hands its vectors between functions, runs at half the
    // speed of the four-wide one. Every variant returns the same index.
    return JubFindMeetingSse2;
#endif
#if defined(JUB_PHYSICS_HAVE_AVX2)
    if (JubCpuHasAvx2())
        return JubFindMeetingAvx2;
#endif
#if defined(__SSE2__)
    return JubFindMeetingSse2;
#else
    return JubFindMeetingScalar;
#endif
}

i32 JubFindMeeting(const CJubPhysicsBoxScan& scan, i32 from)
{
    static const FindMeetingFn find = ChooseFindMeeting();
    return find(scan, from);
}
