// framework/BrixFrameworkSettings.cpp
#include "framework/BrixFrameworkSettings.h"

#include "framework/BrixStatsStore.h"

#include <climits>
#include <random>

namespace
{
const i32 kDefaultVolume = 80;
const int kDeviceIdDigits = 30;

// The entry of that name with the given type, made (with def applied by the caller)
// when it is missing or stored with another type. created tells which.
CBrixStatsEntry* EntryOfType(CBrixStatsStore& store, const wchar_t* name, i32 type,
                             bool& created)
{
    CBrixStatsEntry* entry = store.FindEntry(CKetrelString(name));
    created = false;
    if (entry && entry->type == type)
        return entry;
    if (!entry)
        entry = store.AddEntry(CKetrelString(name));
    created = true;
    return entry;
}

u32 BoolKey(CBrixStatsStore& store, const wchar_t* name, u32 def)
{
    bool created;
    CBrixStatsEntry* e = EntryOfType(store, name, BRIX_STAT_BOOL, created);
    if (!e)
        return def;
    if (created)
        e->SetBool(def);
    return e->boolValue;
}

i32 VolumeKey(CBrixStatsStore& store, const wchar_t* name)
{
    bool created;
    CBrixStatsEntry* e = EntryOfType(store, name, BRIX_STAT_INT, created);
    i32 volume = created || !e ? kDefaultVolume : BrixStoredVolumeToPercent(e->intValue);
    if (e)
        e->SetInt(volume);   // the volume setter writes what it applied
    return volume;
}
}

i32 BrixStoredVolumeToPercent(i32 stored)
{
    i32 v = stored < 0 ? (i32)(((i64)stored + 10000) / 100) : stored;
    return v < 0 ? 0 : (v > 100 ? 100 : v);
}

void BrixPrepareStartupSettings(CBrixStatsStore& store, i32 currentFilter,
                                CBrixStartupSettings& out)
{
    out.soundMuted = BoolKey(store, kBrixKeySoundsMute, 0);
    out.soundVolume = VolumeKey(store, kBrixKeySoundsVolume);
    out.musicMuted = BoolKey(store, kBrixKeyMusicMute, 0);
    out.musicVolume = VolumeKey(store, kBrixKeyMusicVolume);
    out.vibrations = BoolKey(store, kBrixKeyVibrations, 1);

    bool created;
    CBrixStatsEntry* e = EntryOfType(store, kBrixKeyTimesLaunched, BRIX_STAT_INT, created);
    out.timesLaunched = 1;
    if (e)
    {
        // A damaged negative count starts again; the count stops at its largest value.
        i32 before = created || e->intValue < 0 ? 0 : e->intValue;
        out.timesLaunched = before == INT_MAX ? INT_MAX : before + 1;
        e->SetInt(out.timesLaunched);
    }

    e = EntryOfType(store, kBrixKeyThemeName, BRIX_STAT_TEXT, created);
    out.themeName = kBrixDefaultTheme;
    if (e)
    {
        if (created || e->textValue.IsEmpty())
            e->SetString(out.themeName);
        out.themeName = e->textValue;
    }

    e = EntryOfType(store, kBrixKeyNotificationFilter, BRIX_STAT_INT, created);
    out.notificationFilter = currentFilter;
    if (e)
    {
        if (created)
            e->SetInt(currentFilter);
        out.notificationFilter = e->intValue;
    }
}

void BrixMakeDeviceId(CKetrelString& out)
{
    static const char kHex[] = "0123456789abcdef";
    // Every digit from the system's entropy source: two launches in the same
    // millisecond still get different ids.
    std::random_device entropy;
    char id[2 + kDeviceIdDigits + 2 + 1];
    id[0] = 'f';
    id[1] = '0';
    for (int i = 0; i < kDeviceIdDigits; i += 8)
    {
        u32 bits = entropy();
        for (int k = 0; k < 8 && i + k < kDeviceIdDigits; ++k)
            id[2 + i + k] = kHex[(bits >> (4 * k)) & 15];
    }
    id[2 + kDeviceIdDigits] = '0';
    id[3 + kDeviceIdDigits] = 'f';
    id[4 + kDeviceIdDigits] = 0;
    out = id;
}

void BrixResolveDeviceId(CBrixStatsStore& store, CKetrelString& deviceId)
{
    if (!deviceId.IsEmpty())
        return;
    CBrixStatsEntry* e = store.FindEntry(CKetrelString(kBrixKeyUid));
    if (e && e->type == BRIX_STAT_TEXT && !e->textValue.IsEmpty())
    {
        deviceId = e->textValue;
        return;
    }
    BrixMakeDeviceId(deviceId);
    if (!e)
        e = store.AddEntry(CKetrelString(kBrixKeyUid));
    if (e)
        e->SetString(deviceId);
}
