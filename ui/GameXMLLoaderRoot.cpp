// ui/GameXMLLoaderRoot.cpp: CGameXMLLoader::CreateRootWidget, the one place where the
// size-variant loader hands an area to the UI loader.
#include "engine/KetrelResult.h"
#include "ui/GameXMLLoader.h"
#include "ui/Widget.h"

#if __has_include("ui/UIXMLLoader.h")
#include "ui/UIXMLLoader.h"
#define UI_HAS_XML_LOADER 1
#endif

CWidget* CGameXMLLoader::CreateRootWidget(i32 width, i32 height, CWidget* previousTree)
{
    const CGameXMLArea* area = FindBestArea(width, height);
    if (!area)
        return nullptr;
    CWidget* root = new CWidget();
    root->Init(GetApplication(), nullptr, CKetrelRect(0, 0, width, height));
    root->SetName(area->name);
#ifdef UI_HAS_XML_LOADER
    CUIXMLLoader loader;
    if (loader.Init(GetApplication(), m_actions, m_extraCreators, root, nullptr, previousTree) !=
        KE_OK)
    {
        loader.Unload();
        CWidget::Destroy(root);
        return nullptr;
    }
    loader.LoadDocument(area->node);
    root->Broadcast();
    loader.Unload();
#else
    // Without the UI loader the area's elements cannot be built: the root stays empty
    // and the previous tree is simply released.
    CWidget::Destroy(previousTree);
    root->Broadcast();
#endif
    return root;
}
