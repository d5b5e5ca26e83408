// Action map and timed sequences, with a fake clock (the dt passed to Update).
#include "UITestDoubles.h"
#include "ui/UIActionMap.h"
#include "ui/UITimedSequence.h"

#include <gtest/gtest.h>

using namespace uitest;

namespace
{
CKetrelString S(const char* s) { return CKetrelString(s); }

struct Recorder
{
    std::vector<std::string> fired;
};

int RecordA(void*, void* c) { static_cast<Recorder*>(c)->fired.push_back("A"); return 1; }
int RecordB(void*, void* c) { static_cast<Recorder*>(c)->fired.push_back("B"); return 1; }

std::string Resolve(const CUIActionMap& map, const char* name, Recorder* r)
{
    CUIActionCallback cb = map.Lookup(S(name));
    if (!cb.function)
        return "-";
    size_t before = r->fired.size();
    cb.Fire(nullptr);
    return r->fired.size() > before ? r->fired.back() : "seq";
}
}  // namespace

TEST(UIActionMapRegister, PrefixAndReplacementRules)
{
    Recorder r;
    CUIActionMap map;
    EXPECT_EQ(1, map.Register(S("login"), MakeUIActionCallback(&RecordA, &r), true));
    EXPECT_EQ(2, map.Register(S("app:x"), MakeUIActionCallback(&RecordA, &r), false));
    EXPECT_EQ(1, map.Register(S("app:y"), MakeUIActionCallback(&RecordA, &r), true));
    struct Case { const char* name; const char* expect; };
    const Case first[] = {{"login", "A"}, {"app:login", "A"}, {"app:x", "-"}, {"app:y", "A"},
                          {"app:app:y", "A"}, {"nothing", "-"}};
    for (const Case& c : first)
        EXPECT_EQ(c.expect, Resolve(map, c.name, &r)) << c.name;

    map.Register(S("login"), MakeUIActionCallback(&RecordB, &r), false);
    EXPECT_EQ("B", Resolve(map, "login", &r)) << "plain replaced";
    EXPECT_EQ("A", Resolve(map, "app:login", &r)) << "prefixed kept";
    map.Register(S("login"), MakeUIActionCallback(&RecordB, &r), true);
    EXPECT_EQ("B", Resolve(map, "app:login", &r));

    // A sequence named like a handler hides the plain name only.
    CUITimedSequenceList list;
    map.SetSequenceList(&list);
    map.Register(S("intro"), MakeUIActionCallback(&RecordA, &r), true);
    CUITimedSequence* seq = map.RegisterSequence(S("intro"));
    ASSERT_NE(nullptr, seq);
    EXPECT_EQ("seq", Resolve(map, "intro", &r));
    EXPECT_EQ("A", Resolve(map, "app:intro", &r));
    EXPECT_NE(nullptr, map.RegisterSequence(S("app:z"))) << "listed, not registered";
    EXPECT_EQ("-", Resolve(map, "app:z", &r));
    EXPECT_EQ(2, list.GetCount());
    map.Clear();
    EXPECT_EQ("-", Resolve(map, "login", &r));

    CUIActionMap noList;
    EXPECT_EQ(nullptr, noList.RegisterSequence(S("s")));
    EXPECT_EQ("-", Resolve(noList, "s", &r));
}

TEST(UITimedSequenceRun, TriggersFireOnTimeAndIdle)
{
    Recorder r;
    FakeApp app;
    CUITimedSequence seq;
    seq.SetApplication(&app);
    CountingSound* sound = new CountingSound();
    EXPECT_EQ(1, seq.AddCallback(0.0f, MakeUIActionCallback(&RecordA, &r)));
    EXPECT_EQ(1, seq.AddCallback(0.5f, MakeUIActionCallback(&RecordB, &r)));
    EXPECT_EQ(1, seq.AddSound(-1.0f, sound)) << "a negative sound time fires at the start";
    EXPECT_EQ(2, seq.AddVibration(-0.1f, 0));
    EXPECT_EQ(1, seq.AddVibration(1.0f, 5));
    EXPECT_EQ(2, seq.AddCallback(0.0f, CUIActionCallback{nullptr, nullptr}));
    EXPECT_EQ(2, seq.AddSound(0.0f, nullptr));

    struct Step { const char* name; f32 dt; size_t fired; int plays; size_t vibrations; bool running; };
    const Step steps[] = {
        {"start fires time 0", -1.0f, 1, 1, 0, true},
        {"0.4 s: nothing due", 0.4f, 1, 1, 0, true},
        {"0.5 s reached", 0.1f, 2, 1, 0, true},
        {"1.0 s: last trigger, idle in the same update", 0.5f, 2, 1, 1, false},
        {"idle: updates do nothing", 5.0f, 2, 1, 1, false},
    };
    for (const Step& s : steps)
    {
        if (s.dt < 0)
            seq.Start(&app);
        else
            seq.Update(s.dt);
        EXPECT_EQ(s.fired, r.fired.size()) << s.name;
        EXPECT_EQ(s.plays, sound->plays) << s.name;
        EXPECT_EQ(s.vibrations, app.device.vibrations.size()) << s.name;
        EXPECT_EQ(s.running, seq.IsRunning()) << s.name;
    }
    seq.Start(nullptr);
    seq.Start(&r);   // running: ignored, keeps its argument
    EXPECT_EQ(nullptr, seq.GetStartArgument());
    EXPECT_EQ(3u, r.fired.size()) << "replayed after finishing";

    CUITimedSequence empty;
    empty.Start(&r);
    EXPECT_FALSE(empty.IsRunning()) << "no triggers: idle inside Start";
}

