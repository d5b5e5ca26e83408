#include "KetrelSound/KetrelOggDecoder.h"
#include "engine/KetrelFile.h"
#include "engine/KetrelResult.h"
#include <cmath>
#include <cstring>
#include <new>
#include <vorbis/codec.h>

namespace
{
const u32 kChunk = 4096;

// Growing PCM output: starts at 1 MiB and doubles, never past the decode cap.
struct PcmOut
{
    u8* data = nullptr;
    u32 size = 0;
    u32 capacity = 0;

    ~PcmOut() { delete[] data; }

    // 1, 7 without memory, 4 past the cap.
    i32 Reserve(u32 more)
    {
        const u64 need = (u64)size + more;
        if (need > KE_SOUND_MAX_DECODED_BYTES)
            return KE_ERR_FORMAT;
        if (need <= capacity)
            return KE_OK;
        u64 cap = capacity ? capacity : 0x100000;
        while (cap < need)
            cap *= 2;
        if (cap > KE_SOUND_MAX_DECODED_BYTES)
            cap = KE_SOUND_MAX_DECODED_BYTES;
        u8* grown = new (std::nothrow) u8[cap];
        if (!grown)
            return KE_ERR_MEMORY;
        if (size)
            std::memcpy(grown, data, size);
        delete[] data;
        data = grown;
        capacity = (u32)cap;
        return KE_OK;
    }
};

// Feeds the sync layer from the file: at most 4096 bytes, never more than remain.
struct Input
{
    CKetrelFile* file;
    u32 remaining;
    u32 lastRead;

    u32 Feed(ogg_sync_state* oy)
    {
        const u32 want = remaining < kChunk ? remaining : kChunk;
        lastRead = 0;
        if (want == 0)
            return 0;
        char* buffer = ogg_sync_buffer(oy, want);
        if (!buffer)
            return 0;
        u32 got = file->Read(buffer, want);
        if (got > want)
            got = want;
        ogg_sync_wrote(oy, (long)got);
        remaining -= got;
        lastRead = got;
        return got;
    }
};

// The state of one logical stream; cleared in the destructor.
struct Stream
{
    ogg_stream_state os;
    vorbis_info vi;
    vorbis_comment vc;
    vorbis_dsp_state vd;
    vorbis_block vb;
    bool synthesis = false;

    explicit Stream(int serial)
    {
        ogg_stream_init(&os, serial);
        vorbis_info_init(&vi);
        vorbis_comment_init(&vc);
    }
    ~Stream()
    {
        if (synthesis)
        {
            vorbis_block_clear(&vb);
            vorbis_dsp_clear(&vd);
        }
        ogg_stream_clear(&os);
        vorbis_comment_clear(&vc);
        vorbis_info_clear(&vi);
    }
};

inline i16 ToS16(float v)
{
    const float s = std::floor(0.5f + v * 32767.0f);
    if (!(s > -32768.0f))
        return -32768;
    if (s > 32767.0f)
        return 32767;
    return (i16)s;
}

// The next page of this stream that the sync layer holds, handed to the stream: true
// with og filled, false when more input is needed. Damaged pages and pages of other
// streams are passed over.
bool NextStreamPage(ogg_sync_state* oy, Stream& st, ogg_page* og)
{
    for (;;)
    {
        const int r = ogg_sync_pageout(oy, og);
        if (r == 0)
            return false;
        if (r > 0 && ogg_stream_pagein(&st.os, og) == 0)
            return true;
    }
}

// Reads the two headers after the first; 1, or 4.
i32 ReadHeaders(ogg_sync_state* oy, Stream& st, Input& in)
{
    int headers = 0;
    ogg_page og;
    ogg_packet op;
    while (headers < 2)
    {
        while (headers < 2 && NextStreamPage(oy, st, &og))
        {
            while (headers < 2)
            {
                const int p = ogg_stream_packetout(&st.os, &op);
                if (p == 0)
                    break;
                if (p < 0 || vorbis_synthesis_headerin(&st.vi, &st.vc, &op) < 0)
                    return KE_ERR_FORMAT;
                ++headers;
            }
        }
        if (headers < 2 && in.Feed(oy) == 0)
            return KE_ERR_FORMAT;
    }
    return KE_OK;
}

// Decodes the audio packets of one stream up to its last page or the end of the input.
i32 DecodeStream(ogg_sync_state* oy, Stream& st, Input& in, PcmOut& out)
{
    const u32 channels = (u32)st.vi.channels;
    const int maxSamples = (int)(kChunk / channels);
    ogg_page og;
    ogg_packet op;
    bool eos = false;
    while (!eos)
    {
        while (!eos && NextStreamPage(oy, st, &og))
        {
            for (;;)
            {
                const int p = ogg_stream_packetout(&st.os, &op);
                if (p == 0)
                    break;
                if (p < 0)
                    continue;
                if (vorbis_synthesis(&st.vb, &op) == 0)
                    vorbis_synthesis_blockin(&st.vd, &st.vb);
                float** pcm = nullptr;
                int samples;
                while ((samples = vorbis_synthesis_pcmout(&st.vd, &pcm)) > 0)
                {
                    const int n = samples < maxSamples ? samples : maxSamples;
                    const i32 rc = out.Reserve((u32)n * channels * 2);
                    if (rc != KE_OK)
                        return rc;
                    i16* dst = (i16*)(out.data + out.size);
                    for (u32 c = 0; c < channels; ++c)
                        for (int i = 0; i < n; ++i)
                            dst[(u32)i * channels + c] = ToS16(pcm[c][i]);
                    out.size += (u32)n * channels * 2;
                    vorbis_synthesis_read(&st.vd, n);
                }
            }
            if (ogg_page_eos(&og))
                eos = true;
        }
        if (!eos && in.Feed(oy) == 0)
            eos = true;
    }
    return KE_OK;
}

// Finds the first page of the next logical stream. 1 found, 0 the input is complete,
// 11 a whole chunk held no page.
i32 NextFirstPage(ogg_sync_state* oy, Input& in, ogg_page* og)
{
    for (;;)
    {
        int r;
        while ((r = ogg_sync_pageout(oy, og)) < 0)
        {
        }
        if (r == 1)
            return 1;
        const u32 got = in.Feed(oy);
        while ((r = ogg_sync_pageout(oy, og)) < 0)
        {
        }
        if (r == 1)
            return 1;
        if (got < kChunk)
            return 0;
        return KE_ERR_NO_FORMAT;
    }
}
} // namespace

