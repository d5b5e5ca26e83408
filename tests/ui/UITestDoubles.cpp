#include "UITestDoubles.h"

#include <cstring>

namespace uitest
{
RecordingContext::RecordingContext(i32 w, i32 h) : m_w(w), m_h(h), m_clip(0, 0, w, h) {}

int RecordingContext::Rec(const char* op, const CKetrelRect* r)
{
    calls.push_back(DrawCall{op, r ? *r : CKetrelRect(), m_clip});
    return 1;
}

int RecordingContext::Blit(i32 x, i32 y, IKetrelGraphicsContext*, const CKetrelRect*, u32)
{
    CKetrelRect r(x, y, x, y);
    return Rec("Blit", &r);
}

void RecordingContext::SetClipRect(const CKetrelRect* r)
{
    m_clip = r ? *r : CKetrelRect(0, 0, m_w, m_h);
    ++clipChanges;
}

std::string Narrow(const CKetrelString& s)
{
    std::string out;
    for (i32 i = 0; i < s.GetLength(); ++i)
        out += (char)s.GetAt(i);
    return out;
}

IKetrelSoundSource* FakeResources::GetSound(const CKetrelString& name, u32, u32)
{
    if (name.IsEmpty())
        return nullptr;
    CountingSound* s = new CountingSound();
    soundRefs[s] = 1;
    return s;
}

int FakeResources::ReleaseSound(IKetrelSoundSource** slot)
{
    if (!*slot)
        return 1;
    auto it = soundRefs.find(*slot);
    if (it == soundRefs.end())
        return 0;
    ++releases;
    if (--it->second == 0)
    {
        delete *slot;
        soundRefs.erase(it);
        *slot = nullptr;
    }
    return 1;
}

i32 FakeResources::ReadResource(const CKetrelString& name, u8** data)
{
    *data = nullptr;
    auto it = files.find(Narrow(name));
    if (it == files.end() || it->second.empty())
        return 0;
    *data = new u8[it->second.size() + 1];
    memcpy(*data, it->second.data(), it->second.size());
    (*data)[it->second.size()] = 0;
    return (i32)it->second.size();
}

bool FakeTheme::FindColor(const CKetrelString& name, u32* colour)
{
    const std::string key = Narrow(name);
    for (auto it = colours.rbegin(); it != colours.rend(); ++it)
        if (it->first == key)
        {
            *colour = it->second;
            return true;
        }
    return false;
}

CKetrelString FakeLanguage::GetText(i32 index)
{
    auto it = texts.find(index);
    return CKetrelString(it == texts.end() ? "X-X" : it->second.c_str());
}

void FakeDevice::OpenUrl(const CKetrelString& link) { urls.push_back(Narrow(link)); }

int ProbeWidget::DrawSelf(IKetrelGraphicsContext* gc, const CKetrelRect& area)
{
    if (gc)
        gc->FillRect(0xFF000000u, &area);
    LogName("draw", this);
    return updateResult;
}

void ProbeWidget::Log(const char* what, i32 a, i32 b)
{
    if (m_log)
        m_log->push_back(Narrow(GetName()) + ":" + what + "(" + std::to_string(a) + "," +
                         std::to_string(b) + ")");
}

void ProbeWidget::LogFocus(const char* what, CWidget* other)
{
    if (m_log)
        m_log->push_back(Narrow(GetName()) + ":" + what + "(" +
                         (other ? Narrow(other->GetName()) : std::string("null")) + ")");
}

void ProbeWidget::LogName(const char* what, CWidget* other)
{
    if (m_log)
        m_log->push_back(Narrow(GetName()) + ":" + what + "(" + Narrow(other->GetName()) + ")");
}

ProbeWidget* Probe(std::vector<std::string>* log, CWidget* parent, const char* name, i32 l, i32 t,
                   i32 r, i32 b)
{
    ProbeWidget* w = new ProbeWidget(log);
    w->Init(nullptr, nullptr, CKetrelRect(l, t, r, b));
    w->SetName(CKetrelString(name));
    if (parent)
        parent->AddChild(w);
    return w;
}
}  // namespace uitest
