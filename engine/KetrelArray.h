#pragma once
#include "engine/KetrelTypes.h"

#include <cassert>
#include <utility>

// A growable array of values. Storage is made with value-initialising new[]
// (plain records start zero-filled) and elements are moved by assignment when
// the storage is replaced. Growth beyond the capacity goes to
// max(capacity + step, newCount), the step being the stored grow-by value or,
// when that is 0, an eighth of the current count held between 4 and 1024.
// Shrinking keeps the storage: elements past the count keep whatever they held
// until they are reused. Copies are deep.
template <class T>
class CKetrelArray
{
public:
    CKetrelArray() : m_data(nullptr), m_count(0), m_capacity(0), m_growBy(0) {}
    ~CKetrelArray() { delete[] m_data; }

    CKetrelArray(const CKetrelArray& other) : m_data(nullptr), m_count(0), m_capacity(0), m_growBy(0)
    {
        CopyFrom(other);
    }
    CKetrelArray& operator=(const CKetrelArray& other)
    {
        if (this != &other)
            CopyFrom(other);
        return *this;
    }

    i32 GetCount() const { return m_count; }
    i32 GetCapacity() const { return m_capacity; }
    i32 GetGrowBy() const { return m_growBy; }
    T* GetData() const { return m_data; }

    // No bounds check beyond a debug assert: callers keep 0 <= index < count.
    T* ElementAt(i32 index) const
    {
        assert(index >= 0 && index < m_count);
        return m_data + index;
    }
    T& operator[](i32 index) { return *ElementAt(index); }
    const T& operator[](i32 index) const { return *ElementAt(index); }

    // growBy other than -1 is kept as the step of every later growth
    // (0 = automatic). newCount 0 frees the storage. A negative count is ignored.
    void SetSize(i32 newCount, i32 growBy = -1)
    {
        if (growBy != -1)
            m_growBy = growBy;
        if (newCount < 0)
            return;
        if (newCount == 0)
        {
            delete[] m_data;
            m_data = nullptr;
            m_count = 0;
            m_capacity = 0;
            return;
        }
        if (m_data == nullptr)
        {
            m_data = new T[newCount]();
            m_capacity = newCount;
        }
        else if (newCount > m_capacity)
        {
            i32 step = m_growBy;
            if (step <= 0)
            {
                step = m_count / 8;
                if (step < 4)
                    step = 4;
                else if (step > 1024)
                    step = 1024;
            }
            i32 capacity = m_capacity + step;
            if (capacity < newCount)
                capacity = newCount;
            T* data = new T[capacity]();
            for (i32 i = 0; i < m_count; ++i)
                data[i] = std::move(m_data[i]);
            delete[] m_data;
            m_data = data;
            m_capacity = capacity;
        }
        m_count = newCount;
    }

    // Appends a copy. The value is copied before the storage can move, so an
    // element of this same array may be passed.
    void Add(const T& value)
    {
        T copy(value);
        SetSize(m_count + 1);
        m_data[m_count - 1] = std::move(copy);
    }

    // Grows to index + 1 when index is at or past the count, then assigns.
    // A negative index is ignored.
    void SetAtGrow(i32 index, const T& value)
    {
        if (index < 0)
            return;
        if (index < m_count)
        {
            m_data[index] = value;
            return;
        }
        T copy(value);
        SetSize(index + 1);
        m_data[index] = std::move(copy);
    }

    // A negative index does nothing; an index at or past the count grows the
    // array to index + 1 and stores the value last; otherwise the elements
    // from index on move up by one.
    void InsertAt(i32 index, const T& value)
    {
        if (index < 0)
            return;
        T copy(value);
        if (index >= m_count)
        {
            SetSize(index + 1);
            m_data[index] = std::move(copy);
            return;
        }
        SetSize(m_count + 1);
        for (i32 i = m_count - 1; i > index; --i)
            m_data[i] = std::move(m_data[i - 1]);
        m_data[index] = std::move(copy);
    }

    // Removes count elements from index (cut to those present); the later
    // elements move down. Out-of-range indices are ignored.
    void RemoveAt(i32 index, i32 count = 1)
    {
        if (index < 0 || index >= m_count || count <= 0)
            return;
        if (count > m_count - index)
            count = m_count - index;
        for (i32 i = index; i + count < m_count; ++i)
            m_data[i] = std::move(m_data[i + count]);
        m_count -= count;
    }

    void RemoveAll() { SetSize(0); }

private:
    void CopyFrom(const CKetrelArray& other)
    {
        T* data = nullptr;
        if (other.m_count > 0)
        {
            data = new T[other.m_count]();
            for (i32 i = 0; i < other.m_count; ++i)
                data[i] = other.m_data[i];
        }
        delete[] m_data;
        m_data = data;
        m_count = other.m_count;
        m_capacity = other.m_count;
        m_growBy = other.m_growBy;
    }

    T* m_data;        // capacity elements, owned
    i32 m_count;      // elements in use
    i32 m_capacity;   // elements allocated
    i32 m_growBy;     // growth step; 0 = automatic
};
