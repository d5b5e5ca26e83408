#pragma once
#include "engine/KetrelTypes.h"

// Entries with mask 0 that every box array of a scan holds after its last body, so that the
// vector variants read whole groups without a tail loop.
enum { JUB_PHYSICS_BOX_PADDING = 16 };

// One search of the physics pair loop: the first body from index `from` on whose box
// strictly overlaps box A and whose mask shares a bit with A's, other than A itself (`self`).
// Boxes are given edge by edge, one array per edge, each holding count bodies followed by
// JUB_PHYSICS_BOX_PADDING entries whose masks are 0.
struct CJubPhysicsBoxScan
{
    const f32* minX;
    const f32* minY;
    const f32* maxX;
    const f32* maxY;
    const u32* masks;
    f32 aMinX, aMinY, aMaxX, aMaxY;
    u32 aMask;
    i32 self;
    i32 count;
};

// Each returns the index found, or -1. Every variant compares the same values the same way
// (!(a.maxX <= b.minX) and so on, so a NaN edge counts as overlapping) and so returns the
// same index; the vector ones only test several bodies at once.
i32 JubFindMeetingScalar(const CJubPhysicsBoxScan& scan, i32 from);
#if defined(__SSE2__)
i32 JubFindMeetingSse2(const CJubPhysicsBoxScan& scan, i32 from);
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define JUB_PHYSICS_HAVE_AVX2 1
// Only where JubCpuHasAvx2() is true.
i32 JubFindMeetingAvx2(const CJubPhysicsBoxScan& scan, i32 from);
bool JubCpuHasAvx2();
#endif
// The fastest variant this processor runs.
i32 JubFindMeeting(const CJubPhysicsBoxScan& scan, i32 from);
