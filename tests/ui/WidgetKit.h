#pragma once
// Test kit for the widget kinds: a drawing recorder that keeps colours, flags and
// source rectangles; a resource manager that counts references the way the real one
// does; an application with a theme and a language; a window on the shared private X
// server drawing through the OpenGL ES 2.0 renderer, with pixel read-back.
// gtest before Xlib: Xlib's macros would break gtest's headers.
#include <gtest/gtest.h>

#include "UITestDoubles.h"
#include "engine/KetrelApplication.h"
#include "engine/graphics/KetrelGraphicsExt_GLES2.h"
#include "engine/graphics/KetrelSurface.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kit
{
struct Call
{
    std::string op;
    CKetrelRect dest;
    CKetrelRect src;
    bool hasSrc = false;
    u32 colour = 0;
    u32 flags = 0;
    CKetrelRect clip;
};

class Recorder : public uitest::RecordingContext
{
public:
    Recorder(i32 w = 800, i32 h = 480) : RecordingContext(w, h) {}
    int Blit(i32 x, i32 y, IKetrelGraphicsContext*, const CKetrelRect* s, u32 f) override
    { return Put("Blit", CKetrelRect(x, y, x, y), s, 0, f); }
    int StretchBlit(const CKetrelRect* d, IKetrelGraphicsContext*, const CKetrelRect* s, u32 f) override
    { return Put("StretchBlit", d ? *d : CKetrelRect(), s, 0, f); }
    int StretchBlitTinted(const CKetrelRect* d, IKetrelGraphicsContext*, const CKetrelRect* s, u32 c, u32 f) override
    { return Put("StretchBlitTinted", d ? *d : CKetrelRect(), s, c, f); }
    int FillGradient(u32 a, u32 b, u32 c, u32, const CKetrelRect* d) override
    { return Put(a == b ? "FillGradientV" : (b == c ? "FillGradientH" : "FillGradient"), d ? *d : CKetrelRect(), nullptr, a, c); }
    int BlitRotated(i32 x, i32 y, IKetrelGraphicsContext*, f32, i32 r, u32 f) override
    { return Put("BlitRotated", CKetrelRect(x, y, x + r, y + r), nullptr, 0, f); }
    std::vector<Call> log;
    // Calls of that name.
    std::vector<Call> Of(const char* op) const;

private:
    int Put(const char* op, const CKetrelRect& d, const CKetrelRect* s, u32 c, u32 f);
};

// Images, fonts and programs counted like the framework's manager: registered or
// loaded things are shared and freed at their last release; unknown ones are left
// to their holder (release returns 0).
class CountingResources : public IUIResourceManager
{
public:
    ~CountingResources() override;
    CKetrelSurface* GetImage(const CKetrelString& name, u32 flags) override;
    void RegisterImage(const CKetrelString& name, CKetrelSurface* image) override;
    int AddRefImage(CKetrelSurface* image) override;
    int ReleaseImage(CKetrelSurface** slot) override;
    IKetrelSoundSource* GetSound(const CKetrelString&, u32, u32) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource**) override { return 0; }
    CKetrelBitmapFont* GetFont(const CKetrelString& name) override;
    int AddRefFont(CKetrelBitmapFont* font) override;
    int ReleaseFont(CKetrelBitmapFont** slot) override;
    CKetrel3DProgram* FindShaderProgram(const CKetrelString& name) override;
    void RegisterShaderProgram(const CKetrelString& name, CKetrel3DProgram* program) override;
    // Counted like the framework's manager: finding takes a reference, registering
    // sets it to 1, and the last release deletes the program.
    int ReleaseShaderProgram(CKetrel3DProgram** slot) override;
    i32 ReadResource(const CKetrelString&, u8** data) override { *data = nullptr; return 0; }

    // Registers image under name (one reference, the manager's own).
    CKetrelSurface* Add(const std::string& name, CKetrelSurface* image);
    void AddFont(const std::string& name, CKetrelBitmapFont* font);
    int Refs(const CKetrelSurface* image) const;
    int FontRefs(const CKetrelBitmapFont* font) const;
    // Drops the manager's own reference of every image (as a manager unloading).
    void Unload();

    std::map<std::string, CKetrelSurface*> names;
    std::map<const CKetrelSurface*, int> refs;
    std::map<std::string, CKetrelBitmapFont*> fontNames;
    std::map<const CKetrelBitmapFont*, int> fontRefs;
    std::map<std::string, CKetrel3DProgram*> programs;
    std::map<const CKetrel3DProgram*, int> programRefs;
};

