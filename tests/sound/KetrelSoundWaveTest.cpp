// Loading waves: RIFF/WAVE chunk lists and formats (well-formed and malformed), IMA ADPCM
// bit for bit against sox's decoding of the same file, Ogg Vorbis against libvorbisfile,
// media packs, memory, and the voices a load leaves behind.
#include "KetrelSound/KetrelSoundCodec.h"
#include "KetrelSound/KetrelSoundEngine.h"
#include "KetrelSound/KetrelSoundWave.h"
#include "SoundTestUtil.h"
#include "engine/KetrelDataScrambler.h"
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelResult.h"
#include "support/KetrelTestAlsa.h"
#include <cstring>
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

namespace
{
class WaveTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_alsa.RouteToNull());
        m_engine = CKetrelSoundEngine::Create();
        ASSERT_EQ(KE_OK, m_engine->Init(nullptr, 44100, 16, 2, 0, KE_SOUND_NO_THREAD, 0));
    }
    void TearDown() override
    {
        m_engine->Shutdown();
        delete m_engine;
    }
    i32 Load(CKetrelSoundWave& wave, const std::vector<u8>& bytes, u32 extra = 0)
    {
        return wave.LoadFromMemory(m_engine, bytes.data(), (u32)bytes.size(), 0, extra);
    }
    // Voice 0's PCM as 16-bit samples.
    static std::vector<i16> Pcm16(CKetrelSoundWave& wave)
    {
        std::vector<i16> out;
        CKetrelSoundBuffer* v = wave.GetVoice(0);
        u8* data = nullptr;
        u32 size = 0;
        if (!v || v->Lock(0, 0, &data, &size, 1) != KE_OK)
            return out;
        out.resize(size / 2);
        std::memcpy(out.data(), data, out.size() * 2);
        v->Unlock();
        return out;
    }
    static std::vector<u8> Bytes(CKetrelSoundWave& wave)
    {
        std::vector<u8> out;
        CKetrelSoundBuffer* v = wave.GetVoice(0);
        u8* data = nullptr;
        u32 size = 0;
        if (!v || v->Lock(0, 0, &data, &size, 1) != KE_OK)
            return out;
        out.assign(data, data + size);
        v->Unlock();
        return out;
    }

    CKetrelTestAlsa m_alsa;
    CKetrelSoundEngine* m_engine = nullptr;
    TempFolder m_tmp;
};

std::vector<u8> Bytes16(const std::vector<i16>& samples)
{
    std::vector<u8> out;
    for (i16 s : samples)
        PutU16(out, (u16)s);
    return out;
}

std::vector<u8> Text(const char* text, bool terminated = true)
{
    std::vector<u8> out(text, text + std::strlen(text));
    if (terminated)
        out.push_back(0);
    return out;
}

// An "adtl" list with a label and a note (the note's text is followed by one more byte).
std::vector<u8> AdtlList()
{
    std::vector<u8> body;
    PutId(body, "adtl");
    std::vector<u8> labl;
    PutU32(labl, 1);
    const std::vector<u8> t1 = Text("intro");
    labl.insert(labl.end(), t1.begin(), t1.end());
    std::vector<u8> sub = Chunk("labl", labl);
    body.insert(body.end(), sub.begin(), sub.end());
    std::vector<u8> note;
    PutU32(note, 2);
    const std::vector<u8> t2 = Text("loop here");
    note.insert(note.end(), t2.begin(), t2.end());
    note.push_back(0);
    sub = Chunk("note", note);
    body.insert(body.end(), sub.begin(), sub.end());
    return Chunk("LIST", body);
}

std::vector<u8> Cue(u32 count, u32 points)
{
    std::vector<u8> body;
    PutU32(body, count);
    body.resize(body.size() + 24 * points, 0);
    return Chunk("cue ", body);
}

const std::vector<i16> kSamples = {0, 1000, -1000, 32767, -32768, 12345, -5, 7};

