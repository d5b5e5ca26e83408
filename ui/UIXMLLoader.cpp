// ui/UIXMLLoader.cpp
#include "ui/UIXMLLoader.h"

#include "engine/KetrelResult.h"
#include "engine/KetrelXMLDataNode.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "engine/graphics/KetrelSurface.h"
#include "ui/EasingCurve.h"
#include "ui/EasingCurveFactory.h"
#include "ui/Layout.h"
#include "ui/UIActionMap.h"
#include "ui/UIElementRegistry.h"
#include "ui/UITimedSequence.h"
#include "ui/Widget.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

namespace
{
// Event element names in the order of EUIElementEvent.
const char* const kEventNames[UI_EVENT_COUNT] = {
    "onvaluechanged", "onclick",       "onloaditem", "onforgetitem", "onloaditembatch",
    "onloadgroup",    "onbeginexpand", "onendexpand", "onbeginscroll", "onendscroll",
    "onshow",         "onhide",        "onclone",    "oncloned",     "onstartup",
    "onshutdown",     "onchanged",     "onfinished"};

const CWidgetType& EventKind(i32 event)
{
    switch (event)
    {
    case UI_EVENT_VALUE_CHANGED: return CWidgetType::Slider();
    case UI_EVENT_CLICK: return CWidgetType::Button();
    case UI_EVENT_LOAD_ITEM:
    case UI_EVENT_FORGET_ITEM:
    case UI_EVENT_LOAD_ITEM_BATCH:
    case UI_EVENT_LOAD_GROUP: return CWidgetType::InfiniteList();
    case UI_EVENT_BEGIN_EXPAND:
    case UI_EVENT_END_EXPAND: return CWidgetType::Expandable();
    case UI_EVENT_BEGIN_SCROLL:
    case UI_EVENT_END_SCROLL: return CWidgetType::SlideArea();
    case UI_EVENT_CHANGED:
    case UI_EVENT_FINISHED: return CWidgetType::TextWidget();
    default: return CWidgetType::Widget();
    }
}

// Children of every "element" that the loader itself reads.
enum ECommonItem
{
    COMMON_NAME, COMMON_TYPE, COMMON_UNIQUE, COMMON_DISPLAY, COMMON_POSITION, COMMON_SIZE,
    COMMON_ALIGN, COMMON_FLAGS, COMMON_EVENTS, COMMON_ELEMENT, COMMON_IMPORT, COMMON_TEXT,
    COMMON_COUNT
};
const char* const kCommonNames[COMMON_COUNT] = {
    "$name", "$type", "$uniquename", "$display", "position", "size",
    "align", "flags", "events",      "element",  "import",   "$ORIG_DATA"};

// Which common item name is, or -1. Every element asks this of each of its children,
// so the first characters choose the one candidate to compare.
i32 CommonItem(const char* name)
{
    i32 item = -1;
    switch (name[0])
    {
    case '$':
        switch (name[1])
        {
        case 'n': item = COMMON_NAME; break;
        case 't': item = COMMON_TYPE; break;
        case 'u': item = COMMON_UNIQUE; break;
        case 'd': item = COMMON_DISPLAY; break;
        case 'O': item = COMMON_TEXT; break;
        default: break;
        }
        break;
    case 'p': item = COMMON_POSITION; break;
    case 's': item = COMMON_SIZE; break;
    case 'a': item = COMMON_ALIGN; break;
    case 'f': item = COMMON_FLAGS; break;
    case 'e': item = name[1] == 'v' ? COMMON_EVENTS : COMMON_ELEMENT; break;
    case 'i': item = COMMON_IMPORT; break;
    default: break;
    }
    return (item >= 0 && std::strcmp(name, kCommonNames[item]) == 0) ? item : -1;
}
const char* const kImportNames[] = {"$device_os", "$platform_id", "$platform_id_not",
                                    "$renderer", "$use_parent", "$use_root_coordinates",
                                    "$aspect", "$path", "actions", "element", "import",
                                    "$ORIG_DATA", nullptr};

bool InList(const char* const* list, const char* name)
{
    if (!list)
        return false;
    for (; *list; ++list)
        if (std::strcmp(*list, name) == 0)
            return true;
    return false;
}

bool Is(const CKetrelXMLDataNode* node, const char* name)
{
    const char* n = node ? node->GetName() : nullptr;
    return n && std::strcmp(n, name) == 0;
}

bool IsValue(const CKetrelXMLDataNode* node) { return node && node->IsValueNode(); }

f32 ClampPixels(f32 x)
{
    if (x != x)
        return 0.0f;
    if (x > CUIXMLLoader::MaxPixels)
        return CUIXMLLoader::MaxPixels;
    if (x < -CUIXMLLoader::MaxPixels)
        return -CUIXMLLoader::MaxPixels;
    return x;
}

// A sum or difference of pixel values, kept in the i32 range.
i32 ClampToInt(i64 v)
{
    if (v > 0x3FFFFFFF)
        return 0x3FFFFFFF;
    if (v < -0x3FFFFFFF)
        return -0x3FFFFFFF;
    return (i32)v;
}

bool EqualsNoCase(const char* a, const char* b)
{
    if (!a || !b)
        return false;
    for (; *a && *b; ++a, ++b)
    {
        char x = *a, y = *b;
        if (x >= 'A' && x <= 'Z')
            x = (char)(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = (char)(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return *a == *b;
}

IUIResourceManager* Resources(IUIApplication* app) { return app ? app->GetUIResources() : nullptr; }
}  // namespace

CUIXMLLoader::CUIXMLLoader()
    : m_actions(nullptr),
      m_refWidth(0),
      m_refHeight(0),
      m_ownedRoot(nullptr),
      m_root(nullptr),
      m_parent(nullptr),
      m_theme(nullptr),
      m_extraCreators(nullptr),
      m_easing(nullptr),
      m_unique(nullptr),
      m_ownsUnique(false),
      m_outer(nullptr),
      m_importDepth(0),
      m_logCount(0),
      m_elementsBuilt(0),
      m_filesImported(0)
{
}

CUIXMLLoader::~CUIXMLLoader()
{
    // Owners call Unload; whatever is left is released here rather than leaked.
    Unload();
    m_creators.RemoveAll();
}

int CUIXMLLoader::Init(IUIApplication* app, CUIActionMap* actions,
                       const CUIElementCreatorMap* extraCreators, CWidget* root,
                       CWidget* importParent, CWidget* previousTree)
{
    // A loader initialised again first lets go of what it held.
    Unload();
    m_extraCreators = extraCreators;
    m_root = root;
    m_ownedRoot = nullptr;
    CXMLLoaderWrapper::Init(app);
    m_actions = actions;
    if (!m_root)
    {
        IKetrelGraphicsContext* gc = app ? app->GetUIGraphicsContext() : nullptr;
        CWidget* owned = new CWidget();
        owned->Init(app, nullptr,
                    CKetrelRect(0, 0, gc ? gc->GetWidth() : 0, gc ? gc->GetHeight() : 0));
        owned->SetName(CKetrelString("rootwidget"));
        owned->SetTransparent(true);
        m_root = m_ownedRoot = owned;
    }
    m_parent = importParent ? importParent : m_root;
    m_refWidth = m_root->GetWidth();
    m_refHeight = m_root->GetHeight();

    m_creators.RemoveAll();
    for (i32 i = 0; i < CUIElementRegistry::BuiltinCount; ++i)
    {
        const CUIElementKind* kind = CUIElementRegistry::GetBuiltin(i);
        if (!kind)
            continue;
        CreatorTable::Pair pair;
        pair.key = CKetrelHashedString(CKetrelString(kind->typeName));
        pair.value.creator = kind->creator;
        pair.value.kind = kind;
        m_creators.AddPair(pair);
    }
    if (m_extraCreators)
        for (i32 i = 0; i < m_extraCreators->GetCount(); ++i)
        {
            const CUIElementCreatorMap::Pair* extra = m_extraCreators->ElementAt(i);
            if (!extra->value)
                continue;
            CreatorTable::Pair pair;
            pair.key = extra->key;
            pair.value.creator = extra->value;
            // A built-in name, registered or not, cannot be taken by an extra creator.
            bool builtin = false;
            for (i32 b = 0; b < CUIElementRegistry::BuiltinCount && !builtin; ++b)
                builtin = extra->key.GetText().Equals(
                    CKetrelString(CUIElementRegistry::GetBuiltinName(b)));
            if (builtin || !m_creators.AddPair(pair))
                Log("extra element creator refused", "");
        }

    if (previousTree)
    {
        m_unique = new UniqueTable();
        m_ownsUnique = true;
        HarvestUniqueWidgets(previousTree, true);
        CWidget::Destroy(previousTree);
    }
    return KE_OK;
}

int CUIXMLLoader::LoadFile(const CKetrelString& name)
{
    const int r = CXMLLoaderWrapper::LoadFile(name);
    if (r != KE_OK)
        return r;
    m_path = name;
    LoadDocument(GetRootElement());
    CXMLLoaderWrapper::Unload();
    m_path.Clear();
    return KE_OK;
}

int CUIXMLLoader::LoadFromResource(IUITheme* theme)
{
    if (!theme)
        return KE_ERR_NOT_FOUND;
    m_theme = theme;
    CKetrelString name;
    theme->GetXMLFileName(&name);
    LoadFile(name);
    return KE_OK;
}

void CUIXMLLoader::LoadDocument(CKetrelXMLDataNode* node)
{
    if (!node || IsValue(node))
        return;
    if (EqualsNoCase(node->GetName(), "theme"))
    {
        LoadThemeColors(node);
        return;
    }
    LoadActions(FindChild(node, "actions"));
    LoadChildren(node, m_parent, m_root);
}

void CUIXMLLoader::LoadChildren(CKetrelXMLDataNode* node, CWidget* parent, CWidget* reference)
{
    // An element's own vocabulary was checked when it was built; a document root or an
    // import is checked here.
    const bool element = Is(node, "element");
    const bool import = Is(node, "import");
    for (CKetrelXMLDataNode* c = GetFirstChild(node); c; c = c->GetNextSibling())
    {
        if (Is(c, "element"))
            LoadElement(c, parent, reference);
        else if (Is(c, "import"))
            LoadImport(c, parent, reference);
        else if (!element && !Is(c, "actions") && !(import && InList(kImportNames, c->GetName())) &&
                 !(IsValue(c) && !import))
            Log("unknown element skipped", c->GetName());
    }
}

CWidget* CUIXMLLoader::TakeUnique(const char* uniqueName)
{
    if (!m_unique || !uniqueName || !*uniqueName)
        return nullptr;
    const i32 index = m_unique->Find(CKetrelHashedString(CKetrelString(uniqueName)));
    if (index < 0)
        return nullptr;
    CWidget* w = m_unique->ElementAt(index)->value;
    m_unique->RemoveAt(index);
    return w;
}

void CUIXMLLoader::CheckVocabulary(const CKetrelXMLDataNode* node, const CUIElementKind* kind) const
{
    for (const CKetrelXMLDataNode* c = GetFirstChild(node); c; c = c->GetNextSibling())
    {
        const char* n = c->GetName();
        if (!n || CommonItem(n) >= 0 || (kind && InList(kind->vocabulary, n)))
            continue;
        Log(IsValue(c) ? "unknown attribute skipped" : "unknown element skipped", n);
    }
}

CWidget* CUIXMLLoader::BuildElement(CKetrelXMLDataNode* node, const char* type, CWidget* parent,
                                    CWidget* reference, CWidget* candidate)
{
    const i32 found =
        m_creators.GetCount() ? m_creators.Find(CKetrelHashedString(CKetrelString(type))) : -1;
    if (found >= 0)
    {
        const CreatorEntry entry = m_creators.ElementAt(found)->value;
        // A kept widget is handed on only to a creator of exactly its kind, so that no
        // creator configures a widget of another class.
        CWidget* reuse = nullptr;
        if (candidate)
        {
            if (entry.kind)
                reuse = (entry.kind->kind && candidate->GetType().IsSameKind(entry.kind->kind()))
                            ? candidate
                            : nullptr;
            else if (candidate->GetType().GetName().GetText().Equals(CKetrelString(type)))
                reuse = candidate;
        }
        CheckVocabulary(node, entry.kind);
        CWidget* w = entry.creator(this, node, parent, reuse);
        if (candidate && w != candidate)
            CWidget::Destroy(candidate);
        return w;
    }
    if (CUIElementRegistry::FindBuiltin(type) >= 0)
    {
        Log("element kind not available, skipped", type);
        CWidget::Destroy(candidate);
        return nullptr;
    }
    if (*type && std::strcmp(type, "widget") != 0)
        Log("unknown element type, plain widget", type);
    CheckVocabulary(node, nullptr);
    if (candidate && candidate->GetType().IsSameKind(CWidgetType::Widget()))
        return candidate;
    CWidget::Destroy(candidate);
    CWidget* w = new CWidget();
    w->Init(GetApplication(), Resources(GetApplication()), reference->GetLocalRect());
    w->SetTransparent(true);
    return w;
}

void CUIXMLLoader::LoadElement(CKetrelXMLDataNode* node, CWidget* parent, CWidget* reference)
{
    if (!parent || !reference)
        return;
    // The common part in one pass over the children (the first of each name counts).
    const CKetrelXMLDataNode* items[COMMON_COUNT] = {};
    for (const CKetrelXMLDataNode* c = GetFirstChild(node); c; c = c->GetNextSibling())
    {
        const i32 item = c->GetName() ? CommonItem(c->GetName()) : -1;
        if (item >= 0 && !items[item])
            items[item] = c;
    }
    auto text = [&](i32 item) { return items[item] ? items[item]->GetValue() : nullptr; };
    const char* name = text(COMMON_NAME);
    const char* type = text(COMMON_TYPE);
    if (!type)
        type = "";
    const char* uniqueName = text(COMMON_UNIQUE);
    const CKetrelXMLDataNode* position = items[COMMON_POSITION];
    const CKetrelXMLDataNode* size = items[COMMON_SIZE];
    const CKetrelXMLDataNode* align = items[COMMON_ALIGN];

    // A template is wrapped in a holder: one more level.
    const CKetrelString nameText(name);
    const i32 length = nameText.GetLength();
    const bool isTemplate =
        nameText.Find(CKetrelString("_template"), length - 10 > 0 ? length - 10 : 0) >= 0;
    if (parent->GetDepth() + (isTemplate ? 2 : 1) > CWidget::MaxDepth)
    {
        Log("element nested too deep, skipped", name ? name : type);
        return;
    }

    if (Top()->m_elementsBuilt >= MaxElements)
    {
        Log("too many elements, skipped", name ? name : type);
        return;
    }
    ++Top()->m_elementsBuilt;
    CWidget* candidate = TakeUnique(uniqueName);
    CWidget* w = BuildElement(node, type, parent, reference, candidate);
    if (!w)
        return;
    if (parent->IsWithin(w))
    {
        // An extra creator handed back the parent or one of its ancestors: it lives in
        // the tree already and cannot become its own child.
        Log("element creator returned an ancestor, skipped", name ? name : type);
        return;
    }
    const bool reused = candidate && w == candidate;
    if (name)
        w->SetName(nameText);
    if (!reused && uniqueName)
        w->SetUniqueName(CKetrelString(uniqueName));
    w->SetVisible(GetIntAttribute(node, "$display", w->IsVisible() ? 1 : 0) != 0);

    const i32 width = ScaleRound(ReadFloat(size, "$w", 0.0f), m_refWidth);
    const i32 height = ScaleRound(ReadFloat(size, "$h", 0.0f), m_refHeight);
    i64 left = 0, top = 0;
    bool alignedX = false, alignedY = false;
    if (const char* v = GetAttribute(align, "$v"))
    {
        alignedX = true;
        if (std::strcmp(v, "left") == 0)
            left = 0;
        else if (std::strcmp(v, "center") == 0)
            left = ((i64)m_refWidth - width) / 2;
        else if (std::strcmp(v, "right") == 0)
            left = (i64)m_refWidth - width;
        else
            alignedX = false;
    }
    if (const char* h = GetAttribute(align, "$h"))
    {
        alignedY = true;
        if (std::strcmp(h, "top") == 0)
            top = 0;
        else if (std::strcmp(h, "middle") == 0)
            top = ((i64)m_refHeight - height) / 2;
        else if (std::strcmp(h, "bottom") == 0)
            top = (i64)m_refHeight - height;
        else
            alignedY = false;
    }
    if (!alignedX)
        left += ScaleTrunc(ReadFloat(position, "$x", 0.0f), m_refWidth);
    if (!alignedY)
        top += ScaleTrunc(ReadFloat(position, "$y", 0.0f), m_refHeight);
    if (parent != reference)
    {
        left += reference->GetRect().left;
        top += reference->GetRect().top;
    }
    const i32 l = ClampToInt(left), t = ClampToInt(top);
    w->SetRect(CKetrelRect(l, t, ClampToInt((i64)l + width), ClampToInt((i64)t + height)));

    if (const CKetrelXMLDataNode* flags = items[COMMON_FLAGS])
    {
        w->SetEnabled(GetIntAttribute(flags, "$enabled", w->IsEnabled() ? 1 : 0) != 0);
        w->SetTransparent(GetIntAttribute(flags, "$transparent", w->IsTransparent() ? 1 : 0) != 0);
        w->SetVisible(GetIntAttribute(flags, "$visible", w->IsVisible() ? 1 : 0) != 0);
    }

    CWidget* added = w;
    if (isTemplate)
    {
        // Widgets that clone items look the holder up by the template's name.
        CWidget* holder = new CWidget();
        holder->Init(GetApplication(), Resources(GetApplication()), w->GetRect());
        holder->SetName(nameText);
        CKetrelRect r = w->GetRect();
        r.Offset(-parent->GetRect().left, -parent->GetRect().top);
        w->SetRect(r);
        holder->AddChild(w);
        added = holder;
    }
    if (!parent->AddChild(added))
    {
        Log("element cannot be added, skipped", name ? name : type);
        CWidget::Destroy(added);
        return;
    }
    BindEvents(const_cast<CKetrelXMLDataNode*>(items[COMMON_EVENTS]), w);
    LoadChildren(node, w, w);
}

void CUIXMLLoader::BindEvents(CKetrelXMLDataNode* events, CWidget* widget)
{
    if (!events || !m_actions || !widget)
        return;
    for (CKetrelXMLDataNode* c = GetFirstChild(events); c; c = c->GetNextSibling())
    {
        if (IsValue(c))
            continue;
        const char* eventName = c->GetName();
        const char* action = GetAttribute(c, "$action");
        if (!eventName || !action)
            continue;
        i32 event = -1;
        for (i32 i = 0; i < UI_EVENT_COUNT; ++i)
            if (std::strcmp(kEventNames[i], eventName) == 0)
            {
                event = i;
                break;
            }
        if (event < 0)
        {
            Log("unknown event skipped", eventName);
            continue;
        }
        const CUIActionCallback cb = m_actions->Lookup(CKetrelString(action));
        if (!cb.IsSet() || !widget->IsKindOf(EventKind(event)))
            continue;
        switch (event)
        {
        case UI_EVENT_SHOW: widget->SetOnShow(cb); continue;
        case UI_EVENT_HIDE: widget->SetOnHide(cb); continue;
        case UI_EVENT_CLONE: widget->SetOnClone(cb); continue;
        case UI_EVENT_CLONED: widget->SetOnCloned(cb); continue;
        case UI_EVENT_STARTUP: widget->SetOnStartup(cb); continue;
        case UI_EVENT_SHUTDOWN: widget->SetOnShutdown(cb); continue;
        default: break;
        }
        // Kind-specific events: the nearest registered kind of the widget's chain that
        // knows the event stores it.
        for (const CWidgetType* t = &widget->GetType(); t; t = t->GetParent())
        {
            const CUIElementKind* kind = CUIElementRegistry::FindByKind(*t);
            if (kind && kind->bindEvent && kind->bindEvent(widget, (EUIElementEvent)event, cb))
                break;
        }
    }
}

bool CUIXMLLoader::ImportConditionsHold(const CKetrelXMLDataNode* node) const
{
    if (const char* os = GetAttribute(node, "$device_os"))
    {
        IUIDevice* device = GetApplication() ? GetApplication()->GetDevice() : nullptr;
        CKetrelString osName = device ? device->GetOSName() : CKetrelString();
        if (osName.IsEmpty())
            return false;
        CKetrelString value(os);
        value.MakeLower();
        osName.MakeLower();
        if (value.Find(osName) < 0)
            return false;
    }
    CKetrelString platform;
    platform.Format(L" %d ", (i32)PlatformId);
    if (const char* list = GetAttribute(node, "$platform_id"))
    {
        CKetrelString padded;
        padded.Format(L" %s ", list);
        if (padded.Find(platform) < 0)
            return false;
    }
    if (const char* list = GetAttribute(node, "$platform_id_not"))
    {
        CKetrelString padded;
        padded.Format(L" %s ", list);
        if (padded.Find(platform) >= 0)
            return false;
    }
    if (const char* renderer = GetAttribute(node, "$renderer"))
        if (!std::strstr(renderer, "gles2"))
            return false;
    return true;
}

CUIXMLLoader* CUIXMLLoader::Top()
{
    CUIXMLLoader* top = this;
    while (top->m_outer)
        top = top->m_outer;
    return top;
}

bool CUIXMLLoader::IsImportOpen(const CKetrelString& path) const
{
    for (const CUIXMLLoader* l = this; l; l = l->m_outer)
        if (!l->m_path.IsEmpty() && l->m_path.Equals(path))
            return true;
    return false;
}

void CUIXMLLoader::LoadImport(CKetrelXMLDataNode* node, CWidget* parent, CWidget* /*reference*/)
{
    if (!parent || !ImportConditionsHold(node))
        return;
    const char* path = GetAttribute(node, "$path");
    if (m_importDepth + 1 > MaxImportDepth)
    {
        Log("import nested too deep, skipped", path ? path : "");
        return;
    }
    if (path && IsImportOpen(CKetrelString(path)))
    {
        Log("import of a document already open, skipped", path);
        return;
    }
    if (path && Top()->m_filesImported >= MaxImportedFiles)
    {
        Log("too many imported documents, skipped", path);
        return;
    }
    if (path)
        ++Top()->m_filesImported;

    CWidget* importParent = nullptr;
    if (const char* useParent = GetAttribute(node, "$use_parent"))
    {
        CWidget* top = parent->GetTopmost();
        importParent = top->GetName().Equals(CKetrelString(useParent))
                           ? top
                           : m_root->FindChild(CKetrelString(useParent), -1);
    }
    CUIXMLLoader sub;
    sub.m_outer = this;
    sub.m_importDepth = m_importDepth + 1;
    if (sub.Init(GetApplication(), m_actions, m_extraCreators, parent, importParent, nullptr) !=
        KE_OK)
    {
        sub.Unload();
        return;
    }
    if (m_unique)
    {
        sub.m_unique = m_unique;
        sub.m_ownsUnique = false;
    }
    if (GetIntAttribute(node, "$use_root_coordinates", 0) == 1)
    {
        sub.m_refWidth = m_root->GetWidth();
        sub.m_refHeight = m_root->GetHeight();
    }
    const f32 aspect = ReadFloat(node, "$aspect", 0.0f);
    if (aspect != 0.0f)
    {
        CKetrelRect r(0, 0, sub.m_refWidth, sub.m_refHeight);
        FitRectToAspect(r, aspect, 0.0f);
        sub.m_refWidth = r.Width();
        sub.m_refHeight = r.Height();
    }
    if (path)
        sub.LoadFile(CKetrelString(path));
    sub.LoadDocument(node);
    sub.Unload();
}

void CUIXMLLoader::LoadActions(CKetrelXMLDataNode* actionsNode)
{
    if (!actionsNode || !m_actions)
        return;
    IUIResourceManager* resources = Resources(GetApplication());
    // Each list is the first child of its name and every later sibling.
    for (CKetrelXMLDataNode* a = FindChild(actionsNode, "action"); a; a = a->GetNextSibling())
    {
        if (IsValue(a))
            continue;
        const char* name = GetAttribute(a, "$name");
        if (!name)
            continue;
        const CKetrelString seqName(name);
        CUITimedSequence* seq = m_actions->RegisterSequence(seqName);
        if (!seq)
            continue;
        seq->SetApplication(GetApplication());
        for (CKetrelXMLDataNode* t = FindChild(a, "trigger"); t; t = t->GetNextSibling())
        {
            const char* action = IsValue(t) ? nullptr : GetAttribute(t, "$action");
            if (!action)
                continue;
            CKetrelString target(action);
            if (target.Equals(seqName))
            {
                target = CKetrelString("app:");
                target.Append(seqName);
            }
            const CUIActionCallback cb = m_actions->Lookup(target);
            if (cb.IsSet())
                seq->AddCallback(ReadFloat(t, "$time", 0.0f), cb);
        }
        for (CKetrelXMLDataNode* s = FindChild(a, "sound"); s; s = s->GetNextSibling())
        {
            const char* soundName = IsValue(s) ? nullptr : GetAttribute(s, "$path");
            if (!soundName || !resources)
                continue;
            IKetrelSoundSource* sound = resources->GetSound(CKetrelString(soundName), 0, 0);
            if (sound && seq->AddSound(ReadFloat(s, "$time", 0.0f), sound) != KE_OK)
                resources->ReleaseSound(&sound);
        }
        for (CKetrelXMLDataNode* v = FindChild(a, "vibrate"); v; v = v->GetNextSibling())
            if (!IsValue(v))
                seq->AddVibration(ReadFloat(v, "$time", 0.0f), 0);
    }
}

void CUIXMLLoader::LoadThemeColors(CKetrelXMLDataNode* themeNode)
{
    if (!themeNode || !m_theme)
        return;
    for (CKetrelXMLDataNode* config = FindChild(themeNode, "config"); config;
         config = config->GetNextSibling())
    {
        if (IsValue(config) || !EqualsNoCase(GetAttribute(config, "$type"), "color"))
            continue;
        for (CKetrelXMLDataNode* c = FindChild(config, "color"); c; c = c->GetNextSibling())
        {
            if (IsValue(c))
                continue;
            const char* value = GetAttribute(c, "$value");
            u32 colour = 0;
            if (ScanHex(value, &colour) && std::strlen(value) < 7)
                colour |= 0xFF000000u;
            const char* id = GetAttribute(c, "$id");
            if (id && *id)
                m_theme->AddColor(CKetrelString(id), colour);
        }
    }
}

void CUIXMLLoader::HarvestUniqueWidgets(CWidget* widget, bool isRoot)
{
    // The root handed over is deleted by the caller whatever its name: keep it out.
    const CKetrelHashedString* unique = widget->GetUniqueName();
    if (!isRoot && unique && m_unique->Find(*unique) < 0)
    {
        CKetrelPair<CKetrelHashedString, CWidget*> pair;
        pair.key = *unique;
        pair.value = widget;
        m_unique->AddPair(pair);
        if (CWidget* parent = widget->GetParent())
            parent->RemoveChild(widget);
        widget->ResetState();
    }
    for (i32 i = widget->GetChildCount() - 1; i >= 0; --i)
        if (CWidget* c = widget->GetChild(i))
            HarvestUniqueWidgets(c, false);
    for (i32 i = widget->GetChildCount() - 1; i >= 0; --i)
        widget->DeleteChild(widget->GetChild(i));
}

void CUIXMLLoader::Unload()
{
    if (m_ownedRoot)
    {
        CWidget::Destroy(m_ownedRoot);
        m_ownedRoot = nullptr;
        m_root = nullptr;
    }
    if (m_easing)
    {
        m_easing->Clear();
        delete m_easing;
        m_easing = nullptr;
    }
    if (m_unique)
    {
        if (m_ownsUnique)
        {
            for (i32 i = 0; i < m_unique->GetCount(); ++i)
                CWidget::Destroy(m_unique->ElementAt(i)->value);
            delete m_unique;
        }
        m_unique = nullptr;
        m_ownsUnique = false;
    }
    CXMLLoaderWrapper::Unload();
}

// ---- readers ----

i32 CUIXMLLoader::ScaleRound(f32 v, i32 reference)
{
    return (i32)lroundf(ClampPixels(v * (f32)reference));
}

i32 CUIXMLLoader::ScaleTrunc(f32 v, i32 reference)
{
    return (i32)ClampPixels(v * (f32)reference);
}

i32 CUIXMLLoader::ScaleFloorHalf(f32 v, i32 reference)
{
    return (i32)floorf(ClampPixels(v * (f32)reference) + 0.5f);
}

i32 CUIXMLLoader::ReadIntClamped(const CKetrelXMLDataNode* node, const char* name, i32 def, i32 lo,
                                 i32 hi)
{
    const i32 v = GetIntAttribute(node, name, def);
    return v < lo ? lo : (v > hi ? hi : v);
}

f32 CUIXMLLoader::ReadFloat(const CKetrelXMLDataNode* node, const char* name, f32 def)
{
    const f32 v = GetFloatAttribute(node, name, def);
    if (v != v)
        return def;
    if (v > MaxPixels)
        return MaxPixels;
    if (v < -MaxPixels)
        return -MaxPixels;
    return v;
}

bool CUIXMLLoader::ScanHex(const char* text, u32* out)
{
    if (!text)
        return false;
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')
        ++p;
    const bool digit = (*p >= '0' && *p <= '9') || (*p >= 'a' && *p <= 'f') || (*p >= 'A' && *p <= 'F');
    if (!digit)
        return false;
    u32 v = 0;
    CKetrelString(text).Scan(L"%x", &v);
    *out = v;
    return true;
}

bool CUIXMLLoader::ReadColorRaw(const char* text, u32* out) const
{
    if (!text)
        return false;
    IUITheme* theme = GetApplication() ? GetApplication()->GetTheme() : nullptr;
    if (theme && theme->FindColor(CKetrelString(text), out))
        return true;
    return ScanHex(text, out);
}

u32 CUIXMLLoader::ReadColorAlphaFix(const char* text) const
{
    u32 colour = 0;
    if (!text)
        return 0;
    IUITheme* theme = GetApplication() ? GetApplication()->GetTheme() : nullptr;
    if (theme && theme->FindColor(CKetrelString(text), &colour))
        return colour;
    if (ScanHex(text, &colour) && std::strlen(text) < 7)
        colour |= 0xFF000000u;
    return colour;
}

bool CUIXMLLoader::ReadImage(const CKetrelXMLDataNode* node, const char* childName,
                             CUIImageSpec* out) const
{
    *out = CUIImageSpec();
    const CKetrelXMLDataNode* child = FindChild(node, childName);
    if (!child)
        return false;
    IUIResourceManager* resources = Resources(GetApplication());
    const char* path = GetAttribute(child, "$path");
    if (path && *path && resources)
        out->image = resources->GetImage(CKetrelString(path), 0);
    // No more columns or rows than the image has pixels, so every frame is at least a
    // pixel and the frame count stays small.
    const i32 maxX = out->image ? (out->image->GetWidth() > 0 ? out->image->GetWidth() : 1) : 4096;
    const i32 maxY = out->image ? (out->image->GetHeight() > 0 ? out->image->GetHeight() : 1) : 4096;
    out->framesX = ReadIntClamped(child, "$frames_x", 1, 1, maxX);
    out->framesY = ReadIntClamped(child, "$frames_y", 1, 1, maxY);
    const f32 duration = ReadFloat(child, "$animation_duration", 0.0f);
    out->frameDuration =
        duration > 0.0f ? duration / ((f32)out->framesX * (f32)out->framesY) : 1.0f;
    out->frame = ReadIntClamped(child, "$frame", -1, -1, 0x7FFFFFFF);
    if (out->image && (out->framesX > 1 || out->framesY > 1))
        out->image->SetFrameSize(out->image->GetWidth() / out->framesX,
                                 out->image->GetHeight() / out->framesY);
    return true;
}

void CUIXMLLoader::ReleaseImage(CKetrelSurface** image) const
{
    if (!image || !*image)
        return;
    IUIResourceManager* resources = Resources(GetApplication());
    if (!resources || !resources->ReleaseImage(image))
        delete *image;
    *image = nullptr;
}

bool CUIXMLLoader::ReadBorders(const CKetrelXMLDataNode* node, i32 out[4]) const
{
    const CKetrelXMLDataNode* b = FindChild(node, "border-size");
    if (!b)
        return false;
    const f32 w = ReadFloat(b, "$width", 0.0f);
    const f32 h = ReadFloat(b, "$height", 0.0f);
    out[0] = ScaleRound(ReadFloat(b, "$left", w), m_refWidth);
    out[2] = ScaleRound(ReadFloat(b, "$right", w), m_refWidth);
    out[1] = ScaleRound(ReadFloat(b, "$top", h), m_refHeight);
    out[3] = ScaleRound(ReadFloat(b, "$bottom", h), m_refHeight);
    return true;
}

bool CUIXMLLoader::ReadItemSpacing(const CKetrelXMLDataNode* node, i32* horizontal,
                                   i32* vertical) const
{
    const CKetrelXMLDataNode* s = FindChild(node, "item-spacing");
    *horizontal = ScaleTrunc(ReadFloat(s, "$horizontal", 0.0f), m_refWidth);
    *vertical = ScaleTrunc(ReadFloat(s, "$vertical", 0.0f), m_refHeight);
    return s != nullptr;
}

bool CUIXMLLoader::ReadScroll(const CKetrelXMLDataNode* node, bool* enabled, i32* thresholdX,
                              i32* thresholdY) const
{
    const CKetrelXMLDataNode* s = FindChild(node, "scroll");
    *enabled = GetIntAttribute(s, "$enabled", 0) != 0;
    const f32 t[2] = {ClampPixels(fabsf(ReadFloat(s, "$threshold_x", 0.0f)) * (f32)m_refWidth),
                      ClampPixels(fabsf(ReadFloat(s, "$threshold_y", 0.0f)) * (f32)m_refHeight)};
    i32* outs[2] = {thresholdX, thresholdY};
    for (int i = 0; i < 2; ++i)
        *outs[i] = t[i] > 0.0f ? 10 * (i32)roundf(t[i] / 10.0f + 0.99f) : 0;
    return s != nullptr;
}

IEasingCurve* CUIXMLLoader::ReadEasingCurve(const CKetrelXMLDataNode* node, const char* childName,
                                            u32 flag)
{
    const CKetrelXMLDataNode* child = FindChild(node, childName);
    const char* curve = GetAttribute(child, "$curve");
    if (!curve)
        return nullptr;
    f32 params[8];
    i32 count = 0;
    char key[16];
    for (; count < 8; ++count)
    {
        std::snprintf(key, sizeof key, "$param%d", count + 1);
        if (!GetAttribute(child, key))
            break;
        params[count] = ReadFloat(child, key, 0.0f);
    }
    if (!m_easing)
    {
        m_easing = new CEasingCurveFactory();
        m_easing->Init();
    }
    return m_easing->CreateCurve(CKetrelString(curve), flag != 0, count, params);
}

void CUIXMLLoader::Log(const char* what, const char* name) const
{
    // Reports of imported documents count against the outermost loader.
    const CUIXMLLoader* top = this;
    while (top->m_outer)
        top = top->m_outer;
    if (top->m_logCount > MaxLogLines)
        return;
    if (top->m_logCount++ == MaxLogLines)
    {
        std::fprintf(stderr, "UI: further reports of this document left out\n");
        return;
    }
    std::fprintf(stderr, "UI: %s: '%.64s'\n", what, name ? name : "");
}
