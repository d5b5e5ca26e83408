#include "KetrelSound/KetrelSoundWave.h"
#include "KetrelSound/KetrelOggDecoder.h"
#include "KetrelSound/KetrelSoundBuffer.h"
#include "KetrelSound/KetrelSoundCodec.h"
#include "engine/KetrelFile.h"
#include "engine/KetrelDataScrambler.h"
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelResult.h"
#include <cstring>
#include <new>

namespace
{
const u32 kMaxText = 1024;

inline u16 Le16(const u8* p) { return (u16)(p[0] | (p[1] << 8)); }
inline u32 Le32(const u8* p)
{
    return (u32)p[0] | ((u32)p[1] << 8) | ((u32)p[2] << 16) | ((u32)p[3] << 24);
}
inline bool Is(const u8* id, const char* text) { return std::memcmp(id, text, 4) == 0; }

// Reads a RIFF/WAVE file within [start, end) of a stream; every size and count that the
// file states is held to the bytes that remain.
class CKetrelWaveReader
{
public:
    CKetrelWaveReader(CKetrelFile* file, u32 size)
        : m_file(file), m_start((u64)file->GetPosition()), m_end(m_start + size),
          m_codec(nullptr), m_dataOffset(0), m_dataSize(0), m_tag(0)
    {
        std::memset(&m_fileFormat, 0, sizeof(m_fileFormat));
        std::memset(&m_decoded, 0, sizeof(m_decoded));
    }
    ~CKetrelWaveReader() { delete m_codec; }

    i32 Open();

    const CKetrelSoundFormat& GetDecodedFormat() const { return m_decoded; }
    const CKetrelSoundFormat& GetFileFormat() const { return m_fileFormat; }
    IKetrelSoundCodec* GetCodec() const { return m_codec; }
    u32 GetDataSize() const { return m_dataSize; }

    // Reads count x block align bytes from data offset + first x block align.
    bool ReadBlocks(u8* buffer, u32 first, u32 count)
    {
        const u64 offset = m_dataOffset + (u64)first * m_fileFormat.blockAlign;
        const u64 bytes = (u64)count * m_fileFormat.blockAlign;
        if (bytes == 0 || !SeekTo(offset) || offset + bytes > m_end)
            return false;
        return m_file->Read(buffer, (u32)bytes) == bytes;
    }

private:
    u64 Position() const { return (u64)m_file->GetPosition(); }
    u64 Remaining() const { const u64 p = Position(); return p < m_end ? m_end - p : 0; }
    bool SeekTo(u64 offset)
    {
        if (offset > m_end)
            return false;
        m_file->Seek((i32)offset, 0);
        return true;
    }
    // Skips bytes, or to the end of the stream when fewer remain.
    void Skip(u64 bytes)
    {
        const u64 r = Remaining();
        SeekTo(Position() + (bytes < r ? bytes : r));
    }
    bool ReadExact(void* buffer, u32 bytes)
    {
        if (Remaining() < bytes)
            return false;
        return m_file->Read(buffer, bytes) == bytes;
    }
    bool ReadU32(u32* value)
    {
        u8 b[4];
        if (!ReadExact(b, 4))
            return false;
        *value = Le32(b);
        return true;
    }
    i32 ParseChunks(bool* foundData);
    i32 SkipText(u32* counted);

