// lobby/BrixMenuSettings.cpp: the settings page (sounds, music, vibration, notifications,
// volumes) and the language chooser, also shown on the first launch.
#include "lobby/BrixMenuState.h"

#include "lobby/BrixLobbyNames.h"
#include "lobby/BrixMenuHost.h"
#include "lobby/BrixMenuWidgetKit.h"
#include "ui/InfiniteList.h"
#include "ui/PageView.h"
#include "ui/Slider.h"
#include "ui/TextWidget.h"
#include "ui/ToggleButton.h"

using BrixMenuKit::Text;

namespace
{
// Shows the row's "selected" face when selected, else its "unselected" one.
void MarkRow(CWidget* row, bool selected)
{
    CWidget* button = row ? row->FindChild(Text(kBrixSelectButton), -1) : nullptr;
    if (!button)
        return;
    if (CWidget* on = button->FindChild(Text(kBrixSelected), -1))
        on->SetVisible(selected);
    if (CWidget* off = button->FindChild(Text(kBrixUnselected), -1))
        off->SetVisible(!selected);
}

// The item index of a list row (rows are named with it in decimal); fallback otherwise.
i32 RowIndex(const CWidget* row, i32 fallback)
{
    const CKetrelString& name = row->GetName();
    if (name.IsEmpty() || name.GetLength() > 9)
        return fallback;
    i32 value = 0;
    for (i32 i = 0; i < name.GetLength(); ++i)
    {
        const u16 ch = name.GetAt(i);
        if (ch < '0' || ch > '9')
            return fallback;
        value = value * 10 + (ch - '0');
    }
    return value;
}

// A slider's value as a whole percentage. Rounded to the nearest: truncating would
// store 69 for the 0.7f that a volume of 70 is shown as, and every showing of the
// page would lower the volume by one.
i32 Percent(const CSlider* slider)
{
    const f32 v = slider->GetValue() * 100.0f;
    return v >= 0.0f ? (i32)(v + 0.5f) : -(i32)(0.5f - v);
}
}

// ---- toggles ------------------------------------------------------------------------------

int CBrixMenuState::OnInitSounds(CWidget* widget)
{
    if (CToggleButton* t = CToggleButton::Cast(widget))
        t->SetToggled(!m_host->IsSoundMuted());
    return 1;
}

int CBrixMenuState::OnToggleSounds(CWidget* widget)
{
    if (CToggleButton* t = CToggleButton::Cast(widget))
        m_host->SetSoundMuted(!t->IsToggled());
    return 1;
}

int CBrixMenuState::OnToggleSoundEffects(CWidget* widget)
{
    CToggleButton* t = CToggleButton::Cast(widget);
    if (!t)
        return 1;
    m_host->SetSoundMuted(!t->IsToggled());
    // The mute switch of the settings page follows.
    if (CWidget* mute = FindInMenu(kBrixSettingMute))
        OnInitSounds(mute);
    return 1;
}

int CBrixMenuState::OnInitMusic(CWidget* widget)
{
    if (CToggleButton* t = CToggleButton::Cast(widget))
        t->SetToggled(!m_host->IsMusicMuted());
    return 1;
}

int CBrixMenuState::OnToggleMusic(CWidget* widget)
{
    if (CToggleButton* t = CToggleButton::Cast(widget))
        m_host->SetMusicMuted(!t->IsToggled());
    return 1;
}

int CBrixMenuState::OnInitVibration(CWidget* widget)
{
    if (CToggleButton* t = CToggleButton::Cast(widget))
        t->SetToggled(m_host->IsVibrationEnabled() != 0);
    return 1;
}

int CBrixMenuState::OnToggleVibration(CWidget* widget)
{
    if (CToggleButton* t = CToggleButton::Cast(widget))
        m_host->SetVibrationEnabled(t->IsToggled() ? 1 : 0);
    return 1;
}

int CBrixMenuState::OnInitNotificationFilterAll(CWidget* widget)
{
    if (CToggleButton* t = CToggleButton::Cast(widget))
        t->SetToggled((m_host->GetNotificationFilter() & 1) != 0);
    return 1;
}

int CBrixMenuState::OnToggleNotificationsAll(CWidget* widget)
{
    // Bit 0 flips whatever the toggle shows; the other bits stay.
    if (CToggleButton::Cast(widget))
        m_host->SetNotificationFilter(m_host->GetNotificationFilter() ^ 1);
    return 1;
}

