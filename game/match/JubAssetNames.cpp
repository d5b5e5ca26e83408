#include "game/match/JubAssetNames.h"

namespace
{
struct CreditRow
{
    const wchar_t* text;
    i32 page;
};

const wchar_t* const kBackEnds[] = {
    L"KetrelEngine OpenGL ES 2.0 Extension",
    L"KetrelEngine Desktop OpenGL 2.x Extension",
    L"KetrelEngine DirectX9 Extension",
    L"KetrelEngine DirectX11 Extension",
};

const wchar_t* const kBattleScenes[] = {
    L"Balconies.scn",
    L"Bridge.scn",
    L"Castle.scn",
    L"Cave_In.scn",
    L"Farm.scn",
    L"Golden_Stairs.scn",
    L"Graveyard.scn",
    L"Henge.scn",
    L"Jungle.scn",
    L"Land_Ahoy.scn",
    L"Medieval_Madness.scn",
    L"Old_Mill.scn",
    L"Paradise.scn",
    L"Piece_of_Cake.scn",
    L"Pillars.scn",
    L"Polis.scn",
    L"Siege.scn",
    L"Brix_War.scn",
    L"Tower.scn",
    L"Underground.scn",
};

const wchar_t* const kTrainingScenes[] = {
    L"01.scn",
    L"02.scn",
    L"03.scn",
    L"04.scn",
    L"05.scn",
    L"06.scn",
    L"07.scn",
    L"08.scn",
    L"09.scn",
    L"10.scn",
    L"11.scn",
    L"12.scn",
    L"13.scn",
    L"14.scn",
    L"15.scn",
};

// The packs are ".vad" files on disk.
const wchar_t* const kDataPacks[] = {
    L"dataEffects.vad",
    L"dataPlayers.vad",
    L"dataScenes.vad",
    L"dataTextures.vad",
    L"dataUI.vad",
    L"dataAudio.vad",
    L"dataAmbientAudio.vad",
    L"dataAmbientAudio2.vad",
    L"dataIntro.vad",
};

const wchar_t* const kFonts[] = {
    L"foo.fnt",
};

const wchar_t* const kSounds[] = {
    L"buttondown.wav",
    L"buttonup.wav",
    L"ammunta01.wav",
    L"ammus_pomppu01.wav",
    L"ammus_veteen01.wav",
    L"explosio01.wav",
    L"hyppy01.wav",
    L"pelaaja_pomppu01.wav",
    L"pelaaja_veteen01.wav",
    L"venytys01.wav",
    L"gloobwhip.wav",
    L"startgame.wav",
    L"wingame.wav",
    L"losegame.wav",
    L"tiegame.wav",
    L"timeralert.wav",
    L"timerend.wav",
    L"ambient_common_00.wav",
    L"ambient_common_01.wav",
    L"ambient_common_02.wav",
    L"ambient_rare_00.wav",
    L"ambient_rare_01.wav",
    L"ambient_rare_02.wav",
    L"ambient_loop_00.wav",
};

const wchar_t* const kMusic[] = {
    L"GloobTheme.mp3",
    L"GloobIntro.mp3",
};

const wchar_t* const kImages[] = {
    L"gloobtitlegloob.jpg",
    L"gloobloader.png",
    L"background_battle.png",
    L"background_unique.png",
    L"player0_animations.png",
    L"player1_animations.png",
    L"player_background.png",
    L"muteoff.png",
    L"muteon.png",
    L"player0_stretch.png",
    L"player1_stretch.png",
    L"exits.png",
    L"edit.png",
    L"help.png",
    L"helper.png",
    L"training.png",
    L"fb_button.png",
    L"projectile_red.png",
    L"projectile_blue.png",
    L"projectile_sticky.png",
    L"projectile_snowball.png",
    L"bomb_snow.png",
    L"bomb_cluster.png",
    L"bomb_none.png",
    L"explosion.png",
    L"confirmation_yes.png",
    L"confirmation_no.png",
    L"timer_gloob.png",
    L"blockstyle01.png",
    L"blockstyle02.png",
    L"blockstyle03.png",
    L"blockstyle04.png",
    L"Texture_Paper01.png",
    L"Texture_Paper02.png",
    L"Texture_Paper03.png",
    L"Texture_Metal01.png",
    L"Texture_Metal02.png",
    L"Texture_Metal03.png",
    L"Texture_Ice01.png",
    L"Texture_Ice02.png",
    L"Texture_Ice03.png",
    L"Texture_Bounce01.png",
    L"Texture_Bounce02.png",
    L"Texture_Bounce03.png",
    L"water_base.png",
    L"waves.png",
    L"particle_brix.png",
    L"particle_dot.png",
    L"shadow.png",
    L"jump_00.png",
    L"bomb_00.png",
    L"whip_00.png",
    L"jump_01.png",
    L"bomb_01.png",
    L"whip_01.png",
    L"bomb_sticky.png",
    L"intro.png",
    L"credits.png",
    L"volumebackgroundz.png",
    L"volumezlider.png",
    L"nextround.png",
    L"marker.png",
    L"chatbubble.png",
    L"chatbubble_pointer.png",
    L"chatbutton.png",
    L"training_scene.png",
    L"training_restart.png",
    L"zoom_bar.png",
    L"zoom_indicator.png",
};

const wchar_t* const kHelpPictures[] = {
    L"Kuva01.jpg",
    L"Kuva02.jpg",
    L"Kuva03.jpg",
    L"Kuva04.jpg",
    L"Kuva05.jpg",
    L"Kuva06.jpg",
    L"Kuva07.jpg",
    L"Kuva08.jpg",
    L"Kuva09.jpg",
    L"Kuva10.jpg",
    L"Kuva11.jpg",
};

// The scrolling credits page: headings (page kHeading), contributors, spacer lines and
// notices; page 0 is an ordinary line.
const i32 kHeading = JUB_CREDITS_HEADING_PAGE;
const CreditRow kCredits[] = {
    {L"GLOOB BRIX", kHeading},
    {L"", 0},
    {L"A game of gloobs, bombs and blocks", 0},
    {L"", 0},
    {L"GAME DESIGN", kHeading},
    {L"The Brix design team", 0},
    {L"Level design by the Brix level crew", 0},
    {L"Training scenes by the Brix level crew", 0},
    {L"", 0},
    {L"PROGRAMMING", kHeading},
    {L"Engine: the Ketrel engine team", 0},
    {L"Graphics and shaders: the Ketrel engine team", 0},
    {L"Sound and music playback: the Ketrel engine team", 0},
    {L"Physics: the Brix match team", 0},
    {L"Level format and editor: the Brix match team", 0},
    {L"Game events and replay: the Brix match team", 0},
    {L"Online lobby and protocol: the Brix online team", 0},
    {L"User interface toolkit: the Brix interface team", 0},
    {L"", 0},
    {L"ART", kHeading},
    {L"Creatures and animation: the Brix art team", 0},
    {L"Block textures: the Brix art team", 0},
    {L"Backgrounds and water: the Brix art team", 0},
    {L"Interface art: the Brix art team", 0},
    {L"Effects and particles: the Brix art team", 0},
    {L"", 0},
    {L"AUDIO", kHeading},
    {L"Sound effects: the Brix audio team", 0},
    {L"Ambient sounds: the Brix audio team", 0},
    {L"Music: the Brix audio team", 0},
    {L"", 0},
    {L"LEVELS", kHeading},
    {L"Balconies", 0},
    {L"Bridge", 0},
    {L"Castle", 0},
    {L"Cave In", 0},
    {L"Farm", 0},
    {L"Golden Stairs", 0},
    {L"Graveyard", 0},
    {L"Henge", 0},
    {L"Jungle", 0},
    {L"Land Ahoy", 0},
    {L"Medieval Madness", 0},
    {L"Old Mill", 0},
    {L"Paradise", 0},
    {L"Piece of Cake", 0},
    {L"Pillars", 0},
    {L"Polis", 0},
    {L"Siege", 0},
    {L"Brix War", 0},
    {L"Tower", 0},
    {L"Underground", 0},
    {L"", 0},
    {L"QUALITY ASSURANCE", kHeading},
    {L"The Brix test team", 0},
    {L"Everyone who played the early builds", 0},
    {L"", 0},
    {L"ONLINE SERVICE", kHeading},
    {L"Lobby and game servers: the Brix online team", 0},
    {L"Tournaments: the Brix online team", 0},
    {L"Shop and items: the Brix online team", 0},
    {L"", 0},
    {L"LOCALISATION", kHeading},
    {L"English texts: the Brix writing team", 0},
    {L"", 0},
    {L"PRODUCTION", kHeading},
    {L"Producer: the Brix production team", 0},
    {L"Project management: the Brix production team", 0},
    {L"", 0},
    {L"SPECIAL THANKS", kHeading},
    {L"Our families and friends", 0},
    {L"The gloob fan community", 0},
    {L"Everyone who sent us a level idea", 0},
    {L"Everyone who reported a bug", 0},
    {L"The makers of the libraries we use", 0},
    {L"Our testers on every handset", 0},
    {L"And you", 0},
    {L"", 0},
    {L"TOOLS", kHeading},
    {L"Built with our own engine and tools", 0},
    {L"Level files made with the Brix level tool", 0},
    {L"Media packs made with the Brix pack tool", 0},
    {L"", 0},
    {L"HOW TO PLAY", kHeading},
    {L"Drag from your gloob to aim", 0},
    {L"Let go to fire", 0},
    {L"Tap the jump button to hop", 0},
    {L"Push your opponent into the water", 0},
    {L"Win rounds to win the match", 0},
    {L"READY, AIM, FIRE!", 0},
    {L"", 0},
    {L"WEAPONS", kHeading},
    {L"Bombs, sticky bombs and the whip", 0},
    {L"Snow bombs freeze blocks", 0},
    {L"Cluster bombs split in three", 0},
    {L"", 0},
    {L"THANK YOU FOR PLAYING", kHeading},
    {L"", 0},
    {L"Gloob Brix", 0},
    {L"All rights reserved by its makers", 0},
    {L"All trademarks belong to their owners", 0},
    {L"", 0},
    {L"This game uses an online service", 0},
    {L"Your use of it follows its terms", 0},
    {L"See the service pages for details", 0},
    {L"", 0},
    {L"", 0},
    {L"", 0},
    {L"Made with care", 0},
    {L"for players everywhere", 0},
    {L"", 0},
    {L"", 0},
    {L"See you in the lobby!", 0},
};

struct TableInfo
{
    const wchar_t* const* names;
    i32 count;
    const CreditRow* rows = nullptr;     // the names as rows of a record table instead
};

const TableInfo kTables[JUB_TABLE_COUNT] = {
    {kBackEnds, JUB_BACKEND_COUNT},
    {kBattleScenes, JUB_BATTLE_SCENE_COUNT},
    {kTrainingScenes, JUB_TRAINING_SCENE_COUNT},
    {kDataPacks, JUB_DATA_PACK_COUNT},
    {kFonts, JUB_FONT_COUNT},
    {kSounds, JUB_SOUND_COUNT},
    {kMusic, JUB_MUSIC_COUNT},
    {kImages, JUB_IMAGE_COUNT},
    {kHelpPictures, JUB_HELP_PICTURE_COUNT},
    {nullptr, JUB_CREDITS_LINE_COUNT, kCredits},
};

static_assert(sizeof(kBackEnds) / sizeof(kBackEnds[0]) == JUB_BACKEND_COUNT, "back ends");
static_assert(sizeof(kBattleScenes) / sizeof(kBattleScenes[0]) == JUB_BATTLE_SCENE_COUNT, "battle scenes");
static_assert(sizeof(kTrainingScenes) / sizeof(kTrainingScenes[0]) == JUB_TRAINING_SCENE_COUNT, "training scenes");
static_assert(sizeof(kDataPacks) / sizeof(kDataPacks[0]) == JUB_DATA_PACK_COUNT, "data packs");
static_assert(sizeof(kFonts) / sizeof(kFonts[0]) == JUB_FONT_COUNT, "fonts");
static_assert(sizeof(kSounds) / sizeof(kSounds[0]) == JUB_SOUND_COUNT, "sounds");
static_assert(sizeof(kMusic) / sizeof(kMusic[0]) == JUB_MUSIC_COUNT, "music");
static_assert(sizeof(kImages) / sizeof(kImages[0]) == JUB_IMAGE_COUNT, "images");
static_assert(sizeof(kHelpPictures) / sizeof(kHelpPictures[0]) == JUB_HELP_PICTURE_COUNT, "help pictures");
static_assert(sizeof(kCredits) / sizeof(kCredits[0]) == JUB_CREDITS_LINE_COUNT, "credits");

const i32 kTotalNames = JUB_BACKEND_COUNT + JUB_BATTLE_SCENE_COUNT + JUB_TRAINING_SCENE_COUNT
    + JUB_DATA_PACK_COUNT + JUB_FONT_COUNT + JUB_SOUND_COUNT + JUB_MUSIC_COUNT
    + JUB_IMAGE_COUNT + JUB_HELP_PICTURE_COUNT + JUB_CREDITS_LINE_COUNT;

// Every name as a CKetrelString, table after table, built once on first use.
const CKetrelString* AllNames()
{
    static CKetrelString names[kTotalNames];
    static const bool built = [] {
        i32 at = 0;
        for (const TableInfo& table : kTables)
        {
            for (i32 i = 0; i < table.count; ++i)
                names[at++] = table.names ? table.names[i] : table.rows[i].text;
        }
        return true;
    }();
    (void)built;
    return names;
}
}

