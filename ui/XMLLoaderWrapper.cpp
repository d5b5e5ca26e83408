// ui/XMLLoaderWrapper.cpp
#include "ui/XMLLoaderWrapper.h"

#include "engine/KetrelResult.h"
#include "engine/KetrelXMLDataNode.h"
#include "ui/UIServices.h"

#include <cstring>
#include <new>

CXMLLoaderWrapper::CXMLLoaderWrapper() : m_app(nullptr), m_document(nullptr) {}

CXMLLoaderWrapper::~CXMLLoaderWrapper() { Unload(); }

int CXMLLoaderWrapper::Init(IUIApplication* app)
{
    m_app = app;
    return KE_OK;
}

int CXMLLoaderWrapper::LoadFile(const CKetrelString& name)
{
    IUIResourceManager* resources = m_app ? m_app->GetUIResources() : nullptr;
    if (!resources)
    {
        Unload();
        return KE_ERR_NOT_FOUND;
    }
    u8* data = nullptr;
    const i32 size = resources->ReadResource(name, &data);
    int r;
    if (size <= 0 || !data)
    {
        Unload();
        r = KE_ERR_NOT_FOUND;
    }
    else
        r = LoadFromMemory(reinterpret_cast<const char*>(data), size);
    delete[] data;
    return r;
}

int CXMLLoaderWrapper::LoadFromMemory(const char* text, i32 size)
{
    Unload();
    if (!text || size <= 0)
        return KE_ERR_ARGUMENT;
    // The parser blanks comments in place: it works on a copy.
    char* copy = new (std::nothrow) char[(size_t)size];
    m_document = new (std::nothrow) CKetrelXMLDataNode();
    if (!copy || !m_document)
    {
        delete[] copy;
        Unload();
        return KE_ERR_MEMORY;
    }
    memcpy(copy, text, (size_t)size);
    const int r = m_document->Parse(copy, (u32)size);
    delete[] copy;
    if (r != KE_OK)
        Unload();
    return r;
}

void CXMLLoaderWrapper::Unload()
{
    if (!m_document)
        return;
    m_document->Clear();
    delete m_document;
    m_document = nullptr;
}

CKetrelXMLDataNode* CXMLLoaderWrapper::GetRootElement() const
{
    if (!m_document || m_document->IsValueNode())
        return nullptr;
    return m_document->GetFirstChild();
}

CKetrelXMLDataNode* CXMLLoaderWrapper::GetFirstChild(const CKetrelXMLDataNode* node)
{
    return (node && !node->IsValueNode()) ? node->GetFirstChild() : nullptr;
}

CKetrelXMLDataNode* CXMLLoaderWrapper::GetNextSibling(const CKetrelXMLDataNode* node)
{
    return node ? node->GetNextSibling() : nullptr;
}

const char* CXMLLoaderWrapper::GetName(const CKetrelXMLDataNode* node)
{
    return node ? node->GetName() : nullptr;
}

const char* CXMLLoaderWrapper::GetAttribute(const CKetrelXMLDataNode* node, const char* name)
{
    return (node && name) ? node->GetString(name, nullptr) : nullptr;
}

i32 CXMLLoaderWrapper::GetIntAttribute(const CKetrelXMLDataNode* node, const char* name, i32 def)
{
    return (node && name) ? node->GetInt(name, def) : def;
}

f32 CXMLLoaderWrapper::GetFloatAttribute(const CKetrelXMLDataNode* node, const char* name, f32 def)
{
    return (node && name) ? node->GetFloat(name, def) : def;
}

CKetrelXMLDataNode* CXMLLoaderWrapper::FindChild(const CKetrelXMLDataNode* node, const char* name)
{
    return (node && name) ? node->FindChild(name, false) : nullptr;
}