TEST_F(WaveTest, WellFormedPcmFilesLoad)
{
    const std::vector<u8> data = Bytes16(kSamples);
    const std::vector<u8> fmt = FmtBody(1, 2, 22050, 16, 4);
    std::vector<u8> fact;
    PutU32(fact, 4);
    std::vector<u8> prmr;   // only the id and the size are skipped; chunks follow inside
    PutId(prmr, "PrMr");
    PutU32(prmr, 12345);
    std::vector<u8> bigData = Chunk("data", data);   // size far past the end: held to it
    bigData[4] = 0xF0; bigData[5] = 0xFF; bigData[6] = 0xFF; bigData[7] = 0x7F;
    struct Case { const char* name; std::vector<u8> file; };
    const Case cases[] = {
        {"data only",                Riff(fmt, {Chunk("data", data)})},
        {"data before LIST",         Riff(fmt, {Chunk("data", data), AdtlList()})},
        {"LIST and cue before data", Riff(fmt, {AdtlList(), Cue(2, 2), Chunk("data", data)})},
        {"fact twice, then data",    Riff(fmt, {Chunk("fact", fact), Chunk("fact", fact), Chunk("data", data)})},
        {"PrMr around data",         Riff(fmt, {prmr, Chunk("data", data)})},
        {"unknown chunk of odd size", Riff(fmt, {Chunk("junk", {1, 2, 3}), Chunk("data", data)})},
        {"cue count past its size",  Riff(fmt, {Cue(0xFFFFFFFF, 1), Chunk("data", data)})},
        {"other LIST type",          Riff(fmt, {Chunk("LIST", Text("INFOabc", false)), Chunk("data", data)})},
        {"data size past the end",   Riff(fmt, {bigData})},
        {"extended fmt for PCM",     Riff(FmtBody(1, 2, 22050, 16, 4, {9, 9}), {Chunk("data", data)})},
    };
    for (const Case& c : cases)
    {
        CKetrelSoundWave wave;
        ASSERT_EQ(KE_OK, Load(wave, c.file)) << c.name;
        EXPECT_EQ(kSamples, Pcm16(wave)) << c.name;
        EXPECT_EQ(16u, wave.GetDataSize()) << c.name;
        EXPECT_EQ(2u, wave.GetFormat()->channels) << c.name;
        EXPECT_EQ(22050u, wave.GetSampleRate()) << c.name;
        EXPECT_EQ(0u, wave.GetKind()) << c.name;
    }
}

TEST_F(WaveTest, EightBitAndTrailingPartialFrames)
{
    CKetrelSoundWave wave;
    ASSERT_EQ(KE_OK, Load(wave, Riff(FmtBody(1, 1, 11025, 8, 1), {Chunk("data", {0, 128, 255})})));
    EXPECT_EQ((std::vector<u8>{0, 128, 255}), Bytes(wave));
    EXPECT_EQ(8u, wave.GetFormat()->bitsPerSample);
    // A stereo 16-bit file with 2 bytes beyond its last whole frame: they stay silent.
    CKetrelSoundWave partial;
    ASSERT_EQ(KE_OK, Load(partial, Riff(FmtBody(1, 2, 8000, 16, 4), {Chunk("data", {1, 0, 2, 0, 3, 0})})));
    EXPECT_EQ((std::vector<i16>{1, 2, 0}), Pcm16(partial));
}

