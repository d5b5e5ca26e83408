// Seeded runs of the self-changing widget trees (the fuzz target's driver): handlers
// and callbacks add, remove, hide and delete widgets while the tree is dispatched to,
// updated and drawn. The driver checks focus, capture and nesting after every event;
// the sanitizer build checks memory.
#include "UITestDoubles.h"
#include "fuzz/WidgetChaos.h"

#include <gtest/gtest.h>
#include <random>

TEST(WidgetChaos, SeededRuns)
{
    uitest::RecordingContext gc;
    for (u32 seed = 1; seed <= 300; ++seed)
    {
        std::mt19937 rng(seed);
        std::vector<u8> bytes(4000);
        for (u8& b : bytes)
            b = (u8)rng();
        widgetchaos::Run(bytes.data(), bytes.size(), (seed & 1) ? &gc : nullptr);
        ASSERT_EQ(0, CWidgetWalkGuard::GetDepth()) << seed;
        ASSERT_EQ(0, CWidgetWalkGuard::GetPendingCount()) << seed;
        ASSERT_EQ(nullptr, CWidget::GetCapture()) << seed;
        gc.calls.clear();
    }
}