const i32 kJubIntroSharedImages[5] = {7, 8, 11, 58, 59};

i32 CJubAssetNames::GetCount(i32 table)
{
    if (table < 0 || table >= JUB_TABLE_COUNT)
        return 0;
    return kTables[table].count;
}

i32 CJubAssetNames::CreditPage(i32 row)
{
    if (row < 0 || row >= JUB_CREDITS_LINE_COUNT)
        return 0;
    return kCredits[row].page;
}

const CKetrelString& CJubAssetNames::Get(i32 table, i32 index)
{
    static const CKetrelString empty;
    if (table < 0 || table >= JUB_TABLE_COUNT || index < 0 || index >= kTables[table].count)
        return empty;
    i32 at = index;
    for (i32 t = 0; t < table; ++t)
        at += kTables[t].count;
    return AllNames()[at];
}

CJubAssetCache::CJubAssetCache() : m_source(nullptr)
{
    for (i32 i = 0; i < JUB_IMAGE_COUNT; ++i)
        m_images[i] = nullptr;
    for (i32 i = 0; i < JUB_SOUND_COUNT; ++i)
        m_sounds[i] = nullptr;
}

CJubAssetCache::~CJubAssetCache()
{
    ReleaseAll();
}

void CJubAssetCache::SetSource(CJubAssetSource* source)
{
    if (source == m_source)
        return;
    ReleaseAll();
    m_source = source;
}