// Whatever the file says, a load fails with 9 and leaves no voices.
TEST_F(WaveTest, FilesItCannotPlayAreRefused)
{
    const std::vector<u8> data = Bytes16(kSamples);
    std::vector<u8> riffx = Riff(FmtBody(1, 2, 22050, 16, 4), {Chunk("data", data)});
    riffx[3] = 'X';
    std::vector<u8> noWave = Riff(FmtBody(1, 2, 22050, 16, 4), {Chunk("data", data)});
    noWave[8] = 'w';
    std::vector<u8> tinyFmt = Riff(FmtBody(1, 2, 22050, 16, 4), {Chunk("data", data)});
    tinyFmt[16] = 8;
    std::vector<u8> hugeSkip = Riff(FmtBody(1, 2, 22050, 16, 4), {Chunk("junk", {}), Chunk("data", data)});
    hugeSkip[36 + 4] = 0; hugeSkip[36 + 5] = 0; hugeSkip[36 + 6] = 0; hugeSkip[36 + 7] = 0x80;
    std::vector<u8> longText = Text(std::string(1024, 'a').c_str(), false);
    std::vector<u8> lablBody;
    PutU32(lablBody, 1);
    lablBody.insert(lablBody.end(), longText.begin(), longText.end());
    std::vector<u8> listBody;
    PutId(listBody, "adtl");
    const std::vector<u8> labl = Chunk("labl", lablBody);
    listBody.insert(listBody.end(), labl.begin(), labl.end());

    struct Case { const char* name; std::vector<u8> file; };
    const Case cases[] = {
        {"neither RIFF nor OggS", riffx},
        {"no WAVE",               noWave},
        {"float samples (tag 3)", Riff(FmtBody(3, 2, 22050, 32, 8), {Chunk("data", data)})},
        {"no data chunk",         Riff(FmtBody(1, 2, 22050, 16, 4), {AdtlList()})},
        {"no channels",           Riff(FmtBody(1, 0, 22050, 16, 0), {Chunk("data", data)})},
        {"three channels",        Riff(FmtBody(1, 3, 22050, 16, 6), {Chunk("data", data)})},
        {"24-bit samples",        Riff(FmtBody(1, 2, 22050, 24, 6), {Chunk("data", data)})},
        {"12-bit samples",        Riff(FmtBody(1, 1, 22050, 12, 2), {Chunk("data", data)})},
        {"wrong block align",     Riff(FmtBody(1, 2, 22050, 16, 3), {Chunk("data", data)})},
        {"rate 0",                Riff(FmtBody(1, 2, 0, 16, 4), {Chunk("data", data)})},
        {"empty data",            Riff(FmtBody(1, 2, 22050, 16, 4), {Chunk("data", {})})},
        {"fmt shorter than 16",   tinyFmt},
        {"skip of 2 GiB",         hugeSkip},
        {"label of 1024 bytes without end", Riff(FmtBody(1, 2, 22050, 16, 4), {Chunk("LIST", listBody), Chunk("data", data)})},
        {"ADPCM with 3 bits",     Riff(FmtBody(0x11, 1, 22050, 3, 256, {0xF9, 1}), {Chunk("data", std::vector<u8>(256))})},
        {"ADPCM block too small", Riff(FmtBody(0x11, 2, 22050, 4, 4, {0xF9, 1}), {Chunk("data", std::vector<u8>(256))})},
        {"ADPCM odd block",       Riff(FmtBody(0x11, 1, 22050, 4, 258, {0xF9, 1}), {Chunk("data", std::vector<u8>(258))})},
        {"ADPCM three channels",  Riff(FmtBody(0x11, 3, 22050, 4, 252, {0xF9, 1}), {Chunk("data", std::vector<u8>(252))})},
        {"ADPCM data shorter than a block", Riff(FmtBody(0x11, 1, 22050, 4, 256, {0xF9, 1}), {Chunk("data", std::vector<u8>(255))})},
        {"three bytes",           {'R', 'I', 'F'}},
    };
    for (const Case& c : cases)
    {
        CKetrelSoundWave wave;
        const i32 rc = Load(wave, c.file, 2);
        EXPECT_EQ(c.file.size() < 4 ? KE_ERR_ARGUMENT : KE_ERR_DEVICE, rc) << c.name;
        EXPECT_EQ(0u, wave.GetVoiceCount()) << c.name;
        EXPECT_EQ(0u, wave.GetDataSize()) << c.name;
    }
    EXPECT_EQ(0u, m_engine->GetVoiceCount());
}

