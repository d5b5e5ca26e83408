#pragma once
// net/SocketEngine.h
#include "engine/KetrelArray.h"
#include "engine/KetrelMutex.h"
#include "engine/KetrelRunnable.h"
#include "engine/KetrelString.h"
#include "engine/KetrelThread.h"
#include "engine/KetrelTypes.h"

#include <atomic>

class IKetrelApplication;

// What a socket engine reports to its owner, always on the main thread.
class ISocketEngineObserver
{
public:
    virtual ~ISocketEngineObserver() {}
    // A status event; see the table in CSocketEngine. The owner acts on the code; the
    // detail tells causes apart.
    virtual void OnSocketStatus(int code, int detail) = 0;
    // One block of received bytes, valid only during the call.
    virtual void OnSocketData(const u8* data, int size) = 0;
};

// One entry of the outgoing or incoming queue. A data entry has a heap block (new[]),
// code -1 and detail 0; an event entry has no block. generation names the connection
// the entry belongs to: the engine never delivers an entry of an earlier connection.
struct SocketQueueEntry
{
    u8* data;
    i32 size;
    i32 code;
    i32 detail;
    u32 generation;
};

// One TCP client connection (IPv4) with a send thread and a receive thread. Everything
// the network produces is queued by the threads and handed to the observer from Run,
// which the application calls once per frame on the main thread; the engine registers
// itself as the application's runnable in Init.
//
// Status events (code, detail):
//   1 0   connected (the connect attempt succeeded)
//   0 1   socket() failed                        0 4   a worker thread cannot start
//   0 8   the wake-up pipe cannot be made         0 5   poll() failed
//   0 7   recv() failed, or no memory for a block
//   2 2   the host did not resolve, the connection was refused, or it was not
//         answered within the connect time-out (10 s)
//   2 10  Send while not connected (direct call), or five send attempts in a row
//         without progress
//   3 9   the socket was not writable within the send time-out (1 s)
//   3 6   fourth receive time-out (30 s each) in a row without data
//   4 0   the server closed the connection; also IsConnected(true) while not connected
//         (direct call)
// Every other event is queued and delivered by Run; a thread that queues an event ends.
// In a batch, the connected event comes in its place, received data before the other
// events.
//
// Connect never blocks: the name is resolved and the connection made on the engine's
// threads. From Connect until Close the engine counts as connected (IsConnected) and
// Send queues. Blocks sent before the observer has heard of the connection (1, 0) wait
// until that delivery returns, so what the observer sends from it (a greeting) is the
// first thing on the connection; the waiting blocks follow in their order.
//
// Main thread only, except where a comment says otherwise. The observer may call Close,
// Connect, Shutdown or even delete the engine from inside a delivery: nothing of the
// closed connection is delivered after that, and nothing is delivered re-entrantly.
class CSocketEngine : public IKetrelRunnable
{
public:
    enum
    {
        KE_SOCKET_STOP_TOKEN = (i32)0xFFFFFFFF,
        KE_SOCKET_RECEIVE_BUFFER = 65536,     // bytes read by one recv()
        KE_SOCKET_IDLE_LIMIT = 3,             // silent receive time-outs allowed in a row
        KE_SOCKET_SEND_ATTEMPTS = 5           // send attempts without progress per block
    };

    CSocketEngine();
    ~CSocketEngine() override;                // Shutdown

    // 1, or 0 for a null application or when the wake-up pipe cannot be made (event
    // (0, 8) then follows). Registers the engine as a runnable of app. Calling it again
    // shuts the engine down first.
    int Init(IKetrelApplication* app, ISocketEngineObserver* observer);
    // Starts a connection to host (a name or a dotted IPv4 address) and port, closing an
    // earlier one without delivering its events. 1 when the attempt is under way: the
    // outcome arrives as event (1, 0) or (2, 2). 0 when it could not start; the reason is
    // queued as an event.
    int Connect(const CKetrelString& host, int port);
    // Queues a copy of the bytes. size <= 0 does nothing; while not connected (or while
    // closing) the observer gets (2, 10) at once and nothing is queued.
    void Send(const u8* data, int size);
    // False while closing; true from Connect until Close (even after a thread ended on
    // an error: the owner reacts to the event). With notify, false also calls the
    // observer's OnSocketStatus(4, 0) at once.
    bool IsConnected(bool notify);
    // True once 30 s have passed while connected without received data; the clock then
    // starts again.
    bool IsKeepAliveDue();

