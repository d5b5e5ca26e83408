#include "KetrelSound/KetrelSoundBuffer.h"
#include "KetrelSound/KetrelSoundEngine.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelMatrix4.h"
#include <cstring>
#include <new>

namespace
{
// Distances 20 and 100, Doppler 1, angles 360, level 0, at the listener and still,
// facing (0, 0, 1).
CKetrelSound3DRecord Default3DRecord()
{
    CKetrelSound3DRecord r;
    r.minDistance = 20.0f;
    r.maxDistance = 100.0f;
    r.dopplerFactor = 1.0f;
    r.insideAngle = 360;
    r.outsideAngle = 360;
    r.level = 0;
    r.position = CKetrelVector3();
    r.velocity = CKetrelVector3();
    r.orientation = CKetrelVector3(0.0f, 0.0f, 1.0f);
    return r;
}

void FrameBounds(const CKetrelSoundFormat& format, u32 dataSize, u32* frameBytes, u32* frames)
{
    *frameBytes = format.channels * (format.bitsPerSample / 8);
    *frames = *frameBytes ? dataSize / *frameBytes : 0;
}
} // namespace

// ---------------------------------------------------------------------------------------
// Notifications

IKetrelSoundNotifyHandler::IKetrelSoundNotifyHandler() : m_engine(nullptr) {}

IKetrelSoundNotifyHandler::~IKetrelSoundNotifyHandler()
{
    ClearNotifications();
}

i32 IKetrelSoundNotifyHandler::AddNotification(CKetrelSoundEngine* engine,
                                               IKetrelSoundNotifyCallback* callback,
                                               u32 type, u32 mark, u32 user)
{
    if (!engine)
        return -1;
    CKetrelSoundNotifyRecord* record = new (std::nothrow) CKetrelSoundNotifyRecord;
    if (!record)
        return -1;
    CKetrelCriticalSection lock;
    lock.Enter();
    m_engine = engine;
    record->type = type;
    record->id = engine->NextNotifyId();
    record->callback = callback;
    record->lastPosition = 0;
    record->mark = mark;
    record->user = user;
    m_records.Add(record);
    const i32 id = record->id;
    lock.Leave();
    return id;
}

i32 IKetrelSoundNotifyHandler::RemoveNotification(i32 id)
{
    i32 rc = KE_ERR_NOT_FOUND;
    CKetrelCriticalSection lock;
    lock.Enter();
    for (i32 i = 0; i < m_records.GetCount(); ++i)
    {
        CKetrelSoundNotifyRecord* record = (CKetrelSoundNotifyRecord*)m_records.GetAt(i);
        if (record->id == id)
        {
            m_records.RemoveAt(i);
            delete record;
            rc = KE_OK;
            break;
        }
    }
    lock.Leave();
    return rc;
}

i32 IKetrelSoundNotifyHandler::FireNotifications(u32 type, u32 position)
{
    for (i32 i = 0; i < m_records.GetCount(); ++i)
    {
        CKetrelSoundNotifyRecord* r = (CKetrelSoundNotifyRecord*)m_records.GetAt(i);
        if (!r->callback || r->type != type)
            continue;
        bool call = true;
        if (type == KE_SOUND_NOTIFY_POSITION)
        {
            const u32 last = r->lastPosition;
            // Passed the mark since the last call, or wrapped to the start and passed it anew.
            call = (last < r->mark && r->mark <= position) ||
                   (position < 2000 && last >= 2000 && r->mark <= position && last >= r->mark);
        }
        r->lastPosition = position;
        if (call)
            r->callback->OnSoundNotify(this, type, r->id, position, r->user);
    }
    return KE_OK;
}

void IKetrelSoundNotifyHandler::ClearNotifications()
{
    for (i32 i = 0; i < m_records.GetCount(); ++i)
        delete (CKetrelSoundNotifyRecord*)m_records.GetAt(i);
    m_records.RemoveAll();
}

// ---------------------------------------------------------------------------------------
// Voice

CKetrelSoundBuffer::CKetrelSoundBuffer()
    : m_data(nullptr), m_dataSize(0), m_flags(0), m_lastPlayState(0), m_volume(100), m_pan(0),
      m_frequency(0), m_playing(0), m_cursor(0), m_loop(0), m_locked(0), m_shared(0)
{
    std::memset(&m_format, 0, sizeof(m_format));
    m_3d = Default3DRecord();
    Publish3D();
}