// Every prefix of a file with every kind of chunk loads or fails cleanly.
TEST_F(WaveTest, EveryPrefixLoadsOrFailsCleanly)
{
    std::vector<u8> fact;
    PutU32(fact, 4);
    const std::vector<u8> file = Riff(FmtBody(1, 2, 22050, 16, 4),
        {Chunk("fact", fact), AdtlList(), Cue(1, 1), Chunk("data", Bytes16(kSamples)), AdtlList()});
    for (size_t n = 0; n <= file.size(); ++n)
    {
        const std::vector<u8> prefix(file.begin(), file.begin() + (long)n);
        CKetrelSoundWave wave;
        const i32 rc = prefix.empty() ? KE_ERR_ARGUMENT : Load(wave, prefix);
        EXPECT_EQ(rc == KE_OK ? 1u : 0u, wave.GetVoiceCount()) << n;
    }
}

TEST_F(WaveTest, ExtraVoicesShareOnePcmBlock)
{
    CKetrelSoundWave wave;
    ASSERT_EQ(KE_OK, Load(wave, PcmWave16(1, 44100, kSamples), 3));
    ASSERT_EQ(4u, wave.GetVoiceCount());
    EXPECT_EQ(3u, wave.GetExtraVoiceCount());
    u8* first = nullptr;
    for (u32 i = 0; i < 4; ++i)
    {
        EXPECT_EQ(16u, wave.GetVoice(i)->GetDataSize()) << i;
        u8* data = nullptr;
        u32 size = 0;
        ASSERT_EQ(KE_OK, wave.GetVoice(i)->Lock(0, 0, &data, &size, 1));
        if (i == 0)
            first = data;
        EXPECT_EQ(first, data) << i;
        wave.GetVoice(i)->Unlock();
    }
    EXPECT_EQ(4u, m_engine->GetVoiceCount());
}

TEST_F(WaveTest, AdpcmHeaderAndBlockLayout)
{
    // One mono block of 256 bytes: 505 samples; a step index of 200 is held to 88.
    std::vector<u8> block(256, 0x77);
    block[0] = 0x10; block[1] = 0x00;   // initial sample 16
    block[2] = 200;                     // step index
    block[3] = 0;
    CKetrelSoundWave wave;
    ASSERT_EQ(KE_OK, Load(wave, Riff(FmtBody(0x11, 1, 22050, 4, 256, {0xF9, 1}), {Chunk("data", block)})));
    const std::vector<i16> pcm = Pcm16(wave);
    ASSERT_EQ(505u, pcm.size());
    EXPECT_EQ(16, pcm[0]);
    // Code 7 at step 32767: 16 + 4095 + 32767 + 16383 + 8191, clipped.
    EXPECT_EQ(32767, pcm[1]);
    EXPECT_EQ(16u, wave.GetFormat()->bitsPerSample);

    CKetrelSoundCodecImaAdpcm codec;
    EXPECT_EQ(0u, codec.GetDecodedSize(256));   // no format yet
    u8 out[4];
    EXPECT_EQ(KE_ERR_NOT_READY, codec.Decode(block.data(), 256, out, 4));
    CKetrelSoundFormat encoded = {2, 22050, 4, 512}, decoded = {2, 22050, 16, 4};
    ASSERT_EQ(KE_OK, codec.Init(&decoded, &encoded));
    EXPECT_EQ(2u * (4 * 512 - 28), codec.GetDecodedSize(1024 + 100));
    EXPECT_EQ(6u, codec.GetCodecType());
    // A destination smaller than a block gets nothing written.
    std::vector<u8> small(10, 0xAB);
    std::vector<u8> two(512, 0);
    EXPECT_EQ(KE_OK, codec.Decode(two.data(), 512, small.data(), (u32)small.size()));
    EXPECT_EQ(0xAB, small[0]);
}

TEST_F(WaveTest, DecodedSizeIsCapped)
{
    // 17 MiB of stereo ADPCM would decode to more than 64 MiB.
    const u32 blocks = (17u << 20) / 2048;
    std::vector<u8> data((size_t)blocks * 2048, 0);
    CKetrelSoundWave wave;
    EXPECT_EQ(KE_ERR_DEVICE, Load(wave, Riff(FmtBody(0x11, 2, 44100, 4, 2048, {0xF9, 7}), {Chunk("data", data)})));
    EXPECT_EQ(0u, wave.GetVoiceCount());
}

