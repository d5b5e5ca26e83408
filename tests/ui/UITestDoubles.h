#pragma once
// Test doubles for the toolkit: a graphics context that records what is drawn and
// tracks the clip rectangle, recording fakes of the application services, a sound
// that counts its plays, and small tree helpers.
#include "KetrelSound/KetrelSoundSource.h"
#include "engine/KetrelRect.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "ui/UIServices.h"
#include "ui/Widget.h"

#include <map>
#include <string>
#include <vector>

namespace uitest
{
std::string Narrow(const CKetrelString& s);

// One drawing call: its name, the destination rectangle, the clip in force.
struct DrawCall
{
    std::string op;
    CKetrelRect rect;
    CKetrelRect clip;
};

class RecordingContext : public IKetrelGraphicsContext
{
public:
    RecordingContext(i32 w = 800, i32 h = 480);
    int IsHardware() const override { return 0; }
    i32 GetWidth() const override { return m_w; }
    i32 GetHeight() const override { return m_h; }
    int FillRect(u32, const CKetrelRect* r) override { return Rec("FillRect", r); }
    int FillRectRelative(u32, const CKetrelRectF*) override { return Rec("FillRectRelative", nullptr); }
    int FillGradient(u32, u32, u32, u32, const CKetrelRect* r) override { return Rec("FillGradient", r); }
    int FillGradientRelative(u32, u32, u32, u32, const CKetrelRectF*) override { return Rec("FillGradientRelative", nullptr); }
    int FillRectAlpha(u32, const CKetrelRect* r) override { return Rec("FillRectAlpha", r); }
    int FillRectAlphaRelative(u32, const CKetrelRectF*) override { return Rec("FillRectAlphaRelative", nullptr); }
    int DimRect(const CKetrelRect* r, f32) override { return Rec("DimRect", r); }
    int DimRectRelative(const CKetrelRectF*, f32) override { return Rec("DimRectRelative", nullptr); }
    int Blit(i32 x, i32 y, IKetrelGraphicsContext*, const CKetrelRect*, u32) override;
    int BlitRelative(const CKetrelVector2*, IKetrelGraphicsContext*, const CKetrelRectF*, u32) override { return Rec("BlitRelative", nullptr); }
    int StretchBlit(const CKetrelRect* d, IKetrelGraphicsContext*, const CKetrelRect*, u32) override { return Rec("StretchBlit", d); }
    int StretchBlitRelative(const CKetrelRectF*, IKetrelGraphicsContext*, const CKetrelRectF*, u32) override { return Rec("StretchBlitRelative", nullptr); }
    int BlitRotated(i32, i32, IKetrelGraphicsContext*, f32, i32, u32) override { return Rec("BlitRotated", nullptr); }
    int BlitRotatedRelative(const CKetrelVector2*, IKetrelGraphicsContext*, f32, f32, u32) override { return Rec("BlitRotatedRelative", nullptr); }
    int BlitTinted(i32, i32, IKetrelGraphicsContext*, const CKetrelRect*, u32, u32) override { return Rec("BlitTinted", nullptr); }
    int BlitTintedRelative(const CKetrelVector2*, IKetrelGraphicsContext*, const CKetrelRectF*, u32, u32) override { return Rec("BlitTintedRelative", nullptr); }
    int StretchBlitTinted(const CKetrelRect* d, IKetrelGraphicsContext*, const CKetrelRect*, u32, u32) override { return Rec("StretchBlitTinted", d); }
    int StretchBlitTintedRelative(const CKetrelRectF*, IKetrelGraphicsContext*, const CKetrelRectF*, u32, u32) override { return Rec("StretchBlitTintedRelative", nullptr); }
    int DrawLine(i32, i32, i32, i32, u32, u32) override { return Rec("DrawLine", nullptr); }
    int DrawLineRelative(const CKetrelVector2*, const CKetrelVector2*, u32, u32) override { return Rec("DrawLineRelative", nullptr); }
    int StretchBlitTransformed(const CKetrelRectF*, const CKetrelMatrix4*, IKetrelGraphicsContext*, const CKetrelRectF*, u32) override { return Rec("StretchBlitTransformed", nullptr); }
    i32 RelativeToPixelX(f32 x) const override { return (i32)(x * m_w); }
    i32 RelativeToPixelY(f32 y) const override { return (i32)(y * m_h); }
    f32 PixelToRelativeX(i32 x) const override { return (f32)x / (f32)m_w; }
    f32 PixelToRelativeY(i32 y) const override { return (f32)y / (f32)m_h; }
    void SetClipRect(const CKetrelRect* r) override;
    void GetClipRect(CKetrelRect* out) const override { *out = m_clip; }

