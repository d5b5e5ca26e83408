#pragma once
// framework/BrixFrameworkSettings.h
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

class CBrixStatsStore;

// Names of the framework's own settings keys.
constexpr const wchar_t* kBrixKeySoundsMute = L"__Brix_Sounds_Mute";
constexpr const wchar_t* kBrixKeySoundsVolume = L"__Brix_Sounds_Volume";
constexpr const wchar_t* kBrixKeyMusicMute = L"__Brix_Music_Mute";
constexpr const wchar_t* kBrixKeyMusicVolume = L"__Brix_Music_Volume";
constexpr const wchar_t* kBrixKeyVibrations = L"__Brix_Vibrations";
constexpr const wchar_t* kBrixKeyTimesLaunched = L"__Brix_TimesLaunched";
constexpr const wchar_t* kBrixKeyThemeName = L"__Brix_ThemeName";
constexpr const wchar_t* kBrixKeyNotificationFilter = L"__Brix_NotificationFilter";
constexpr const wchar_t* kBrixKeyUid = L"__Brix_UID";
constexpr const wchar_t* kBrixKeyLanguageFormat = L"__Brix_Language_%s";

constexpr const wchar_t* kBrixDefaultTheme = L"tolvane-white";

// The framework keys as start-up applies them.
struct CBrixStartupSettings
{
    u32 soundMuted;
    i32 soundVolume;          // 0..100
    u32 musicMuted;
    i32 musicVolume;          // 0..100
    u32 vibrations;
    i32 timesLaunched;        // this launch included, 1 on the first
    CKetrelString themeName;
    i32 notificationFilter;
};

// A stored volume as start-up reads it: a negative value v (an old 0..-10000 scale)
// becomes (v + 10000) / 100, truncated; the result is clamped to 0..100.
i32 BrixStoredVolumeToPercent(i32 stored);

// Start-up's pass over the framework keys: a missing key, or one stored with another
// type, is created with its default (volumes 80, mutes 0, vibrations 1, theme
// "tolvane-white", the filter currentFilter); volumes are converted and clamped and
// written back as applied; "__Brix_TimesLaunched" counts this launch (1 when new).
// Does not save. The application applies out through its own setters.
void BrixPrepareStartupSettings(CBrixStatsStore& store, i32 currentFilter,
                                CBrixStartupSettings& out);

// A new device id: "f0", 30 lower-case hex digits from the system's entropy source,
// "0f" (34 characters).
void BrixMakeDeviceId(CKetrelString& out);

// When deviceId is empty (the handset gave no id): the stored "__Brix_UID" text, or a
// new id stored under it. Does not save.
void BrixResolveDeviceId(CBrixStatsStore& store, CKetrelString& deviceId);
