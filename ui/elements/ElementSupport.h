#pragma once
// ui/elements/ElementSupport.h: what the element creators share.
#include "engine/KetrelXMLDataNode.h"
#include "ui/UIElementRegistry.h"
#include "ui/UIXMLLoader.h"
#include "ui/Widget.h"

#include <cstring>

namespace uielements
{
enum ETransparency { ELEMENT_AS_INIT = -1, ELEMENT_OPAQUE = 0, ELEMENT_TRANSPARENT = 1 };

// The widget to configure: reuse (already checked by the loader to be of kind T), or
// a new T initialised with the parent's local rectangle and then made transparent or
// opaque (ELEMENT_AS_INIT: as its Init left it).
template <class T>
T* MakeOrReuse(CUIXMLLoader* loader, CWidget* parent, CWidget* reuse, int transparent)
{
    if (reuse)
        return static_cast<T*>(reuse);
    T* w = new T();
    IUIApplication* app = loader->GetApplication();
    w->Init(app, app ? app->GetUIResources() : nullptr,
            parent ? parent->GetLocalRect() : CKetrelRect());
    if (transparent != ELEMENT_AS_INIT)
        w->SetTransparent(transparent == ELEMENT_TRANSPARENT);
    return w;
}

inline const char* Attr(const CKetrelXMLDataNode* node, const char* name)
{
    return CXMLLoaderWrapper::GetAttribute(node, name);
}

inline bool Equals(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }

inline const CKetrelXMLDataNode* Child(const CKetrelXMLDataNode* node, const char* name)
{
    return CXMLLoaderWrapper::FindChild(node, name);
}
}  // namespace uielements

class CImageWidget;

namespace uielements
{
// Reads the image child childName and hands the image to w (which takes its own
// reference); the reader's reference is given back. Frame duration and fixed frame
// as the element kinds of images use them. False when the child is absent.
bool ApplyImage(CUIXMLLoader* loader, const CKetrelXMLDataNode* node, const char* childName,
                CImageWidget* w, CUIImageSpec* spec);
// "blend_color" "$value" as a raw theme-or-hex colour; unchanged when neither.
void ApplyBlendColor(CUIXMLLoader* loader, const CKetrelXMLDataNode* node, CWidget* w);
}  // namespace uielements
