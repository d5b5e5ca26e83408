// net/SocketEngine.cpp
#include "net/SocketEngine.h"

#include "engine/KetrelApplication.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <new>
#include <poll.h>
#include <pthread.h>
#include <stdlib.h>
#include <string.h>
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

namespace
{
const int kReceiveTimeoutMs = 30000;   // one silent receive wait
const int kSendTimeoutMs = 1000;       // the socket must become writable within this
const int kConnectTimeoutMs = 10000;   // name resolution plus the TCP handshake
const int kDrainStepMs = 5;            // Close polls the send queue this often ...
const int kDrainSteps = 3020;          // ... for at most 15.1 s
const f32 kKeepAliveSeconds = 30.0f;

i64 NowMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (i64)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

// A name lookup on a detached thread of its own, so that a slow resolver never holds
// up Close: the receive thread may give up on it, and the last of the two holders
// frees it.
struct SocketResolveRequest
{
    std::atomic<i32> refs;
    std::atomic<i32> done;
    int pipeRead;
    int pipeWrite;
    char* name;
    i32 ok;
    in_addr address;
};

void ReleaseResolve(SocketResolveRequest* request)
{
    if (request->refs.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    close(request->pipeRead);
    close(request->pipeWrite);
    free(request->name);
    delete request;
}

void* ResolveEntry(void* arg)
{
    SocketResolveRequest* request = static_cast<SocketResolveRequest*>(arg);
    addrinfo hints;
    memset(&hints, 0, sizeof(hints));
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(request->name, nullptr, &hints, &found) == 0 && found)
    {
        request->address = ((const sockaddr_in*)found->ai_addr)->sin_addr;
        request->ok = 1;
    }
    if (found)
        freeaddrinfo(found);
    request->done.store(1, std::memory_order_release);
    const u8 byte = 1;
    (void)!write(request->pipeWrite, &byte, 1);
    ReleaseResolve(request);
    return nullptr;
}
}

// ---- worker threads ----

class CSocketEngine::ReceiveThread : public IKetrelThread
{
public:
    ReceiveThread() : m_engine(nullptr), m_generation(0) {}
    ~ReceiveThread() override { Stop(); }

    int Start(CSocketEngine* engine, u32 generation)
    {
        m_engine = engine;
        m_generation = generation;
        return IKetrelThread::Start(KE_PRIORITY_UNCHANGED);
    }
    void Stop()
    {
        IKetrelThread::Stop();
        m_engine = nullptr;
    }

    u8 m_buffer[KE_SOCKET_RECEIVE_BUFFER];

protected:
    void Run() override { m_engine->ReceiveBody(this, m_generation); }

private:
    CSocketEngine* m_engine;
    u32 m_generation;
};

class CSocketEngine::SendThread : public IKetrelThread
{
public:
    SendThread() : m_engine(nullptr), m_generation(0) {}
    ~SendThread() override { Stop(); }

    int Start(CSocketEngine* engine, u32 generation)
    {
        m_engine = engine;
        m_generation = generation;
        return IKetrelThread::Start(KE_PRIORITY_UNCHANGED);
    }
    void Stop()
    {
        IKetrelThread::Stop();
        m_engine = nullptr;
    }

protected:
    void Run() override { m_engine->SendBody(this, m_generation); }

private:
    CSocketEngine* m_engine;
    u32 m_generation;
};

// ---- lifecycle ----

CSocketEngine::CSocketEngine()
    : m_observer(nullptr), m_application(nullptr), m_closing(0), m_reported(0), m_writeIndex(0), m_queued(0),
      m_receiveThread(nullptr), m_sendThread(nullptr), m_socket(-1), m_pipeRead(-1),
      m_pipeWrite(-1), m_receiveTimeoutMs(kReceiveTimeoutMs), m_sendTimeoutMs(kSendTimeoutMs),
      m_connectTimeoutMs(kConnectTimeoutMs), m_generation(1), m_linkUp(0), m_sendBusy(0),
      m_keepAlive(0.0f), m_port(0), m_hostName(nullptr), m_inRun(0), m_destroyedFlag(nullptr)
{
}

CSocketEngine::~CSocketEngine()
{
    if (m_destroyedFlag)
        *m_destroyedFlag = true;
    Shutdown();
}

