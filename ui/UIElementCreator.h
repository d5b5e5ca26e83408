#pragma once
// ui/UIElementCreator.h: the element creators of the UI loader. A creator builds (or,
// given reuse, configures) the widget of one "element" of a document and returns it,
// or null to skip the element and its subtree.
#include "engine/KetrelHashedString.h"
#include "engine/KetrelMap.h"

class CKetrelXMLDataNode;
class CUIXMLLoader;
class CWidget;

typedef CWidget* (*CUIElementCreator)(CUIXMLLoader* loader, CKetrelXMLDataNode* node,
                                      CWidget* parent, CWidget* reuse);
typedef CKetrelMap<CKetrelHashedString, CUIElementCreator> CUIElementCreatorMap;
