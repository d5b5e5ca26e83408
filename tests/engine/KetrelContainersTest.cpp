#include "engine/KetrelArray.h"
#include "engine/KetrelMap.h"
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelString.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

namespace
{
void* P(intptr_t n) { return reinterpret_cast<void*>(n); }

// The array's contents as a vector, for comparisons.
template <class T>
std::vector<T> Contents(const CKetrelArray<T>& a)
{
    std::vector<T> out;
    for (i32 i = 0; i < a.GetCount(); ++i)
        out.push_back(a[i]);
    return out;
}

std::vector<intptr_t> Contents(const CKetrelPtrArray& a)
{
    std::vector<intptr_t> out;
    for (i32 i = 0; i < a.GetCount(); ++i)
        out.push_back(reinterpret_cast<intptr_t>(a.GetAt(i)));
    return out;
}

template <class K, class V>
std::vector<K> Keys(const CKetrelMap<K, V>& m)
{
    std::vector<K> out;
    for (i32 i = 0; i < m.GetCount(); ++i)
        out.push_back(m.ElementAt(i)->key);
    return out;
}
}

// ---- Pointer array -------------------------------------------------------------

// The pointer array grows by exactly five slots whatever its size.
TEST(KetrelPtrArrayGrowth, StepIsAlwaysFive)
{
    struct Case { int adds; i32 count; i32 free; };
    const Case cases[] = {
        {0, 0, 0}, {1, 1, 4}, {5, 5, 0}, {6, 6, 4}, {10, 10, 0}, {11, 11, 4}, {103, 103, 2},
    };
    for (const Case& c : cases)
    {
        CKetrelPtrArray a;
        for (int i = 0; i < c.adds; ++i)
            a.Add(P(i + 1));
        EXPECT_EQ(c.count, a.GetCount()) << c.adds << " adds";
        EXPECT_EQ(c.free, a.GetFree()) << c.adds << " adds";
        for (int i = 0; i < c.adds; ++i)
            ASSERT_EQ(P(i + 1), a.GetAt(i)) << c.adds << " adds, item " << i;
    }
}

TEST(KetrelPtrArrayGrowth, RemoveReturnsTheSlotToFree)
{
    CKetrelPtrArray a;
    for (int i = 1; i <= 6; ++i)
        a.Add(P(i));
    a.RemoveAt(0);
    EXPECT_EQ(5, a.GetCount());
    EXPECT_EQ(5, a.GetFree());
    EXPECT_EQ((std::vector<intptr_t>{2, 3, 4, 5, 6}), Contents(a));
    // Freed slots are reused before growing again.
    for (int i = 7; i <= 11; ++i)
        a.Add(P(i));
    EXPECT_EQ(10, a.GetCount());
    EXPECT_EQ(0, a.GetFree());
    a.RemoveAll();
    EXPECT_EQ(0, a.GetCount());
    EXPECT_EQ(0, a.GetFree());
    EXPECT_EQ(nullptr, a.GetItems());
}

TEST(KetrelPtrArrayEdit, InsertRemoveAndSetKeepOrder)
{
    struct Case { const char* name; std::vector<intptr_t> start; int op; i32 index; std::vector<intptr_t> after; };
    enum { INSERT, REMOVE, SET };
    const Case cases[] = {
        {"insert at front", {1, 2, 3}, INSERT, 0, {9, 1, 2, 3}},
        {"insert in middle", {1, 2, 3}, INSERT, 1, {1, 9, 2, 3}},
        {"insert at count appends", {1, 2, 3}, INSERT, 3, {1, 2, 3, 9}},
        {"insert into full storage", {1, 2, 3, 4, 5}, INSERT, 2, {1, 2, 9, 3, 4, 5}},
        {"insert into empty", {}, INSERT, 0, {9}},
        {"insert past count ignored", {1, 2}, INSERT, 3, {1, 2}},
        {"insert negative ignored", {1, 2}, INSERT, -1, {1, 2}},
        {"remove first", {1, 2, 3}, REMOVE, 0, {2, 3}},
        {"remove last", {1, 2, 3}, REMOVE, 2, {1, 2}},
        {"remove past end ignored", {1, 2, 3}, REMOVE, 3, {1, 2, 3}},
        {"remove negative ignored", {1, 2, 3}, REMOVE, -1, {1, 2, 3}},
        {"set middle", {1, 2, 3}, SET, 1, {1, 9, 3}},
        {"set past end ignored", {1, 2, 3}, SET, 3, {1, 2, 3}},
    };
    for (const Case& c : cases)
    {
        CKetrelPtrArray a;
        for (intptr_t v : c.start)
            a.Add(P(v));
        i32 capacity = a.GetCount() + a.GetFree();
        if (c.op == INSERT)
            a.InsertAt(c.index, P(9));
        else if (c.op == REMOVE)
            a.RemoveAt(c.index);
        else
            a.SetAt(c.index, P(9));
        EXPECT_EQ(c.after, Contents(a)) << c.name;
        // Capacity only ever changes by whole steps of five.
        i32 grown = a.GetCount() + a.GetFree() - capacity;
        EXPECT_TRUE(grown == 0 || grown == 5) << c.name << " grew by " << grown;
    }
}

