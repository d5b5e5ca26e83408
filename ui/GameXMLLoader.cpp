// ui/GameXMLLoader.cpp
#include "ui/GameXMLLoader.h"

#include "engine/KetrelResult.h"
#include "engine/KetrelXMLDataNode.h"

#include <cstring>

CGameXMLLoader::CGameXMLLoader() : m_actions(nullptr), m_extraCreators(nullptr) {}

CGameXMLLoader::~CGameXMLLoader() { Unload(); }

int CGameXMLLoader::Init(IUIApplication* app, CUIActionMap* actions,
                         const CUIElementCreatorMap* extraCreators)
{
    m_actions = actions;
    m_extraCreators = extraCreators;
    return CXMLLoaderWrapper::Init(app);
}

int CGameXMLLoader::LoadFile(const CKetrelString& name)
{
    Unload();
    int r = CXMLLoaderWrapper::LoadFile(name);
    if (r != KE_OK)
        return r;
    CKetrelXMLDataNode* root = GetRootElement();
    if (!root)
        return KE_OK;
    CKetrelXMLDataNode* first = FindChild(root, "area");
    // The first "area" and every later sibling, whatever its name, is read as an area.
    for (CKetrelXMLDataNode* n = first; n; n = GetNextSibling(n))
    {
        if (n->IsValueNode())
            continue;
        const i32 w = GetIntAttribute(n, "$width", 1);
        const i32 h = GetIntAttribute(n, "$height", 1);
        // An empty or negative size has no aspect to sort or choose by.
        if (w < 1 || h < 1)
            continue;
        bool known = false;
        for (i32 i = 0; i < m_areas.GetCount() && !known; ++i)
            known = m_areas[i]->width == w && m_areas[i]->height == h;
        if (known)
            continue;
        CGameXMLArea* area = new CGameXMLArea();
        area->node = n;
        area->width = w;
        area->height = h;
        area->aspect = (f32)w / (f32)h;
        const char* areaName = GetAttribute(n, "$name");
        area->name = CKetrelString(areaName ? areaName : "rootwidget");
        AddArea(area);
    }
    return KE_OK;
}

void CGameXMLLoader::AddArea(CGameXMLArea* area)
{
    i32 lo = 0;
    i32 hi = m_areas.GetCount() - 1;
    while (lo <= hi)
    {
        const i32 mid = lo + (hi - lo) / 2;
        const f32 a = m_areas[mid]->aspect;
        if (area->aspect < a)
            hi = mid - 1;
        else if (area->aspect > a)
            lo = mid + 1;
        else
        {
            lo = mid;
            break;
        }
    }
    m_areas.InsertAt(lo, area);
}

const CGameXMLArea* CGameXMLLoader::FindBestArea(i32 width, i32 height) const
{
    if (width == 0 || height == 0)
        return nullptr;
    const i32 count = m_areas.GetCount();
    for (i32 i = 0; i < count; ++i)
        if (m_areas[i]->width == width && m_areas[i]->height == height)
            return m_areas[i];
    const f32 a = (f32)width / (f32)height;
    if (a > 1.0f)
    {
        for (i32 i = count - 1; i >= 0; --i)
        {
            if (m_areas[i]->aspect < 1.0f)
                break;
            if (m_areas[i]->aspect <= a)
                return m_areas[i];
        }
    }
    else
    {
        for (i32 i = 0; i < count; ++i)
        {
            if (m_areas[i]->aspect > 1.0f)
                break;
            if (m_areas[i]->aspect >= a)
                return m_areas[i];
        }
    }
    return count > 0 ? m_areas[(count - 1) / 2] : nullptr;
}

void CGameXMLLoader::Unload()
{
    for (i32 i = 0; i < m_areas.GetCount(); ++i)
        delete m_areas[i];
    m_areas.RemoveAll();
    CXMLLoaderWrapper::Unload();
}
