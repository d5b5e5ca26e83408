#include "game/match/JubItemDescription.h"

#include "engine/KetrelMath.h"
#include "engine/KetrelResult.h"
#include "engine/KetrelXMLDataNode.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubPlayState.h"
#include "ui/XMLLoaderWrapper.h"

#include <cstring>

namespace
{
// A picture name as the resource manager looks it up: a bare file name of printable
// characters; anything else is dropped.
CKetrelString PictureName(const char* text)
{
    if (!text)
        return CKetrelString();
    const size_t length = std::strlen(text);
    if (length == 0 || length > JUB_ITEM_NAME_MAX)
        return CKetrelString();
    for (size_t i = 0; i < length; ++i)
    {
        const unsigned char c = (unsigned char)text[i];
        if (c < 0x20 || c == '/' || c == '\\' || c >= 0x7F)
            return CKetrelString();
    }
    if (text[0] == '.')
        return CKetrelString();
    return CKetrelString(text);
}
} // namespace

CKetrelString CJubItemDescription::FileName(u32 fileNumber)
{
    CKetrelString name;
    name.Format(L"%u.xml", fileNumber);
    return name;
}

i32 CJubItemDescription::TypeOf(const char* text)
{
    if (!text)
        return JUB_ITEM_NONE;
    static const char* const kNames[] = {"hat", "cluster", "snow", "battleground"};
    const size_t length = std::strlen(text);
    for (i32 t = 0; t < 4; ++t)
    {
        const char* name = kNames[t];
        if (length != std::strlen(name))
            continue;
        bool same = true;
        for (size_t i = 0; i < length && same; ++i)
        {
            char c = text[i];
            if (c >= 'A' && c <= 'Z')
                c = (char)(c - 'A' + 'a');
            same = c == name[i];
        }
        if (same)
            return t;
    }
    return JUB_ITEM_NONE;
}

int CJubItemDescription::Parse(const u8* data, i32 size, CJubItemInfo* info)
{
    if (!data || !info || size < 1 || size > JUB_ITEM_FILE_MAX)
        return KE_ERR_ARGUMENT;
    CXMLLoaderWrapper xml;
    int rc = xml.LoadFromMemory((const char*)data, size);
    if (rc == KE_ERR_MEMORY)
        return rc;
    if (rc != KE_OK)
        return KE_ERR_FORMAT;
    const CKetrelXMLDataNode* root = xml.GetRootElement();
    const CKetrelXMLDataNode* attributes = CXMLLoaderWrapper::FindChild(root, "attributes");
    if (!attributes || attributes->IsValueNode())
        return KE_ERR_FORMAT;

    CJubItemInfo out;
    out.type = TypeOf(CXMLLoaderWrapper::GetAttribute(attributes, "$type"));
    // A whole number in the file; read as a float so that any size of number lands
    // inside the bonus range instead of wrapping.
    const f32 variable = CXMLLoaderWrapper::GetFloatAttribute(attributes, "$variable", 0.0f);
    out.variable = KetrelClampToInt((f64)variable, 0, JUB_HAT_BONUS_MAX);
    out.fileName = PictureName(CXMLLoaderWrapper::GetAttribute(attributes, "$filename"));
    out.battleFileName =
        PictureName(CXMLLoaderWrapper::GetAttribute(attributes, "$battlefilename"));
    out.uniqueFileName =
        PictureName(CXMLLoaderWrapper::GetAttribute(attributes, "$uniquefilename"));
    *info = out;
    return KE_OK;
}

int CJubItemDescription::Read(CJubAssetSource* source, u32 fileNumber, CJubItemInfo* info)
{
    if (!source || !info)
        return KE_ERR_ARGUMENT;
    u8* data = nullptr;
    const i32 size = source->ReadResource(FileName(fileNumber), &data);
    if (!data || size <= 0)
    {
        delete[] data;
        return KE_ERR_NOT_FOUND;
    }
    const int rc = Parse(data, size, info);
    delete[] data;
    return rc;
}
