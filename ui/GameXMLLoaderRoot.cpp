// ui/GameXMLLoaderRoot.cpp: CGameXMLLoader::CreateRootWidget, the one place where the
// size-variant loader hands an area to the UI loader.
#include "engine/KetrelResult.h"
#include "ui/GameXMLLoader.h"
#include "ui/Widget.h"

#include "ui/UIXMLLoader.h"

CWidget* CGameXMLLoader::CreateRootWidget(i32 width, i32 height, CWidget* previousTree)
{
    const CGameXMLArea* area = FindBestArea(width, height);
    if (!area)
        return nullptr;
    CWidget* root = new CWidget();
    root->Init(GetApplication(), nullptr, CKetrelRect(0, 0, width, height));
    root->SetName(area->name);
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
    return root;
}