    std::vector<DrawCall> calls;
    i32 clipChanges = 0;

private:
    int Rec(const char* op, const CKetrelRect* r);
    i32 m_w, m_h;
    CKetrelRect m_clip;
};

// A sound that counts its starts.
class CountingSound : public IKetrelSoundSource
{
public:
    explicit CountingSound(int* deletions = nullptr) : m_deletions(deletions) {}
    ~CountingSound() override { if (m_deletions) ++*m_deletions; }
    i32 PlayFromStart(u32, u32, u32) override { ++plays; return 1; }
    u32 GetKind() override { return 0; }
    int plays = 0;

private:
    int* m_deletions;
};

class FakeResources : public IUIResourceManager
{
public:
    CKetrelSurface* GetImage(const CKetrelString&, u32) override { return nullptr; }
    void RegisterImage(const CKetrelString&, CKetrelSurface*) override {}
    int AddRefImage(CKetrelSurface*) override { return 0; }
    int ReleaseImage(CKetrelSurface**) override { return 0; }
    IKetrelSoundSource* GetSound(const CKetrelString& name, u32, u32) override;
    // Known sounds lose a reference and are deleted at the last; unknown ones give 0.
    int ReleaseSound(IKetrelSoundSource** slot) override;
    CKetrelBitmapFont* GetFont(const CKetrelString&) override { return nullptr; }
    int AddRefFont(CKetrelBitmapFont*) override { return 0; }
    int ReleaseFont(CKetrelBitmapFont**) override { return 0; }
    CKetrel3DProgram* FindShaderProgram(const CKetrelString&) override { return nullptr; }
    void RegisterShaderProgram(const CKetrelString&, CKetrel3DProgram*) override {}
    int ReleaseShaderProgram(CKetrel3DProgram**) override { return 0; }
    // Serves the texts put into files.
    i32 ReadResource(const CKetrelString& name, u8** data) override;

    std::map<std::string, std::string> files;
    std::map<IKetrelSoundSource*, int> soundRefs;
    int releases = 0;
};

class FakeDevice : public IUIDevice
{
public:
    void Vibrate(i32 value) override { vibrations.push_back(value); }
    void OpenUrl(const CKetrelString& link) override;
    CKetrelString GetOSName() override { return CKetrelString("Linux"); }
    std::vector<i32> vibrations;
    std::vector<std::string> urls;
};

// Colours in the order added; the last entry of a name wins.
class FakeTheme : public IUITheme
{
public:
    bool FindColor(const CKetrelString& name, u32* colour) override;
    void AddColor(const CKetrelString& id, u32 colour) override
    { colours.push_back(std::make_pair(Narrow(id), colour)); }
    void GetXMLFileName(CKetrelString* out) override { *out = CKetrelString(fileName.c_str()); }
    std::vector<std::pair<std::string, u32>> colours;
    std::string fileName = "theme_test.xml";
};

// Texts by index; anything else is "X-X".
class FakeLanguage : public IUILanguage
{
public:
    CKetrelString GetText(i32 index) override;
    CKetrelString GetCode() override { return CKetrelString("en"); }
    u32 GetTextFlags() override { return textFlags; }
    std::map<i32, std::string> texts;
    u32 textFlags = 0;
};

class FakeApp : public IUIApplication
{
public:
    IUIDevice* GetDevice() override { return &device; }
    IUITheme* GetTheme() override { return withTheme ? &theme : nullptr; }
    IUILanguage* GetLanguage() override { return &language; }
    IUIResourceManager* GetUIResources() override { return &resources; }
    IKetrelGraphicsContext* GetUIGraphicsContext() override { return &gc; }
    i32 GetGameId() override { return 7; }
    i32 GetReleaseId() override { return 3; }
    CKetrelString GetResellerId() override { return CKetrelString("r"); }
    CKetrelString GetSessionToken() override { return CKetrelString("t"); }
    CKetrelString GetApplicationCheck() override { return CKetrelString("c"); }
    FakeDevice device;
    FakeResources resources;
    RecordingContext gc;
    FakeTheme theme;
    FakeLanguage language;
    bool withTheme = true;
};

std::string Narrow(const CKetrelString& s);

// A widget that records its hooks into a shared log ("name:event").
class ProbeWidget : public CWidget
{
public:
    explicit ProbeWidget(std::vector<std::string>* log = nullptr) : m_log(log) {}
    CWidget* CreateInstance() const override { return new ProbeWidget(m_log); }
    bool OnPointerDown(i32, i32 x, i32 y) override { Log("down", x, y); return handles; }
    bool OnPointerMove(i32, i32 x, i32 y) override { Log("move", x, y); return handles; }
    bool OnPointerUp(i32, i32 x, i32 y) override { Log("up", x, y); return handles; }
    bool OnKeyEvent(i32 key) override { Log("key", key, 0); return handles; }
    void OnFocusGained(CWidget* prev) override { LogFocus("gained", prev); }
    void OnFocusLost(CWidget* next) override { LogFocus("lost", next); }
    void OnChildAdded(CWidget* c) override { LogName("added", c); }
    void OnChildRemoved(CWidget* c) override { LogName("removed", c); }
    void OnRectChanged(const CKetrelRect&, const CKetrelRect&) override { LogName("rect", this); }
    void OnChildChanged(CWidget* c, const CKetrelRect&) override { LogName("childchanged", c); }
    int DrawSelf(IKetrelGraphicsContext* gc, const CKetrelRect& area) override;
    int UpdateSelf(f32) override { LogName("update", this); return updateResult; }
    bool handles = true;
    int updateResult = 1;

private:
    void Log(const char* what, i32 a, i32 b);
    void LogFocus(const char* what, CWidget* other);
    void LogName(const char* what, CWidget* other);
    std::vector<std::string>* m_log;
};

// A widget of (l, t, r, b) named name under parent (may be null); visible, enabled.
template <class W = CWidget>
W* Make(CWidget* parent, const char* name, i32 l, i32 t, i32 r, i32 b)
{
    W* w = new W();
    w->Init(nullptr, nullptr, CKetrelRect(l, t, r, b));
    w->SetName(CKetrelString(name));
    if (parent)
        parent->AddChild(w);
    return w;
}

ProbeWidget* Probe(std::vector<std::string>* log, CWidget* parent, const char* name, i32 l, i32 t,
                   i32 r, i32 b);

inline void Free(CWidget* root) { CWidget::Destroy(root); }
}  // namespace uitest
