// lobby/BrixMenuStatePacks.cpp: the per-frame check of the item data packs the server
// announced: each pack file on disk is measured and its digest compared; a pack that is
// needed and missing or different is fetched again.
#include "lobby/BrixMenuState.h"

#include "engine/KetrelFile.h"
#include "engine/KetrelMD5.h"
#include "engine/KetrelResult.h"
#include "framework/BrixGameState.h"
#include "lobby/BrixMenuHost.h"

#include <cstring>

namespace
{
const i32 kTextLoadingTitle = 33;
const i32 kTextLoading = 34;
}

bool CBrixMenuState::PackFileIsCurrent(const CBrixItemPack& pack, bool* exists)
{
    *exists = false;
    CKetrelFile file;
    if (file.Open(m_packs.GetPackPath(pack.itemId), KE_FILE_READ) != KE_OK)
        return false;
    *exists = true;
    if (file.GetSize() != pack.size || !m_packBuffer)
        return false;
    CKetrelMD5 md5;
    for (;;)
    {
        const u32 n = file.Read(m_packBuffer, PACK_BUFFER_SIZE);
        if (n == 0)
            break;
        md5.Update(m_packBuffer, n);
    }
    md5.Final();
    return std::memcmp(md5.GetDigest(), pack.digest, CBrixItemPack::DigestSize) == 0;
}

void CBrixMenuState::CheckItemPacks()
{
    if (!m_packs.IsListReceived() || m_inMatch)
        return;
    bool incomplete = false;
    for (i32 i = 0; i < m_packs.GetCount(); ++i)
    {
        CBrixItemPack* pack = m_packs.Find(m_packs.GetAt(i)->itemId);
        if (!pack || pack != m_packs.GetAt(i))
            continue;     // a second entry of the same item follows the first
        if (pack->downloading)
        {
            incomplete = true;
            continue;
        }
        if (pack->current)
            continue;
        bool exists = false;
        if (PackFileIsCurrent(*pack, &exists))
        {
            pack->verify = 1;
            pack->current = 1;
            continue;
        }
        bool owned = false;
        for (i32 k = 0; k < m_itemData.GetCount() && !owned; ++k)
            owned = CBrixItemPackTable::PackIdOf(m_itemData[k]) == pack->itemId;
        if (!exists && pack->kind == 0 && !owned)
        {
            pack->current = 1;     // not needed
            continue;
        }
        pack->verify = 0;
        CKetrelFile::Delete(m_packs.GetPackPath(pack->itemId));
        // A pack that cannot be fetched again (no session, or too many attempts in this
        // run) is given up for now instead of holding the loading dialog forever.
        if (m_packs.StartDownload(pack->itemId) == KE_OK)
            incomplete = true;
    }
    if (incomplete)
    {
        // Shown once: showing it every frame would restart its time-out for ever.
        if (!m_social.packDialogShown && m_host)
        {
            ShowLoadingDialog(m_host->GetLanguageText(kTextLoadingTitle), m_host->GetLanguageText(kTextLoading));
            m_menuWasVisible = 0;
            m_social.packDialogShown = 1;
        }
        return;
    }
    m_packs.SetListReceived(0);
    m_social.packDialogShown = 0;
    if (m_social.catalogueComplete)
    {
        m_social.catalogueComplete = 0;
        if (m_game)
            m_game->OnItemDataChanged();
    }
    HideLoadingDialog();
}
