#pragma once
#include "engine/KetrelArray.h"
#include "engine/KetrelColor.h"
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "engine/KetrelVector.h"
#include "game/match/JubBlock.h"
#include "game/match/JubCamera.h"
#include "game/match/JubPlayer.h"

class CJubAssetSource;
class CJubRenderer;
class CJubPhysicsWorld;

enum
{
    JUB_SCENE_PLAYERS       = 2,
    JUB_SCENE_START_ENTRIES = 3,      // start cells per player in a level file
    JUB_SCENE_MAX_MARKERS   = 255,    // what the file's marker count can hold
    JUB_SCENE_VERSION_100   = 100,
    JUB_SCENE_VERSION_110   = 110
};

// An editor marker: a box at a world position.
struct CJubSceneMarker
{
    CKetrelVector2 position;
    CKetrelVector2 halfSize;
};

// One battlefield: the two players' creature records, the level's blocks, the editor's
// markers, the players' home positions and the tables a level file carries. The scene owns
// its block set, markers and projectile records; the bodies live in the linked physics
// world, which must outlive the scene (the scene removes its bodies from it when it goes).
// Main thread only.
class CJubScene
{
public:
    CJubScene();
    ~CJubScene();
    CJubScene(const CJubScene&) = delete;
    CJubScene& operator=(const CJubScene&) = delete;

    // Links the scene to its resources (for LoadFromMemory; may be null), its camera (which
    // does the grid conversions and gets this scene; null uses a camera of the scene's own)
    // and its world; creates the block set bound to the world. Outside editor mode the
    // players are built.
    void Init(CJubAssetSource* assets, CJubCamera* camera, CJubPhysicsWorld* world, i32 editor);
    // Empties the block set and the whole world, deletes the projectile records and the
    // markers, stops the camera following, clears the selection and builds the players
    // again. Every body pointer taken before is dead afterwards.
    void Reset();

    // Resets, names the scene after the file and reads the level from it. KE_OK, or the
    // open error with the scene left reset.
    int Load(const CKetrelString& fileName);
    // Resets, names the scene and reads the level's bytes through the resources. KE_OK,
    // or 0 when no data comes back.
    int LoadFromMemory(const CKetrelString& fileName);
    // Reads a level from bytes already in memory into this (reset) scene. With
    // placeAtEveryEntry the creature is moved to each of its start entries in turn, not
    // only the first. Returns KE_OK; short data keeps the defaults for what is missing.
    int ParseLevel(const u8* data, i32 size, bool placeAtEveryEntry);
    // Writes the level ("v110", both tables, three start entries per player at the
    // creature's cell, the blocks, at most 255 markers) to a temporary file beside the
    // target and renames it over the target, so a failed save leaves the old file. KE_OK,
    // KE_ERR_OPEN when the temporary file cannot be made, KE_ERR_DEVICE when a write or
    // the rename fails.
    int Save(const CKetrelString& fileName) const;
    // The bytes Save writes.
    void WriteLevel(CKetrelArray<u8>& out) const;
    // The level's name from a file name: the directory and the last four characters
    // (the extension) dropped, every "_" made a space.
    static CKetrelString NameFromFileName(const CKetrelString& fileName);

    // The scene owns the marker; null when 255 markers are held.
    CJubSceneMarker* AddMarker(const CKetrelVector2& position, const CKetrelVector2& halfSize);
    // Deletes the marker; one the scene does not hold is ignored.
    void RemoveMarker(CJubSceneMarker* marker);
    // The first marker whose box (edges included) holds the point, or null.
    CJubSceneMarker* FindMarkerAt(const CKetrelVector2& point) const;
    i32 GetMarkerCount() const { return m_markers.GetCount(); }
    CJubSceneMarker* GetMarker(i32 index) const { return (CJubSceneMarker*)m_markers.GetAt(index); }

    // A projectile of the kind in the player's slot, placed at the creature; a projectile
    // already in the slot is removed first. Null for a player other than 0 and 1, a slot
    // outside 0..31 or a scene without a world.
    CJubProjectile* CreateProjectile(i32 player, u8 kind, i32 slot);
    // Removes the slot's projectile and its body; an empty slot does nothing.
    void RemoveProjectile(i32 player, i32 slot);

    // Rebuilds both players' lists of the blocks above and below their creatures.
    void FindColumnBlocks();
    // Drops the block id from both lists of both players.
    void ForgetBlock(u8 id);

