// tests/engine/KetrelMutexTest.cpp
#include "engine/KetrelCriticalSection.h"
#include "engine/KetrelMutex.h"

#include <gtest/gtest.h>

// A lock taken twice on one thread can never be granted: it is reported and ends the
// program instead of hanging it.
TEST(KetrelLockDeathTest, MutexLockedTwiceByOneThreadAborts)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto lockTwice = [] {
        CKetrelMutex m;
        m.Lock();
        m.Lock();
    };
    EXPECT_DEATH(lockTwice(), "CKetrelMutex .*locked again");
}

TEST(KetrelLockDeathTest, CriticalSectionEnteredTwiceByOneThreadAborts)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto enterTwice = [] {
        CKetrelCriticalSection a, b;
        a.Enter();
        b.Enter();                            // the same process-wide lock
    };
    EXPECT_DEATH(enterTwice(), "CKetrelCriticalSection .*locked again");
}
