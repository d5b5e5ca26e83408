#include "SoundTestUtil.h"
#include "engine/KetrelResult.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

CKetrelSoundBuffer* MakeVoice(CKetrelSoundEngine* engine, u32 channels, u32 bits, u32 rate,
                              const std::vector<i32>& samples, u32 flags)
{
    CKetrelSoundFormat format;
    KetrelMakeSoundFormat(rate, bits, channels, &format);
    CKetrelSoundBuffer* voice = CKetrelSoundBuffer::CreateBuffer();
    const u32 bytes = (u32)samples.size() * (bits / 8);
    if (voice->Create(engine, &format, bytes, flags) != KE_OK)
    {
        delete voice;
        return nullptr;
    }
    u8* data = nullptr;
    u32 size = 0;
    voice->Lock(0, 0, &data, &size, 1);
    for (size_t i = 0; i < samples.size(); ++i)
    {
        if (bits == 16)
        {
            const i16 v = (i16)samples[i];
            std::memcpy(data + 2 * i, &v, 2);
        }
        else
            data[i] = (u8)samples[i];
    }
    voice->Unlock();
    return voice;
}

std::vector<i16> Block16(CKetrelSoundEngine* engine)
{
    CKetrelSoundBuffer* master = engine->GetMasterVoice();
    u8* data = nullptr;
    u32 size = 0;
    std::vector<i16> out;
    if (master->Lock(0, 0, &data, &size, 1) != KE_OK)
        return out;
    out.resize(size / 2);
    std::memcpy(out.data(), data, out.size() * 2);
    master->Unlock();
    return out;
}

std::vector<u8> Block8(CKetrelSoundEngine* engine)
{
    CKetrelSoundBuffer* master = engine->GetMasterVoice();
    u8* data = nullptr;
    u32 size = 0;
    std::vector<u8> out;
    if (master->Lock(0, 0, &data, &size, 1) != KE_OK)
        return out;
    out.assign(data, data + size);
    master->Unlock();
    return out;
}

TempFolder::TempFolder()
{
    char path[] = "/tmp/ketrel-sound-XXXXXX";
    if (mkdtemp(path))
        m_path = path;
}

TempFolder::~TempFolder()
{
    if (!m_path.empty())
        RunCommand("rm -rf '" + m_path + "'");
}

bool RunCommand(const std::string& command)
{
    return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0;
}

bool HaveTool(const char* name)
{
    return RunCommand(std::string("command -v ") + name);
}

std::vector<u8> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<u8>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteFileBytes(const std::string& path, const std::vector<u8>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write((const char*)bytes.data(), (std::streamsize)bytes.size());
    return (bool)out;
}

void PutU16(std::vector<u8>& out, u32 v)
{
    out.push_back((u8)v);
    out.push_back((u8)(v >> 8));
}

void PutU32(std::vector<u8>& out, u32 v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back((u8)(v >> (8 * i)));
}

void PutId(std::vector<u8>& out, const char* id)
{
    // Byte by byte: g++ 12 at -O3 wrongly warns of an overflow on a range insert here.
    for (int i = 0; i < 4; ++i)
        out.push_back((u8)id[i]);
}

std::vector<u8> Chunk(const char* id, const std::vector<u8>& body)
{
    std::vector<u8> out;
    PutId(out, id);
    PutU32(out, (u32)body.size());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<u8> FmtBody(u32 tag, u32 channels, u32 rate, u32 bits, u32 blockAlign,
                        const std::vector<u8>& extra)
{
    std::vector<u8> out;
    PutU16(out, tag);
    PutU16(out, channels);
    PutU32(out, rate);
    PutU32(out, rate * blockAlign);
    PutU16(out, blockAlign);
    PutU16(out, bits);
    if (tag != 1 || !extra.empty())
    {
        PutU16(out, (u32)extra.size());
        out.insert(out.end(), extra.begin(), extra.end());
    }
    return out;
}

std::vector<u8> Riff(const std::vector<u8>& fmtBody, const std::vector<std::vector<u8>>& chunks)
{
    std::vector<u8> body;
    PutId(body, "WAVE");
    const std::vector<u8> fmt = Chunk("fmt ", fmtBody);
    body.insert(body.end(), fmt.begin(), fmt.end());
    for (const auto& c : chunks)
        body.insert(body.end(), c.begin(), c.end());
    std::vector<u8> out;
    PutId(out, "RIFF");
    PutU32(out, (u32)body.size());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<u8> PcmWave16(u32 channels, u32 rate, const std::vector<i16>& samples)
{
    std::vector<u8> data;
    for (i16 s : samples)
        PutU16(data, (u16)s);
    return Riff(FmtBody(1, channels, rate, 16, channels * 2), {Chunk("data", data)});
}