CKetrelSoundBuffer::~CKetrelSoundBuffer()
{
    Release();
}

CKetrelSoundBuffer* CKetrelSoundBuffer::CreateBuffer()
{
    return new (std::nothrow) CKetrelSoundBuffer();
}

i32 CKetrelSoundBuffer::Create(CKetrelSoundEngine* engine, const CKetrelSoundFormat* format,
                               u32 bytes, u32 flags)
{
    if (!engine)
        return KE_ERR_ARGUMENT;
    Release();
    m_engine = engine;
    if (format)
        m_format = *format;
    else
    {
        const CKetrelSoundFormat* out = engine->GetFormat();
        KetrelMakeSoundFormat(out->sampleRate, out->bitsPerSample, out->channels, &m_format);
    }
    m_data = new (std::nothrow) u8[bytes ? bytes : 1];
    if (!m_data)
        return KE_ERR_MEMORY;
    std::memset(m_data, m_format.bitsPerSample == 8 ? 128 : 0, bytes);
    m_shared = 0;
    m_dataSize = bytes;
    m_flags = flags;
    return Register();
}

i32 CKetrelSoundBuffer::Duplicate(const CKetrelSoundBuffer& other)
{
    if (!other.m_engine)
        return KE_ERR_ARGUMENT;
    Release();
    m_engine = other.m_engine;
    m_format = other.m_format;
    m_format.sampleRate = other.GetFrequency();
    m_dataSize = other.m_dataSize;
    m_data = other.m_data;
    m_flags = other.m_flags;
    m_shared = 1;
    return Register();
}

i32 CKetrelSoundBuffer::Register()
{
    // Everything the mixer reads is in place before the voice is listed. The voice
    // starts stopped at the beginning and unlocked, also a duplicate made while the
    // mixer holds the original's data.
    m_lastPlayState = 0;
    m_frequency.store(m_format.sampleRate, std::memory_order_relaxed);
    m_cursor.store(0, std::memory_order_relaxed);
    m_locked.store(0, std::memory_order_relaxed);
    m_playing.store(0, std::memory_order_relaxed);
    i32 rc = (m_flags & KE_VOICE_3D) ? Reset3D() : KE_OK;
    if (rc == KE_OK)
    {
        rc = m_engine->AddVoice(this);
        rc = rc == 0 ? KE_OK : rc;   // listed already
    }
    if (rc == KE_OK && (m_flags & KE_VOICE_NOTIFY))
        rc = m_engine->AddListener(this);
    if (rc != KE_OK)
        Release();
    return rc;
}

void CKetrelSoundBuffer::Unregister()
{
    if (!m_engine)
        return;
    m_engine->RemoveListener(this);
    m_engine->RemoveVoice(this);
}

void CKetrelSoundBuffer::Release()
{
    // Off both engine lists first: once RemoveVoice returns the mixer no longer reads the
    // data, and no longer calls ProcessNotifications, so both may go.
    Unregister();
    ClearNotifications();
    m_playing.store(0, std::memory_order_relaxed);
    if (!m_shared)
        delete[] m_data;
    m_data = nullptr;
    m_dataSize = 0;
    m_shared = 0;
    m_cursor.store(0, std::memory_order_relaxed);
    m_engine = nullptr;
}

i32 CKetrelSoundBuffer::SetPan(i32 pan)
{
    m_pan.store(pan, std::memory_order_relaxed);
    return KE_OK;
}

i32 CKetrelSoundBuffer::SetVolume(u32 volume)
{
    m_volume.store(volume, std::memory_order_relaxed);
    return KE_OK;
}

i32 CKetrelSoundBuffer::SetFrequency(u32 hz)
{
    m_format.sampleRate = hz;
    m_frequency.store(hz, std::memory_order_relaxed);
    return KE_OK;
}

u32 CKetrelSoundBuffer::GetPosition() const
{
    u32 frameBytes, frames;
    FrameBounds(m_format, m_dataSize, &frameBytes, &frames);
    return (u32)(LoadCursor() >> 16) * frameBytes;
}

i32 CKetrelSoundBuffer::SetPosition(i32 bytes)
{
    u32 frameBytes, frames;
    FrameBounds(m_format, m_dataSize, &frameBytes, &frames);
    u64 frame = 0;
    if (bytes > 0 && frameBytes)
    {
        frame = (u32)bytes / frameBytes;
        if (frames == 0)
            frame = 0;
        else if (frame > frames - 1)
            frame = frames - 1;
    }
    m_cursor.store(frame << 16, std::memory_order_relaxed);
    return KE_OK;
}

