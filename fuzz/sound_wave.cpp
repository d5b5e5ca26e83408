// Sounds loaded from memory, as the framework loads them from packs and downloads:
// RIFF/WAVE (PCM, IMA ADPCM) and Ogg Vorbis. The voices register with an engine that has
// no device; a load either succeeds with voice 0 and one shared voice, or leaves none.
#include "KetrelSound/KetrelSoundEngine.h"
#include "KetrelSound/KetrelSoundWave.h"
#include "engine/KetrelResult.h"
#include <cstdint>
#include <cstdlib>
#include <cstring>

// A chunk or cue count that the parser failed to bound would make one input run for
// minutes: unless the command line sets its own, every input gets 5 seconds.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    for (int i = 1; i < *argc; ++i)
        if (std::strncmp((*argv)[i], "-timeout=", 9) == 0)
            return 0;
    static char timeout[] = "-timeout=5";
    char** args = (char**)std::malloc(sizeof(char*) * (size_t)(*argc + 2));
    if (!args)
        return 0;
    for (int i = 0; i < *argc; ++i)
        args[i] = (*argv)[i];
    args[*argc] = timeout;
    args[*argc + 1] = nullptr;
    *argc += 1;
    *argv = args;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CKetrelSoundEngine* engine = new CKetrelSoundEngine();
    if (size > 0x7FFFFFFF)
        return 0;
    CKetrelSoundWave wave;
    const i32 rc = wave.LoadFromMemory(engine, data, (u32)size, 0, 1);
    if (rc == KE_OK)
    {
        if (wave.GetVoiceCount() != 2 || engine->GetVoiceCount() != 2)
            std::abort();
        // Touch every byte of the decoded PCM.
        CKetrelSoundBuffer* voice = wave.GetVoice(0);
        u8* pcm = nullptr;
        u32 bytes = 0;
        if (voice->Lock(0, 0, &pcm, &bytes, 1) == KE_OK)
        {
            u32 sum = 0;
            for (u32 i = 0; i < bytes; ++i)
                sum += pcm[i];
            voice->Unlock();
            if (sum == 0xFFFFFFFFu)
                std::abort();
        }
    }
    else if (wave.GetVoiceCount() != 0)
        std::abort();
    wave.Release();
    if (engine->GetVoiceCount() != 0)
        std::abort();
    return 0;
}
