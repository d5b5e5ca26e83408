// UI document loading: parsing and building a 1,500-element layout (the toolkit's
// XML tree, then the widgets with their placement, events and page views) against
// expat parsing the same text alone.
#include "BenchSupport.h"
#include "engine/KetrelResult.h"
#include "ui/UIActionMap.h"
#include "ui/UIServices.h"
#include "ui/UITimedSequence.h"
#include "ui/UIXMLLoader.h"
#include "ui/Widget.h"

#include <cstdio>
#include <expat.h>
#include <string>
#include <vector>

using bench::BestSeconds;

namespace
{
class NoResources : public IUIResourceManager
{
public:
    CKetrelSurface* GetImage(const CKetrelString&, u32) override { return nullptr; }
    void RegisterImage(const CKetrelString&, CKetrelSurface*) override {}
    int AddRefImage(CKetrelSurface*) override { return 1; }
    int ReleaseImage(CKetrelSurface**) override { return 1; }
    IKetrelSoundSource* GetSound(const CKetrelString&, u32, u32) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource**) override { return 1; }
    CKetrelBitmapFont* GetFont(const CKetrelString&) override { return nullptr; }
    int AddRefFont(CKetrelBitmapFont*) override { return 1; }
    int ReleaseFont(CKetrelBitmapFont**) override { return 1; }
    CKetrel3DProgram* FindShaderProgram(const CKetrelString&) override { return nullptr; }
    void RegisterShaderProgram(const CKetrelString&, CKetrel3DProgram*) override {}
    int ReleaseShaderProgram(CKetrel3DProgram**) override { return 1; }
    i32 ReadResource(const CKetrelString&, u8** data) override
    {
        *data = nullptr;
        return 0;
    }
};

class App : public IUIApplication
{
public:
    IUIDevice* GetDevice() override { return nullptr; }
    IUITheme* GetTheme() override { return nullptr; }
    IUILanguage* GetLanguage() override { return nullptr; }
    IUIResourceManager* GetUIResources() override { return &resources; }
    IKetrelGraphicsContext* GetUIGraphicsContext() override { return nullptr; }
    i32 GetGameId() override { return 0; }
    i32 GetReleaseId() override { return 0; }
    CKetrelString GetResellerId() override { return CKetrelString(); }
    CKetrelString GetSessionToken() override { return CKetrelString(); }
    CKetrelString GetApplicationCheck() override { return CKetrelString(); }
    NoResources resources;
};

int Nothing(void*, void*) { return 1; }

// 30 pages of 50 widgets each under one page view: 1,501 elements, written the way
// our layouts are (placement children, flags, events, nested anchors, buttons).
std::string MakeDocument(int* elements)
{
    std::string s = "<area name='menu_root' width='800' height='480'>\n"
                    "<actions><action name='open'><trigger time='0' action='go'/></action></actions>\n"
                    "<element name='menu' type='page_layout'><size w='1' h='1'/><history max-size='8'/>"
                    "<transition type='in' direction='right' duration='0.3'/>\n";
    int n = 1;
    for (int p = 0; p < 30; ++p)
    {
        s += "<element name='page" + std::to_string(p) + "'><size w='1' h='1'/>\n";
        ++n;
        for (int i = 0; i < 16; ++i)
        {
            const std::string id = std::to_string(p) + "_" + std::to_string(i);
            s += "  <element name='row" + id + "' type='anchor_layout' vertical='center' horizontal='left'>"
                 "<size w='0.9' h='0.05'/><position x='0.05' y='" + std::to_string(0.06 * i) + "'/>"
                 "<border-size width='0.01' height='0.005'/>\n"
                 "    <element name='label" + id + "'><size w='0.5' h='0.05'/><align v='left' h='middle'/>"
                 "<flags enabled='1' transparent='1'/></element>\n"
                 "    <element name='go" + id + "' type='button'><size w='0.2' h='0.05'/>"
                 "<align v='right'/><image path='button_face'/><hitarea size='1.2'/>"
                 "<events><onclick action='go'/><onshow action='open'/></events></element>\n"
                 "  </element>\n";
            n += 3;
        }
        s += "  <element name='footer" + std::to_string(p) + "'><size w='1' h='0.04'/>"
             "<align h='bottom'/><flags visible='0'/></element>\n</element>\n";
        ++n;
    }
    s += "</element></area>\n";
    *elements = n;
    return s;
}

void XMLCALL OnStart(void* data, const XML_Char*, const XML_Char**) { ++*static_cast<long*>(data); }
void XMLCALL OnEnd(void*, const XML_Char*) {}
}  // namespace

int main()
{
    int elements = 0;
    const std::string doc = MakeDocument(&elements);
    App app;
    CUITimedSequenceList sequences;
    CUIActionMap actions;
    actions.SetSequenceList(&sequences);
    actions.Register(CKetrelString("go"), MakeUIActionCallback(&Nothing, nullptr), true);

    long built = 0;
    const double ours = BestSeconds(15, [&] {
        CWidget* root = new CWidget();
        root->Init(&app, &app.resources, CKetrelRect(0, 0, 800, 480));
        CUIXMLLoader loader;
        loader.Init(&app, &actions, nullptr, root, nullptr, nullptr);
        if (loader.LoadFromMemory(doc.data(), (i32)doc.size()) == KE_OK)
            loader.LoadDocument(loader.GetRootElement());
        root->Broadcast();
        loader.Unload();
        built = 0;
        std::vector<CWidget*> stack{root};
        while (!stack.empty())
        {
            CWidget* w = stack.back();
            stack.pop_back();
            ++built;
            for (i32 i = 0; i < w->GetChildCount(); ++i)
                stack.push_back(w->GetChild(i));
        }
        CWidget::Destroy(root);
        sequences.DeleteAll();
    });
    long parsed = 0;
    const double expat = BestSeconds(15, [&] {
        parsed = 0;
        XML_Parser parser = XML_ParserCreate(nullptr);
        XML_SetUserData(parser, &parsed);
        XML_SetElementHandler(parser, OnStart, OnEnd);
        if (XML_Parse(parser, doc.data(), (int)doc.size(), 1) != XML_STATUS_OK)
            std::fprintf(stderr, "expat: %s\n", XML_ErrorString(XML_GetErrorCode(parser)));
        XML_ParserFree(parser);
    });
    std::printf("ui_load: %d elements (%zu bytes) built into %ld widgets in %.2f ms; expat parse "
                "alone %.2f ms (%ld elements)\n",
                elements, doc.size(), built - 1, ours * 1e3, expat * 1e3, parsed);
    std::printf("BENCH ui_load ratio=%.4f\n", expat / ours);
    return 0;
}
