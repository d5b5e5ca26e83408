#pragma once
// ui/XMLLoaderWrapper.h: one parsed XML document read through the application's
// resource manager, and null-safe helpers to walk nodes and read attributes (an
// attribute x of the text is the value child "$x" of its element).
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

class CKetrelXMLDataNode;
class IUIApplication;

class CXMLLoaderWrapper
{
public:
    CXMLLoaderWrapper();
    // Frees a document still loaded (owners normally Unload first).
    virtual ~CXMLLoaderWrapper();

    // Stores app (not owned). 1.
    int Init(IUIApplication* app);
    IUIApplication* GetApplication() const { return m_app; }
    // The whole resource of that name, parsed: 8 when it cannot be read (also without
    // an application or resource manager), else LoadFromMemory's result.
    int LoadFile(const CKetrelString& name);
    // Unload, then parse size bytes of text (copied; nothing past size is read). The
    // parser's result; on a failure nothing stays loaded.
    int LoadFromMemory(const char* text, i32 size);
    // Frees the document; nothing when none is loaded.
    void Unload();
    CKetrelXMLDataNode* GetDocument() const { return m_document; }
    // The document's first element; null when nothing is loaded.
    CKetrelXMLDataNode* GetRootElement() const;

    // Node helpers; each gives null (or the default) for a null node.
    static CKetrelXMLDataNode* GetFirstChild(const CKetrelXMLDataNode* node);   // null for a "$" node
    static CKetrelXMLDataNode* GetNextSibling(const CKetrelXMLDataNode* node);
    static const char* GetName(const CKetrelXMLDataNode* node);
    // name includes the "$", as in "$width".
    static const char* GetAttribute(const CKetrelXMLDataNode* node, const char* name);
    static i32 GetIntAttribute(const CKetrelXMLDataNode* node, const char* name, i32 def);
    static f32 GetFloatAttribute(const CKetrelXMLDataNode* node, const char* name, f32 def);
    // The first direct child with exactly that name.
    static CKetrelXMLDataNode* FindChild(const CKetrelXMLDataNode* node, const char* name);

private:
    CXMLLoaderWrapper(const CXMLLoaderWrapper&) = delete;
    CXMLLoaderWrapper& operator=(const CXMLLoaderWrapper&) = delete;

    IUIApplication* m_app;             // not owned
    CKetrelXMLDataNode* m_document;    // owned; null when nothing is loaded
};
