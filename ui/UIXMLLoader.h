#pragma once
// ui/UIXMLLoader.h: turns a UI document into a live tree of widgets. One widget per
// "element", built by the creator registered for its "$type" (ui/UIElementRegistry.h)
// or by the caller's extra creators; sizes and positions are fractions of a
// reference size; "events" bind widget callbacks to actions of a CUIActionMap;
// "actions" become timed sequences; "import" elements load further documents (or
// inline children) into a sub-loader; a "theme" document gives theme colours.
//
// Bad content is skipped, never fatal: an unknown element, attribute or event, an
// element nested deeper than the widget tree allows, an element of a built-in type
// whose kind has not registered, a cyclic or too deep import, anything past the
// budgets of one load (MaxElements, MaxImportedFiles), which keep a document that
// imports documents many times over from multiplying without end. Each skip writes
// one line on the standard error stream (at most MaxLogLines per loader).
//
// Use: construct, Init, LoadFile / LoadFromResource / LoadDocument, Unload, destroy.
#include "engine/KetrelArray.h"
#include "engine/KetrelHashedString.h"
#include "engine/KetrelMap.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "ui/UIElementCreator.h"
#include "ui/XMLLoaderWrapper.h"

class CEasingCurveFactory;
class CKetrelSurface;
class CKetrelXMLDataNode;
class CUIActionMap;
class CWidget;
class IEasingCurve;
class IUITheme;
struct CUIElementKind;

// What the image reader found for one image child of an element.
struct CUIImageSpec
{
    CKetrelSurface* image = nullptr;   // one reference held by the reader; null: none
    i32 framesX = 1;                   // sprite-sheet columns, 1 or more
    i32 framesY = 1;
    f32 frameDuration = 1.0f;          // seconds per frame
    i32 frame = -1;                    // fixed frame; -1: none
};

class CUIXMLLoader : public CXMLLoaderWrapper
{
public:
    enum
    {
        MaxImportDepth = 16,      // imports open inside one another
        MaxImportedFiles = 256,   // documents read by imports during one load
        MaxElements = 100000,     // widgets built during one load, imports included
        MaxLogLines = 32          // skip reports per loader
    };
    // Platform number of this build, matched by "$platform_id" lists.
    enum { PlatformId = 3 };
    // Positions, sizes and borders in pixels are kept within +-MaxPixels.
    static constexpr f32 MaxPixels = 1048576.0f;

    CUIXMLLoader();
    ~CUIXMLLoader() override;

    // Registers the built-in creators, then the extra ones (a name already present is
    // refused). Without a root, the loader makes and owns a transparent "rootwidget"
    // of the graphics context's size. The reference size is the root's size; top-level
    // elements go to importParent when given, else to the root. A previousTree is
    // harvested for widgets with a unique name (reused by elements of the same unique
    // name and kind) and the rest of it is closed and deleted. 1.
    int Init(IUIApplication* app, CUIActionMap* actions, const CUIElementCreatorMap* extraCreators,
             CWidget* root, CWidget* importParent, CWidget* previousTree);
    // Reads and builds the document: 1, 8 when it cannot be read, or the parser's code.
    int LoadFile(const CKetrelString& name);
    // Loads the theme's document ("theme_%s.xml") so that its colours reach the theme.
    // 8 for a null theme, else 1.
    int LoadFromResource(IUITheme* theme);
    // A "theme" root (any case) gives colours; any other root gives its "actions",
    // then its "element" and "import" children in order.
    void LoadDocument(CKetrelXMLDataNode* node);
    // Deletes the owned root, the easing factory and the widgets of the unique table
    // that no element took, then the document.
    void Unload();

    // ---- for the element creators ----
    i32 GetReferenceWidth() const { return m_refWidth; }
    i32 GetReferenceHeight() const { return m_refHeight; }
    CWidget* GetRoot() const { return m_root; }
    CUIActionMap* GetActions() const { return m_actions; }

    // v x reference, NaN as 0, clamped to +-MaxPixels, then converted.
    static i32 ScaleRound(f32 v, i32 reference);       // lroundf
    static i32 ScaleTrunc(f32 v, i32 reference);       // toward zero
    static i32 ScaleFloorHalf(f32 v, i32 reference);   // floorf(x + 0.5)
    // An integer attribute clamped to lo..hi (def when absent or without a digit).
    static i32 ReadIntClamped(const CKetrelXMLDataNode* node, const char* name, i32 def, i32 lo,
                              i32 hi);
    // A float attribute; NaN reads as def, infinities as +-MaxPixels.
    static f32 ReadFloat(const CKetrelXMLDataNode* node, const char* name, f32 def);
    // "%x" of text: true with the value when at least one digit scanned.
    static bool ScanHex(const char* text, u32* out);