class Theme : public IUITheme
{
public:
    bool FindColor(const CKetrelString& name, u32* colour) override;
    void AddColor(const CKetrelString& id, u32 colour) override { colours[uitest::Narrow(id)] = colour; }
    void GetXMLFileName(CKetrelString* out) override { *out = "theme_test.xml"; }
    std::map<std::string, u32> colours;
};

class Language : public IUILanguage
{
public:
    CKetrelString GetText(i32 index) override;
    CKetrelString GetCode() override { return CKetrelString("en"); }
    u32 GetTextFlags() override { return 0; }
    std::vector<std::string> texts;
};

class App : public IUIApplication
{
public:
    IUIDevice* GetDevice() override { return &device; }
    IUITheme* GetTheme() override { return &theme; }
    IUILanguage* GetLanguage() override { return &language; }
    IUIResourceManager* GetUIResources() override { return &resources; }
    IKetrelGraphicsContext* GetUIGraphicsContext() override { return gc ? gc : &recorder; }
    i32 GetGameId() override { return 42; }
    i32 GetReleaseId() override { return 7; }
    CKetrelString GetResellerId() override { return CKetrelString("shop"); }
    CKetrelString GetSessionToken() override { return CKetrelString("tok"); }
    CKetrelString GetApplicationCheck() override { return CKetrelString("0af3"); }

    uitest::FakeDevice device;
    Theme theme;
    Language language;
    CountingResources resources;
    Recorder recorder;
    IKetrelGraphicsContext* gc = nullptr;
};

// A format-7 image of w x h with every pixel given by pixel(x, y) as 0xAARRGGBB
// (premultiplied by the caller); with texture a GL texture too (needs a window).
CKetrelSurface* MakeImage(i32 w, i32 h, const std::function<u32(i32, i32)>& pixel, bool texture = false);
inline CKetrelSurface* Solid(i32 w, i32 h, u32 colour, bool texture = false)
{ return MakeImage(w, h, [colour](i32, i32) { return colour; }, texture); }

// Widget of class W, initialised with app's services, named, under parent.
template <class W>
W* New(App& app, CWidget* parent, const char* name, i32 l, i32 t, i32 r, i32 b)
{
    W* w = new W();
    w->Init(&app, &app.resources, CKetrelRect(l, t, r, b));
    w->SetName(CKetrelString(name));
    if (parent)
        parent->AddChild(w);
    return w;
}

class WindowApp : public IKetrelApplication
{
public:
    void OnFrame() override {}
};

// A window on the test program's private X server drawing through the OpenGL ES
// 2.0 renderer. Open is false (reason in skipReason) without X or GL.
struct Window
{
    std::unique_ptr<WindowApp> app;
    CKetrelGraphicsExt_GLES2* gl = nullptr;
    i32 width = 0, height = 0;
    const char* skipReason = "";
    bool Open(i32 w, i32 h);
    void Close();
    ~Window() { Close(); }
    // Clears to colour (0xRRGGBB) with no clip.
    void Clear(u32 colour);
    // 0xRRGGBB read back at (x, y), top-left origin.
    u32 Read(i32 x, i32 y) const;
    // Writes what was drawn to a PNG (for a person to look at).
    bool SavePNG(const std::string& path) const;
};

// Channels within tolerance of each other.
bool Near(u32 a, u32 b, i32 tolerance = 12);
std::string Hex(u32 v);
}  // namespace kit
