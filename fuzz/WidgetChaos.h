#pragma once
// Random widget trees whose own handlers and callbacks change the tree while it is
// being dispatched to, updated and drawn: they add, move, remove, hide, disable,
// clone, close and destroy widgets, take and drop the capture. Driven by a byte
// stream (fuzzer input or a seeded generator). After every top-level event the
// tree's invariants are checked: no focus or capture reference outlives or leaves
// the subtree it belongs to, nesting stays within the cap. Memory faults are left to
// the sanitizers.
#include "engine/KetrelResult.h"
#include "ui/Widget.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace widgetchaos
{
class Driver;

class ChaosWidget : public CWidget
{
public:
    explicit ChaosWidget(Driver* d);
    ~ChaosWidget() override;
    CWidget* CreateInstance() const override { return new ChaosWidget(m_driver); }
    bool OnPointerDown(i32, i32, i32) override;
    bool OnPointerMove(i32, i32, i32) override;
    bool OnPointerUp(i32, i32, i32) override;
    bool OnKeyEvent(i32) override;
    void OnFocusGained(CWidget*) override;
    void OnFocusLost(CWidget*) override;
    int UpdateSelf(f32) override;
    int DrawSelf(IKetrelGraphicsContext*, const CKetrelRect&) override;

private:
    Driver* m_driver;
};

class Driver
{
public:
    Driver(const u8* data, size_t size) : m_data(data), m_size(size), m_pos(0), m_root(nullptr) {}

    ~Driver()
    {
        // Every parentless widget left is the root of a subtree someone owns.
        for (;;)
        {
            CWidget* orphan = nullptr;
            for (ChaosWidget* w : alive)
                if (!w->GetParent())
                {
                    orphan = w;
                    break;
                }
            if (!orphan)
                break;
            CWidget::Destroy(orphan);
        }
        CWidget::SetCapture(nullptr);
    }

    bool More() const { return m_pos < m_size; }
    u8 Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }

    ChaosWidget* Make()
    {
        ChaosWidget* w = new ChaosWidget(this);
        const i32 l = Byte() % 100, t = Byte() % 100;
        w->Init(nullptr, nullptr, CKetrelRect(l, t, l + 1 + Byte() % 100, t + 1 + Byte() % 100));
        static const char* const names[] = {"a", "b", "c", "page_root", "item_template"};
        w->SetName(CKetrelString(names[Byte() % 5]));
        if (Byte() % 4 == 0)
        {
            w->SetOnHide(MakeUIActionCallback(&Driver::Callback, this));
            w->SetOnShow(MakeUIActionCallback(&Driver::Callback, this));
            w->SetOnShutdown(MakeUIActionCallback(&Driver::Callback, this));
        }
        return w;
    }

    // Clones double a subtree: without a cap a few hundred bytes make millions of widgets.
    bool Full() const { return alive.size() > 400; }

    ChaosWidget* Pick()
    {
        if (alive.empty())
            return nullptr;
        return alive[Byte() % alive.size()];
    }

    static int Callback(void*, void* context)
    {
        static_cast<Driver*>(context)->Act();
        return 1;
    }

    // One change to the tree, chosen by the next bytes; often nothing.
    void Act()
    {
        if (++m_actDepth > 8 || !More())
        {
            --m_actDepth;
            return;
        }
        ChaosWidget* t = Pick();
        if (t)
        {
            switch (Byte() % 20)
            {
            case 0: { if (Full()) break; ChaosWidget* n = Make(); if (!t->AddChild(n)) CWidget::Destroy(n); break; }
            case 1: if (t->GetParent()) t->GetParent()->RemoveChild(t); break;
            case 2: CWidget::Destroy(t); break;
            case 3: t->SetVisible(!t->IsVisible()); break;
            case 4: t->SetEnabled(!t->IsEnabled()); break;
            case 5: CWidget::SetCapture(t); break;
            case 6: t->ReleaseCapture(); break;
            case 7: { if (Full()) break; CWidget* c = t->Clone(); CWidget* to = Pick(); if (c && (!to || !to->AddChild(c))) CWidget::Destroy(c); break; }
            case 8: { ChaosWidget* o = Pick(); if (o) t->AddChild(o); break; }
            case 9: { ChaosWidget* o = Pick(); if (o) t->InsertChild(o, (i32)(Byte() % 5) - 1); break; }
            case 10: { CWidget* tmp = t->TakeTemplate(CKetrelString("item_template")); CWidget::Destroy(tmp); break; }
            case 11: { CWidget* c = t->GetChild(Byte() % 4); if (c) t->DeleteChild(c); break; }
            case 12: t->Close(); break;
            case 13: t->SetTransparent(!t->IsTransparent()); break;
            case 14: t->SetInterceptInput(!t->IsInterceptingInput()); break;
            case 15: t->RemoveChildByName(CKetrelString("b")); break;
            case 16: t->CancelPointer(); break;
            case 17: { CWidget* c = t->GetChild(0); if (c) CWidget::Destroy(c->GetTopmost()); break; }
            default: break;
            }
        }
        --m_actDepth;
    }

    // One top-level event on the current root.
    void Step(IKetrelGraphicsContext* gc)
    {
        if (!m_root || std::find(alive.begin(), alive.end(), m_root) == alive.end())
            m_root = Make();
        CWidget* root = m_root->GetTopmost();
        const i32 x = Byte() % 220 - 10, y = Byte() % 220 - 10;
        switch (Byte() % 10)
        {
        case 0: case 1: root->DispatchPointerDown(0, x, y); break;
        case 2: root->DispatchPointerMove(0, x, y); break;
        case 3: root->DispatchPointerUp(0, x, y); break;
        case 4: root->DispatchKeyEvent(x); break;
        case 5: root->Update(0.016f); break;
        case 6: root->Render(gc); break;
        case 7: root->CancelPointer(); break;
        case 8: Act(); break;
        default: { if (Full()) break; ChaosWidget* n = Make(); if (!root->AddChild(n)) CWidget::Destroy(n); break; }
        }
        Check();
    }

    void Check() const
    {
        if (CWidgetWalkGuard::GetDepth() != 0 || CWidgetWalkGuard::GetPendingCount() != 0)
            Fail("a walk was left open");
        CWidget* capture = CWidget::GetCapture();
        if (capture && std::find(alive.begin(), alive.end(), capture) == alive.end())
            Fail("the capture points at a deleted widget");
        for (ChaosWidget* w : alive)
        {
            CWidget* f = w->GetFocusChild();
            if (f && (f == w || !f->IsWithin(w)))
                Fail("a focus child outside its subtree");
            if (w->GetDepth() > CWidget::MaxDepth)
                Fail("nesting past the cap");
        }
    }

    static void Fail(const char* what)
    {
        fprintf(stderr, "widget chaos: %s\n", what);
        abort();
    }

    std::vector<ChaosWidget*> alive;

private:
    const u8* m_data;
    size_t m_size;
    size_t m_pos;
    ChaosWidget* m_root;
    int m_actDepth = 0;
};