// sox writes and decodes IMA ADPCM; every sample it decodes must match ours.
TEST_F(WaveTest, AdpcmMatchesSoxBitForBit)
{
    if (!HaveTool("sox"))
        GTEST_SKIP() << "sox is not installed";
    struct Case { const char* name; const char* synth; int channels; u32 rate; };
    const Case cases[] = {
        {"mono sweep",  "synth 0.7 sine 200-3000", 1, 22050},
        {"stereo",      "synth 0.5 sine 440 square 300", 2, 44100},
        {"mono noise",  "synth 0.3 whitenoise", 1, 11025},
    };
    for (const Case& c : cases)
    {
        const std::string wav = m_tmp.Path("adpcm.wav"), raw = m_tmp.Path("adpcm.raw");
        ASSERT_TRUE(RunCommand("sox -n -r " + std::to_string(c.rate) + " -c " + std::to_string(c.channels) +
                               " -e ima-adpcm '" + wav + "' " + c.synth + " vol 0.9")) << c.name;
        ASSERT_TRUE(RunCommand("sox '" + wav + "' -t raw -e signed-integer -b 16 -L '" + raw + "'")) << c.name;
        const std::vector<u8> soxBytes = ReadFileBytes(raw);
        CKetrelSoundWave wave;
        ASSERT_EQ(KE_OK, wave.LoadFromFile(m_engine, CKetrelString(wav.c_str()), 0, 0)) << c.name;
        const std::vector<u8> ours = Bytes(wave);
        ASSERT_GE(ours.size(), soxBytes.size()) << c.name;
        ASSERT_GT(soxBytes.size(), 1000u) << c.name;
        EXPECT_EQ(0, std::memcmp(ours.data(), soxBytes.data(), soxBytes.size())) << c.name;
        EXPECT_EQ((u32)c.channels, wave.GetFormat()->channels) << c.name;
        EXPECT_EQ(c.rate, wave.GetSampleRate()) << c.name;
        // sox writes blocks of 256 bytes per channel: 505 samples per channel each.
        const std::vector<u8> file = ReadFileBytes(wav);
        const u32 blockAlign = file[32] | (file[33] << 8);
        EXPECT_EQ(256u * c.channels, blockAlign) << c.name;
        EXPECT_EQ(0u, ours.size() % (505u * 2 * c.channels)) << c.name;
    }
}

// libvorbisfile's 16-bit output of the same file, all links of a chain in order.
std::vector<i16> VorbisFileDecode(const std::string& path, int* channels, long* rate)
{
    std::vector<i16> out;
    OggVorbis_File vf;
    if (ov_fopen(path.c_str(), &vf) != 0)
        return out;
    vorbis_info* vi = ov_info(&vf, -1);
    *channels = vi->channels;
    *rate = vi->rate;
    char buffer[4096];
    int section = 0;
    for (;;)
    {
        const long n = ov_read(&vf, buffer, sizeof(buffer), 0, 2, 1, &section);
        if (n <= 0)
            break;
        const size_t at = out.size();
        out.resize(at + (size_t)n / 2);
        std::memcpy(out.data() + at, buffer, (size_t)n);
    }
    ov_clear(&vf);
    return out;
}