i32 KetrelDecodeOggVorbis(CKetrelFile* file, u32 size, u8** pcm, u32* bytes,
                          CKetrelSoundFormat* format)
{
    if (!file || !pcm || !bytes || !format)
        return KE_ERR_ARGUMENT;
    *pcm = nullptr;
    *bytes = 0;

    ogg_sync_state oy;
    ogg_sync_init(&oy);
    Input in{file, size, 0};
    PcmOut out;
    u32 channels = 0, rate = 0;
    i32 rc = KE_OK;

    for (;;)
    {
        ogg_page og;
        const i32 found = NextFirstPage(&oy, in, &og);
        if (found == 0)
            break;
        if (found != 1)
        {
            rc = found;
            break;
        }
        Stream st(ogg_page_serialno(&og));
        ogg_packet op;
        if (ogg_stream_pagein(&st.os, &og) < 0 || ogg_stream_packetout(&st.os, &op) != 1 ||
            vorbis_synthesis_headerin(&st.vi, &st.vc, &op) < 0)
        {
            rc = KE_ERR_NO_FORMAT;
            break;
        }
        rc = ReadHeaders(&oy, st, in);
        if (rc != KE_OK)
            break;
        // The mixer plays one or two channels, and a chain must keep one format.
        if (st.vi.channels < 1 || st.vi.channels > 2 || st.vi.rate <= 0 ||
            (channels && ((u32)st.vi.channels != channels || (u32)st.vi.rate != rate)))
        {
            rc = KE_ERR_FORMAT;
            break;
        }
        channels = (u32)st.vi.channels;
        rate = (u32)st.vi.rate;
        if (vorbis_synthesis_init(&st.vd, &st.vi) != 0)
        {
            rc = KE_ERR_FORMAT;
            break;
        }
        vorbis_block_init(&st.vd, &st.vb);
        st.synthesis = true;
        rc = DecodeStream(&oy, st, in, out);
        if (rc != KE_OK)
            break;
    }
    ogg_sync_clear(&oy);
    if (rc == KE_OK && out.size == 0)
        rc = KE_ERR_FORMAT;
    if (rc != KE_OK)
        return rc;

    KetrelMakeSoundFormat(rate, 16, channels, format);
    *pcm = out.data;
    *bytes = out.size;
    out.data = nullptr;
    return KE_OK;
}
