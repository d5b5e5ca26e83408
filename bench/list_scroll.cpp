// Scrolling an infinite list of 10,000 rows by one screen per frame, drawn through
// the OpenGL ES 2.0 renderer on a private X server: the list (recycling its window
// of rows, laying them out, culling and drawing them) against drawing the same
// visible rows directly with the renderer's blits at the same scroll positions.
// Each row is a stretched panel image with an icon image on it.
#include "BenchWindow.h"
#include "engine/KetrelApplication.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelGraphicsExt_GLES2.h"
#include "engine/graphics/KetrelSurface.h"
#include "ui/ImageWidget.h"
#include "ui/InfiniteList.h"

#include <GLES2/gl2.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <map>
#include <sys/wait.h>
#include <vector>

using bench::NowUs;
using bench::StartXvfb;

namespace
{
const int kItems = 10000;
const int kRowHeight = 60;
const int kFramesPerRound = 150;   // down, then as many back up
const int kRounds = 7;

// Shares the two images between every row, as the framework's manager does.
class Resources : public IUIResourceManager
{
public:
    CKetrelSurface* GetImage(const CKetrelString&, u32) override { return nullptr; }
    void RegisterImage(const CKetrelString&, CKetrelSurface* image) override { refs[image] = 1; }
    int AddRefImage(CKetrelSurface* image) override
    {
        if (!image)
            return 1;
        auto it = refs.find(image);
        if (it == refs.end())
            return 0;
        ++it->second;
        return 1;
    }
    int ReleaseImage(CKetrelSurface** slot) override
    {
        if (!*slot)
            return 1;
        auto it = refs.find(*slot);
        if (it == refs.end())
            return 0;
        --it->second;   // kept until the end of the run
        return 1;
    }
    IKetrelSoundSource* GetSound(const CKetrelString&, u32, u32) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource**) override { return 0; }
    CKetrelBitmapFont* GetFont(const CKetrelString&) override { return nullptr; }
    int AddRefFont(CKetrelBitmapFont*) override { return 0; }
    int ReleaseFont(CKetrelBitmapFont**) override { return 0; }
    CKetrel3DProgram* FindShaderProgram(const CKetrelString&) override { return nullptr; }
    void RegisterShaderProgram(const CKetrelString&, CKetrel3DProgram*) override {}
    int ReleaseShaderProgram(CKetrel3DProgram**) override { return 0; }
    i32 ReadResource(const CKetrelString&, u8** data) override { *data = nullptr; return 0; }
    std::map<CKetrelSurface*, int> refs;
};

CKetrelSurface* MakeImage(IKetrelApplication* owner, i32 w, i32 h, u32 rgb)
{
    CKetrelSurface* s = new CKetrelSurface();
    CKetrelSurfaceDesc desc = {};
    desc.width = w;
    desc.height = h;
    desc.pixelFormat = KE_PF_ABGR8888;
    if (s->Create(owner, &desc) != KE_OK)
        return nullptr;
    for (i32 y = 0; y < h; ++y)
        for (i32 x = 0; x < w; ++x)
            s->SetPixel(x, y, 0xFF000000u | (rgb + (u32)((x + y) & 7) * 0x080808));
    s->CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 0);
    return s;
}

}  // namespace

int main()
{
    pid_t server = StartXvfb();
    if (server < 0)
    {
        fprintf(stderr, "Xvfb could not be started\n");
        return 1;
    }
    int result = 0;
    {
        bench::BenchApplication app;
        CKetrelGraphicsExt_GLES2* gl = bench::OpenWindow(app);
        if (!gl)
        {
            fprintf(stderr, "OpenGL ES 2.0 could not be set up on the private X server\n");
            bench::StopXvfb(server);
            return 1;
        }
        const i32 W = gl->GetWidth(), H = gl->GetHeight();
        Resources resources;
        CKetrelSurface* panel = MakeImage(&app, 32, 8, 0x303840);
        CKetrelSurface* icon = MakeImage(&app, 16, 16, 0x806020);
        resources.RegisterImage(CKetrelString(), panel);
        resources.RegisterImage(CKetrelString(), icon);

        CWidget* root = new CWidget();
        root->Init(nullptr, &resources, CKetrelRect(0, 0, W, H));
        CInfiniteList* list = new CInfiniteList();
        list->Init(nullptr, &resources, CKetrelRect(0, 0, W, H));
        root->AddChild(list);
        list->SetPageSize(0);
        CWidget* shell = new CWidget();
        shell->Init(nullptr, &resources, CKetrelRect(0, 0, W, kRowHeight));
        shell->SetName(CKetrelString("item_template"));
        CImageWidget* row = new CImageWidget();
        row->Init(nullptr, &resources, CKetrelRect(0, 0, W, kRowHeight));
        row->SetImage(panel);
        CImageWidget* badge = new CImageWidget();
        badge->Init(nullptr, &resources, CKetrelRect(10, 10, 50, 50));
        badge->SetImage(icon);
        row->AddChild(badge);
        shell->AddChild(row);
        list->AddChild(shell);
        root->Update(0.0f);
        list->SetItemCount(kItems);
        root->Update(0.0f);

        // Scroll positions of one round: a screen per frame down, then back up.
        std::vector<i32> positions;
        for (int f = 0; f < kFramesPerRound; ++f)
            positions.push_back(f * H);
        for (int f = kFramesPerRound - 1; f >= 0; --f)
            positions.push_back(f * H);

        auto oursRound = [&]() {
            const double start = NowUs();
            for (i32 target : positions)
            {
                // The list's own scroll runs in its window; move it by the difference.
                const i32 shown = list->GetRowsAbove() * kRowHeight + list->GetScrollY();
                list->ScrollTo(0, list->GetScrollY() + (target - shown), 0.0f);
                root->Update(1.0f / 60.0f);
                gl->FillRect(0xFF101820u, nullptr);
                root->Render(gl);
                gl->Present();
            }
            glFinish();
            return (double)positions.size() * 1e6 / (NowUs() - start);
        };
        auto bareRound = [&]() {
            const double start = NowUs();
            for (i32 target : positions)
            {
                gl->FillRect(0xFF101820u, nullptr);
                const i32 first = target / kRowHeight;
                for (i32 r = first; r < kItems && r * kRowHeight - target <= H; ++r)
                {
                    const i32 y = r * kRowHeight - target;
                    CKetrelRect d(0, y, W, y + kRowHeight);
                    gl->StretchBlit(&d, panel, nullptr, KE_BLT_ALPHA);
                    CKetrelRect b(10, y + 10, 50, y + 50);
                    gl->StretchBlit(&b, icon, nullptr, KE_BLT_ALPHA);
                }
                gl->Present();
            }
            glFinish();
            return (double)positions.size() * 1e6 / (NowUs() - start);
        };

        oursRound();
        bareRound();
        std::vector<double> ours, bare;
        for (int r = 0; r < kRounds; ++r)
        {
            ours.push_back(oursRound());
            bare.push_back(bareRound());
        }
        const double o = bench::Median(ours), b = bench::Median(bare);
        printf("%-52s %12s %12s\n", "10,000-row list, one screen per frame, 800x480", "list", "direct");
        printf("%-52s %12.1f %12.1f\n", "frames per second (median of 7 rounds)", o, b);
        printf("%-52s %12d\n", "rows alive in the list", list->GetLoadedRowCount());
        printf("BENCH list_scroll ratio=%.3f\n", o / b);

        CWidget::Destroy(root);
        panel->Release();
        delete panel;
        icon->Release();
        delete icon;
        app.Close();
    }
    bench::StopXvfb(server);
    return result;
}
