#pragma once
#include "engine/KetrelTypes.h"

// An array of untyped pointers that grows by exactly 5 slots at a time.
// It never deletes what it points to: an owner deletes every item itself and
// then calls RemoveAll. Indices outside the valid range are ignored by the
// changing operations (InsertAt accepts 0..count, the others 0..count-1).
class CKetrelPtrArray
{
public:
    static CKetrelPtrArray* Create();

    CKetrelPtrArray();
    ~CKetrelPtrArray();                   // frees the slots, not the items
    CKetrelPtrArray(const CKetrelPtrArray&) = delete;
    CKetrelPtrArray& operator=(const CKetrelPtrArray&) = delete;

    void Add(void* item);
    // index == count appends; later items move up by one.
    void InsertAt(i32 index, void* item);
    // Later items move down by one; the item itself is not deleted.
    void RemoveAt(i32 index);
    void SetAt(i32 index, void* item);
    // Replaces the slots by count + 5 new ones; free becomes 5.
    void Grow();
    // Frees the slots (count and free 0); the items are not deleted.
    void RemoveAll();

    i32 GetCount() const { return m_count; }
    i32 GetFree() const { return m_free; }       // allocated, unused slots
    // Null for an index outside 0..count-1.
    void* GetAt(i32 index) const
    { return (index >= 0 && index < m_count) ? m_items[index] : nullptr; }
    void** GetItems() const { return m_items; }  // count items, null when none

private:
    i32 m_count;      // items in use
    i32 m_free;       // slots allocated but not in use
    void** m_items;   // count + free slots, owned; the items are not
};
