// fuzz/achievements_file.cpp: hostile bytes as "ach_EN.txt" (first byte even) or as
// "ach.dat" over a fixed list of definitions (first byte odd). Saved state must load
// back to the same unlocks.
#include "engine/KetrelResult.h"
#include "framework/BrixAchievements.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{
// Definitions 1 to 8, as UTF-16LE.
void AddFixedDefinitions(CBrixAchievementStation& station)
{
    const char* text = "achievement 1 { name \"a\" } achievement 2 { name \"b\" } achievement 3 { name \"c\" } "
                       "achievement 7 { name \"g\" } achievement 8 { name \"h\" }";
    u8 bytes[512];
    size_t n = strlen(text);
    for (size_t i = 0; i < n; ++i)
    {
        bytes[2 * i] = (u8)text[i];
        bytes[2 * i + 1] = 0;
    }
    station.ParseDefinitions(bytes, (u32)(2 * n));
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    CBrixAchievementStation station;
    // No pack: the list exists and stays empty until filled here.
    station.Init(nullptr, 64, CKetrelString());
    if ((data[0] & 1) == 0)
    {
        station.ParseDefinitions(data + 1, (u32)(size - 1));
        return 0;
    }
    AddFixedDefinitions(station);
    station.LoadStateFromMemory(data + 1, (u32)(size - 1));
    u8* saved = nullptr;
    u32 savedSize = 0;
    if (station.SaveToMemory(&saved, &savedSize) != KE_OK)
        abort();
    CBrixAchievementStation again;
    again.Init(nullptr, 64, CKetrelString());
    AddFixedDefinitions(again);
    if (again.LoadStateFromMemory(saved, savedSize) != KE_OK)
        abort();
    CBrixAchievementList* a = station.GetCurrentList();
    CBrixAchievementList* b = again.GetCurrentList();
    for (i32 i = 0; i < a->GetCount(); ++i)
        if (a->GetAt(i)->IsUnlocked() != b->GetAt(i)->IsUnlocked())
            abort();
    delete[] saved;
    return 0;
}
