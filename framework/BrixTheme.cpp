// framework/BrixTheme.cpp
#include "framework/BrixTheme.h"

#include "engine/KetrelApplication.h"
#include "engine/KetrelMD5.h"
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelResult.h"
#include "engine/KetrelXMLDataNode.h"
#include "framework/BrixPackName.h"
#include "framework/BrixResourceManager.h"

#include <cstring>
#include <new>
#include <strings.h>
#include <vector>

namespace
{
// The colour value of a definition as the layout loader reads it: hex digits after any
// leading blanks (none gives 0; only the last eight count), and alpha 0xFF for a text
// of fewer than seven characters.
u32 ParseColourValue(const char* text)
{
    u32 value = 0;
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')
        ++p;
    for (; *p; ++p)
    {
        int digit;
        if (*p >= '0' && *p <= '9')
            digit = *p - '0';
        else if (*p >= 'a' && *p <= 'f')
            digit = *p - 'a' + 10;
        else if (*p >= 'A' && *p <= 'F')
            digit = *p - 'A' + 10;
        else
            break;
        value = (value << 4) | (u32)digit;
    }
    if (strlen(text) < 7)
        value |= 0xFF000000u;
    return value;
}

// Every "config" element of type "color" below node, in document order.
int AddConfigColours(CBrixTheme& theme, const CKetrelXMLDataNode* node)
{
    int added = 0;
    for (const CKetrelXMLDataNode* child = node->GetFirstChild(); child; child = child->GetNextSibling())
    {
        if (child->IsValueNode())
            continue;
        const char* type = child->GetString("$type", nullptr);
        if (strcmp(child->GetName(), "config") == 0 && type && strcasecmp(type, "color") == 0)
        {
            for (const CKetrelXMLDataNode* c = child->GetFirstChild(); c; c = c->GetNextSibling())
            {
                if (c->IsValueNode() || strcmp(c->GetName(), "color") != 0)
                    continue;
                const char* id = c->GetString("$id", nullptr);
                const char* value = c->GetString("$value", nullptr);
                if (!id || !*id || !value)
                    continue;
                CBrixThemeColour colour;
                colour.name = id;
                colour.colour = ParseColourValue(value);
                theme.AddColour(colour);
                ++added;
            }
        }
        else
            added += AddConfigColours(theme, child);
    }
    return added;
}
}

CBrixTheme::CBrixTheme() : m_app(nullptr), m_resources(nullptr) {}

CBrixTheme::~CBrixTheme()
{
    ClearColours();
}

int CBrixTheme::Init(IKetrelApplication* app, CBrixResourceManager* resources, const CKetrelString& name)
{
    m_app = app;
    m_resources = resources;
    if (!BrixCheckPackName(name, "theme"))
        return KE_ERR_ARGUMENT;
    m_name = name;
    CKetrelString pack;
    pack.Format(L"brixtheme_%s.vad", name);
    return LoadThemePack(pack);
}

void CBrixTheme::ClearColours()
{
    for (i32 i = 0; i < m_colours.GetCount(); ++i)
        delete ColourAt(i);
    m_colours.RemoveAll();
}

int CBrixTheme::LoadThemePack(const CKetrelString& packName)
{
    if (!m_app || !m_resources)
        return 0;
    if (!BrixCheckPackName(packName, "theme pack"))
        return KE_ERR_ARGUMENT;
    CKetrelString path;
    m_app->GetUserDataPath(path, packName);
    if (m_resources->AddMediaPack(path, 1, 0) != 1)
    {
        m_app->GetAppFilePath(path, packName);
        if (m_resources->AddMediaPack(path, 1, 0) != 1)
            return KE_ERR_NOT_FOUND;
    }
    CKetrelString xmlName;
    GetXmlFileName(xmlName);
    char* text = nullptr;
    const i32 size = m_resources->LoadFileData(xmlName, &text);
    if (!text)
        return KE_ERR_NOT_FOUND;
    AddColoursFromXml(text, (u32)size);
    delete[] text;
    return KE_OK;
}

int CBrixTheme::AddColoursFromXml(const char* text, u32 length)
{
    if (!text || length == 0)
        return 0;
    // The parser blanks comments in place: it gets a copy.
    std::vector<char> copy(text, text + length);
    CKetrelXMLDataNode root;
    if (root.Parse(copy.data(), length) != KE_OK)
        return 0;
    return AddConfigColours(*this, &root);
}

void CBrixTheme::AddColour(const CBrixThemeColour& colour)
{
    CBrixThemeColour* record = new (std::nothrow) CBrixThemeColour(colour);
    if (!record)
        return;
    if (record->colour < 0x10000000u)
        record->colour |= 0xFF000000u;
    // Sorted and unique: the new record takes the place of one of the same name.
    i32 low = 0, high = m_colours.GetCount();
    while (low < high)
    {
        const i32 mid = (low + high) / 2;
        if (ColourAt(mid)->name.Compare(record->name) < 0)
            low = mid + 1;
        else
            high = mid;
    }
    if (low < m_colours.GetCount() && ColourAt(low)->name.Equals(record->name))
    {
        delete ColourAt(low);
        m_colours.SetAt(low, record);
    }
    else
        m_colours.InsertAt(low, record);
}

int CBrixTheme::FindColour(const CKetrelString& name, u32* colour) const
{
    for (i32 i = 0; i < m_colours.GetCount(); ++i)
        if (ColourAt(i)->name.Equals(name))
        {
            if (colour)
                *colour = ColourAt(i)->colour;
            return 1;
        }
    return 0;
}

void CBrixTheme::GetXmlFileName(CKetrelString& out) const
{
    out.Format(L"theme_%s.xml", m_name);
}

CKetrelString CBrixTheme::GetPackDigest() const
{
    CKetrelString digest;
    if (!m_app)
        return digest;
    CKetrelString name, path;
    name.Format(L"brixtheme_%s.vad", m_name);
    m_app->GetAppFilePath(path, name);
    CKetrelMediaPack pack;
    if (pack.Open(path, CKetrelString()) != KE_OK)
        return digest;
    CKetrelMD5 md5;
    md5.DigestFile(pack.GetFile());
    md5.GetHexDigest(digest);
    return digest;
}
