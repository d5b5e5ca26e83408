#pragma once
#include "engine/KetrelArray.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "game/match/JubGameHost.h"
#include "net/ASN1Records.h"

class CBrixResourceManager;

// The local user's owned items as the match sees them: which ones to announce, read from
// the lobby's item records, and what each one is, read from its item data pack.
// Main thread only.
class CJubOwnedItems
{
public:
    // Writes the records to announce (switched on, an amount above 0 and a description
    // file number of at least 1), in list order, at most max of them; returns how many.
    // 0 for a null list or output.
    static i32 Collect(const CKetrelArray<CItemData>* records, CJubOwnedItem* items, i32 max);

    // Reads description fileNumber from the item data pack at packPath and, when it
    // reads, adds the pack to resources (when given and not added before) so that the
    // item's pictures can be had by name. The description is taken from this pack
    // only, never from another pack that holds a file of the same name.
    // KE_OK with info filled; KE_ERR_ARGUMENT for a null info; KE_ERR_NOT_FOUND for an
    // empty path or a pack without that description; the pack's own code when it does
    // not open (KE_ERR_OPEN for a missing file, KE_ERR_FORMAT for a malformed one);
    // KE_ERR_FORMAT for a malformed or oversized description; KE_ERR_MEMORY.
    // info is untouched unless KE_OK.
    static int Read(const CKetrelString& packPath, u32 fileNumber, CBrixResourceManager* resources,
                    CJubItemInfo* info);
};
