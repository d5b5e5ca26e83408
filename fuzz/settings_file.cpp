// fuzz/settings_file.cpp: loads hostile bytes as "stats.dat". Whatever loads must save
// and load again to the same store: save, load, save gives the same bytes twice.
#include "engine/KetrelResult.h"
#include "framework/BrixStatsStore.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CBrixStatsStore store;
    store.LoadFromMemory(data, (u32)size);
    u8* first = nullptr;
    u32 firstSize = 0;
    if (store.SaveToMemory(&first, &firstSize) != KE_OK)
        return 0;
    CBrixStatsStore again;
    if (again.LoadFromMemory(first, firstSize) != KE_OK || again.GetCount() > store.GetCount())
        abort();
    u8* second = nullptr;
    u32 secondSize = 0;
    if (again.SaveToMemory(&second, &secondSize) != KE_OK || secondSize != firstSize ||
        memcmp(first, second, firstSize) != 0)
        abort();
    delete[] first;
    delete[] second;
    return 0;
}