int CSocketEngine::Init(IKetrelApplication* app, ISocketEngineObserver* observer)
{
    if (m_application || m_pipeRead != -1)
        Shutdown();
    if (!app)
        return 0;
    m_application = app;
    m_observer = observer;
    m_keepAlive = 0.0f;
    app->AddRunnable(this);
    m_socket = -1;
    int fds[2];
    if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0)
    {
        PostEvent(0, 8);
        return 0;
    }
    m_pipeRead = fds[0];
    m_pipeWrite = fds[1];
    return 1;
}

void CSocketEngine::SetTimeouts(int receiveMs, int sendMs, int connectMs)
{
    m_receiveTimeoutMs = receiveMs > 0 ? receiveMs : kReceiveTimeoutMs;
    m_sendTimeoutMs = sendMs > 0 ? sendMs : kSendTimeoutMs;
    m_connectTimeoutMs = connectMs > 0 ? connectMs : kConnectTimeoutMs;
}

bool CSocketEngine::HasConnection() const
{
    return m_socket != -1 || m_receiveThread || m_sendThread;
}

int CSocketEngine::Connect(const CKetrelString& host, int port)
{
    if (HasConnection())
        CloseConnection();
    FreeHeld();
    m_generation.fetch_add(1);
    m_linkUp.store(0);
    m_port = port;
    m_host = host;
    m_keepAlive = 0.0f;
    if (m_pipeRead == -1)
    {
        PostEvent(0, 8);              // never initialised, or the pipe failed
        return 0;
    }

    const int size = host.ToNarrow(nullptr);
    m_hostName = (char*)malloc((size_t)(size > 0 ? size : 1));
    m_socket = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (!m_hostName || m_socket < 0)
    {
        if (m_socket >= 0)
            close(m_socket);
        m_socket = -1;
        free(m_hostName);
        m_hostName = nullptr;
        PostEvent(0, 1);
        return 0;
    }
    m_hostName[0] = 0;
    host.ToNarrow(m_hostName);

    // The send thread first: the receive thread wakes it once the connection is up.
    const u32 generation = m_generation.load();
    m_sendThread = new (std::nothrow) SendThread();
    if (m_sendThread && m_sendThread->Start(this, generation))
    {
        m_receiveThread = new (std::nothrow) ReceiveThread();
        if (m_receiveThread && m_receiveThread->Start(this, generation))
            return 1;
    }
    CloseConnection();
    m_generation.store(generation);   // the event below belongs to this attempt
    PostEvent(0, 4);
    return 0;
}

void CSocketEngine::Close()
{
    if (m_closing.load() || !HasConnection())
        return;
    // Blocks still waiting for the connected event are dropped: the deliveries below
    // are part of closing, and what that event's delivery would have sent first (the
    // greeting) does not go out, so neither may what waited behind it.
    if (!m_reported)
        FreeHeld();
    const u32 generation = m_generation.load();
    int step = 0;
    if (m_linkUp.load())
    {
        for (; step < kDrainSteps; ++step)
        {
            m_outgoingMutex.Lock();
            const bool pending = m_outgoing.GetCount() > 0;
            m_outgoingMutex.Unlock();
            if ((!pending && !m_sendBusy.load()) || !m_sendThread || !m_sendThread->IsRunning())
                break;
            m_sendThread->Signal();
            IKetrelThread::Sleep(kDrainStepMs);
        }
        // What the socket took must also reach the server: closing a socket that still
        // holds received bytes resets the connection and throws away what it has not
        // sent yet. Wait while the server keeps taking it, within the same budget.
        int last = 0x7FFFFFFF;
        i64 progress = NowMs();
        for (; step < kDrainSteps; ++step)
        {
            int unsent = 0;
            if (ioctl(m_socket, SIOCOUTQ, &unsent) != 0 || unsent <= 0)
                break;
            const i64 now = NowMs();
            if (unsent < last)
            {
                last = unsent;
                progress = now;
            }
            else if (now - progress >= m_sendTimeoutMs)
                break;
            IKetrelThread::Sleep(kDrainStepMs);
        }
    }
    // From inside this engine's own delivery nothing more is delivered.
    if (!m_inRun)
    {
        // The observer may delete the engine from these deliveries: Run then sets the
        // flag, and nothing of the engine is touched afterwards.
        bool destroyed = false;
        m_destroyedFlag = &destroyed;
        Run(0.0f);
        if (destroyed)
            return;
        Run(0.0f);
        if (destroyed)
            return;
        m_destroyedFlag = nullptr;
        // The observer may have closed or replaced the connection meanwhile.
        if (m_generation.load() != generation || !HasConnection())
            return;
    }
    CloseConnection();
    m_port = 0;
    m_host.Clear();
}