    // Colour by theme name, else hexadecimal. Raw: the value as scanned; false (and
    // *out untouched) when text is neither. With alpha fix: six or fewer digits get
    // alpha 0xFF; whatever the scan stored (0 when nothing) is the result.
    bool ReadColorRaw(const char* text, u32* out) const;
    u32 ReadColorAlphaFix(const char* text) const;

    // The image child named childName (see CUIImageSpec). The frame grid is set on the
    // image when it has more than one frame; frame counts are clamped to the image's
    // pixel size. False when the child is absent (out at its defaults, no image).
    bool ReadImage(const CKetrelXMLDataNode* node, const char* childName, CUIImageSpec* out) const;
    // Gives the reader's reference back.
    void ReleaseImage(CKetrelSurface** image) const;
    // "border-size": borders left, top, right, bottom in pixels. False when absent.
    bool ReadBorders(const CKetrelXMLDataNode* node, i32 out[4]) const;
    // "item-spacing": horizontal and vertical spacing in pixels. False when absent.
    bool ReadItemSpacing(const CKetrelXMLDataNode* node, i32* horizontal, i32* vertical) const;
    // "scroll": dragging switch and thresholds in pixels (0 when not positive, else
    // rounded up to the next multiple of ten above). False when absent (the values
    // then are the defaults: off, 0, 0).
    bool ReadScroll(const CKetrelXMLDataNode* node, bool* enabled, i32* thresholdX,
                    i32* thresholdY) const;
    // The easing curve of the child childName ("$curve" and "$param1".."$param8"), made
    // by the loader's factory; the caller owns it. Null when the child or "$curve" is
    // absent.
    IEasingCurve* ReadEasingCurve(const CKetrelXMLDataNode* node, const char* childName, u32 flag);

    // One line "UI: <text>" on the standard error stream, while the loader's budget
    // lasts. const: creators report through the loader they were given.
    void Log(const char* what, const char* name) const;
    i32 GetLogCount() const { return m_logCount; }

private:
    struct CreatorEntry
    {
        CUIElementCreator creator = nullptr;
        const CUIElementKind* kind = nullptr;   // null for an extra creator
    };
    typedef CKetrelMap<CKetrelHashedString, CreatorEntry> CreatorTable;
    typedef CKetrelMap<CKetrelHashedString, CWidget*> UniqueTable;

    void LoadChildren(CKetrelXMLDataNode* node, CWidget* parent, CWidget* reference);
    void LoadElement(CKetrelXMLDataNode* node, CWidget* parent, CWidget* reference);
    void LoadImport(CKetrelXMLDataNode* node, CWidget* parent, CWidget* reference);
    void BindEvents(CKetrelXMLDataNode* events, CWidget* widget);
    void LoadActions(CKetrelXMLDataNode* actions);
    void LoadThemeColors(CKetrelXMLDataNode* theme);
    void HarvestUniqueWidgets(CWidget* widget, bool isRoot);
    CWidget* TakeUnique(const char* uniqueName);
    CWidget* BuildElement(CKetrelXMLDataNode* node, const char* type, CWidget* parent,
                          CWidget* reference, CWidget* candidate);
    void CheckVocabulary(const CKetrelXMLDataNode* node, const CUIElementKind* kind) const;
    bool ImportConditionsHold(const CKetrelXMLDataNode* node) const;
    bool IsImportOpen(const CKetrelString& path) const;
    // The loader of the whole load (the outermost one), which keeps the budgets.
    CUIXMLLoader* Top();

    CreatorTable m_creators;
    CUIActionMap* m_actions;                        // not owned; may be null
    i32 m_refWidth, m_refHeight;
    CWidget* m_ownedRoot;                           // owned until Unload
    CWidget* m_root;
    CWidget* m_parent;
    IUITheme* m_theme;                              // receives theme colours; not owned
    const CUIElementCreatorMap* m_extraCreators;    // not owned
    CEasingCurveFactory* m_easing;                  // owned; made on first use
    UniqueTable* m_unique;                          // owned when m_ownsUnique
    bool m_ownsUnique;
    CUIXMLLoader* m_outer;                          // the loader of the enclosing import
    i32 m_importDepth;                              // open imports around this loader
    CKetrelString m_path;                           // document this loader reads; empty: none
    mutable i32 m_logCount;
    i32 m_elementsBuilt;                            // budgets, kept by the outermost loader
    i32 m_filesImported;
};