// ---- Template array --------------------------------------------------------------

TEST(KetrelArraySetSize, GrowthSteps)
{
    struct Case { const char* name; i32 start; i32 growBy; i32 next; i32 capacity; };
    const Case cases[] = {
        {"small count steps by four", 10, 0, 11, 14},
        {"count 31 still steps by four", 31, 0, 32, 35},
        {"count 100 steps by twelve", 100, 0, 101, 112},
        {"count 20000 steps by 1024", 20000, 0, 20001, 21024},
        {"count 9000 steps by 1024", 9000, 0, 9001, 10024},
        {"jump past the step", 10, 0, 30, 30},
        {"stored step", 10, 3, 11, 13},
        {"stored step, jump", 10, 3, 20, 20},
    };
    for (const Case& c : cases)
    {
        CKetrelArray<i32> a;
        a.SetSize(c.start, c.growBy);
        EXPECT_EQ(c.start, a.GetCapacity()) << c.name << ": first allocation is exact";
        a.SetSize(c.next);
        EXPECT_EQ(c.next, a.GetCount()) << c.name;
        EXPECT_EQ(c.capacity, a.GetCapacity()) << c.name;
    }
}

TEST(KetrelArraySetSize, StoredStepAppliesToEveryLaterGrowth)
{
    CKetrelArray<i32> a;
    a.SetSize(1, 3);
    std::vector<i32> capacities;
    for (i32 n = 2; n <= 8; ++n)
    {
        a.SetSize(n);
        capacities.push_back(a.GetCapacity());
    }
    EXPECT_EQ((std::vector<i32>{4, 4, 4, 7, 7, 7, 10}), capacities);
    // -1 keeps the step; 0 goes back to automatic.
    a.SetSize(11, -1);
    EXPECT_EQ(13, a.GetCapacity());
    a.SetSize(14, 0);
    EXPECT_EQ(17, a.GetCapacity());
}

TEST(KetrelArraySetSize, ShrinkKeepsStorageAndZeroFrees)
{
    CKetrelArray<i32> a;
    for (i32 i = 0; i < 20; ++i)
        a.Add(i);
    i32 capacity = a.GetCapacity();
    a.SetSize(5);
    EXPECT_EQ(5, a.GetCount());
    EXPECT_EQ(capacity, a.GetCapacity());
    EXPECT_EQ((std::vector<i32>{0, 1, 2, 3, 4}), Contents(a));
    a.SetSize(0);
    EXPECT_EQ(0, a.GetCount());
    EXPECT_EQ(0, a.GetCapacity());
    EXPECT_EQ(nullptr, a.GetData());
    a.SetSize(-3);
    EXPECT_EQ(0, a.GetCount());
}

// Fresh storage is value-initialised: plain records start zero-filled.
TEST(KetrelArraySetSize, NewStorageIsZeroFilled)
{
    struct Record { i32 a; f32 b; void* c; };
    CKetrelArray<Record> a;
    a.SetSize(7);
    a.SetSize(30);
    for (i32 i = 0; i < a.GetCount(); ++i)
    {
        EXPECT_EQ(0, a[i].a) << i;
        EXPECT_EQ(0.0f, a[i].b) << i;
        EXPECT_EQ(nullptr, a[i].c) << i;
    }
}

TEST(KetrelArrayEdit, InsertAtCases)
{
    struct Case { const char* name; std::vector<i32> start; i32 index; std::vector<i32> after; };
    const Case cases[] = {
        {"negative index ignored", {1, 2, 3}, -1, {1, 2, 3}},
        {"front", {1, 2, 3}, 0, {9, 1, 2, 3}},
        {"middle", {1, 2, 3}, 2, {1, 2, 9, 3}},
        {"at count", {1, 2, 3}, 3, {1, 2, 3, 9}},
        {"past count fills with zero", {1, 2, 3}, 7, {1, 2, 3, 0, 0, 0, 0, 9}},
        {"into empty", {}, 0, {9}},
        {"into empty past start", {}, 2, {0, 0, 9}},
    };
    for (const Case& c : cases)
    {
        CKetrelArray<i32> a;
        for (i32 v : c.start)
            a.Add(v);
        a.InsertAt(c.index, 9);
        EXPECT_EQ(c.after, Contents(a)) << c.name;
    }
}

