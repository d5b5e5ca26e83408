#pragma once
#include "engine/KetrelTypes.h"

// Cuts one channel's byte stream into whole messages by their BER lengths. Chunks may be
// cut anywhere, even inside an identifier or a length; a message that arrives whole in a
// chunk is handed on from that chunk without copying, a message spread over chunks is
// gathered in the cutter's buffer (grown by doubling with what has arrived, never beyond
// the message's size, and returned to DefaultCapacity after a larger message). Messages longer than
// BerMaxLength are refused: the stream cannot be trusted after them, so the cutter drops
// what it holds and the caller should close the channel. Main thread only.
class CBerStreamCutter
{
public:
    enum { DefaultCapacity = 65536 };

    // Called once per whole message, in stream order; the bytes live during the call.
    // The handler may Reset the cutter (for instance when it closes the channel): the rest
    // of the chunk is then dropped. It must not Feed the same cutter.
    typedef void (*MessageHandler)(void* context, const u8* message, int size);

    CBerStreamCutter();
    ~CBerStreamCutter();
    CBerStreamCutter(const CBerStreamCutter&) = delete;
    CBerStreamCutter& operator=(const CBerStreamCutter&) = delete;

    // 1; 4 when the stream holds a message that can never be valid (too long, or a length
    // form of more than 4 bytes); 7 when the buffer cannot grow. After 4 or 7 the cutter is
    // reset. A size of 0 or less does nothing.
    int Feed(const u8* data, int size, MessageHandler handler, void* context);
    // Forgets a partly received message: call when the channel connects or closes, so no
    // old bytes are glued to a new connection.
    void Reset();

    int GetPendingSize() const { return m_fill; }
    int GetCapacity() const { return m_capacity; }

private:
    bool Reserve(int size);

    u8* m_buffer;
    int m_capacity;
    int m_fill;
    u32 m_generation;   // bumped by Reset, so Feed notices a reset from inside a handler
};
