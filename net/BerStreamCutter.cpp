#include "net/BerStreamCutter.h"

#include "engine/KetrelResult.h"
#include "net/BerRules.h"

#include <cstring>
#include <new>

CBerStreamCutter::CBerStreamCutter() : m_buffer(nullptr), m_capacity(0), m_fill(0), m_generation(0) {}

CBerStreamCutter::~CBerStreamCutter()
{
    delete[] m_buffer;
}

void CBerStreamCutter::Reset()
{
    m_fill = 0;
    ++m_generation;
}

bool CBerStreamCutter::Reserve(int size)
{
    if (size < DefaultCapacity)
        size = DefaultCapacity;
    if (m_buffer && m_capacity >= size)
        return true;
    u8* buffer = new (std::nothrow) u8[(size_t)size];
    if (!buffer)
        return false;
    if (m_fill > 0)
        std::memcpy(buffer, m_buffer, (size_t)m_fill);
    delete[] m_buffer;
    m_buffer = buffer;
    m_capacity = size;
    return true;
}

int CBerStreamCutter::Feed(const u8* data, int size, MessageHandler handler, void* context)
{
    const u32 generation = m_generation;
    while (size > 0)
    {
        if (m_fill == 0)
        {
            const int need = BerGetFrameSize(data, size);
            if (need == -2)
            {
                Reset();
                return KE_ERR_FORMAT;
            }
            if (need >= 0 && need <= size)
            {
                handler(context, data, need);
                if (m_generation != generation)
                    return KE_OK;
                data += need;
                size -= need;
                continue;
            }
            // The start of a message (perhaps only part of its header): keep it.
            if (!Reserve(size))
            {
                Reset();
                return KE_ERR_MEMORY;
            }
            std::memcpy(m_buffer, data, (size_t)size);
            m_fill = size;
            return KE_OK;
        }

        int need = BerGetFrameSize(m_buffer, m_fill);
        if (need == -2)
        {
            Reset();
            return KE_ERR_FORMAT;
        }
        // Until the header is whole, take one byte at a time and look again, so no byte of
        // the next message is ever taken into this one.
        const int target = need < 0 ? m_fill + 1 : need;
        // The buffer grows with what has arrived, doubling, up to the message's size: a
        // header alone that claims a large message allocates nothing big.
        const int arrived = m_fill + (size < target - m_fill ? size : target - m_fill);
        int grow = m_capacity * 2 < target ? m_capacity * 2 : target;
        if (grow < arrived)
            grow = arrived;
        if (arrived > m_capacity && !Reserve(grow))
        {
            Reset();
            return KE_ERR_MEMORY;
        }
        int take = target - m_fill;
        if (take > size)
            take = size;
        std::memcpy(m_buffer + m_fill, data, (size_t)take);
        m_fill += take;
        data += take;
        size -= take;
        if (need < 0)
        {
            need = BerGetFrameSize(m_buffer, m_fill);
            if (need == -2)
            {
                Reset();
                return KE_ERR_FORMAT;
            }
        }
        if (need < 0 || m_fill < need)
            continue;

        m_fill = 0;
        handler(context, m_buffer, need);
        if (m_generation != generation)
            return KE_OK;
        if (m_capacity > DefaultCapacity)
        {
            delete[] m_buffer;
            m_buffer = nullptr;
            m_capacity = 0;
        }
    }
    return KE_OK;
}
