#pragma once
// ui/GameXMLLoader.h: builds a screen from a file that lists layouts of the same
// screen for several sizes ("area" elements with "$width", "$height" and "$name"
// under the root element), picking the one that fits the actual screen best.
// Use: Init, LoadFile, CreateRootWidget, Unload.
#include "engine/KetrelArray.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "ui/UIElementCreator.h"
#include "ui/XMLLoaderWrapper.h"

class CKetrelXMLDataNode;
class CUIActionMap;
class CWidget;

// One size variant of the loaded file.
struct CGameXMLArea
{
    CKetrelXMLDataNode* node = nullptr;   // the "area" element; owned by the document
    i32 width = 1;
    i32 height = 1;
    f32 aspect = 1.0f;                    // width / height
    CKetrelString name;                   // given to the root widget
};

class CGameXMLLoader : public CXMLLoaderWrapper
{
public:
    CGameXMLLoader();
    ~CGameXMLLoader() override;   // Unload

    // Stores the action map and the extra element creators (both may be null; not
    // owned), then the wrapper's Init. 1.
    int Init(IUIApplication* app, CUIActionMap* actions, const CUIElementCreatorMap* extraCreators);
    // Loads the file and lists its areas in ascending order of aspect; of two areas
    // with the same size the first is kept; an area narrower or lower than 1 pixel is
    // skipped; an area without "$name" is named "rootwidget". 8 when the file cannot be read, a parse failure's code, else 1.
    int LoadFile(const CKetrelString& name);
    // The area for a screen of that size: the exact size, else on a landscape screen
    // the widest landscape area not wider than the screen, on a portrait or square one
    // the narrowest portrait area not narrower; else the middle of the list. Null for
    // a zero size or no areas.
    const CGameXMLArea* FindBestArea(i32 width, i32 height) const;
    // A new root widget (0, 0, width, height) named after the chosen area, filled by
    // the UI loader from the area's element and broadcast once; previousTree (may be
    // null) is harvested for uniquely named widgets and deleted. The caller owns the
    // result. Null when no area fits or the UI loader refuses to start.
    CWidget* CreateRootWidget(i32 width, i32 height, CWidget* previousTree);
    // Deletes the area records, then the document.
    void Unload();

    i32 GetAreaCount() const { return m_areas.GetCount(); }
    const CGameXMLArea* GetArea(i32 index) const
    { return (index >= 0 && index < m_areas.GetCount()) ? m_areas[index] : nullptr; }
    CUIActionMap* GetActions() const { return m_actions; }
    const CUIElementCreatorMap* GetExtraCreators() const { return m_extraCreators; }

private:
    void AddArea(CGameXMLArea* area);

    CUIActionMap* m_actions;                      // not owned
    CKetrelArray<CGameXMLArea*> m_areas;          // owned, ascending aspect
    const CUIElementCreatorMap* m_extraCreators;  // not owned; may be null
};
