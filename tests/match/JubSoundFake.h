#pragma once
// Sounds for the match tests that only say whether they play and count their stops, and
// an asset source that hands them out by sound index.
#include "KetrelSound/KetrelSoundSource.h"
#include "game/match/JubAssetNames.h"

class FakeSound : public IKetrelSoundSource
{
public:
    u32 GetKind() override { return 99; }
    u32 IsPlaying(u32) override { return playing; }
    i32 Stop(u32) override
    {
        ++stops;
        playing = 0;
        return 1;
    }
    u32 playing = 0;
    int stops = 0;
};

// Sound i of the game's table is sounds[i]; images come from nowhere. Counts the fetches
// and releases so that a test can see a cache double-release or leak.
class FakeSoundSource : public CJubAssetSource
{
public:
    CKetrelSurface* GetImage(const CKetrelString&) override { return nullptr; }
    int ReleaseImage(CKetrelSurface** image) override
    {
        *image = nullptr;
        return 1;
    }
    IKetrelSoundSource* GetSound(const CKetrelString& name) override
    {
        for (i32 i = 0; i < JUB_SOUND_COUNT; ++i)
        {
            if (CJubAssetNames::Sound(i).Equals(name))
            {
                ++fetches;
                return &sounds[i];
            }
        }
        return nullptr;
    }
    int ReleaseSound(IKetrelSoundSource** sound) override
    {
        ++releases;
        *sound = nullptr;
        return 1;
    }
    i32 ReadResource(const CKetrelString&, u8** data) override
    {
        *data = nullptr;
        return 0;
    }
    FakeSound sounds[JUB_SOUND_COUNT];
    int fetches = 0;
    int releases = 0;
};