    CKetrelFile* m_file;
    u64 m_start;
    u64 m_end;
    IKetrelSoundCodec* m_codec;   // owned; null for PCM
    CKetrelSoundFormat m_fileFormat;
    CKetrelSoundFormat m_decoded;
    u64 m_dataOffset;
    u32 m_dataSize;
    u16 m_tag;
};

i32 CKetrelWaveReader::Open()
{
    u8 head[20];
    if (m_file->Read(head, 20) != 20 || m_start + 20 > m_end)
        return KE_ERR_ARGUMENT;
    if (!Is(head, "RIFF") || !Is(head + 8, "WAVE") || !Is(head + 12, "fmt "))
        return KE_ERR_NO_FORMAT;
    const u32 fmtSize = Le32(head + 16);
    if (fmtSize < 16 || fmtSize > Remaining())
        return KE_ERR_DEVICE;

    // The fmt body: 18 bytes, plus the extra bytes that non-PCM tags announce.
    u8 body[18];
    std::memset(body, 0, sizeof(body));
    const u32 bodyBytes = fmtSize < 18 ? fmtSize : 18;
    if (!ReadExact(body, bodyBytes))
        return KE_ERR_DEVICE;
    m_tag = Le16(body);
    KetrelMakeSoundFormat(Le32(body + 4), Le16(body + 14), Le16(body + 2), &m_fileFormat);
    m_fileFormat.blockAlign = Le16(body + 12);

    if (!SeekTo(m_start + 20 + (u64)fmtSize))
        return KE_ERR_DEVICE;
    bool foundData = false;
    i32 rc = ParseChunks(&foundData);
    if (rc != KE_OK)
        return rc;
    if (!foundData)
        return KE_ERR_DEVICE;

    const CKetrelSoundFormat& f = m_fileFormat;
    if (f.sampleRate == 0 || f.channels < 1 || f.channels > 2)
        return KE_ERR_DEVICE;
    if (m_tag == 1)
    {
        // PCM: what the mixer plays, with frames as the format says.
        if ((f.bitsPerSample != 8 && f.bitsPerSample != 16) ||
            f.blockAlign != f.channels * f.bitsPerSample / 8)
            return KE_ERR_DEVICE;
        m_decoded = f;
        return KE_OK;
    }
    if (m_tag == 0x11)
    {
        if (f.bitsPerSample != 4 || !CKetrelSoundCodecImaAdpcm::IsValidLayout(f.channels, f.blockAlign))
            return KE_ERR_DEVICE;
        KetrelMakeSoundFormat(f.sampleRate, 16, f.channels, &m_decoded);
        m_codec = new (std::nothrow) CKetrelSoundCodecImaAdpcm();
        if (!m_codec)
            return KE_ERR_MEMORY;
        return m_codec->Init(&m_decoded, &m_fileFormat);
    }
    return KE_ERR_DEVICE;
}

// A zero-terminated text of at most 1024 bytes, read byte by byte.
i32 CKetrelWaveReader::SkipText(u32* counted)
{
    for (u32 i = 0; i < kMaxText; ++i)
    {
        u8 c;
        if (!ReadExact(&c, 1))
            return KE_ERR_NOT_FOUND;   // the end of the stream ends the chunk list
        ++*counted;
        if (c == 0)
            return KE_OK;
    }
    return KE_ERR_DEVICE;
}

// Chunks follow each other without padding; the list ends where an id cannot be read.
i32 CKetrelWaveReader::ParseChunks(bool* foundData)
{
    u8 id[4];
    while (ReadExact(id, 4))
    {
        u32 size;
        if (Is(id, "PrMr"))
        {
            // Only the size is skipped: the body holds further chunks.
            if (!ReadU32(&size))
                break;
            continue;
        }
        if (!ReadU32(&size))
            break;
        if (Is(id, "data"))
        {
            const u64 left = Remaining();
            m_dataOffset = Position();
            m_dataSize = size < left ? size : (u32)left;
            *foundData = true;
            Skip(size);
        }
        else if (Is(id, "LIST"))
        {
            u8 type[4];
            if (!ReadExact(type, 4))
                break;
            if (!Is(type, "adtl"))
            {
                Skip(size >= 4 ? size - 4 : 0);
                continue;
            }
            u32 counted = 4;   // bytes of the list from its type on
            bool ended = false;
            while (counted < size)
            {
                u8 sub[4];
                u32 subSize, cue;
                if (!ReadExact(sub, 4))
                {
                    ended = true;
                    break;
                }
                counted += 4;
                if (!Is(sub, "labl") && !Is(sub, "note"))
                {
                    Skip(size > counted ? size - counted : 0);
                    break;
                }
                if (!ReadU32(&subSize) || !ReadU32(&cue))
                {
                    ended = true;
                    break;
                }
                counted += 8;
                const i32 rc = SkipText(&counted);
                if (rc == KE_ERR_DEVICE)
                    return rc;
                if (rc != KE_OK)
                {
                    ended = true;
                    break;
                }
                if (Is(sub, "note"))
                {
                    Skip(1);
                    ++counted;
                }
            }
            if (ended)
                break;
        }
        else if (Is(id, "cue "))
        {
            u32 count;
            if (!ReadU32(&count))
                break;
            // 24-byte cue points, no more than the chunk and the stream hold.
            u64 points = count;
            const u64 inChunk = size >= 4 ? (size - 4) / 24 : 0;
            if (points > inChunk)
                points = inChunk;
            Skip(points * 24);
        }
        else
            Skip(size);   // "fact" and every other chunk
    }
    return KE_OK;
}
} // namespace

