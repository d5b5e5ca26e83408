// The player record filled from game player entries.
#include "net/BrixPlayer.h"
#include "net/BerHandCodec.h"

#include <gtest/gtest.h>

// Filling a record twice keeps only the second entry's values; the index stays as the
// caller last set it.
TEST(BrixPlayerFill, SecondFillReplacesEverythingButTheIndex)
{
    CGamePlayerEntry first;
    first.playerId = 41;
    first.name = "alice";
    first.text2 = "flag-de";
    first.value4 = 1200;
    first.text5 = "rank 3";
    first.flag = 1;
    first.date3.year = 2020;                 // date-times are not part of the record
    CGamePlayerEntry second;
    second.playerId = -7;
    second.name = "bob";
    second.value4 = 0;

    CBrixPlayer player;
    EXPECT_EQ(0, player.GetId());
    EXPECT_TRUE(player.GetName().IsEmpty());
    player.SetFromListItem(first);
    player.SetIndex(1);
    EXPECT_EQ(41, player.GetId());
    EXPECT_EQ(0, player.GetName().Compare(CKetrelString("alice")));
    EXPECT_EQ(1200, player.GetNumberA());
    EXPECT_EQ(1, player.GetNumberB());
    EXPECT_EQ(0, player.GetThirdText().Compare(CKetrelString("rank 3")));

    player.SetFromListItem(second);
    EXPECT_EQ(-7, player.GetId());
    EXPECT_EQ(0, player.GetName().Compare(CKetrelString("bob")));
    EXPECT_TRUE(player.GetSecondText().IsEmpty());
    EXPECT_TRUE(player.GetThirdText().IsEmpty());
    EXPECT_EQ(0, player.GetNumberA());
    EXPECT_EQ(0, player.GetNumberB());
    EXPECT_EQ(1, player.GetIndex());
}
