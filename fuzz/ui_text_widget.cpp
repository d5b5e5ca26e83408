// fuzz/ui_text_widget.cpp: a text widget with arbitrary texts (colour markup
// welcome), sizes, flags and modes, edited through dispatched taps and characters,
// updated and drawn into a software surface with the built-in font.
// Input: 6 header bytes (width, height, flags, modes, colour, language index), then
// operations: an opcode byte and its operands; texts run to the next 0 byte.
#include "UIFuzzKit.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "engine/graphics/KetrelSurface.h"
#include "ui/TextWidget.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{
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

fuzzkit::FuzzApplication* g_owner = nullptr;
CKetrelBitmapFont* g_font = nullptr;

// Knows the one font, which it keeps for the whole run.
class Resources : public fuzzkit::NullResources
{
public:
    CKetrelBitmapFont* GetFont(const CKetrelString&) override { return g_font; }
    int AddRefFont(CKetrelBitmapFont* f) override { return (!f || f == g_font) ? 1 : 0; }
    int ReleaseFont(CKetrelBitmapFont** f) override { return (!*f || *f == g_font) ? 1 : 0; }
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
    g_owner = new fuzzkit::FuzzApplication();
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
    const i32 w = (i32)(int8_t)in.Byte() * 2, h = (i32)(int8_t)in.Byte();
    const u8 flags = in.Byte(), modes = in.Byte(), colour = in.Byte(), language = in.Byte();
    Language texts;
    texts.flags = (language & 0x80) ? (u32)KE_TEXT_RIGHT : 0u;
    fuzzkit::FuzzUI<Resources> app;
    app.language = &texts;
    app.gameId = 0;
    app.releaseId = 0;
    Resources& resources = app.resources;
    CWidget root;
    root.Init(&app, &resources, CKetrelRect(0, 0, 96, 48));
    CTextWidget* text = new CTextWidget();
    text->InitWithFont(&app, &resources, CKetrelRect(4, 4, 4 + w, 4 + h), g_font);
    root.AddChild(text);
    text->SetTextFlags(kFlagChoices[flags & 7] | ((flags & 8) ? (u32)KE_TEXT_MULTILINE : 0u));
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