CKetrelSoundWave::CKetrelSoundWave() {}

CKetrelSoundWave::~CKetrelSoundWave()
{
    Release();
}

CKetrelSoundWave* CKetrelSoundWave::Create()
{
    return new (std::nothrow) CKetrelSoundWave();
}

i32 CKetrelSoundWave::Finish(i32 rc, u32 extraVoices)
{
    if (rc == KE_OK)
        rc = AddExtraVoices(extraVoices);
    if (rc != KE_OK)
        Release();
    return rc;
}

i32 CKetrelSoundWave::LoadFromFile(CKetrelSoundEngine* engine, const CKetrelString& path,
                                   u32 voiceFlags, u32 extraVoices)
{
    Release();
    CKetrelFile file;
    i32 rc = file.Open(path, 1);
    if (rc == KE_OK)
        rc = LoadStream(engine, &file, (u32)file.GetSize(), voiceFlags);
    file.Close();
    return Finish(rc, extraVoices);
}

i32 CKetrelSoundWave::LoadFromMemory(CKetrelSoundEngine* engine, const u8* buffer, u32 size,
                                     u32 voiceFlags, u32 extraVoices)
{
    Release();
    CKetrelFile file;
    i32 rc = file.OpenMemory((void*)buffer, size, 1);
    if (rc == KE_OK)
        rc = LoadStream(engine, &file, size, voiceFlags);
    file.Close();
    return Finish(rc, extraVoices);
}

i32 CKetrelSoundWave::LoadFromPack(CKetrelSoundEngine* engine, CKetrelMediaPack* pack,
                                   const CKetrelString& entryName, i32 index, u32 voiceFlags,
                                   u32 extraVoices)
{
    Release();
    if (!pack)
        return KE_ERR_ARGUMENT;
    const u32 size = pack->SeekEntry(entryName, (u32)index);
    if (size == 0)
        return KE_ERR_NOT_FOUND;
    CKetrelFile* packFile = pack->GetFile();
    const CKetrelString* key = pack->GetKey();
    i32 rc;
    if (key && key->GetLength() > 0)
    {
        u8* bytes = new (std::nothrow) u8[size];
        if (!bytes)
            return KE_ERR_MEMORY;
        if (packFile->Read(bytes, size) != size)
            rc = KE_ERR_DEVICE;
        else
        {
            CKetrelDataScrambler scrambler;
            scrambler.Descramble(bytes, size, *key);
            CKetrelFile file;
            rc = file.OpenMemory(bytes, size, 1);
            if (rc == KE_OK)
                rc = LoadStream(engine, &file, size, voiceFlags);
            file.Close();
        }
        delete[] bytes;
    }
    else
    {
        CKetrelFile file;
        file.OpenShared(*packFile);
        rc = LoadStream(engine, &file, size, voiceFlags);
        file.Close();
    }
    return Finish(rc, extraVoices);
}

i32 CKetrelSoundWave::LoadStream(CKetrelSoundEngine* engine, CKetrelFile* file, u32 size,
                                 u32 voiceFlags)
{
    if (!file)
        return KE_ERR_ARGUMENT;
    u8 magic[4];
    if (size < 4 || file->Read(magic, 4) != 4)
        return KE_ERR_ARGUMENT;
    file->Seek(-4, 2);
    if (Is(magic, "OggS"))
        return LoadOgg(engine, file, size, voiceFlags) == KE_OK ? KE_OK : KE_ERR_DEVICE;
    if (Is(magic, "RIFF"))
    {
        return LoadRiff(engine, file, size, voiceFlags) == KE_OK ? KE_OK : KE_ERR_DEVICE;
    }
    return KE_ERR_DEVICE;
}