i32 CKetrelSoundBuffer::Play(u32 loop)
{
    m_loop.store(loop, std::memory_order_relaxed);
    m_playing.store(1, std::memory_order_relaxed);
    return KE_OK;
}

i32 CKetrelSoundBuffer::Stop()
{
    m_playing.store(0, std::memory_order_relaxed);
    return KE_OK;
}

i32 CKetrelSoundBuffer::Lock(u32 offset, u32 bytes, u8** data, u32* size, u32 whole)
{
    if (!data || !size)
        return KE_ERR_ARGUMENT;
    if (!whole && offset > m_dataSize)
        return KE_ERR_ARGUMENT;
    if (m_locked.exchange(1, std::memory_order_acquire))
    {
        *data = nullptr;
        *size = 0;
        return KE_SOUND_LOCKED;
    }
    if (whole)
    {
        *data = m_data;
        *size = m_dataSize;
    }
    else
    {
        *data = m_data ? m_data + offset : nullptr;
        *size = bytes < m_dataSize - offset ? bytes : m_dataSize - offset;
    }
    return KE_OK;
}

void CKetrelSoundBuffer::Unlock()
{
    m_locked.store(0, std::memory_order_release);
}

void CKetrelSoundBuffer::Publish3D()
{
    m_mix3D.minDistance.store(m_3d.minDistance, std::memory_order_relaxed);
    m_mix3D.maxDistance.store(m_3d.maxDistance, std::memory_order_relaxed);
    m_mix3D.doppler.store(m_3d.dopplerFactor, std::memory_order_relaxed);
    m_mix3D.position[0].store(m_3d.position.x, std::memory_order_relaxed);
    m_mix3D.position[1].store(m_3d.position.y, std::memory_order_relaxed);
    m_mix3D.position[2].store(m_3d.position.z, std::memory_order_relaxed);
    m_mix3D.velocity[0].store(m_3d.velocity.x, std::memory_order_relaxed);
    m_mix3D.velocity[1].store(m_3d.velocity.y, std::memory_order_relaxed);
    m_mix3D.velocity[2].store(m_3d.velocity.z, std::memory_order_relaxed);
}

i32 CKetrelSoundBuffer::Reset3D()
{
    m_3d = Default3DRecord();
    CKetrelMatrix4 identity;
    identity.SetIdentity();
    const CKetrelVector3 still;
    return Set3DParameters(&still, &identity, &still, &identity);
}

i32 CKetrelSoundBuffer::Set3DRecord(const CKetrelSound3DRecord* record)
{
    if (!record)
        return KE_ERR_ARGUMENT;
    m_3d = *record;
    Publish3D();
    return KE_OK;
}

i32 CKetrelSoundBuffer::Set3DParameters(const CKetrelVector3* sourceVelocity,
                                        const CKetrelMatrix4* source,
                                        const CKetrelVector3* listenerVelocity,
                                        const CKetrelMatrix4* listener)
{
    if (!sourceVelocity || !source || !listenerVelocity || !listener)
        return KE_ERR_ARGUMENT;
    const f32* s = source->m;
    const f32* l = listener->m;
    // Position in world axes; velocity turned into the listener's frame.
    m_3d.position = CKetrelVector3(s[12] - l[12], s[13] - l[13], s[14] - l[14]);
    const f32 x = sourceVelocity->x - listenerVelocity->x;
    const f32 y = sourceVelocity->y - listenerVelocity->y;
    const f32 z = sourceVelocity->z - listenerVelocity->z;
    m_3d.velocity = CKetrelVector3(l[0] * x + l[1] * y + l[2] * z,
                                   l[4] * x + l[5] * y + l[6] * z,
                                   l[8] * x + l[9] * y + l[10] * z);
    Publish3D();
    return KE_OK;
}

i32 CKetrelSoundBuffer::ProcessNotifications()
{
    if (!(m_flags & KE_VOICE_NOTIFY))
        return KE_OK;
    const u32 playing = IsPlaying();
    if (playing)
        FireNotifications(KE_SOUND_NOTIFY_POSITION, GetPosition());
    if (playing != m_lastPlayState)
        FireNotifications(playing ? KE_SOUND_NOTIFY_STARTED : KE_SOUND_NOTIFY_STOPPED, 0);
    m_lastPlayState = playing;
    return KE_OK;
}