inline ChaosWidget::ChaosWidget(Driver* d) : m_driver(d) { d->alive.push_back(this); }

inline ChaosWidget::~ChaosWidget()
{
    auto& v = m_driver->alive;
    v.erase(std::find(v.begin(), v.end(), this));
}

inline bool ChaosWidget::OnPointerDown(i32, i32, i32)
{
    m_driver->Act();
    return (m_driver->Byte() & 1) != 0;
}
inline bool ChaosWidget::OnPointerMove(i32, i32, i32) { m_driver->Act(); return true; }
inline bool ChaosWidget::OnPointerUp(i32, i32, i32) { m_driver->Act(); return true; }
inline bool ChaosWidget::OnKeyEvent(i32) { m_driver->Act(); return true; }
inline void ChaosWidget::OnFocusGained(CWidget*) { m_driver->Act(); }
inline void ChaosWidget::OnFocusLost(CWidget*) { m_driver->Act(); }
inline int ChaosWidget::UpdateSelf(f32) { m_driver->Act(); return KE_OK; }
inline int ChaosWidget::DrawSelf(IKetrelGraphicsContext*, const CKetrelRect&)
{
    m_driver->Act();
    return KE_OK;
}

// Runs the whole byte stream.
inline void Run(const u8* data, size_t size, IKetrelGraphicsContext* gc)
{
    Driver d(data, size);
    while (d.More())
        d.Step(gc);
}
}  // namespace widgetchaos
