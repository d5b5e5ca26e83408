#include "engine/KetrelPtrArray.h"

#include <cstring>

CKetrelPtrArray* CKetrelPtrArray::Create()
{
    return new CKetrelPtrArray();
}

CKetrelPtrArray::CKetrelPtrArray() : m_count(0), m_free(0), m_items(nullptr)
{
}

CKetrelPtrArray::~CKetrelPtrArray()
{
    RemoveAll();
}

void CKetrelPtrArray::Grow()
{
    void** items = new void*[m_count + 5];
    if (m_count > 0)
        std::memcpy(items, m_items, sizeof(void*) * m_count);
    delete[] m_items;
    m_items = items;
    m_free = 5;
}

void CKetrelPtrArray::Add(void* item)
{
    if (m_free == 0)
        Grow();
    m_items[m_count] = item;
    ++m_count;
    --m_free;
}

void CKetrelPtrArray::InsertAt(i32 index, void* item)
{
    if (index < 0 || index > m_count)
        return;
    if (index == m_count)
    {
        Add(item);
        return;
    }
    if (m_free == 0)
        Grow();
    std::memmove(m_items + index + 1, m_items + index, sizeof(void*) * (m_count - index));
    m_items[index] = item;
    ++m_count;
    --m_free;
}

void CKetrelPtrArray::RemoveAt(i32 index)
{
    if (index < 0 || index >= m_count)
        return;
    std::memmove(m_items + index, m_items + index + 1, sizeof(void*) * (m_count - index - 1));
    --m_count;
    ++m_free;
}

void CKetrelPtrArray::SetAt(i32 index, void* item)
{
    if (index >= 0 && index < m_count)
        m_items[index] = item;
}

void CKetrelPtrArray::RemoveAll()
{
    delete[] m_items;
    m_items = nullptr;
    m_count = 0;
    m_free = 0;
}
