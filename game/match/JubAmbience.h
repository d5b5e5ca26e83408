#pragma once
#include "engine/KetrelArray.h"
#include "engine/KetrelTypes.h"

class CJubGameHost;

// The background sound of a battlefield: a loop requested on every update, a common
// sound every 7 to 15 s and a rare one every 20 to 30 s, each picked at random from its
// list. Sounds go through the game's PlaySound, which leaves a sound that still plays
// alone (that keeps the loop going) and plays nothing while muted or simulating ahead.
// A long frame never catches up: each list plays at most one sound per update.
// Main thread only.
class CJubAmbience
{
public:
    CJubAmbience();
    ~CJubAmbience();               // StopAll

    // Sound ids of the game's sound table.
    void AddCommon(u32 sound);
    void AddRare(u32 sound);
    void SetLoop(u32 sound);

    // Keeps the game (not owned) and draws the first intervals.
    void Init(CJubGameHost* game);
    // Requests the loop (one still playing goes on); the play screen starts it at its
    // Init, and every update asks again. Nothing before Init or without a loop.
    void PlayLoop();
    // Once per frame of the play screen; nothing before Init.
    void Update(f32 dt);
    // Stops every common and rare sound; the loop is left to end by itself (it is
    // played once per request, so it stops within its own length).
    void StopAll();

    f32 GetCommonTimer() const { return m_commonTimer; }
    f32 GetRareTimer() const { return m_rareTimer; }

private:
    void PlayOne(const CKetrelArray<u32>& sounds);
    void StopList(const CKetrelArray<u32>& sounds);

    CKetrelArray<u32> m_rare;
    CKetrelArray<u32> m_common;
    u32 m_loop;
    i32 m_hasLoop;
    CJubGameHost* m_game;          // not owned
    f32 m_rareTimer;               // seconds until the next rare sound
    f32 m_commonTimer;
};