TEST(KetrelArrayEdit, RemoveAtCases)
{
    struct Case { const char* name; i32 index; i32 n; std::vector<i32> after; };
    const Case cases[] = {
        {"first", 0, 1, {2, 3, 4, 5}},
        {"last", 4, 1, {1, 2, 3, 4}},
        {"two from the middle", 1, 2, {1, 4, 5}},
        {"run to the end", 2, 3, {1, 2}},
        {"more than present is cut", 3, 10, {1, 2, 3}},
        {"all", 0, 5, {}},
        {"zero count", 1, 0, {1, 2, 3, 4, 5}},
        {"index at count ignored", 5, 1, {1, 2, 3, 4, 5}},
        {"negative index ignored", -1, 1, {1, 2, 3, 4, 5}},
    };
    for (const Case& c : cases)
    {
        CKetrelArray<i32> a;
        for (i32 v = 1; v <= 5; ++v)
            a.Add(v);
        a.RemoveAt(c.index, c.n);
        EXPECT_EQ(c.after, Contents(a)) << c.name;
    }
}

TEST(KetrelArrayEdit, SetAtGrowOverwritesOrExtends)
{
    CKetrelArray<i32> a;
    a.SetAtGrow(2, 7);
    EXPECT_EQ((std::vector<i32>{0, 0, 7}), Contents(a));
    a.SetAtGrow(0, 5);
    EXPECT_EQ((std::vector<i32>{5, 0, 7}), Contents(a));
    a.SetAtGrow(3, 8);
    EXPECT_EQ((std::vector<i32>{5, 0, 7, 8}), Contents(a));
    a.SetAtGrow(-1, 1);
    EXPECT_EQ((std::vector<i32>{5, 0, 7, 8}), Contents(a));
}

// Passing one of the array's own elements must survive the storage moving.
TEST(KetrelArrayEdit, OwnElementAsArgumentSurvivesGrowth)
{
    CKetrelArray<std::vector<int>> a;
    a.Add(std::vector<int>(100, 42));
    for (int round = 0; round < 40; ++round)
    {
        switch (round % 3)
        {
        case 0: a.Add(a[0]); break;
        case 1: a.InsertAt(0, a[a.GetCount() - 1]); break;
        default: a.SetAtGrow(a.GetCount(), a[0]); break;
        }
    }
    for (i32 i = 0; i < a.GetCount(); ++i)
        ASSERT_EQ(std::vector<int>(100, 42), a[i]) << i;
}

TEST(KetrelArrayCopy, CopiesAreIndependent)
{
    CKetrelArray<std::vector<int>> a;
    a.SetSize(0, 7);
    a.Add({1, 2});
    a.Add({3});
    CKetrelArray<std::vector<int>> b(a);
    b[0].push_back(9);
    b.Add({4});
    EXPECT_EQ(2, a.GetCount());
    EXPECT_EQ((std::vector<int>{1, 2}), a[0]);
    EXPECT_EQ(7, b.GetGrowBy());
    a = b;
    EXPECT_EQ(3, a.GetCount());
    EXPECT_EQ((std::vector<int>{1, 2, 9}), a[0]);
    CKetrelArray<std::vector<int>>& self = a;
    a = self;
    EXPECT_EQ(3, a.GetCount());
    EXPECT_EQ((std::vector<int>{1, 2, 9}), a[0]);
    CKetrelArray<std::vector<int>> empty;
    a = empty;
    EXPECT_EQ(0, a.GetCount());
    EXPECT_EQ(nullptr, a.GetData());
}