// ---- sliders ------------------------------------------------------------------------------

int CBrixMenuState::OnInitSoundsSlider(CWidget* widget)
{
    if (CSlider* s = CSlider::Cast(widget))
        s->SetValue((f32)m_host->GetSoundVolume() / 100.0f);
    return 1;
}

int CBrixMenuState::OnSoundsSliderChanged(CWidget* widget)
{
    if (CSlider* s = CSlider::Cast(widget))
        m_host->SetSoundVolume(Percent(s));
    return 1;
}

int CBrixMenuState::OnInitMusicSlider(CWidget* widget)
{
    if (CSlider* s = CSlider::Cast(widget))
        s->SetValue((f32)m_host->GetMusicVolume() / 100.0f);
    return 1;
}

int CBrixMenuState::OnMusicSliderChanged(CWidget* widget)
{
    if (CSlider* s = CSlider::Cast(widget))
        m_host->SetMusicVolume(Percent(s));
    return 1;
}

// ---- languages ----------------------------------------------------------------------------

int CBrixMenuState::OnUpdateSettingsLanguageLabel(CWidget* widget)
{
    if (CTextWidget* t = CTextWidget::Cast(widget))
        t->SetText(m_host->GetCurrentLanguageName());
    return 1;
}

int CBrixMenuState::OnGetLanguages(CWidget*)
{
    if (m_host->HasSession())
        m_host->RequestLanguageList();
    return 1;
}

int CBrixMenuState::OnShowLanguageChooser(CWidget* widget)
{
    CInfiniteList* list = CInfiniteList::Cast(widget);
    if (!list)
        return 1;
    CKetrelArray<CKetrelString> names, codes;
    m_host->GetSortedLanguages(&names, &codes);
    const CKetrelString current = m_host->GetCurrentLanguageName();
    m_selectedLanguage = -1;
    for (i32 i = 0; i < names.GetCount(); ++i)
        if (names[i].Equals(current))
            m_selectedLanguage = i;
    list->SetItemCount(0);
    list->SetItemCount(names.GetCount());
    return 1;
}

int CBrixMenuState::OnLoadLanguageItem(CWidget* widget)
{
    if (!m_pageView || !widget)
        return 1;
    CInfiniteList* list = CInfiniteList::Cast(widget->GetParent());
    if (!list)
        return 1;
    CKetrelArray<CKetrelString> names, codes;
    m_host->GetSortedLanguages(&names, &codes);
    const i32 index = list->GetLoadingItemIndex(widget);
    if (index < 0 || index >= names.GetCount())
        return 1;
    if (CTextWidget* name = CTextWidget::Cast(widget->FindChild(Text(kBrixLanguageName), -1)))
        name->SetText(names[index]);
    MarkRow(widget, index == m_selectedLanguage);
    return 1;
}

int CBrixMenuState::OnUnloadLanguageItem(CWidget*) { return 1; }

int CBrixMenuState::OnSelectLanguageItem(CWidget* widget)
{
    CWidget* row = widget ? widget->GetParent() : nullptr;
    CInfiniteList* list = CInfiniteList::FindAncestor(widget);
    if (!list)
        return 1;
    m_selectedLanguage = -1;
    const i32 rows = list->GetChildCount() < list->GetItemCount() ? list->GetChildCount() : list->GetItemCount();
    for (i32 i = 0; i < rows; ++i)
    {
        CWidget* child = list->GetChild(i);
        const bool selected = child == row;
        if (selected)
            m_selectedLanguage = RowIndex(child, i);
        MarkRow(child, selected);
    }
    return 1;
}

int CBrixMenuState::OnChooseLanguage(CWidget* widget)
{
    CKetrelArray<CKetrelString> names, codes;
    m_host->GetSortedLanguages(&names, &codes);
    if (m_selectedLanguage >= 0 && m_selectedLanguage < codes.GetCount())
        m_host->SetLanguage(codes[m_selectedLanguage]);
    // Chosen on the first-launch page: the log-in goes on.
    if (widget && widget->FindByPath(Text(kBrixPathInsideLanguageChooser)))
    {
        if (CanAutoLogin())
            Relogin(0);
        else
            Connect();
    }
    return 1;
}
