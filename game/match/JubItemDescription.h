#pragma once
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "game/match/JubGameHost.h"

class CJubAssetSource;

enum
{
    JUB_ITEM_FILE_MAX = 65536,     // bytes of a description read at most
    JUB_ITEM_NAME_MAX = 255        // characters of a picture name kept at most
};

// An owned item's description: one small XML file per item, named by its file number
// ("<number>.xml"), whose root element's child "attributes" says what the item is:
// "$type" ("hat", "cluster", "snow" or "battleground", compared in lower case),
// "$variable" (the hat's health bonus, whole number, 0 when missing) and the picture
// names "$filename" (hat), "$battlefilename" and "$uniquefilename" (battleground).
// Descriptions come from downloaded packs, so nothing in them is trusted.
class CJubItemDescription
{
public:
    // "<fileNumber>.xml".
    static CKetrelString FileName(u32 fileNumber);
    // The type of a "$type" text: JUB_ITEM_HAT .. JUB_ITEM_BATTLEGROUND, or JUB_ITEM_NONE.
    static i32 TypeOf(const char* text);
    // Parses size bytes of description. KE_OK with info filled (an unknown type gives
    // JUB_ITEM_NONE); KE_ERR_ARGUMENT for null arguments or a size outside
    // 1..JUB_ITEM_FILE_MAX; KE_ERR_FORMAT without a root element or its "attributes";
    // KE_ERR_MEMORY. info is untouched unless KE_OK. "$variable" is clamped to
    // 0..JUB_HAT_BONUS_MAX; a picture name longer than JUB_ITEM_NAME_MAX, or holding a
    // path separator, is dropped.
    static int Parse(const u8* data, i32 size, CJubItemInfo* info);
    // Reads "<fileNumber>.xml" through the source and parses it: Parse's results, or
    // KE_ERR_NOT_FOUND when the source has no such file.
    static int Read(CJubAssetSource* source, u32 fileNumber, CJubItemInfo* info);
};
