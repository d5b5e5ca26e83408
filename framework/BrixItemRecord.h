#pragma once
#include "engine/KetrelTypes.h"
#include "net/ASN1Records.h"

// The lobby keeps the user's items as seven words in the 28 bytes of a CItemData: the
// first two words in its two leading fields, the next four in its block (little-endian,
// so the layout is the same on every host), the last in its closing field.
enum
{
    BRIX_ITEM_WORD_ENABLED = 0,   // 1 when the item is switched on
    BRIX_ITEM_WORD_ID = 1,        // item id
    BRIX_ITEM_WORD_AMOUNT = 2,    // how many the user has
    BRIX_ITEM_WORD_PACK = 3,      // item data pack id
    BRIX_ITEM_WORD_GROUP = 4,     // the shop group's g4, -1 for an unknown group
    BRIX_ITEM_WORD_FILE = 5,      // the description file number
    BRIX_ITEM_WORD_KIND = 6,      // the shop group's kind, 0 for an unknown group
    BRIX_ITEM_WORDS = 7
};

class CBrixItemRecord
{
public:
    // Word index of the record; 0 for an index outside 0..BRIX_ITEM_WORDS-1.
    static i32 GetWord(const CItemData& record, i32 index)
    {
        if (index == BRIX_ITEM_WORD_ENABLED)
            return record.value0;
        if (index == BRIX_ITEM_WORD_ID)
            return record.value1;
        if (index == BRIX_ITEM_WORD_KIND)
            return record.value3;
        if (index < BRIX_ITEM_WORD_AMOUNT || index > BRIX_ITEM_WORD_FILE)
            return 0;
        const i32 at = (index - BRIX_ITEM_WORD_AMOUNT) * 4;
        u32 v = 0;
        for (i32 b = 0; b < 4; ++b)
            v |= (u32)record.block[at + b] << (8 * b);
        return (i32)v;
    }

    static void SetWord(CItemData& record, i32 index, i32 value)
    {
        if (index == BRIX_ITEM_WORD_ENABLED)
            record.value0 = value;
        else if (index == BRIX_ITEM_WORD_ID)
            record.value1 = value;
        else if (index == BRIX_ITEM_WORD_KIND)
            record.value3 = value;
        else if (index >= BRIX_ITEM_WORD_AMOUNT && index <= BRIX_ITEM_WORD_FILE)
        {
            const i32 at = (index - BRIX_ITEM_WORD_AMOUNT) * 4;
            for (i32 b = 0; b < 4; ++b)
                record.block[at + b] = (u8)((u32)value >> (8 * b));
        }
    }
};