void CSocketEngine::CloseConnection()
{
    const i32 wasClosing = m_closing.exchange(1);
    // Shutting the socket down wakes a thread blocked on it; it is closed only once
    // both threads have ended, so no thread ever touches a reused descriptor.
    if (m_socket != -1)
        shutdown(m_socket, SHUT_RDWR);
    if (m_receiveThread)
    {
        const u32 token = (u32)KE_SOCKET_STOP_TOKEN;
        if (m_pipeWrite != -1)
            (void)!write(m_pipeWrite, &token, sizeof(token));
        m_receiveThread->Stop();
        delete m_receiveThread;
        m_receiveThread = nullptr;
    }
    if (m_sendThread)
    {
        m_sendThread->Stop();
        delete m_sendThread;
        m_sendThread = nullptr;
    }
    if (m_socket != -1)
        close(m_socket);
    m_socket = -1;
    DrainPipe();
    ClearOutgoingQueue();
    FreeIncoming();
    FreeHeld();
    m_generation.fetch_add(1);
    m_linkUp.store(0);
    m_sendBusy.store(0);
    free(m_hostName);
    m_hostName = nullptr;
    m_closing.store(wasClosing);
}

void CSocketEngine::Shutdown()
{
    if (HasConnection())
        CloseConnection();
    FreeIncoming();
    FreeHeld();
    ClearOutgoingQueue();
    if (m_application)
        m_application->RemoveRunnable(this);
    if (m_pipeRead != -1)
        close(m_pipeRead);
    if (m_pipeWrite != -1)
        close(m_pipeWrite);
    m_pipeRead = m_pipeWrite = -1;
    m_port = 0;
    m_host.Clear();
    m_application = nullptr;
    m_generation.fetch_add(1);
}

// ---- queues ----

int CSocketEngine::PostEntry(const SocketQueueEntry& entry)
{
    m_incomingMutex.Lock();
    bool added = true;
    try
    {
        m_incoming[m_writeIndex].Add(entry);
        m_queued.store(1, std::memory_order_release);
        // An idle run loop waits for input; this ends the wait so the entry is
        // delivered in the next frame rather than at the next idle frame.
        if (m_application)
            m_application->Wake();
    }
    catch (const std::bad_alloc&)
    {
        added = false;
    }
    m_incomingMutex.Unlock();
    return added ? 1 : 0;
}

int CSocketEngine::PostEvent(int code, int detail)
{
    SocketQueueEntry entry = {nullptr, 0, code, detail, m_generation.load()};
    PostEntry(entry);
    return 0;
}

void CSocketEngine::ClearOutgoingQueue()
{
    m_outgoingMutex.Lock();
    for (i32 i = 0; i < m_outgoing.GetCount(); ++i)
        delete[] m_outgoing[i].data;
    m_outgoing.RemoveAt(0, m_outgoing.GetCount());
    m_outgoingMutex.Unlock();
}

void CSocketEngine::FreeIncoming()
{
    m_incomingMutex.Lock();
    for (int a = 0; a < 2; ++a)
    {
        for (i32 i = 0; i < m_incoming[a].GetCount(); ++i)
            delete[] m_incoming[a][i].data;
        m_incoming[a].RemoveAt(0, m_incoming[a].GetCount());
    }
    m_incomingMutex.Unlock();
}

void CSocketEngine::FreeHeld()
{
    for (i32 i = 0; i < m_held.GetCount(); ++i)
        delete[] m_held[i].data;
    m_held.RemoveAll();
    m_reported = 0;
}

void CSocketEngine::ReleaseHeld()
{
    if (m_held.GetCount() == 0)
        return;
    m_outgoingMutex.Lock();
    const bool wasEmpty = m_outgoing.GetCount() == 0;
    i32 moved = 0;
    try
    {
        for (; moved < m_held.GetCount(); ++moved)
            m_outgoing.Add(m_held[moved]);
    }
    catch (const std::bad_alloc&)
    {
        for (i32 i = moved; i < m_held.GetCount(); ++i)
            delete[] m_held[i].data;
    }
    m_outgoingMutex.Unlock();
    m_held.RemoveAll();
    if (wasEmpty && m_sendThread)
        m_sendThread->Signal();
}