// Seeded random edits applied to the array and to std::vector side by side.
TEST(KetrelArrayDifferential, MatchesStdVector)
{
    for (unsigned seed = 1; seed <= 20; ++seed)
    {
        std::mt19937 rng(seed);
        CKetrelArray<std::vector<int>> a;
        std::vector<std::vector<int>> model;
        if (seed % 2)
            a.SetSize(0, (i32)(seed % 5));
        for (int step = 0; step < 2000; ++step)
        {
            int count = (int)model.size();
            std::vector<int> value(rng() % 4, (int)(rng() % 1000));
            switch (rng() % 7)
            {
            case 0:
            case 1:
                a.Add(value);
                model.push_back(value);
                break;
            case 2:
            {
                int index = (int)(rng() % (count + 1));
                a.InsertAt(index, value);
                model.insert(model.begin() + index, value);
                break;
            }
            case 3:
                if (count > 0)
                {
                    int index = (int)(rng() % count);
                    int n = 1 + (int)(rng() % 4);
                    a.RemoveAt(index, n);
                    model.erase(model.begin() + index,
                                model.begin() + std::min(count, index + n));
                }
                break;
            case 4:
            {
                int index = (int)(rng() % (count + 1));
                a.SetAtGrow(index, value);
                if (index == count)
                    model.push_back(value);
                else
                    model[index] = value;
                break;
            }
            case 5:
                if (rng() % 50 == 0)
                {
                    a.RemoveAll();
                    model.clear();
                }
                break;
            default:
                if (count > 0)
                {
                    int n = (int)(rng() % count);
                    a.SetSize(n);
                    model.resize(n);
                }
                break;
            }
            ASSERT_EQ((i32)model.size(), a.GetCount()) << "seed " << seed << " step " << step;
            ASSERT_LE(a.GetCount(), a.GetCapacity());
        }
        EXPECT_EQ(model, Contents(a)) << "seed " << seed;
    }
}

// ---- Map ----------------------------------------------------------------------------

TEST(KetrelMapOrder, InsertSortedKeepsAscendingKeys)
{
    struct Case { const char* name; std::vector<i32> inserts; std::vector<i32> keys; };
    const Case cases[] = {
        {"five one three", {5, 1, 3}, {1, 3, 5}},
        {"descending", {9, 7, 5, 3, 1}, {1, 3, 5, 7, 9}},
        {"negatives are signed", {0, -1, 2147483647, -2147483647 - 1}, {-2147483647 - 1, -1, 0, 2147483647}},
        {"duplicate goes in too", {4, 2, 4}, {2, 4, 4}},
    };
    for (const Case& c : cases)
    {
        CKetrelMap<i32, i32> m;
        for (i32 k : c.inserts)
            m.InsertSorted({k, k / 10});
        EXPECT_EQ(c.keys, Keys(m)) << c.name;
    }
}

// InsertSorted places an equal key before the present one.
TEST(KetrelMapOrder, EqualKeyInsertsBeforeThePresentOne)
{
    CKetrelMap<i32, i32> m;
    m.InsertSorted({1, 0});
    m.InsertSorted({2, 100});
    m.InsertSorted({3, 0});
    m.InsertSorted({2, 200});
    ASSERT_EQ(4, m.GetCount());
    EXPECT_EQ(200, m.ElementAt(1)->value);
    EXPECT_EQ(100, m.ElementAt(2)->value);
}

TEST(KetrelMapOps, AddLookupRemove)
{
    CKetrelMap<i32, i32> m;
    EXPECT_EQ(-1, m.Find(3));
    EXPECT_EQ(1, m.AddPair({3, 30}));
    EXPECT_EQ(1, m.AddPair({1, 10}));
    EXPECT_EQ(0, m.AddPair({3, 99}));           // present: refused, unchanged
    EXPECT_EQ(2, m.GetCount());
    EXPECT_EQ(30, *m.Lookup(3));
    EXPECT_EQ(1, m.Find(3));

    i32* absent = m.Lookup(2);                   // absent: a zero value is stored
    ASSERT_NE(nullptr, absent);
    EXPECT_EQ(0, *absent);
    *absent = 20;
    EXPECT_EQ((std::vector<i32>{1, 2, 3}), Keys(m));
    EXPECT_EQ(20, m.ElementAt(1)->value);

    EXPECT_EQ(0, m.Remove(7));
    EXPECT_EQ(3, m.GetCount());
    EXPECT_EQ(1, m.Remove(1));
    EXPECT_EQ((std::vector<i32>{2, 3}), Keys(m));
    EXPECT_EQ(-1, m.Find(1));
    m.RemoveAll();
    EXPECT_EQ(0, m.GetCount());
}

// Binary search at every boundary of maps of every size up to 40.
TEST(KetrelMapOps, FindHitsEveryPositionAndMissesEveryGap)
{
    for (i32 n = 0; n <= 40; ++n)
    {
        CKetrelMap<i32, i32> m;
        for (i32 i = 0; i < n; ++i)
            m.AddPair({i * 2, i});
        for (i32 i = 0; i < n; ++i)
        {
            ASSERT_EQ(i, m.Find(i * 2)) << "size " << n;
            ASSERT_EQ(-1, m.Find(i * 2 + 1)) << "size " << n;
        }
        ASSERT_EQ(-1, m.Find(-1)) << "size " << n;
    }
}

