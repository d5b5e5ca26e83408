// The play screen's owned items: hats, owned bombs and battlegrounds read from their
// descriptions, and the pictures they bring.
#include "game/match/JubPlayState.h"

#include "engine/KetrelResult.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubGameHost.h"
#include "game/match/JubPlayer.h"
#include "game/match/JubScene.h"

namespace
{
// The words of the item reader in the player record.
enum
{
    kHatId = 0, kHatFile = 1, kHatPack = 2, kClusterId = 3, kSnowId = 4,
    kBattleId = 5, kBattleFile = 6, kBattlePack = 7, kHatFlag = 8, kBattleFlag = 9
};
} // namespace

CKetrelSurface* CJubPlayState::TakeItemImage(const CKetrelString& name)
{
    CJubAssetCache* cache = m_game ? m_game->GetAssets() : nullptr;
    CJubAssetSource* source = cache ? cache->GetSource() : nullptr;
    if (!source || name.IsEmpty())
        return nullptr;
    return source->GetImage(name);
}

void CJubPlayState::GiveBackItemImage(CKetrelSurface** image)
{
    if (!*image)
        return;
    CJubAssetCache* cache = m_game ? m_game->GetAssets() : nullptr;
    CJubAssetSource* source = cache ? cache->GetSource() : nullptr;
    if (source)
        source->ReleaseImage(image);
    *image = nullptr;
}

int CJubPlayState::ReadItem(i32 player, i32 itemId, i32 fileNumber, i32 packNumber)
{
    if (itemId < 0 || !m_game || !m_liveScene || (player != 0 && player != 1))
        return 0;
    CJubOwnedItem item;
    item.itemId = (u32)itemId;
    item.fileNumber = (u32)fileNumber;
    item.packNumber = (u32)packNumber;
    CJubItemInfo info;
    if (m_game->ReadItem(player, item, &info) != KE_OK)
        return 0;

    CJubPlayer& p = m_liveScene->GetPlayer(player);
    switch (info.type)
    {
    case JUB_ITEM_HAT:
    {
        CKetrelSurface* picture = p.wornItemTexture;
        GiveBackItemImage(&picture);
        p.wornItemTexture = TakeItemImage(info.fileName);
        // The bonus counts on both handsets whether or not this one has the picture, so
        // that both start the round with the same health.
        p.itemWords[kHatId] = item.itemId;
        p.itemWords[kHatFile] = item.fileNumber;
        p.itemWords[kHatPack] = item.packNumber;
        p.itemWords[kHatFlag] = 1;
        p.wearsItem = p.wornItemTexture ? 1 : 0;
        if (!m_roundBegun)
            p.health = m_startHealth[player] > 0 ? m_startHealth[player] : HatHealth(info.variable);
        break;
    }
    case JUB_ITEM_CLUSTER:
        p.itemWords[kClusterId] = item.itemId;
        p.ownsClusterBomb = 1;
        break;
    case JUB_ITEM_SNOW:
        p.itemWords[kSnowId] = item.itemId;
        p.ownsSnowBomb = 1;
        break;
    case JUB_ITEM_BATTLEGROUND:
        if (player == m_f.localPlayer)
        {
            GiveBackItemImage(&m_battleImages[0]);
            GiveBackItemImage(&m_battleImages[1]);
            m_battleImages[0] = TakeItemImage(info.battleFileName);
            m_battleImages[1] = TakeItemImage(info.uniqueFileName);
            if (m_battleImages[0] && m_battleImages[1])
            {
                p.itemWords[kBattleId] = item.itemId;
                p.itemWords[kBattleFile] = item.fileNumber;
                p.itemWords[kBattlePack] = item.packNumber;
                p.itemWords[kBattleFlag] = 1;
            }
            else
            {
                GiveBackItemImage(&m_battleImages[0]);
                GiveBackItemImage(&m_battleImages[1]);
                p.itemWords[kBattleFlag] = 0;
            }
        }
        break;
    default:
        break;   // a type the match does not know changes nothing
    }
    if (m_singlePlayer)
        LayoutButtons(1);
    return 1;
}

void CJubPlayState::ReleaseItemImages()
{
    if (m_liveScene)
    {
        for (i32 p = 0; p < 2; ++p)
        {
            CJubPlayer& player = m_liveScene->GetPlayer(p);
            GiveBackItemImage(&player.wornItemTexture);
            player.wearsItem = 0;
        }
    }
    GiveBackItemImage(&m_battleImages[0]);
    GiveBackItemImage(&m_battleImages[1]);
}

void CJubPlayState::ReloadItemImages()
{
    if (!m_liveScene)
        return;
    // The words of the items read before say what to read again.
    u32 words[2][JUB_ITEM_WORDS];
    for (i32 p = 0; p < 2; ++p)
        for (i32 w = 0; w < JUB_ITEM_WORDS; ++w)
            words[p][w] = m_liveScene->GetPlayer(p).itemWords[w];
    ReleaseItemImages();
    for (i32 p = 0; p < 2; ++p)
    {
        if (words[p][kHatFlag])
            ReadItem(p, (i32)words[p][kHatId], (i32)words[p][kHatFile], (i32)words[p][kHatPack]);
        if (words[p][kBattleFlag] && p == m_f.localPlayer)
            ReadItem(p, (i32)words[p][kBattleId], (i32)words[p][kBattleFile],
                     (i32)words[p][kBattlePack]);
    }
}
