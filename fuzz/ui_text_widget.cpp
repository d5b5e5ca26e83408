// fuzz/ui_text_widget.cpp: a text widget with arbitrary texts (colour markup
// welcome), sizes, flags and modes, edited through dispatched taps and characters,
// updated and drawn into a software surface with the built-in font.
// Input: 6 header bytes (width, height, flags, modes, colour, language index), then
// operations: an opcode byte and its operands; texts run to the next 0 byte.
#include "engine/KetrelApplication.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "engine/graphics/KetrelSurface.h"
#include "ui/TextWidget.h"
#include "ui/UIServices.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{
class FuzzApplication : public IKetrelApplication
{
public:
    void OnFrame() override {}
};

class Language : public IUILanguage
{
public:
    CKetrelString GetText(i32 index) override
    {
        return index == 3 ? CKetrelString("$COLOR=0xFF00FF00green $COLOR=0x12") : CKetrelString("X-X");
    }
    CKetrelString GetCode() override { return CKetrelString("en"); }
    u32 GetTextFlags() override { return flags; }
    u32 flags = 0;
};

class App : public IUIApplication
{
public:
    IUIDevice* GetDevice() override { return nullptr; }
    IUITheme* GetTheme() override { return nullptr; }
    IUILanguage* GetLanguage() override { return &language; }
    IUIResourceManager* GetUIResources() override { return nullptr; }
    IKetrelGraphicsContext* GetUIGraphicsContext() override { return nullptr; }
    i32 GetGameId() override { return 0; }
    i32 GetReleaseId() override { return 0; }
    CKetrelString GetResellerId() override { return CKetrelString(); }
    CKetrelString GetSessionToken() override { return CKetrelString(); }
    CKetrelString GetApplicationCheck() override { return CKetrelString(); }
    Language language;
};

FuzzApplication* g_owner = nullptr;
CKetrelBitmapFont* g_font = nullptr;

// Knows the one font, which it keeps for the whole run.
class Resources : public IUIResourceManager
{
public:
    CKetrelSurface* GetImage(const CKetrelString&, u32) override { return nullptr; }
    void RegisterImage(const CKetrelString&, CKetrelSurface*) override {}
    int AddRefImage(CKetrelSurface*) override { return 0; }
    int ReleaseImage(CKetrelSurface**) override { return 0; }
    IKetrelSoundSource* GetSound(const CKetrelString&, u32, u32) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource**) override { return 0; }
    CKetrelBitmapFont* GetFont(const CKetrelString&) override { return g_font; }
    int AddRefFont(CKetrelBitmapFont* f) override { return (!f || f == g_font) ? 1 : 0; }
    int ReleaseFont(CKetrelBitmapFont** f) override { return (!*f || *f == g_font) ? 1 : 0; }
    CKetrel3DProgram* FindShaderProgram(const CKetrelString&) override { return nullptr; }
    void RegisterShaderProgram(const CKetrelString&, CKetrel3DProgram*) override {}
    int ReleaseShaderProgram(CKetrel3DProgram**) override { return 0; }
    i32 ReadResource(const CKetrelString&, u8** d) override { *d = nullptr; return 0; }
};
CKetrelSurface* g_target = nullptr;

const u32 kFlagChoices[8] = {0, KE_TEXT_MULTILINE, KE_TEXT_CENTER_X | KE_TEXT_CENTER_Y,
                             KE_TEXT_RIGHT, KE_TEXT_RIGHT | KE_TEXT_MULTILINE,
                             KE_TEXT_CENTER_Y, KE_TEXT_NO_MARKUP, KE_TEXT_MULTILINE | KE_TEXT_CENTER_X};

struct Reader
{
    const uint8_t* p;
    size_t n;
    u8 Byte() { return n ? (--n, *p++) : 0; }
    CKetrelString Text()
    {
        CKetrelString s;
        while (n && *p && s.GetLength() < 512)
            s.Append((u16)Byte());
        Byte();
        return s;
    }
};
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    unsetenv("DISPLAY");   // software drawing only
    g_owner = new FuzzApplication();
    g_font = new CKetrelBitmapFont();
    if (g_font->CreateDefault(g_owner) != KE_OK)
        abort();
    g_target = new CKetrelSurface();
    CKetrelSurfaceDesc desc = {};
    desc.width = 96;
    desc.height = 48;
    desc.pixelFormat = KE_PF_ABGR8888;
    if (g_target->Create(nullptr, &desc) != KE_OK)
        abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 8192)
        return 0;
    Reader in{data, size};
    App app;
    const i32 w = (i32)(int8_t)in.Byte() * 2, h = (i32)(int8_t)in.Byte();
    const u8 flags = in.Byte(), modes = in.Byte(), colour = in.Byte(), language = in.Byte();
    app.language.flags = (language & 0x80) ? KE_TEXT_RIGHT : 0;

    Resources resources;
    CWidget root;
    root.Init(&app, &resources, CKetrelRect(0, 0, 96, 48));
    CTextWidget* text = new CTextWidget();
    text->InitWithFont(&app, &resources, CKetrelRect(4, 4, 4 + w, 4 + h), g_font);
    root.AddChild(text);
    text->SetTextFlags(kFlagChoices[flags & 7] | ((flags & 8) ? KE_TEXT_MULTILINE : 0));
    text->SetPassword((modes & 1) != 0);
    text->SetEditable((modes & 2) != 0, (modes & 4) ? CTextWidget::MaxPasswordLength : CTextWidget::MaxInputLength);
    text->SetColorMarkup((modes & 8) != 0);
    text->SetColor(0xFF000000u | colour * 0x010101u);
    text->SetDisplayColor((u32)colour << 24 | 0x00FF8040u);
    if (language & 1)
        text->SetTextId(language >> 1);

    int ops = 0;
    while (in.n && ops++ < 64)
    {
        switch (in.Byte() % 9)
        {
        case 0: text->SetText(in.Text()); break;
        case 1: text->SetDisplayText(in.Text()); break;
        case 2:
        {
            const i32 x = (int8_t)in.Byte(), y = (int8_t)in.Byte();
            root.DispatchPointerDown(0, x, y);
            root.DispatchPointerUp(0, x, y);
            break;
        }
        case 3:
        {
            CKetrelString s = in.Text();
            for (i32 i = 0; i < s.GetLength(); ++i)
                root.DispatchTextInput(s.GetAt(i));
            break;
        }
        case 4: root.Update((f32)in.Byte() / 64.0f); break;
        case 5:
            g_target->FillRect(0, nullptr);
            root.Render(g_target);
            break;
        case 6: text->SetRect(CKetrelRect(4, 4, 4 + (int8_t)in.Byte() * 3, 4 + (int8_t)in.Byte())); break;
        case 7: text->SetPassword((in.Byte() & 1) != 0); break;
        default: text->SetEditable((in.Byte() & 1) != 0, in.Byte()); break;
        }
    }
    CWidget::SetCapture(nullptr);
    root.Close();
    return 0;
}
