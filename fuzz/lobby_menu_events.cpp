// The lobby menu driven by arbitrary session replies and UI events: result rows,
// achievement lists, item data lists and pack pieces, links, match results and every
// named event fired on any widget of the lobby's own layout. Pack pieces are written
// into a private temporary folder.
#include "LobbyFuzzKit.h"
#include "engine/KetrelString.h"
#include "framework/BrixGameState.h"
#include "lobby/BrixMenuState.h"
#include "net/BerHandCodec.h"
#include "ui/Widget.h"

#include <cstdint>
#include <string>
#include <vector>

namespace
{
std::string g_layout;
std::string g_folder;

struct Reader
{
    const u8* data;
    size_t size;
    size_t at = 0;
    bool More() const { return at < size; }
    u8 Byte() { return at < size ? data[at++] : 0; }
    i32 Int() { i32 v = 0; for (int i = 0; i < 4; ++i) v = (v << 8) | Byte(); return v; }
    i32 Small() { return (i32)(i8)Byte(); }
};
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_layout = fuzzkit::ReadMenuLayout();
    g_folder = fuzzkit::MakeTempFolder("/tmp/fuzz_lobby");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzkit::FuzzMenuHost<> host;
    host.ui.resources.text = &g_layout;
    host.folder = g_folder;
    CBrixMenuState state(&host, false);
    if (state.Init(nullptr) != 1)
        return 0;
    state.Activate();
    Reader r{data, size};
    int steps = 0;
    while (r.More() && ++steps < 64)
    {
        switch (r.Byte() % 10)
        {
        case 0:
        {
            CGameResultItem item;
            item.values[0] = r.Small();
            item.values[1] = r.Int();
            state.OnGameResultItem(nullptr, r.Small(), item);
            break;
        }
        case 1:
        {
            CKetrelArray<CAchievementInfo> list;
            for (int n = r.Byte() % 8; n > 0; --n)
                list.Add(CAchievementInfo());
            state.OnAchievementList(0, 0, 0, list, 0);
            break;
        }
        case 2:
        {
            CKetrelArray<CItemData> list;
            for (int n = r.Byte() % 4; n > 0; --n)
            {
                CItemData d;
                d.value0 = r.Small();
                d.value1 = r.Small();
                d.value3 = r.Int() & 0xFFFF;
                list.Add(d);
            }
            state.OnItemDataList(list);
            break;
        }
        case 3:
            state.GetItemPacks().StartDownload(r.Small());
            break;
        case 4:
        {
            const i32 id = r.Small(), offset = r.Int() & 0x1FFFF, remaining = r.Int();
            u8 piece[64];
            const i32 length = r.Byte() % 65;
            for (i32 i = 0; i < length; ++i)
                piece[i] = r.Byte();
            state.OnDataChunk(id, offset, piece, length, remaining);
            break;
        }
        case 5:
            state.OnMatchResult(nullptr, r.Small(), 64, r.Small());
            break;
        case 6:
            state.OnChangeNotice(r.Small());
            break;
        case 7:
            state.OnLobbyLinkStatus(r.Small());
            state.OnGameLinkStatus(r.Int());
            break;
        case 8:
        {
            // A named event on any widget of the tree (or none).
            std::vector<CWidget*> widgets;
            if (state.GetRoot())
                fuzzkit::CollectWidgets(state.GetRoot(), &widgets);
            const i32 pick = (r.Int() & 0x7FFFFFFF) % (i32)(widgets.size() + 1);
            const CBrixMenuState::EventEntry* table = CBrixMenuState::GetEventTable();
            state.FireEvent(CKetrelString(table[r.Byte() % CBrixMenuState::EVENT_COUNT].name),
                            pick < (i32)widgets.size() ? widgets[pick] : nullptr);
            break;
        }
        default:
            state.Update((f32)(r.Byte() % 40) / 10.0f);
            break;
        }
    }
    state.Release();
    return 0;
}
