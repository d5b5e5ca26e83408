// framework/BrixResourceSounds.cpp: sounds, decoded now or on loader threads.
#include "framework/BrixResourceManager.h"

#include "KetrelSound/KetrelSoundWave.h"
#include "engine/KetrelFile.h"
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelThread.h"

#include <atomic>
#include <new>

namespace
{

// A wave sound whose voices can move to another one. A loader decodes into one of
// its own and Tick moves the finished voices into the sound the callers hold, so
// nobody ever sees a sound half decoded.
class CBrixSoundWave : public CKetrelSoundWave
{
public:
    // Takes every voice, the format and the size of from, which is left empty.
    // This sound must hold no voices. Main thread.
    void TakeVoices(CBrixSoundWave& from)
    {
        for (i32 i = 0; i < from.m_voices.GetCount(); ++i)
            m_voices.Add(from.m_voices.GetAt(i));
        from.m_voices.RemoveAll();
        m_format = from.m_format;
        m_dataSize = from.m_dataSize;
        from.m_dataSize = 0;
    }
};

template <class R>
R* FindByName(const CKetrelMap<CKetrelHashedString, R*>& map, const CKetrelHashedString& key)
{
    i32 index = map.Find(key);
    return index >= 0 ? map.ElementAt(index)->value : nullptr;
}

} // namespace

// Decodes one sound file's bytes on its own thread into a private sound.
class CBrixResourceManager::CAsyncSoundLoader : public IKetrelThread
{
public:
    CAsyncSoundLoader(CKetrelSoundEngine* engine, u8* bytes, u32 size, CBrixSoundWave* target,
                      const CKetrelString& path, u32 voices)
        : m_engine(engine), m_bytes(bytes), m_size(size), m_target(target),
          m_decoded(nullptr), m_path(path), m_finished(0), m_result(0), m_voices(voices)
    {
    }

    // Joins a running decode before anything it uses goes.
    ~CAsyncSoundLoader() override
    {
        Stop();
        delete[] m_bytes;
        if (m_decoded)
        {
            m_decoded->Release();
            delete m_decoded;
        }
    }

    // After the thread has ended: gives the decoded voices to the target. Main thread.
    void HandOver()
    {
        if (m_decoded && m_result == KE_OK && m_target)
            m_target->TakeVoices(*m_decoded);
    }

    const CKetrelString& GetPath() const { return m_path; }
    CBrixSoundWave* GetTarget() const { return m_target; }
    i32 IsFinished() const { return m_finished.load(std::memory_order_acquire); }

protected:
    void Run() override
    {
        IKetrelThread::Sleep(5);
        CBrixSoundWave* decoded = new (std::nothrow) CBrixSoundWave();
        i32 rc = KE_ERR_MEMORY;
        if (decoded)
        {
            rc = decoded->LoadFromMemory(m_engine, m_bytes, m_size, 0, m_voices);
            if (rc != KE_OK)
                decoded->Release();
        }
        m_decoded = decoded;
        m_result = rc;
        m_finished.store(1, std::memory_order_release);
    }

private:
    CKetrelSoundEngine* m_engine;     // not owned
    u8* m_bytes;                      // owned: the sound file
    u32 m_size;
    CBrixSoundWave* m_target;         // the callers' sound; not owned, never touched here
    CBrixSoundWave* m_decoded;        // owned; written by the thread before m_finished
    CKetrelString m_path;             // "/" + name
    std::atomic<i32> m_finished;      // 1 once Run is done with everything above
    i32 m_result;
    u32 m_voices;
};

IKetrelSoundSource* CBrixResourceManager::FindSound(const CKetrelString& name)
{
    const CKetrelHashedString key(name);
    for (i32 level = 1; level >= 0; --level)
    {
        CBrixSoundRecord* record = FindByName(m_sounds[level], key);
        if (!record)
            continue;
        if (!record->sound)
            return nullptr;
        ++record->refCount;
        return record->sound;
    }
    return nullptr;
}

IKetrelSoundSource* CBrixResourceManager::GetSound(const CKetrelString& name, u32 flags,
                                                   u32 voices)
{
    if (name.IsEmpty())
        return nullptr;
    IKetrelSoundSource* sound = FindSound(name);
    return sound ? sound : LoadSound(name, flags, voices);
}