void CSocketEngine::Send(const u8* data, int size)
{
    if (size <= 0)
        return;
    if (!data || !IsConnected(false))
    {
        if (m_observer)
            m_observer->OnSocketStatus(2, 10);
        return;
    }
    if (!m_reported)
    {
        // Before the connected event: kept until what its delivery sends has gone first.
        SocketQueueEntry entry = {new (std::nothrow) u8[size], size, -1, 0, m_generation.load()};
        if (!entry.data)
            return;
        memcpy(entry.data, data, (size_t)size);
        try
        {
            m_held.Add(entry);
        }
        catch (const std::bad_alloc&)
        {
            delete[] entry.data;
        }
        return;
    }
    m_outgoingMutex.Lock();
    const bool wasEmpty = m_outgoing.GetCount() == 0;
    // With nothing queued or on its way, as much as the socket takes at once goes out
    // from here without waking the send thread; only the rest is queued.
    if (wasEmpty && m_linkUp.load() && !m_sendBusy.load())
    {
        const ssize_t n = send(m_socket, data, (size_t)size, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n == size)
        {
            m_outgoingMutex.Unlock();
            return;
        }
        if (n > 0)
        {
            data += n;
            size -= (int)n;
        }
    }
    u8* block = new (std::nothrow) u8[size];
    if (!block)
    {
        m_outgoingMutex.Unlock();
        return;
    }
    memcpy(block, data, (size_t)size);
    SocketQueueEntry entry = {block, size, -1, 0, m_generation.load()};
    bool added = true;
    try
    {
        m_outgoing.Add(entry);
    }
    catch (const std::bad_alloc&)
    {
        added = false;
    }
    m_outgoingMutex.Unlock();
    if (!added)
    {
        delete[] block;
        return;
    }
    // The thread's signal is kept until its next Wait, so it cannot be missed between
    // the thread finding the queue empty and going to sleep.
    if (wasEmpty)
        m_sendThread->Signal();
}

bool CSocketEngine::IsConnected(bool notify)
{
    if (m_closing.load())
        return false;
    if (m_socket != -1 && m_receiveThread && m_sendThread)
        return true;
    if (notify && m_observer)
        m_observer->OnSocketStatus(4, 0);
    return false;
}

bool CSocketEngine::IsKeepAliveDue()
{
    if (m_keepAlive < kKeepAliveSeconds)
        return false;
    m_keepAlive = 0.0f;
    return true;
}

// ---- delivery on the main thread ----

void CSocketEngine::Run(f32 seconds)
{
    if (m_inRun)
        return;
    if (IsConnected(false))
        m_keepAlive += seconds;

    // A frame with nothing queued takes no lock.
    if (!m_queued.load(std::memory_order_acquire))
        return;
    m_incomingMutex.Lock();
    CKetrelArray<SocketQueueEntry>& filled = m_incoming[m_writeIndex];
    m_writeIndex ^= 1;
    m_queued.store(0, std::memory_order_relaxed);
    m_incomingMutex.Unlock();
    const i32 count = filled.GetCount();
    if (count == 0)
        return;
    // A copy of its own: the observer may Close or Shutdown, which empty the queues.
    CKetrelArray<SocketQueueEntry> batch(filled);
    filled.RemoveAt(0, count);
    // What arrives may change the screen: the frames around it draw.
    if (m_application)
        m_application->ResetIdleTimer();

    // A caller of Run that must know of a deletion (Close) has set its own flag.
    bool* const outer = m_destroyedFlag;
    bool destroyed = false;
    m_destroyedFlag = &destroyed;
    m_inRun = 1;
    CKetrelArray<SocketQueueEntry> events;
    for (i32 i = 0; i < count; ++i)
    {
        SocketQueueEntry& entry = batch[i];
        if (entry.generation != m_generation.load() || !m_observer)
        {
            delete[] entry.data;
            continue;
        }
        if (entry.code == -1)
        {
            m_keepAlive = 0.0f;
            m_observer->OnSocketData(entry.data, entry.size);
            delete[] entry.data;
        }
        else if (entry.code == 1)
        {
            // The connected event always comes before any data of its connection.
            m_keepAlive = 0.0f;
            m_reported = 1;
            m_observer->OnSocketStatus(entry.code, entry.detail);
            if (!destroyed && entry.generation == m_generation.load())
                ReleaseHeld();
        }
        else
        {
            events.Add(entry);
            continue;
        }
        if (destroyed)
        {
            for (i32 j = i + 1; j < count; ++j)
                delete[] batch[j].data;
            if (outer)
                *outer = true;
            return;
        }
    }
    for (i32 i = 0; i < events.GetCount(); ++i)
    {
        if (events[i].generation != m_generation.load() || !m_observer)
            continue;
        m_observer->OnSocketStatus(events[i].code, events[i].detail);
        if (destroyed)
        {
            if (outer)
                *outer = true;
            return;
        }
    }
    m_inRun = 0;
    m_destroyedFlag = outer;
}

