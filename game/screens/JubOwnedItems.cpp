#include "game/screens/JubOwnedItems.h"

#include "engine/KetrelFile.h"
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelResult.h"
#include "framework/BrixItemRecord.h"
#include "framework/BrixResourceManager.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubItemDescription.h"

#include <new>

namespace
{
// The files of one open pack, for the description reader. It reads whole entries of at
// most JUB_ITEM_FILE_MAX bytes and remembers why it gave nothing for one it found.
class CPackFiles : public CJubAssetSource
{
public:
    explicit CPackFiles(CKetrelMediaPack* pack) : m_pack(pack), m_failure(KE_OK) {}

    CKetrelSurface* GetImage(const CKetrelString&) override { return nullptr; }
    int ReleaseImage(CKetrelSurface** image) override { return *image ? 0 : 1; }
    IKetrelSoundSource* GetSound(const CKetrelString&) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource** sound) override { return *sound ? 0 : 1; }

    i32 ReadResource(const CKetrelString& name, u8** data) override
    {
        *data = nullptr;
        const u32 size = m_pack->SeekEntryByFileName(name);
        if (size == 0)
            return 0;
        if (size > (u32)JUB_ITEM_FILE_MAX)
        {
            m_failure = KE_ERR_FORMAT;
            return 0;
        }
        u8* bytes = new (std::nothrow) u8[size];
        if (!bytes)
        {
            m_failure = KE_ERR_MEMORY;
            return 0;
        }
        CKetrelFile* file = m_pack->GetFile();
        if (!file || file->Read(bytes, size) != size)
        {
            delete[] bytes;
            m_failure = KE_ERR_FORMAT;
            return 0;
        }
        *data = bytes;
        return (i32)size;
    }

    // KE_OK, or why the last entry found was not handed out.
    int GetFailure() const { return m_failure; }

private:
    CKetrelMediaPack* m_pack;   // not owned
    int m_failure;
};
} // namespace

i32 CJubOwnedItems::Collect(const CKetrelArray<CItemData>* records, CJubOwnedItem* items, i32 max)
{
    if (!records || !items)
        return 0;
    i32 count = 0;
    for (i32 i = 0; i < records->GetCount() && count < max; ++i)
    {
        const CItemData& r = (*records)[i];
        if (CBrixItemRecord::GetWord(r, BRIX_ITEM_WORD_ENABLED) == 0 ||
            CBrixItemRecord::GetWord(r, BRIX_ITEM_WORD_AMOUNT) <= 0 ||
            CBrixItemRecord::GetWord(r, BRIX_ITEM_WORD_FILE) < 1)
            continue;
        CJubOwnedItem& item = items[count++];
        item.itemId = (u32)CBrixItemRecord::GetWord(r, BRIX_ITEM_WORD_ID);
        item.fileNumber = (u32)CBrixItemRecord::GetWord(r, BRIX_ITEM_WORD_FILE);
        item.packNumber = (u32)CBrixItemRecord::GetWord(r, BRIX_ITEM_WORD_PACK);
    }
    return count;
}

int CJubOwnedItems::Read(const CKetrelString& packPath, u32 fileNumber,
                         CBrixResourceManager* resources, CJubItemInfo* info)
{
    if (!info)
        return KE_ERR_ARGUMENT;
    if (packPath.IsEmpty())
        return KE_ERR_NOT_FOUND;

    CKetrelMediaPack pack;
    int rc = pack.Open(packPath, CKetrelString());
    if (rc != KE_OK)
        return rc;
    CPackFiles files(&pack);
    CJubItemInfo read;
    rc = CJubItemDescription::Read(&files, fileNumber, &read);
    pack.Close();
    if (rc == KE_ERR_NOT_FOUND && files.GetFailure() != KE_OK)
        rc = files.GetFailure();
    if (rc != KE_OK)
        return rc;

    // The hat's and the battleground's pictures are looked up by name through the
    // resource manager. Added at level 0, the game's own files keep their names.
    if (resources && !resources->HasMediaPack(packPath) &&
        !resources->AddMediaPack(packPath, 1, 0))
        return KE_ERR_OPEN;
    *info = read;
    return KE_OK;
}
