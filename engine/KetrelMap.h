#pragma once
#include "engine/KetrelArray.h"

#include <type_traits>

// One entry of a CKetrelMap.
template <class K, class V>
struct CKetrelPair
{
    K key;
    V value;
};

// Key order of a CKetrelMap: -1, 0 or 1. Keys with an operator< (integers,
// hashed strings) are ordered by it; other keys by a member
// `int Compare(const K&) const` (the engine string). Specialise this for a key
// that has neither.
template <class K, class = void>
struct CKetrelKeyOrder
{
    static int Compare(const K& a, const K& b)
    {
        int c = a.Compare(b);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
};

template <class K>
struct CKetrelKeyOrder<K, std::void_t<decltype(std::declval<const K&>() < std::declval<const K&>())>>
{
    static int Compare(const K& a, const K& b)
    {
        if (a < b)
            return -1;
        if (b < a)
            return 1;
        return 0;
    }
};

// A map kept as an array of pairs in ascending key order, searched by binary
// search. Built only through its own operations it holds no two equal keys;
// InsertSorted alone places an equal key before the present one.
template <class K, class V>
class CKetrelMap
{
public:
    typedef CKetrelPair<K, V> Pair;

    i32 GetCount() const { return m_pairs.GetCount(); }
    Pair* ElementAt(i32 index) const { return m_pairs.ElementAt(index); }
    void RemoveAt(i32 index) { m_pairs.RemoveAt(index); }
    void RemoveAll() { m_pairs.RemoveAll(); }

    // Index of the pair with this key, or -1.
    i32 Find(const K& key) const
    {
        i32 lo = 0;
        i32 hi = m_pairs.GetCount() - 1;
        const Pair* pairs = m_pairs.GetData();
        while (lo <= hi)
        {
            i32 mid = lo + (hi - lo) / 2;
            int c = CKetrelKeyOrder<K>::Compare(key, pairs[mid].key);
            if (c > 0)
                lo = mid + 1;
            else if (c < 0)
                hi = mid - 1;
            else
                return mid;
        }
        return -1;
    }
    i32 FindPair(const Pair& pair) const { return Find(pair.key); }

    // Inserts at the key's sorted place: before an equal key, else before the
    // first larger key (or at the end).
    void InsertSorted(const Pair& pair)
    {
        i32 lo = 0;
        i32 hi = m_pairs.GetCount() - 1;
        const Pair* pairs = m_pairs.GetData();
        while (lo <= hi)
        {
            i32 mid = lo + (hi - lo) / 2;
            int c = CKetrelKeyOrder<K>::Compare(pair.key, pairs[mid].key);
            if (c > 0)
                lo = mid + 1;
            else if (c < 0)
                hi = mid - 1;
            else
            {
                lo = mid;
                break;
            }
        }
        m_pairs.InsertAt(lo, pair);
    }

    // 0 and no change when the key is present, else inserts and returns 1.
    int AddPair(const Pair& pair)
    {
        if (Find(pair.key) >= 0)
            return 0;
        InsertSorted(pair);
        return 1;
    }

    // The value stored under key; an absent key is first added with a
    // value-initialised (zero) value. The pointer is valid until the next change.
    V* Lookup(const K& key)
    {
        i32 index = Find(key);
        if (index < 0)
        {
            Pair pair{key, V()};
            InsertSorted(pair);
            index = Find(key);
        }
        return &m_pairs.ElementAt(index)->value;
    }

    // 1 when a pair was removed, 0 when the key is absent.
    int Remove(const K& key)
    {
        i32 index = Find(key);
        if (index < 0)
            return 0;
        m_pairs.RemoveAt(index);
        return 1;
    }

private:
    CKetrelArray<Pair> m_pairs;
};
