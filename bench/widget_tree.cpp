// Widget tree costs on a 3,000-widget tree.
//   widget_find: FindByPath("//name") and FindChild(name, -1) against a hash-map lookup
//                of the same names (the tree's searches are linear by design).
//   widget_walk: Update + Draw of the tree with a null graphics context against a flat
//                loop over the same rectangles (culling test and clip intersection).
#include "BenchSupport.h"
#include "ui/Widget.h"

#include <cstdio>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

using bench::BestSeconds;

namespace
{
struct Rect
{
    i32 l, t, r, b;
};

// 20 pages x 10 groups x 14 leaves + 20 + 200 + root = 3,021 widgets, named "w<n>".
CWidget* BuildTree(std::vector<CWidget*>& all)
{
    auto make = [&](CWidget* parent, i32 l, i32 t, i32 w, i32 h) {
        CWidget* x = new CWidget();
        x->Init(nullptr, nullptr, CKetrelRect(l, t, l + w, t + h));
        char name[16];
        snprintf(name, sizeof(name), "w%zu", all.size());
        x->SetName(CKetrelString(name));
        if (parent)
            parent->AddChild(x);
        all.push_back(x);
        return x;
    };
    CWidget* root = make(nullptr, 0, 0, 800, 480);
    for (int p = 0; p < 20; ++p)
    {
        CWidget* page = make(root, (p % 5) * 160, (p / 5) * 120, 160, 120);
        for (int g = 0; g < 10; ++g)
        {
            CWidget* group = make(page, (g % 2) * 80, (g / 2) * 24, 80, 24);
            for (int i = 0; i < 14; ++i)
                make(group, (i % 7) * 11, (i / 7) * 12, 10, 11);
        }
    }
    return root;
}
}  // namespace

int main()
{
    std::vector<CWidget*> all;
    CWidget* root = BuildTree(all);
    std::printf("widgets: %zu\n", all.size());

    // ---- find ----
    std::mt19937 rng(7);
    std::vector<std::string> names;
    std::vector<CKetrelString> keys, paths;
    for (int i = 0; i < 200; ++i)
    {
        const size_t n = rng() % all.size();
        names.push_back("w" + std::to_string(n));
        keys.push_back(CKetrelString(names.back().c_str()));
        paths.push_back(CKetrelString(("//" + names.back()).c_str()));
    }
    std::unordered_map<std::string, CWidget*> map;
    for (size_t i = 0; i < all.size(); ++i)
        map["w" + std::to_string(i)] = all[i];

    size_t found = 0;
    const double oursPath = BestSeconds(5, [&] {
        for (const CKetrelString& p : paths)
            found += root->FindByPath(p) != nullptr;
    });
    const double oursChild = BestSeconds(5, [&] {
        for (const CKetrelString& k : keys)
            found += root->FindChild(k, -1) != nullptr;
    });
    const double hash = BestSeconds(5, [&] {
        for (int rep = 0; rep < 1; ++rep)
            for (const std::string& n : names)
                found += map.find(n) != map.end();
    });
    const double ours = (oursPath + oursChild) / 2;
    std::printf("find: FindByPath %.2f us, FindChild %.2f us, hash map %.3f us per lookup (%zu)\n",
                oursPath * 1e6 / paths.size(), oursChild * 1e6 / keys.size(),
                hash * 1e6 / names.size(), found);
    std::printf("BENCH widget_find ratio=%.4f\n", hash / ours);

    // ---- walk ----
    std::vector<Rect> rects;
    std::vector<int> parentIndex;
    for (CWidget* w : all)
    {
        rects.push_back(Rect{w->GetRect().left, w->GetRect().top, w->GetRect().right,
                             w->GetRect().bottom});
        int pi = -1;
        for (size_t i = 0; i < all.size() && w->GetParent(); ++i)
            if (all[i] == w->GetParent())
                pi = (int)i;
        parentIndex.push_back(pi);
    }
    const int frames = 200;
    i64 sink = 0;
    const double walk = BestSeconds(9, [&] {
        for (int f = 0; f < frames; ++f)
        {
            root->Update(0.016f);
            root->Render(nullptr);
        }
    });
    // The flat loop does per widget what the walk must: absolute area from the parent's,
    // the culling test and the clip intersection, plus one pass for the update.
    std::vector<Rect> area(rects.size());
    const double flat = BestSeconds(9, [&] {
        for (int f = 0; f < frames; ++f)
        {
            for (size_t i = 0; i < rects.size(); ++i)
                sink += rects[i].l & 1;
            area[0] = rects[0];
            for (size_t i = 1; i < rects.size(); ++i)
            {
                const Rect& p = area[(size_t)parentIndex[i]];
                Rect a{p.l + rects[i].l, p.t + rects[i].t, p.l + rects[i].r, p.t + rects[i].b};
                if (a.r < p.l || a.l > p.r || a.b < p.t || a.t > p.b)
                    continue;
                Rect clip{a.l > p.l ? a.l : p.l, a.t > p.t ? a.t : p.t, a.r < p.r ? a.r : p.r,
                          a.b < p.b ? a.b : p.b};
                sink += clip.l + clip.b;
                area[i] = a;
            }
        }
    });
    std::printf("walk: tree %.1f ns, flat %.1f ns per widget per frame (%lld)\n",
                walk * 1e9 / (frames * (double)all.size()),
                flat * 1e9 / (frames * (double)all.size()), (long long)sink);
    std::printf("BENCH widget_walk ratio=%.3f\n", flat / walk);
    CWidget::Destroy(root);
    return 0;
}
