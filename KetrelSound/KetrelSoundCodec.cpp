#include "KetrelSound/KetrelSoundCodec.h"
#include "engine/KetrelResult.h"
#include <new>

IKetrelSoundCodec::IKetrelSoundCodec() : m_encoded(nullptr), m_decoded(nullptr) {}

IKetrelSoundCodec::~IKetrelSoundCodec()
{
    FreeFormats();
}

CKetrelSoundFormat* IKetrelSoundCodec::CopyFormat(const CKetrelSoundFormat* format)
{
    if (!format)
        return nullptr;
    CKetrelSoundFormat* copy = new (std::nothrow) CKetrelSoundFormat;
    if (copy)
        *copy = *format;
    return copy;
}

i32 IKetrelSoundCodec::Init(const CKetrelSoundFormat* decoded, const CKetrelSoundFormat* encoded)
{
    if (!decoded || !encoded)
        return KE_ERR_ARGUMENT;
    FreeFormats();
    m_decoded = CopyFormat(decoded);
    m_encoded = CopyFormat(encoded);
    if (!m_decoded || !m_encoded)
    {
        FreeFormats();
        return KE_ERR_MEMORY;
    }
    return KE_OK;
}

void IKetrelSoundCodec::FreeFormats()
{
    delete m_encoded;
    delete m_decoded;
    m_encoded = m_decoded = nullptr;
}