i32 CKetrelSoundWave::LoadRiff(CKetrelSoundEngine* engine, CKetrelFile* file, u32 size,
                               u32 voiceFlags)
{
    CKetrelWaveReader reader(file, size);
    i32 rc = reader.Open();
    if (rc != KE_OK)
        return rc;

    IKetrelSoundCodec* codec = reader.GetCodec();
    const u32 dataSize = reader.GetDataSize();
    const u32 blockAlign = reader.GetFileFormat().blockAlign;
    if (blockAlign == 0)
        return KE_ERR_DEVICE;
    const u32 blocks = dataSize / blockAlign;
    if (blocks == 0)
        return KE_ERR_DEVICE;
    const u32 decodedSize = codec ? codec->GetDecodedSize(dataSize) : dataSize;
    if (decodedSize == 0 || decodedSize > KE_SOUND_MAX_DECODED_BYTES)
        return KE_ERR_DEVICE;

    CKetrelSoundBuffer* voice = CKetrelSoundBuffer::CreateBuffer();
    if (!voice)
        return KE_ERR_MEMORY;
    rc = voice->Create(engine, &reader.GetDecodedFormat(), decodedSize, voiceFlags);
    u8* data = nullptr;
    u32 locked = 0;
    if (rc == KE_OK)
        rc = voice->Lock(0, 0, &data, &locked, 1);
    if (rc == KE_OK)
    {
        if (codec)
        {
            u8* encoded = new (std::nothrow) u8[(u64)blocks * blockAlign];
            if (!encoded)
                rc = KE_ERR_MEMORY;
            else
            {
                if (!reader.ReadBlocks(encoded, 0, blocks))
                    rc = KE_ERR_DEVICE;
                else
                    rc = codec->Decode(encoded, blocks * blockAlign, data, locked);
                delete[] encoded;
            }
        }
        else if (!reader.ReadBlocks(data, 0, blocks))
            rc = KE_ERR_DEVICE;
        voice->Unlock();
    }
    if (rc != KE_OK)
    {
        voice->Release();
        delete voice;
        return rc;
    }
    m_voices.Add(voice);
    return KE_OK;
}

i32 CKetrelSoundWave::LoadOgg(CKetrelSoundEngine* engine, CKetrelFile* file, u32 size,
                              u32 voiceFlags)
{
    u8* pcm = nullptr;
    u32 bytes = 0;
    CKetrelSoundFormat format;
    i32 rc = KetrelDecodeOggVorbis(file, size, &pcm, &bytes, &format);
    if (rc != KE_OK)
        return rc;
    CKetrelSoundBuffer* voice = CKetrelSoundBuffer::CreateBuffer();
    rc = voice ? voice->Create(engine, &format, bytes, voiceFlags) : KE_ERR_MEMORY;
    u8* data = nullptr;
    u32 locked = 0;
    if (rc == KE_OK)
        rc = voice->Lock(0, 0, &data, &locked, 1);
    if (rc == KE_OK)
    {
        std::memcpy(data, pcm, bytes);
        voice->Unlock();
    }
    delete[] pcm;
    if (rc != KE_OK)
    {
        if (voice)
            voice->Release();
        delete voice;
        return rc;
    }
    m_voices.Add(voice);
    return KE_OK;
}

i32 CKetrelSoundWave::AddExtraVoices(u32 count)
{
    CKetrelSoundBuffer* first = GetVoice(0);
    if (!first)
        return KE_ERR_NOT_READY;
    for (u32 i = 0; i < count; ++i)
    {
        CKetrelSoundBuffer* voice = CKetrelSoundBuffer::CreateBuffer();
        i32 rc = voice ? voice->Duplicate(*first) : KE_ERR_MEMORY;
        if (rc != KE_OK)
        {
            delete voice;
            Release();
            return rc;
        }
        m_voices.Add(voice);
    }
    m_format = *first->GetFormat();
    m_dataSize = first->GetDataSize();
    return KE_OK;
}

i32 CKetrelSoundWave::CreateVoices(CKetrelSoundEngine* engine, const CKetrelSoundFormat* format,
                                   u32 bytes, u32 voiceFlags, u32 extraVoices)
{
    Release();
    CKetrelSoundBuffer* voice = CKetrelSoundBuffer::CreateBuffer();
    if (!voice)
        return KE_ERR_MEMORY;
    const i32 rc = voice->Create(engine, format, bytes, voiceFlags);
    if (rc != KE_OK)
    {
        delete voice;
        return rc;
    }
    m_voices.Add(voice);
    return Finish(KE_OK, extraVoices);
}
