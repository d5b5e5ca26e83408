#pragma once
// ui/Expandable.h: a button whose rectangle moves between a list of sizes (states),
// at once (SetState) or growing along p^2 over the transition time (ExpandTo),
// firing "onbeginexpand" and "onendexpand" around each change. Its children always
// fill it and are drawn clipped to it. The first update applies state 0 at once.
#include "engine/KetrelArray.h"
#include "ui/Button.h"

class CExpandable : public CButton
{
public:
    CExpandable();

    static CExpandable* Cast(CWidget* w)
    { return WidgetCast<CExpandable>(w, CWidgetType::Expandable()); }
    const CWidgetType& GetType() const override { return CWidgetType::Expandable(); }
    // The nearest expandable above w (w itself excluded); null when none or w is null.
    static CExpandable* FindAncestor(CWidget* w)
    { return w ? Cast(w->FindAncestorOfType(CWidgetType::Expandable())) : nullptr; }

    int Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect) override;
    void Close() override;
    CWidget* CreateInstance() const override;
    int Draw(IKetrelGraphicsContext* gc, const CKetrelRect& area) override;
    void OnRectChanged(const CKetrelRect& old, const CKetrelRect& now) override;
    void OnChildAdded(CWidget* child) override;
    void OnChildRemoved(CWidget* child) override;
    int UpdateSelf(f32 dt) override;
    void CopyFrom(const CWidget* source) override;

    // Both lists replaced by copies.
    void SetStates(const CKetrelArray<i32>& widths, const CKetrelArray<i32>& heights);
    void SetTransitionTime(f32 seconds) { m_transitionTime = seconds; }
    f32 GetTransitionTime() const { return m_transitionTime; }
    i32 GetState() const { return m_state; }
    // The longer list's length.
    i32 GetStateCount() const;
    i32 GetStateHeight() const { return HeightOf(m_state); }
    // heights[s] for a valid index of the heights list, else the current height.
    i32 GetHeightOfState(i32 s) const;
    const CKetrelArray<i32>& GetWidths() const { return m_widths; }
    const CKetrelArray<i32>& GetHeights() const { return m_heights; }

    void SetBeginExpandCallback(const CUIActionCallback& cb) { m_onBegin = cb; }
    const CUIActionCallback& GetBeginExpandCallback() const { return m_onBegin; }
    void SetEndExpandCallback(const CUIActionCallback& cb) { m_onEnd = cb; }
    const CUIActionCallback& GetEndExpandCallback() const { return m_onEnd; }

    // s mod count (negative results give 0); nothing for no states or the current one.
    void SetState(i32 s);
    void ExpandTo(i32 s);
    bool IsExpanding() const { return m_remaining > 0.0f; }

private:
    i32 TargetIndex(i32 s) const;
    i32 WidthOf(i32 s) const;
    i32 HeightOf(i32 s) const;
    void FitChildren();

    i32 m_state;
    i32 m_fromWidth, m_fromHeight;
    u32 m_pendingFirst;
    f32 m_remaining;
    f32 m_deltaWidth, m_deltaHeight;
    f32 m_transitionTime;
    CKetrelArray<i32> m_widths;
    CKetrelArray<i32> m_heights;
    CUIActionCallback m_onBegin;
    CUIActionCallback m_onEnd;
};
