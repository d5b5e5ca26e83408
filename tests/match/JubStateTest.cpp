#include "JubGameHostFake.h"

#include "engine/KetrelResult.h"
#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubRenderer.h"
#include "game/match/JubState.h"

#include <gtest/gtest.h>

namespace
{
class TestScreen : public CJubState
{
public:
    int Update(f32) override { return 1; }
    void Render() override {}
    void ReloadResources() override {}
    void Finish(i32 next)
    {
        m_nextState = next;
        SetDone();
    }
};

TEST(JubState, InitLinksTheGamesRendererAndWorld)
{
    FakeGameHost host;
    CJubRenderer renderer;
    CJubPhysicsWorld world;
    host.renderer = &renderer;
    host.world = &world;
    TestScreen screen;
    EXPECT_EQ(KE_OK, screen.Init(&host));
    EXPECT_EQ(&host, screen.GetGame());
    EXPECT_EQ(&renderer, screen.GetRenderer());
    EXPECT_EQ(&world, screen.GetWorld());

    TestScreen orphan;
    EXPECT_EQ(KE_ERR_ARGUMENT, orphan.Init(nullptr));
    EXPECT_EQ(nullptr, orphan.GetRenderer());
}

// Done and the next screen survive until Reset; the parameter is handed on untouched.
TEST(JubState, DoneNextStateAndParameterLifecycle)
{
    FakeGameHost host;
    TestScreen screen;
    screen.Init(&host);
    EXPECT_EQ(0, screen.IsDone());
    EXPECT_EQ(0, screen.GetNextState());
    screen.SetParam(7);
    screen.Finish(5);
    EXPECT_EQ(1, screen.IsDone());
    EXPECT_EQ(5, screen.GetNextState());
    screen.SetDone(0);                       // the value form clears it again
    EXPECT_EQ(0, screen.IsDone());
    screen.Finish(2);
    screen.Reset();
    EXPECT_EQ(0, screen.IsDone());
    EXPECT_EQ(0, screen.GetNextState());
    EXPECT_EQ(7, screen.GetParam());
    EXPECT_EQ(0, screen.OnKey('a'));        // the base takes no key
}
} // namespace