IKetrelSoundSource* CBrixResourceManager::LoadSound(const CKetrelString& name, u32 flags,
                                                    u32 voices)
{
    if (!m_soundEngine)
        return nullptr;
    const CKetrelHashedString key(name);
    CBrixSoundRecord* record = FindByName(m_sounds[1], key);
    if (!record)
        record = FindByName(m_sounds[0], key);
    if (!record)
        return nullptr;
    if (record->sound)
    {
        // Requested already. While its loader waits or runs, a second request gets
        // nothing; later the sound is shared (a second object would leak the first).
        m_loaderMutex.Lock();
        bool pending = false;
        for (i32 i = 0; i < m_loaders.GetCount() && !pending; ++i)
            pending = static_cast<CAsyncSoundLoader*>(m_loaders.GetAt(i))->GetTarget() == record->sound;
        m_loaderMutex.Unlock();
        if (pending)
            return nullptr;
        ++record->refCount;
        return record->sound;
    }
    CKetrelMediaPack* pack = OpenPack(record->packId);
    if (!pack)
        return nullptr;
    CKetrelString path(L"/");
    path.Append(name);

    if (flags & SOUND_SYNCHRONOUS)
    {
        CBrixSoundWave* sound = new (std::nothrow) CBrixSoundWave();
        if (!sound)
            return nullptr;
        if (sound->LoadFromPack(m_soundEngine, pack, path, 0, 0, voices) != KE_OK)
        {
            sound->Release();
            delete sound;
            return nullptr;
        }
        sound->SetID(name);
        record->sound = sound;
        ++record->refCount;
        return sound;
    }

    const u32 size = pack->SeekEntry(path, 0);
    CKetrelFile* file = pack->GetFile();
    if (size == 0 || !file)
        return nullptr;
    // The directory's size is only trusted as far as the pack file reaches.
    if ((i64)size > (i64)file->GetSize() - (i64)file->GetPosition())
        return nullptr;

    m_loaderMutex.Lock();
    for (i32 i = 0; i < m_loaders.GetCount(); ++i)
    {
        if (static_cast<CAsyncSoundLoader*>(m_loaders.GetAt(i))->GetPath().Equals(path))
        {
            m_loaderMutex.Unlock();
            return nullptr;
        }
    }
    // The bytes are read here, on the main thread; only the decoding runs elsewhere.
    u8* bytes = new (std::nothrow) u8[size];
    if (!bytes)
    {
        m_loaderMutex.Unlock();
        return nullptr;
    }
    const u32 read = file->Read(bytes, size);
    CBrixSoundWave* sound = new (std::nothrow) CBrixSoundWave();
    CAsyncSoundLoader* loader =
        sound ? new (std::nothrow) CAsyncSoundLoader(m_soundEngine, bytes, read, sound, path, voices)
              : nullptr;
    if (!loader)
    {
        delete sound;
        delete[] bytes;
        m_loaderMutex.Unlock();
        return nullptr;
    }
    sound->SetID(name);
    record->sound = sound;
    ++record->refCount;
    m_loaders.Add(loader);
    m_loaderMutex.Unlock();
    return sound;
}

void CBrixResourceManager::DeleteLoader(CAsyncSoundLoader* loader)
{
    delete loader;   // joins its thread first
}

void CBrixResourceManager::Tick()
{
    if (m_skipTick)
    {
        m_skipTick = 0;
        return;
    }
    m_loaderMutex.Lock();
    for (i32 i = 0; i < m_loaders.GetCount(); ++i)
    {
        CAsyncSoundLoader* loader = static_cast<CAsyncSoundLoader*>(m_loaders.GetAt(i));
        if (loader->IsFinished() && !loader->IsAlive())
        {
            loader->Stop();
            loader->HandOver();
            DeleteLoader(loader);
            m_loaders.RemoveAt(i);
            break;
        }
    }
    if (m_loaders.GetCount() > 0)
    {
        CAsyncSoundLoader* first = static_cast<CAsyncSoundLoader*>(m_loaders.GetAt(0));
        if (!first->IsFinished() && !first->IsAlive())
            first->Start(IKetrelThread::KE_PRIORITY_UNCHANGED);
    }
    m_loaderMutex.Unlock();
}

i32 CBrixResourceManager::GetPendingSoundCount()
{
    m_loaderMutex.Lock();
    const i32 count = m_loaders.GetCount();
    m_loaderMutex.Unlock();
    return count;
}

CBrixSoundRecord* CBrixResourceManager::FindSoundRecord(IKetrelSoundSource* sound, i32* level,
                                                         i32* index) const
{
    for (i32 l = 1; l >= 0; --l)
    {
        for (i32 i = 0; i < m_sounds[l].GetCount(); ++i)
        {
            CBrixSoundRecord* record = m_sounds[l].ElementAt(i)->value;
            if (record->sound == sound)
            {
                *level = l;
                *index = i;
                return record;
            }
        }
    }
    return nullptr;
}

int CBrixResourceManager::AddRefSound(IKetrelSoundSource* sound)
{
    if (!sound)
        return 1;
    i32 level, index;
    CBrixSoundRecord* record = FindSoundRecord(sound, &level, &index);
    if (!record)
        return 0;
    ++record->refCount;
    return 1;
}

int CBrixResourceManager::ReleaseSound(IKetrelSoundSource** slot)
{
    if (!slot || !*slot)
        return 1;
    i32 level, index;
    CBrixSoundRecord* record = FindSoundRecord(*slot, &level, &index);
    if (!record)
        return 0;
    if (--record->refCount > 0)
        return 1;
    m_loaderMutex.Lock();
    for (i32 i = 0; i < m_loaders.GetCount(); ++i)
    {
        CAsyncSoundLoader* loader = static_cast<CAsyncSoundLoader*>(m_loaders.GetAt(i));
        if (loader->GetTarget() == record->sound)
        {
            DeleteLoader(loader);
            m_loaders.RemoveAt(i);
            break;
        }
    }
    m_loaderMutex.Unlock();
    record->sound->Release();
    delete record->sound;
    record->sound = nullptr;
    record->refCount = 0;
    if (IsOrphan(record->packId))
    {
        delete record;
        m_sounds[level].RemoveAt(index);
    }
    *slot = nullptr;
    return 1;
}

void CBrixResourceManager::ReleaseSounds()
{
    // The loaders are gone already (ReleaseAll stops them first).
    for (i32 level = 0; level < 2; ++level)
    {
        for (i32 i = 0; i < m_sounds[level].GetCount(); ++i)
        {
            CBrixSoundRecord* record = m_sounds[level].ElementAt(i)->value;
            if (record->sound)
            {
                record->sound->Release();
                delete record->sound;
            }
            delete record;
        }
        m_sounds[level].RemoveAll();
    }
}
