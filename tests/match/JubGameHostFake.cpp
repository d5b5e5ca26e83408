#include "JubGameHostFake.h"

#include "RenderTestKit.h"
#include "engine/KetrelResult.h"

int FakeGameHost::SendGameData(const u8* data, i32 size)
{
    sent.push_back(std::vector<u8>(data, data + size));
    return 1;
}

f32 FakeGameHost::RandomFloat(f32 min, f32 max)
{
    if (!randomFloats.empty())
    {
        f32 v = randomFloats.front();
        randomFloats.pop_front();
        return v < min ? min : (v > max ? max : v);
    }
    seed = seed * 1103515245u + 12345u;
    const f32 unit = (f32)((seed >> 8) & 0xFFFFu) / 65535.0f;
    return min + (max - min) * unit;
}

i32 FakeGameHost::RandomInt(i32 min, i32 max)
{
    if (!randomInts.empty())
    {
        i32 v = randomInts.front();
        randomInts.pop_front();
        return v < min ? min : (v > max ? max : v);
    }
    seed = seed * 1103515245u + 12345u;
    return min + (i32)((seed >> 8) % (u32)(max - min + 1));
}

i32 FakeGameHost::GetSetting(const CKetrelString& key, i32 fallback)
{
    auto it = settings.find(Narrow(key));
    return it == settings.end() ? fallback : it->second;
}

void FakeGameHost::SetSetting(const CKetrelString& key, i32 value)
{
    settings[Narrow(key)] = value;
}

CKetrelString FakeGameHost::GetText(i32 index)
{
    std::string text = "text " + std::to_string(index);
    return CKetrelString(text.c_str());
}

void FakeGameHost::ReportGameResult(const i32* playerIds, const i32* codes, i32 count,
                                    i32 leaveNow)
{
    reports.push_back(std::vector<i32>(playerIds, playerIds + count));
    reports.push_back(std::vector<i32>(codes, codes + count));
    reports.push_back(std::vector<i32>(1, leaveNow));
}

void FakeGameHost::AddChatBubble(const CKetrelString& text, const CKetrelString& speaker,
                                 u32 colour, const CKetrelVector2& position,
                                 const CKetrelVector2& corner)
{
    if (text.IsEmpty())
        return;
    bubbles.push_back({Narrow(text), Narrow(speaker), colour, position, corner});
}

void FakeGameHost::Down(f32 x, f32 y)
{
    CJubTouchPoint& p = touch.Primary();
    p.wasDown = p.down;
    p.released = 0;
    p.pressed = p.down ? 0 : 1;
    p.down = 1;
    p.position.Set(x, y);
    p.pressPosition = p.position;
}

void FakeGameHost::Move(f32 x, f32 y)
{
    CJubTouchPoint& p = touch.Primary();
    p.wasDown = p.down;
    p.pressed = 0;
    p.released = 0;
    p.position.Set(x, y);
}

void FakeGameHost::Up(f32 x, f32 y)
{
    CJubTouchPoint& p = touch.Primary();
    p.wasDown = p.down;
    p.pressed = 0;
    p.released = p.down ? 1 : 0;
    p.down = 0;
    p.position.Set(x, y);
}

void FakeGameHost::Hold()
{
    CJubTouchPoint& p = touch.Primary();
    p.wasDown = p.down;
    p.pressed = 0;
    p.released = 0;
}

int FakeGameHost::CountSound(u32 id) const
{
    int n = 0;
    for (const PlayedSound& s : sounds)
        n += s.id == id ? 1 : 0;
    return n;
}

i32 FakeGameHost::GetOwnedItems(CJubOwnedItem* items, i32 max)
{
    i32 n = 0;
    for (const CJubOwnedItem& item : ownedItems)
    {
        if (n >= max)
            break;
        items[n++] = item;
    }
    return n;
}

int FakeGameHost::ReadItem(i32 player, const CJubOwnedItem& item, CJubItemInfo* info)
{
    itemsRead.push_back({player, (i32)item.itemId});
    auto it = itemInfos.find(item.itemId);
    if (it == itemInfos.end())
        return KE_ERR_NOT_FOUND;
    *info = it->second;
    return KE_OK;
}