TEST_F(WaveTest, OggVorbisMatchesLibvorbisfile)
{
    if (!HaveTool("sox"))
        GTEST_SKIP() << "sox is not installed";
    const std::string a = m_tmp.Path("a.ogg"), b = m_tmp.Path("b.ogg"), chain = m_tmp.Path("chain.ogg");
    ASSERT_TRUE(RunCommand("sox -n -r 22050 -c 1 '" + a + "' synth 0.6 sine 300-2000 vol 0.8"));
    ASSERT_TRUE(RunCommand("sox -n -r 22050 -c 1 '" + b + "' synth 0.4 square 500 vol 0.5"));
    ASSERT_TRUE(RunCommand("cat '" + a + "' '" + b + "' > '" + chain + "'"));
    const std::string stereo = m_tmp.Path("stereo.ogg");
    ASSERT_TRUE(RunCommand("sox -n -r 44100 -c 2 '" + stereo + "' synth 0.5 sine 440 sine 660"));
    // A chain is compared with its streams decoded one by one.
    struct Case { const char* name; std::string path; std::vector<std::string> parts; };
    const Case cases[] = {{"mono", a, {a}}, {"stereo", stereo, {stereo}},
                          {"two chained streams", chain, {a, b}}};
    for (const Case& c : cases)
    {
        int channels = 0;
        long rate = 0;
        std::vector<i16> want;
        for (const std::string& part : c.parts)
        {
            const std::vector<i16> pcm = VorbisFileDecode(part, &channels, &rate);
            want.insert(want.end(), pcm.begin(), pcm.end());
        }
        ASSERT_GT(want.size(), 1000u) << c.name;
        CKetrelSoundWave wave;
        ASSERT_EQ(KE_OK, wave.LoadFromFile(m_engine, CKetrelString(c.path.c_str()), 0, 1)) << c.name;
        const std::vector<i16> got = Pcm16(wave);
        ASSERT_EQ(want.size(), got.size()) << c.name;
        int worst = 0;
        for (size_t i = 0; i < want.size(); ++i)
            worst = std::max(worst, std::abs((int)want[i] - (int)got[i]));
        EXPECT_LE(worst, 1) << c.name;
        EXPECT_EQ((u32)channels, wave.GetFormat()->channels) << c.name;
        EXPECT_EQ((u32)rate, wave.GetSampleRate()) << c.name;
        EXPECT_EQ(16u, wave.GetFormat()->bitsPerSample) << c.name;
        EXPECT_EQ(2u, wave.GetVoiceCount()) << c.name;
    }
}

TEST_F(WaveTest, BrokenAndMixedOggStreamsAreRefused)
{
    if (!HaveTool("sox"))
        GTEST_SKIP() << "sox is not installed";
    const std::string a = m_tmp.Path("a.ogg"), b = m_tmp.Path("b.ogg"), mixed = m_tmp.Path("mixed.ogg");
    ASSERT_TRUE(RunCommand("sox -n -r 22050 -c 1 '" + a + "' synth 0.3 sine 300"));
    ASSERT_TRUE(RunCommand("sox -n -r 44100 -c 1 '" + b + "' synth 0.3 sine 300"));
    ASSERT_TRUE(RunCommand("cat '" + a + "' '" + b + "' > '" + mixed + "'"));
    const std::vector<u8> good = ReadFileBytes(a);
    std::vector<u8> badHeader = good;
    badHeader[28 + 7] ^= 0xFF;   // inside the identification header
    std::vector<u8> garbage(8192, 0x5A);
    std::memcpy(garbage.data(), "OggS", 4);
    struct Case { const char* name; std::vector<u8> file; };
    const Case cases[] = {
        {"a chain that changes rate", ReadFileBytes(mixed)},
        {"damaged first header",      badHeader},
        {"OggS then no pages",        garbage},
        {"headers only",              std::vector<u8>(good.begin(), good.begin() + 200)},
    };
    for (const Case& c : cases)
    {
        CKetrelSoundWave wave;
        EXPECT_EQ(KE_ERR_DEVICE, Load(wave, c.file)) << c.name;
        EXPECT_EQ(0u, wave.GetVoiceCount()) << c.name;
    }
    // Every prefix of a real stream loads or fails cleanly.
    for (size_t n = 4; n <= good.size(); n += 97)
    {
        CKetrelSoundWave wave;
        const std::vector<u8> prefix(good.begin(), good.begin() + (long)n);
        const i32 rc = Load(wave, prefix);
        EXPECT_EQ(rc == KE_OK ? 1u : 0u, wave.GetVoiceCount()) << n;
    }
}

