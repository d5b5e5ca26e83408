#include "KetrelSound/KetrelSoundCodec.h"
#include "engine/KetrelResult.h"

namespace
{
const i32 kStepTable[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,   876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

const i32 kIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

struct ChannelState
{
    i32 sample;
    i32 index;
};

inline i16 Expand(ChannelState& st, u32 code)
{
    const i32 step = kStepTable[st.index];
    i32 diff = step >> 3;
    if (code & 4) diff += step;
    if (code & 2) diff += step >> 1;
    if (code & 1) diff += step >> 2;
    st.sample += (code & 8) ? -diff : diff;
    if (st.sample > 32767) st.sample = 32767;
    if (st.sample < -32768) st.sample = -32768;
    st.index += kIndexTable[code & 15];
    if (st.index < 0) st.index = 0;
    if (st.index > 88) st.index = 88;
    return (i16)st.sample;
}
} // namespace

bool CKetrelSoundCodecImaAdpcm::IsValidLayout(u32 channels, u32 blockAlign)
{
    return channels >= 1 && channels <= 2 && blockAlign >= 4 * channels &&
           blockAlign % (4 * channels) == 0;
}

u32 CKetrelSoundCodecImaAdpcm::SamplesPerBlock(u32 channels, u32 blockAlign)
{
    return 1 + (blockAlign / (4 * channels) - 1) * 8;
}

u32 CKetrelSoundCodecImaAdpcm::GetDecodedSize(u32 encodedBytes)
{
    if (!m_encoded || !IsValidLayout(m_encoded->channels, m_encoded->blockAlign))
        return 0;
    const u32 n = m_encoded->channels, b = m_encoded->blockAlign;
    const u64 bytes = (u64)(encodedBytes / b) * SamplesPerBlock(n, b) * n * 2;
    return bytes > 0xFFFFFFFFu ? 0 : (u32)bytes;
}

i32 CKetrelSoundCodecImaAdpcm::Decode(const u8* source, u32 sourceBytes, u8* destination,
                                      u32 destinationBytes)
{
    if (!m_encoded)
        return KE_ERR_NOT_READY;
    const u32 n = m_encoded->channels, b = m_encoded->blockAlign;
    if (!IsValidLayout(n, b))
        return KE_ERR_FORMAT;
    if (!source || !destination)
        return KE_ERR_ARGUMENT;

    const u32 perChannel = SamplesPerBlock(n, b);
    const u32 blockOut = perChannel * n * 2;          // bytes of PCM per block
    const u32 wordsPerChannel = b / (4 * n) - 1;
    u32 blocks = sourceBytes / b;
    if (blocks > destinationBytes / blockOut)
        blocks = destinationBytes / blockOut;

    for (u32 blk = 0; blk < blocks; ++blk)
    {
        const u8* in = source + (u64)blk * b;
        i16* out = (i16*)(destination + (u64)blk * blockOut);
        ChannelState st[2];
        for (u32 c = 0; c < n; ++c)
        {
            const u8* h = in + 4 * c;
            st[c].sample = (i16)(h[0] | (h[1] << 8));
            // The header's step index is a byte; the table has 89 entries.
            st[c].index = h[2] > 88 ? 88 : h[2];
            out[c] = (i16)st[c].sample;
        }
        const u8* words = in + 4 * n;
        for (u32 w = 0; w < wordsPerChannel; ++w)
            for (u32 c = 0; c < n; ++c)
            {
                const u8* word = words + 4 * (w * n + c);
                const u32 first = 1 + w * 8;
                for (u32 k = 0; k < 8; ++k)
                {
                    const u32 code = (word[k >> 1] >> ((k & 1) * 4)) & 15;
                    out[(first + k) * n + c] = Expand(st[c], code);
                }
            }
    }
    return KE_OK;
}