// ---- worker bodies ----

void CSocketEngine::DrainPipe()
{
    if (m_pipeRead == -1)
        return;
    u32 tokens[16];
    while (read(m_pipeRead, tokens, sizeof(tokens)) > 0)
    {
    }
}

int CSocketEngine::WaitFor(int fd, short events, int timeoutMs, bool withPipe)
{
    const i64 deadline = NowMs() + timeoutMs;
    for (;;)
    {
        if (m_closing.load())
            return -2;
        pollfd fds[2];
        fds[0].fd = fd;
        fds[0].events = events;
        fds[0].revents = 0;
        fds[1].fd = m_pipeRead;
        fds[1].events = POLLIN;
        fds[1].revents = 0;
        i64 left = deadline - NowMs();
        if (left < 0)
            left = 0;
        const int rc = poll(fds, withPipe ? 2 : 1, (int)left);
        if (rc < 0)
        {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (rc == 0)
            return 0;
        if (withPipe && fds[1].revents)
        {
            // A stop token comes only with the closing flag set; anything else is
            // discarded.
            DrainPipe();
            if (m_closing.load())
                return -2;
        }
        if (fds[0].revents)
            return 1;
    }
}

int CSocketEngine::EstablishConnection(u32 generation)
{
    SocketQueueEntry refused = {nullptr, 0, 2, 2, generation};
    const i64 deadline = NowMs() + m_connectTimeoutMs;
    sockaddr_in address;
    memset(&address, 0, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_port = htons((u16)m_port);
    if (m_port <= 0 || m_port > 65535 || !m_hostName[0])
        return PostEntry(refused), 0;

    if (inet_pton(AF_INET, m_hostName, &address.sin_addr) != 1)
    {
        SocketResolveRequest* request = new (std::nothrow) SocketResolveRequest();
        int fds[2];
        if (!request || pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0)
        {
            delete request;
            return PostEntry(refused), 0;
        }
        request->refs.store(2);
        request->done.store(0);
        request->pipeRead = fds[0];
        request->pipeWrite = fds[1];
        request->name = strdup(m_hostName);
        request->ok = 0;
        pthread_attr_t attr;
        pthread_attr_init(&attr);
        pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
        pthread_t resolver;
        const bool started = request->name &&
                             pthread_create(&resolver, &attr, ResolveEntry, request) == 0;
        pthread_attr_destroy(&attr);
        if (!started)
        {
            request->refs.store(1);
            ReleaseResolve(request);
            return PostEntry(refused), 0;
        }
        i64 left = deadline - NowMs();
        const int rc = WaitFor(request->pipeRead, POLLIN, (int)(left > 0 ? left : 0), true);
        const bool ok = rc == 1 && request->done.load(std::memory_order_acquire) && request->ok;
        if (ok)
            address.sin_addr = request->address;
        ReleaseResolve(request);
        if (rc == -2)
            return 0;                 // closing: report nothing
        if (!ok)
            return PostEntry(refused), 0;
    }

    if (connect(m_socket, (const sockaddr*)&address, sizeof(address)) != 0)
    {
        if (errno != EINPROGRESS && errno != EINTR)
            return PostEntry(refused), 0;
        const i64 left = deadline - NowMs();
        const int rc = WaitFor(m_socket, POLLOUT, (int)(left > 0 ? left : 0), true);
        if (rc == -2)
            return 0;
        int error = 0;
        socklen_t length = sizeof(error);
        if (rc != 1 || getsockopt(m_socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
            return PostEntry(refused), 0;
    }
    return 1;
}

void CSocketEngine::ReceiveBody(ReceiveThread* thread, u32 generation)
{
    if (!EstablishConnection(generation))
        return;
    m_linkUp.store(1);
    SocketQueueEntry connected = {nullptr, 0, 1, 0, generation};
    PostEntry(connected);
    m_sendThread->Signal();

    int silent = 0;
    while (thread->IsRunning() && !m_closing.load())
    {
        const int rc = WaitFor(m_socket, POLLIN, m_receiveTimeoutMs, true);
        if (rc == -2 || !m_observer)
            return;
        if (rc == -1)
        {
            SocketQueueEntry failed = {nullptr, 0, 0, 5, generation};
            PostEntry(failed);
            return;
        }
        if (rc == 0)
        {
            if (++silent > KE_SOCKET_IDLE_LIMIT)
            {
                SocketQueueEntry idle = {nullptr, 0, 3, 6, generation};
                PostEntry(idle);
                return;
            }
            continue;
        }
        const ssize_t got = recv(m_socket, thread->m_buffer, sizeof(thread->m_buffer), 0);
        if (m_closing.load())
            return;
        if (got == 0)
        {
            SocketQueueEntry closed = {nullptr, 0, 4, 0, generation};
            PostEntry(closed);
            return;
        }
        if (got < 0)
        {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                continue;
            SocketQueueEntry failed = {nullptr, 0, 0, 7, generation};
            PostEntry(failed);
            return;
        }
        SocketQueueEntry block = {new (std::nothrow) u8[got], (i32)got, -1, 0, generation};
        if (block.data)
            memcpy(block.data, thread->m_buffer, (size_t)got);
        if (!block.data || !PostEntry(block))
        {
            delete[] block.data;
            SocketQueueEntry failed = {nullptr, 0, 0, 7, generation};
            PostEntry(failed);
            return;
        }
        silent = 0;
    }
}

void CSocketEngine::PostSendFailure(int code, int detail, u32 generation, u8** buffer)
{
    SocketQueueEntry failed = {nullptr, 0, code, detail, generation};
    PostEntry(failed);
    ClearOutgoingQueue();
    delete[] *buffer;
    *buffer = nullptr;
    m_sendBusy.store(0);
}

void CSocketEngine::SendBody(SendThread* thread, u32 generation)
{
    u8* buffer = nullptr;
    i32 capacity = 0;
    while (thread->IsRunning() && !m_closing.load())
    {
        m_outgoingMutex.Lock();
        if (m_outgoing.GetCount() == 0 || !m_linkUp.load())
        {
            m_outgoingMutex.Unlock();
            thread->Wait();
            continue;
        }
        SocketQueueEntry entry = m_outgoing[0];
        if (entry.size > capacity)
        {
            delete[] buffer;
            buffer = new (std::nothrow) u8[entry.size];
            capacity = buffer ? entry.size : 0;
        }
        if (!buffer)
        {
            m_outgoingMutex.Unlock();
            SocketQueueEntry failed = {nullptr, 0, 0, 7, generation};
            PostEntry(failed);
            ClearOutgoingQueue();
            return;
        }
        memcpy(buffer, entry.data, (size_t)entry.size);
        delete[] entry.data;
        m_outgoing.RemoveAt(0);
        m_sendBusy.store(1);
        m_outgoingMutex.Unlock();

        // The whole block goes out: a partial send is followed by the rest. Each attempt
        // waits for the socket to be writable; five attempts in a row that move nothing
        // give up on the connection.
        i32 sent = 0;
        int stalled = 0;
        while (sent < entry.size)
        {
            const ssize_t n = send(m_socket, buffer + sent, (size_t)(entry.size - sent), MSG_NOSIGNAL);
            if (n > 0)
            {
                sent += (i32)n;
                stalled = 0;
                continue;
            }
            if (m_closing.load())
                break;
            if (++stalled >= KE_SOCKET_SEND_ATTEMPTS)
            {
                PostSendFailure(2, 10, generation, &buffer);
                return;
            }
            // The socket is full (or failed): wait until it takes more.
            const int rc = WaitFor(m_socket, POLLOUT, m_sendTimeoutMs, false);
            if (rc == -2 || m_closing.load())
                break;
            if (rc != 1)
            {
                PostSendFailure(rc == 0 ? 3 : 0, rc == 0 ? 9 : 5, generation, &buffer);
                return;
            }
        }
        m_sendBusy.store(0);
    }
    delete[] buffer;
}