    // The per-frame delivery.
    void Run(f32 seconds) override;

    // Sends what is queued (up to about 15 s while the send thread makes progress),
    // delivers what has already arrived (not when called from inside this engine's own
    // delivery), then stops both threads and closes the socket. Nothing queued by the
    // closed connection is delivered afterwards. No effect without a connection. The
    // engine keeps its observer and application and may Connect again.
    void Close();
    // Closes without delivering, frees everything queued, unregisters the runnable and
    // closes the pipe. Afterwards only Init is valid.
    void Shutdown();

    // Queues an event for the current connection. Any thread; returns 0.
    int PostEvent(int code, int detail);
    // Drops every queued outgoing block. Any thread.
    void ClearOutgoingQueue();

    // Time-outs in milliseconds: a receive wait (30000), a send wait (1000) and the
    // connect attempt including name resolution (10000). For tests; takes effect at the
    // next Connect.
    void SetTimeouts(int receiveMs, int sendMs, int connectMs);

    int GetPort() const { return m_port; }
    const CKetrelString& GetHost() const { return m_host; }
    int GetSocket() const { return m_socket; }

private:
    class ReceiveThread;
    class SendThread;
    friend class ReceiveThread;
    friend class SendThread;

    CSocketEngine(const CSocketEngine&) = delete;
    CSocketEngine& operator=(const CSocketEngine&) = delete;

    // Worker bodies; generation is the connection the thread serves.
    void ReceiveBody(ReceiveThread* thread, u32 generation);
    void SendBody(SendThread* thread, u32 generation);
    // Resolves and connects on the receive thread. 1 connected; 0 failed (event posted)
    // or stopped (nothing posted).
    int EstablishConnection(u32 generation);
    // Waits up to timeoutMs for fd (events: POLLIN or POLLOUT) and, withPipe, for the
    // wake-up pipe. 1 fd ready, 0 time-out, -1 poll failed, -2 the engine is closing.
    // The send thread waits without the pipe (the receive thread owns its tokens):
    // Close shuts the socket down to wake it.
    int WaitFor(int fd, short events, int timeoutMs, bool withPipe);
    // Reads every token out of the pipe.
    void DrainPipe();
    int PostEntry(const SocketQueueEntry& entry);
    // Ends the send thread's work on a failure: the event, then the queue and the
    // thread's buffer dropped.
    void PostSendFailure(int code, int detail, u32 generation, u8** buffer);
    // Stops both threads and closes the socket; drops what they queued. Main thread.
    void CloseConnection();
    void FreeIncoming();
    // Queues the blocks held back before the connected event, in their order.
    void ReleaseHeld();
    void FreeHeld();
    bool HasConnection() const;

    ISocketEngineObserver* m_observer;        // not owned
    IKetrelApplication* m_application;        // not owned
    std::atomic<i32> m_closing;               // set while Close tears the connection down

    CKetrelMutex m_outgoingMutex;             // guards m_outgoing
    CKetrelArray<SocketQueueEntry> m_outgoing;
    CKetrelMutex m_incomingMutex;             // guards m_writeIndex and m_incoming[m_writeIndex]
    CKetrelArray<SocketQueueEntry> m_incoming[2];
    CKetrelArray<SocketQueueEntry> m_held;    // sent before the connected event; main thread
    i32 m_reported;                           // 1 once the observer heard of the connection
    i32 m_writeIndex;
    std::atomic<i32> m_queued;                // 1 when an entry was added since the last flip

    ReceiveThread* m_receiveThread;           // owned
    SendThread* m_sendThread;                 // owned
    int m_socket;                             // -1 when none
    int m_pipeRead;                           // wake-up pipe, both ends non-blocking
    int m_pipeWrite;
    int m_receiveTimeoutMs;
    int m_sendTimeoutMs;
    int m_connectTimeoutMs;

    std::atomic<u32> m_generation;            // the current connection
    std::atomic<i32> m_linkUp;                // 1 once the connection of this generation is up
    std::atomic<i32> m_sendBusy;              // 1 while the send thread holds a block
    f32 m_keepAlive;                          // seconds since the last received block
    int m_port;
    CKetrelString m_host;
    char* m_hostName;                         // 8-bit copy for the resolver, owned
    i32 m_inRun;                              // 1 while Run delivers
    bool* m_destroyedFlag;                    // Run's (or Close's) stack flag, set by the destructor
};