// A pack file: "KMP2", count, directory of {u16 length, name, u32 record offset},
// records {u32 0, u32 size, data}.
std::vector<u8> Pack(const std::vector<std::pair<std::string, std::vector<u8>>>& entries)
{
    std::vector<u8> out;
    PutId(out, "KMP2");
    PutU32(out, (u32)entries.size());
    size_t dirBytes = 0;
    for (const auto& e : entries)
        dirBytes += 2 + e.first.size() + 4;
    u32 offset = (u32)(8 + dirBytes);
    for (const auto& e : entries)
    {
        PutU16(out, (u32)e.first.size());
        out.insert(out.end(), e.first.begin(), e.first.end());
        PutU32(out, offset);
        offset += 8 + (u32)e.second.size();
    }
    for (const auto& e : entries)
    {
        PutU32(out, 0);
        PutU32(out, (u32)e.second.size());
        out.insert(out.end(), e.second.begin(), e.second.end());
    }
    return out;
}

TEST_F(WaveTest, LoadsFromPacksAndFiles)
{
    const std::vector<u8> one = PcmWave16(1, 11025, kSamples);
    const std::vector<u8> two = PcmWave16(2, 22050, kSamples);
    const std::string plainPath = m_tmp.Path("plain.kmp");
    ASSERT_TRUE(WriteFileBytes(plainPath, Pack({{"sfx/one.wav", one}, {"sfx/two.wav", two}})));

    CKetrelMediaPack pack;
    ASSERT_EQ(KE_OK, pack.Open(CKetrelString(plainPath.c_str()), CKetrelString()));
    struct Case { const char* name; const char* entry; i32 index; i32 want; u32 channels; };
    const Case cases[] = {
        {"by name",       "two.wav", 0, KE_OK, 2},
        {"by index",      "",        0, KE_OK, 1},
        {"missing name",  "three",   0, KE_ERR_NOT_FOUND, 0},
        {"index too big", "",        5, KE_ERR_NOT_FOUND, 0},
    };
    for (const Case& c : cases)
    {
        CKetrelSoundWave wave;
        EXPECT_EQ(c.want, wave.LoadFromPack(m_engine, &pack, CKetrelString(c.entry), c.index, 0, 0)) << c.name;
        if (c.want == KE_OK)
        {
            EXPECT_EQ(c.channels, wave.GetFormat()->channels) << c.name;
            EXPECT_EQ(kSamples, Pcm16(wave)) << c.name;
        }
        else
            EXPECT_EQ(0u, wave.GetVoiceCount()) << c.name;
    }
    CKetrelSoundWave wave;
    EXPECT_EQ(KE_ERR_ARGUMENT, wave.LoadFromPack(m_engine, nullptr, CKetrelString("one"), 0, 0, 0));

    // A pack opened with a key holds scrambled entries.
    std::vector<u8> scrambled = two;
    CKetrelDataScrambler scrambler;
    ASSERT_EQ(KE_OK, scrambler.Descramble(scrambled.data(), (u32)scrambled.size(), CKetrelString("secret")));
    const std::string keyedPath = m_tmp.Path("keyed.kmp");
    ASSERT_TRUE(WriteFileBytes(keyedPath, Pack({{"two.wav", scrambled}})));
    CKetrelMediaPack keyed;
    ASSERT_EQ(KE_OK, keyed.Open(CKetrelString(keyedPath.c_str()), CKetrelString("secret")));
    ASSERT_EQ(KE_OK, wave.LoadFromPack(m_engine, &keyed, CKetrelString("two"), 0, 0, 1));
    EXPECT_EQ(kSamples, Pcm16(wave));
    EXPECT_EQ(2u, wave.GetVoiceCount());

    // Files.
    const std::string filePath = m_tmp.Path("one.wav");
    ASSERT_TRUE(WriteFileBytes(filePath, one));
    CKetrelSoundWave fromFile;
    EXPECT_EQ(KE_OK, fromFile.LoadFromFile(m_engine, CKetrelString(filePath.c_str()), 0, 0));
    EXPECT_EQ(kSamples, Pcm16(fromFile));
    EXPECT_EQ(KE_ERR_OPEN, fromFile.LoadFromFile(m_engine, CKetrelString(m_tmp.Path("none.wav").c_str()), 0, 0));
    EXPECT_EQ(0u, fromFile.GetVoiceCount());
}
} // namespace