CKetrelSurface* CJubAssetCache::GetImage(i32 index)
{
    if (index < 0 || index >= JUB_IMAGE_COUNT)
        return nullptr;
    if (!m_images[index] && m_source)
        m_images[index] = m_source->GetImage(CJubAssetNames::Image(index));
    return m_images[index];
}

IKetrelSoundSource* CJubAssetCache::GetSound(i32 index)
{
    if (index < 0 || index >= JUB_SOUND_COUNT)
        return nullptr;
    if (!m_sounds[index] && m_source)
        m_sounds[index] = m_source->GetSound(CJubAssetNames::Sound(index));
    return m_sounds[index];
}

CKetrelSurface* CJubAssetCache::PeekImage(i32 index) const
{
    return (index >= 0 && index < JUB_IMAGE_COUNT) ? m_images[index] : nullptr;
}

IKetrelSoundSource* CJubAssetCache::PeekSound(i32 index) const
{
    return (index >= 0 && index < JUB_SOUND_COUNT) ? m_sounds[index] : nullptr;
}

void CJubAssetCache::ReleaseImage(i32 index)
{
    if (index < 0 || index >= JUB_IMAGE_COUNT || !m_images[index])
        return;
    // Every cached handle came from the source, so it knows it; the entry is cleared
    // whatever the source answers, so a handle is never given back twice.
    if (m_source)
        m_source->ReleaseImage(&m_images[index]);
    m_images[index] = nullptr;
}

void CJubAssetCache::ReleaseSound(i32 index)
{
    if (index < 0 || index >= JUB_SOUND_COUNT || !m_sounds[index])
        return;
    if (m_source)
        m_source->ReleaseSound(&m_sounds[index]);
    m_sounds[index] = nullptr;
}

void CJubAssetCache::ReleaseAll()
{
    for (i32 i = 0; i < JUB_IMAGE_COUNT; ++i)
        ReleaseImage(i);
    for (i32 i = 0; i < JUB_SOUND_COUNT; ++i)
        ReleaseSound(i);
}
