// The room's player list: its capacity, lookups and ownership of the records.
#include "net/BrixLobby.h"
#include "net/BrixPlayer.h"

#include <gtest/gtest.h>

namespace
{
int g_deleted = 0;

class CountedPlayer : public CBrixPlayer
{
public:
    CountedPlayer(int id, const char* name) { Set(id, CKetrelString(name), CKetrelString(), 0, CKetrelString(), 0); }
    ~CountedPlayer() override { ++g_deleted; }
};
}

TEST(BrixLobby, CapacityAndLookups)
{
    struct Case
    {
        int minimum, maximum;   // -1: SetLimits never called
        int offered;
        int kept;
    };
    const Case cases[] = {{-1, -1, 2, 0}, {2, 2, 3, 2}, {2, 2, 2, 2}, {1, 4, 3, 3}, {0, 0, 1, 0}};
    for (const Case& c : cases)
    {
        g_deleted = 0;
        CBrixLobby lobby;
        EXPECT_EQ(lobby.FindById(1), nullptr);
        EXPECT_EQ(lobby.FindByName(CKetrelString("p1")), nullptr);
        if (c.maximum >= 0)
        {
            EXPECT_EQ(lobby.SetLimits(c.minimum, c.maximum), 1);
        }
        for (int i = 1; i <= c.offered; ++i)
        {
            CountedPlayer* p = new CountedPlayer(i, ("p" + std::to_string(i)).c_str());
            const bool taken = i <= c.kept;
            EXPECT_EQ(lobby.Add(p), taken ? 1 : 0);
            if (!taken)
                delete p;
        }
        g_deleted = 0;
        ASSERT_EQ(lobby.GetCount(), c.kept);
        for (int i = 0; i < c.kept; ++i)
        {
            EXPECT_EQ(lobby.GetAt(i)->GetId(), i + 1);
            EXPECT_EQ(lobby.FindById(i + 1), lobby.GetAt(i));
            EXPECT_EQ(lobby.FindByName(CKetrelString(("p" + std::to_string(i + 1)).c_str())), lobby.GetAt(i));
        }
        EXPECT_EQ(lobby.GetAt(c.kept), nullptr);
        EXPECT_EQ(lobby.GetAt(-1), nullptr);
        EXPECT_EQ(lobby.FindByName(CKetrelString("P1")), nullptr);   // ordinal comparison
        lobby.Clear();
        EXPECT_EQ(g_deleted, c.kept);
        EXPECT_EQ(lobby.GetCount(), 0);
        lobby.Clear();
        EXPECT_EQ(g_deleted, c.kept);
    }
}