    // Launch masks are released once a projectile has left its creature, the creatures
    // look at the latest live projectile (or at each other), and both aims are updated.
    void UpdateProjectileMasks();
    // clock += dt; projectile masks; the block animation when on; the creatures outside
    // the editor.
    void Update(f32 dt);

    // ---- drawing, through the renderer and its camera (JubSceneDraw.cpp) ----
    // The blocks of layers 0..3 in that order; within a layer by material and flags
    // (0..3 each), in batches of blocks that do not overlap one another by more than
    // 0.001. With outlines, layers 1 to 3 first get an outline pass under their blocks
    // (all but the ice). Larger layers and flags are not drawn.
    void RenderBlocks(CJubRenderer& renderer, i32 outlines);
    // Batches drawn by the last RenderBlocks.
    i32 GetBlockBatchCount() const { return m_blockBatches; }
    // A living player's creature: while aiming the stretch picture along the whip vector
    // (and the aim dots when previewed), else the sheet cell of its aim direction in the
    // row given (8: the win animation), breathing with the game clock (ms), and its worn
    // item over it.
    void RenderCreature(CJubRenderer& renderer, i32 player, u32 clockMs, i32 row);
    // Both creatures in row 0.
    void RenderCreatures(CJubRenderer& renderer, u32 clockMs);
    // 1 to 10 dots along the reversed aim vector, more for a longer pull.
    void RenderAimDots(CJubRenderer& renderer, i32 player);
    // Each marker as a world sprite covering its box.
    void RenderMarkers(CJubRenderer& renderer);
    // For each player whose display flag is set: its damage numbers ("-%d", rising with
    // the display timer, a line apart) above the creature and its health ("%d") below it.
    // The anchor follows the creature while it lives above the water, else stays put.
    void DrawCreatureNumbers(CJubRenderer& renderer);

    CJubPlayer& GetPlayer(i32 index) { return m_players[index & 1]; }
    const CJubPlayer& GetPlayer(i32 index) const { return m_players[index & 1]; }
    CJubBlockSet* GetBlocks() const { return m_blocks; }
    CJubCamera* GetCamera() const { return m_camera; }
    CJubPhysicsWorld* GetWorld() const { return m_world; }
    const CKetrelString& GetName() const { return m_name; }
    void SetName(const CKetrelString& name) { m_name = name; }
    f32 GetClock() const { return m_clock; }
    i32 IsEditor() const { return m_editor; }
    void SetAnimateBlocks(i32 on) { m_animateBlocks = on ? 1 : 0; }
    i32 GetSelection() const { return m_selection; }
    void SetSelection(i32 id) { m_selection = id; }
    const CKetrelColor& GetColour(i32 player) const { return m_colours[player & 1]; }
    // Start entry k (0..2) of a player, recorded when a level is read outside the editor.
    const CKetrelVector2& GetHomePosition(i32 player, i32 entry) const;
    u32 GetIndexTable(i32 i) const { return m_indexTable[i & 3]; }
    u32 GetIndexMatrix(i32 row, i32 column) const { return m_indexMatrix[(row & 3) * 4 + (column & 3)]; }
    // The level file version last read: 100, 110, or 0 for a file without header.
    i32 GetVersion() const { return m_version; }

private:
    void BuildPlayers();
    void DeleteProjectiles();
    void DeleteMarkers();
    void RemoveAllBodies();
    void ResetTables();
    void ForgetOpponentBody(CJubPhysicsBody* body);

    f32 m_clock;                        // seconds since Init
    i32 m_animateBlocks;
    CKetrelColor m_colours[JUB_SCENE_PLAYERS];
    CJubPlayer m_players[JUB_SCENE_PLAYERS];
    CJubBlockSet* m_blocks;             // owned, made by Init
    CJubAssetSource* m_assets;          // not owned
    CJubCamera* m_camera;               // not owned unless it is &m_ownCamera
    CJubCamera m_ownCamera;
    CJubPhysicsWorld* m_world;          // not owned
    i32 m_selection;                    // editor's selected block id, -1 none
    CKetrelString m_name;
    CKetrelPtrArray m_markers;          // CJubSceneMarker*, owned
    u32 m_indexTable[4];                // carried through load and save only
    u32 m_indexMatrix[16];              // likewise, four rows of four
    CKetrelVector2 m_home[JUB_SCENE_PLAYERS][JUB_SCENE_START_ENTRIES];
    i32 m_editor;
    i32 m_blockBatches = 0;             // drawn by the last RenderBlocks
    CKetrelVector2 m_numberAnchor[JUB_SCENE_PLAYERS];   // where the numbers were last drawn
    i32 m_version;
};
