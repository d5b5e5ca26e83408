// The room's list of player records: capacity, look-ups, clearing.
#include "net/BrixLobby.h"
#include "net/BrixPlayer.h"

#include <gtest/gtest.h>

namespace
{
CBrixPlayer* Player(i32 id, const char* name)
{
    CBrixPlayer* p = new CBrixPlayer();
    p->Set(id, name, "", 0, "", 0);
    return p;
}
}

TEST(BrixLobby, CapacityAndLookUps)
{
    CBrixLobby lobby;
    EXPECT_EQ(nullptr, lobby.FindById(1));
    EXPECT_EQ(nullptr, lobby.FindByName("ann"));
    lobby.Clear();                                   // empty: nothing to delete
    CBrixPlayer* early = Player(1, "ann");
    EXPECT_EQ(0, lobby.Add(early));                  // no limits yet: refused
    delete early;

    EXPECT_EQ(1, lobby.SetLimits(2, 2));
    CBrixPlayer* ann = Player(1, "ann");
    CBrixPlayer* bo = Player(2, "bo");
    CBrixPlayer* cy = Player(3, "cy");
    EXPECT_EQ(1, lobby.Add(ann));
    EXPECT_EQ(1, lobby.Add(bo));
    EXPECT_EQ(0, lobby.Add(cy));                     // full: the caller keeps it
    delete cy;
    EXPECT_EQ(2, lobby.GetCount());
    EXPECT_EQ(bo, lobby.FindById(2));
    EXPECT_EQ(ann, lobby.FindByName("ann"));
    EXPECT_EQ(nullptr, lobby.FindByName("Ann"));
    EXPECT_EQ(bo, lobby.GetAt(1));
    EXPECT_EQ(nullptr, lobby.GetAt(2));
    lobby.Clear();                                   // deletes both
    EXPECT_EQ(0, lobby.GetCount());
}
