#include "KetrelSound/KetrelSoundSource.h"
#include "engine/KetrelResult.h"
#include <cstring>

IKetrelSoundSource::IKetrelSoundSource() : m_dataSize(0)
{
    std::memset(&m_format, 0, sizeof(m_format));
}

IKetrelSoundSource::~IKetrelSoundSource()
{
    m_voices.RemoveAll();
}

void IKetrelSoundSource::Release()
{
    // The duplicates share voice 0's data: every voice leaves the engine, so that the
    // mixer can no longer read it, before voice 0 frees it.
    for (i32 i = m_voices.GetCount() - 1; i >= 0; --i)
        ((CKetrelSoundBuffer*)m_voices.GetAt(i))->Release();
    for (i32 i = 0; i < m_voices.GetCount(); ++i)
        delete (CKetrelSoundBuffer*)m_voices.GetAt(i);
    m_voices.RemoveAll();
    m_dataSize = 0;
}

CKetrelSoundBuffer* IKetrelSoundSource::GetVoice(u32 voice)
{
    return voice < (u32)m_voices.GetCount() ? (CKetrelSoundBuffer*)m_voices.GetAt((i32)voice)
                                            : nullptr;
}

u32 IKetrelSoundSource::FindFreeVoice()
{
    for (i32 i = 0; i < m_voices.GetCount(); ++i)
        if (!((CKetrelSoundBuffer*)m_voices.GetAt(i))->IsPlaying())
            return (u32)i;
    return 0;
}

u32 IKetrelSoundSource::GetExtraVoiceCount()
{
    return m_voices.GetCount() > 0 ? (u32)m_voices.GetCount() - 1 : 0;
}

i32 IKetrelSoundSource::Play(u32 loop, u32 voice, u32 options)
{
    if (options & KE_SOUND_PLAY_FREE_VOICE)
        voice = FindFreeVoice();
    CKetrelSoundBuffer* v = GetVoice(voice);
    if (!v)
        return KE_ERR_ARGUMENT;
    return v->Play(loop);
}

i32 IKetrelSoundSource::PlayFromStart(u32 loop, u32 voice, u32 options)
{
    // The free voice is chosen before the rewind, which would otherwise make the given
    // voice the free one.
    if (options & KE_SOUND_PLAY_FREE_VOICE)
        voice = FindFreeVoice();
    CKetrelSoundBuffer* v = GetVoice(voice);
    if (!v)
        return KE_ERR_ARGUMENT;
    Stop(voice);
    return v->Play(loop);
}

i32 IKetrelSoundSource::Stop(u32 voice)
{
    CKetrelSoundBuffer* v = GetVoice(voice);
    if (!v)
        return KE_ERR_NOT_READY;
    v->Stop();
    return v->SetPosition(0);
}

i32 IKetrelSoundSource::Pause(u32 voice)
{
    CKetrelSoundBuffer* v = GetVoice(voice);
    if (!v)
        return KE_ERR_NOT_READY;
    return v->Stop();
}

i32 IKetrelSoundSource::SetPosition(i32 bytes, u32 voice)
{
    CKetrelSoundBuffer* v = GetVoice(voice);
    if (!v)
        return KE_ERR_NOT_READY;
    return v->SetPosition(bytes);
}

u32 IKetrelSoundSource::GetPosition(u32 voice)
{
    CKetrelSoundBuffer* v = GetVoice(voice);
    return v ? v->GetPosition() : (u32)KE_ERR_NOT_READY;
}

i32 IKetrelSoundSource::SetPan(i32 pan, u32 voice)
{
    CKetrelSoundBuffer* v = GetVoice(voice);
    if (!v)
        return KE_ERR_NOT_READY;
    return v->SetPan(pan < -100 ? -100 : (pan > 100 ? 100 : pan));
}

i32 IKetrelSoundSource::GetPan(u32 voice)
{
    CKetrelSoundBuffer* v = GetVoice(voice);
    return v ? v->GetPan() : 0;
}

i32 IKetrelSoundSource::SetVolume(i32 volume, u32 voice)
{
    CKetrelSoundBuffer* v = GetVoice(voice);
    if (!v)
        return KE_ERR_NOT_READY;
    return v->SetVolume((u32)(volume < 0 ? 0 : (volume > 100 ? 100 : volume)));
}

i32 IKetrelSoundSource::GetVolume(u32 voice)
{
    CKetrelSoundBuffer* v = GetVoice(voice);
    return v ? (i32)v->GetVolume() : 0;
}

i32 IKetrelSoundSource::SetFrequency(u32 hz, u32 voice)
{
    CKetrelSoundBuffer* v = GetVoice(voice);
    if (!v)
        return KE_ERR_NOT_READY;
    if (hz < KE_SOUND_MIN_FREQUENCY)
        hz = KE_SOUND_MIN_FREQUENCY;
    if (hz > KE_SOUND_MAX_FREQUENCY)
        hz = KE_SOUND_MAX_FREQUENCY;
    return v->SetFrequency(hz);
}

u32 IKetrelSoundSource::GetFrequency(u32 voice)
{
    CKetrelSoundBuffer* v = GetVoice(voice);
    return v ? v->GetFrequency() : 0;
}

u32 IKetrelSoundSource::IsPlaying(u32 voice)
{
    CKetrelSoundBuffer* v = GetVoice(voice);
    return v ? v->IsPlaying() : 0;
}

i32 IKetrelSoundSource::Set3DParameters(const CKetrelVector3* sourceVelocity,
                                        const CKetrelMatrix4* source,
                                        const CKetrelVector3* listenerVelocity,
                                        const CKetrelMatrix4* listener, u32 voice)
{
    CKetrelSoundBuffer* v = GetVoice(voice);
    if (!v)
        return KE_ERR_NOT_READY;
    return v->Set3DParameters(sourceVelocity, source, listenerVelocity, listener);
}

i32 IKetrelSoundSource::Set3DRecord(const CKetrelSound3DRecord* record, u32 voice)
{
    CKetrelSoundBuffer* v = GetVoice(voice);
    if (!v)
        return KE_ERR_NOT_READY;
    return v->Set3DRecord(record);
}