TEST(UITimedSequenceRun, ClearTriggersGivesSoundsBackOnce)
{
    FakeApp app;
    int deleted = 0;
    CUITimedSequence seq;
    seq.SetApplication(&app);
    IKetrelSoundSource* shared = app.resources.GetSound(S("beep"), 0, 0);
    seq.AddSound(0.0f, shared);
    seq.AddSound(0.1f, new CountingSound(&deleted));   // unknown to the manager
    seq.ClearTriggers();
    EXPECT_EQ(1, app.resources.releases);
    EXPECT_TRUE(app.resources.soundRefs.empty());
    EXPECT_EQ(1, deleted);
    EXPECT_EQ(0, seq.GetTriggerCount());
    seq.ClearTriggers();
    EXPECT_EQ(1, app.resources.releases);
}

namespace
{
struct Reentry
{
    CUITimedSequenceList* list;
    CUIActionMap* map;
    int calls = 0;
};

int DeleteEverything(void*, void* c)
{
    Reentry* e = static_cast<Reentry*>(c);
    ++e->calls;
    e->list->DeleteAll();
    e->map->Clear();
    return 1;
}

int RegisterAnother(void*, void* c)
{
    Reentry* e = static_cast<Reentry*>(c);
    ++e->calls;
    CUITimedSequence* s = e->map->RegisterSequence(S("late"));
    s->AddCallback(0.0f, MakeUIActionCallback(&DeleteEverything, e));
    e->map->Lookup(S("late")).Fire(nullptr);
    return 1;
}
}  // namespace

// Callbacks that tear the sequences down, from an update and from a start.
TEST(UITimedSequenceRun, CallbacksMayDeleteTheSequences)
{
    CUITimedSequenceList list;
    CUIActionMap map;
    map.SetSequenceList(&list);
    Reentry e{&list, &map};
    CUITimedSequence* a = map.RegisterSequence(S("a"));
    a->AddCallback(0.2f, MakeUIActionCallback(&DeleteEverything, &e));
    a->AddCallback(0.2f, MakeUIActionCallback(&DeleteEverything, &e));
    map.RegisterSequence(S("b"))->AddCallback(0.0f, MakeUIActionCallback(&DeleteEverything, &e));
    a->Start(nullptr);
    list.Update(0.5f);
    EXPECT_EQ(1, e.calls) << "the retired sequence fires nothing more";
    EXPECT_EQ(0, list.GetCount());

    CUITimedSequence* c = map.RegisterSequence(S("c"));
    c->AddCallback(0.0f, MakeUIActionCallback(&RegisterAnother, &e));
    map.Lookup(S("c")).Fire(nullptr);   // start -> register -> start -> delete all
    EXPECT_EQ(3, e.calls);
    EXPECT_EQ(0, list.GetCount());
    list.Update(0.1f);
}

namespace
{
struct ListOwner
{
    CUITimedSequenceList* list;
    int calls = 0;
};

int DeleteTheList(void*, void* c)
{
    ListOwner* o = static_cast<ListOwner*>(c);
    ++o->calls;
    delete o->list;
    o->list = nullptr;
    return 1;
}
}  // namespace

// A callback that deletes the whole list (its screen going away), from the list's update
// and from a start outside it: nothing more fires and each sequence is freed once.
TEST(UITimedSequenceRun, CallbackMayDeleteTheList)
{
    for (const bool fromStart : {false, true})
    {
        ListOwner o{new CUITimedSequenceList()};
        CUIActionMap map;
        map.SetSequenceList(o.list);
        int deleted = 0;
        const f32 at = fromStart ? 0.0f : 0.1f;
        CUITimedSequence* a = map.RegisterSequence(S("a"));
        a->AddCallback(at, MakeUIActionCallback(&DeleteTheList, &o));
        a->AddCallback(at, MakeUIActionCallback(&DeleteTheList, &o));
        a->AddSound(5.0f, new CountingSound(&deleted));
        CUITimedSequence* b = map.RegisterSequence(S("b"));
        b->AddCallback(0.1f, MakeUIActionCallback(&DeleteTheList, &o));
        b->AddSound(5.0f, new CountingSound(&deleted));
        b->Start(nullptr);
        a->Start(nullptr);
        if (!fromStart)
            o.list->Update(0.2f);
        EXPECT_EQ(nullptr, o.list) << fromStart;
        EXPECT_EQ(1, o.calls) << fromStart;
        EXPECT_EQ(2, deleted) << fromStart;
    }
}

namespace
{
int DestroyTree(void*, void* context)
{
    CWidget* root = static_cast<CWidget*>(context);
    CWidget::Destroy(root);
    // Still alive: the sequence list's update has not returned yet.
    root->SetName(CKetrelString("touched after Destroy"));
    return 1;
}
}  // namespace

// A sequence that unloads the screen's widget tree from its callback.
TEST(UITimedSequenceRun, CallbackMayDestroyAWidgetTree)
{
    CUITimedSequenceList list;
    CUIActionMap map;
    map.SetSequenceList(&list);
    CWidget* root = Make(nullptr, "root", 0, 0, 10, 10);
    Make(root, "child", 0, 0, 1, 1);
    CUITimedSequence* s = map.RegisterSequence(S("unload"));
    s->AddCallback(0.1f, MakeUIActionCallback(&DestroyTree, root));
    s->Start(nullptr);
    list.Update(0.2f);
    EXPECT_EQ(0, CWidgetWalkGuard::GetPendingCount());
    EXPECT_FALSE(s->IsRunning());
}