// A key type ordered only by a Compare member, as the engine string is.
struct CompareOnlyKey
{
    int v;
    int Compare(const CompareOnlyKey& o) const { return v < o.v ? -5 : (v > o.v ? 7 : 0); }
};

TEST(KetrelMapKeys, CompareMemberOrdersKeys)
{
    CKetrelMap<CompareOnlyKey, int> m;
    for (int k : {30, 10, 20, 10})
        m.AddPair({{k}, k});
    ASSERT_EQ(3, m.GetCount());
    EXPECT_EQ(10, m.ElementAt(0)->key.v);
    EXPECT_EQ(20, m.ElementAt(1)->key.v);
    EXPECT_EQ(30, m.ElementAt(2)->key.v);
    EXPECT_EQ(2, m.Find({30}));
    EXPECT_EQ(-1, m.Find({25}));
}

// String keys follow the string's ordinal order: empty first, a proper prefix
// before the longer text, units compared as unsigned 16-bit values.
TEST(KetrelMapKeys, StringKeysInOrdinalOrder)
{
    const u16 high[] = {0xE9, 0};
    const u16 higher[] = {0x100, 0};
    CKetrelMap<CKetrelString, i32> m;
    const CKetrelString inserts[] = {
        CKetrelString("b"), CKetrelString(higher), CKetrelString("abc"), CKetrelString(""),
        CKetrelString("ab"), CKetrelString(high), CKetrelString("B"), CKetrelString("ab"),
    };
    for (const CKetrelString& k : inserts)
        m.AddPair({k, k.GetLength()});
    const CKetrelString order[] = {
        CKetrelString(""), CKetrelString("B"), CKetrelString("ab"), CKetrelString("abc"),
        CKetrelString("b"), CKetrelString(high), CKetrelString(higher),
    };
    ASSERT_EQ(7, m.GetCount());
    for (i32 i = 0; i < 7; ++i)
    {
        EXPECT_EQ(0, m.ElementAt(i)->key.Compare(order[i])) << i;
        EXPECT_EQ(i, m.Find(order[i])) << i;
    }
    EXPECT_EQ(-1, m.Find(CKetrelString("a")));
    EXPECT_EQ(-1, m.Find(CKetrelString("abcd")));
    *m.Lookup(CKetrelString("a")) = 5;
    EXPECT_EQ(2, m.Find(CKetrelString("a")));
    EXPECT_EQ(1, m.Remove(CKetrelString("")));
    EXPECT_EQ(0, m.ElementAt(0)->key.Compare(CKetrelString("B")));
}

// Seeded random edits applied to the map and to std::map side by side.
TEST(KetrelMapDifferential, MatchesStdMap)
{
    for (unsigned seed = 1; seed <= 20; ++seed)
    {
        std::mt19937 rng(seed);
        CKetrelMap<i32, std::vector<int>> m;
        std::map<i32, std::vector<int>> model;
        const i32 range = 10 + (i32)(seed * 13);
        for (int step = 0; step < 3000; ++step)
        {
            i32 key = (i32)(rng() % range) - range / 2;
            std::vector<int> value(1 + rng() % 3, (int)(rng() % 100));
            switch (rng() % 4)
            {
            case 0:
            {
                int added = m.AddPair({key, value});
                bool inserted = model.insert({key, value}).second;
                ASSERT_EQ(inserted ? 1 : 0, added) << "seed " << seed << " step " << step;
                break;
            }
            case 1:
            {
                std::vector<int>* v = m.Lookup(key);
                std::vector<int>& mv = model[key];
                ASSERT_EQ(mv, *v) << "seed " << seed << " step " << step;
                v->push_back(step);
                mv.push_back(step);
                break;
            }
            case 2:
                ASSERT_EQ((int)model.erase(key), m.Remove(key)) << "seed " << seed << " step " << step;
                break;
            default:
            {
                i32 index = m.Find(key);
                auto it = model.find(key);
                ASSERT_EQ(it != model.end(), index >= 0) << "seed " << seed << " step " << step;
                if (index >= 0)
                {
                    ASSERT_EQ(it->second, m.ElementAt(index)->value);
                }
                break;
            }
            }
        }
        ASSERT_EQ((i32)model.size(), m.GetCount()) << "seed " << seed;
        i32 i = 0;
        for (const auto& kv : model)
        {
            EXPECT_EQ(kv.first, m.ElementAt(i)->key) << "seed " << seed;
            EXPECT_EQ(kv.second, m.ElementAt(i)->value) << "seed " << seed;
            ++i;
        }
    }
}
