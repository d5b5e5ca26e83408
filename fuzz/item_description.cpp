// Owned-item descriptions from downloaded packs: whatever the bytes, the reader either
// refuses them or gives a known type, a bonus in range and picture names that are bare
// file names.
#include "engine/KetrelResult.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubItemDescription.h"
#include "game/match/JubPlayState.h"

#include <cstdlib>
#include <cstring>

namespace
{
class BytesSource : public CJubAssetSource
{
public:
    CKetrelSurface* GetImage(const CKetrelString&) override { return nullptr; }
    int ReleaseImage(CKetrelSurface**) override { return 0; }
    IKetrelSoundSource* GetSound(const CKetrelString&) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource**) override { return 0; }
    i32 ReadResource(const CKetrelString&, u8** out) override
    {
        *out = nullptr;
        if (size == 0)
            return 0;
        *out = new u8[size];
        std::memcpy(*out, data, size);
        return (i32)size;
    }
    const u8* data = nullptr;
    size_t size = 0;
};

void CheckName(const CKetrelString& name)
{
    if (name.GetLength() > JUB_ITEM_NAME_MAX)
        std::abort();
    for (i32 i = 0; i < name.GetLength(); ++i)
    {
        const u16 c = name.GetAt(i);
        if (c < 0x20 || c >= 0x7F || c == '/' || c == '\\')
            std::abort();
    }
    if (name.GetLength() > 0 && name.GetAt(0) == '.')
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    if (size > (size_t)JUB_ITEM_FILE_MAX + 16)
        return 0;
    BytesSource source;
    source.data = data;
    source.size = size;
    CJubItemInfo info;
    const int rc = CJubItemDescription::Read(&source, 1, &info);
    if (rc == KE_OK)
    {
        if (info.type < JUB_ITEM_NONE || info.type > JUB_ITEM_BATTLEGROUND)
            std::abort();
        if (info.variable < 0 || info.variable > JUB_HAT_BONUS_MAX)
            std::abort();
        CheckName(info.fileName);
        CheckName(info.battleFileName);
        CheckName(info.uniqueFileName);
        if (CJubPlayState::HatHealth(info.variable) != 100 + info.variable)
            std::abort();
    }
    else if (rc != KE_ERR_FORMAT && rc != KE_ERR_ARGUMENT && rc != KE_ERR_NOT_FOUND
             && rc != KE_ERR_MEMORY)
    {
        std::abort();
    }
    else if (info.type != JUB_ITEM_NONE || info.variable != 0 || !info.fileName.IsEmpty())
    {
        std::abort();   // a refused description leaves the record as it was
    }
    return 0;
}
