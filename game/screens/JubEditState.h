#pragma once
#include "engine/KetrelRect.h"
#include "engine/KetrelString.h"
#include "engine/KetrelVector.h"
#include "game/match/JubButtonManager.h"
#include "game/match/JubState.h"

class CJubBlock;
class CJubScene;

enum
{
    JUB_EDIT_PALETTE_CELLS = 40,
    JUB_EDIT_MAX_BLOCKS = 223
};

// Tools of the editor, in the order a press tests them.
enum EJubEditTool
{
    JUB_TOOL_TEST_VIEW = 0,
    JUB_TOOL_HIDE_TEXTS,
    JUB_TOOL_GRID,
    JUB_TOOL_MIRROR,
    JUB_TOOL_SAVE,
    JUB_TOOL_DELETE,
    JUB_TOOL_MATERIAL0,                          // four material cells
    JUB_TOOL_FLAGS0 = JUB_TOOL_MATERIAL0 + 4,    // three cells of the drawing group
    JUB_TOOL_LAYER0 = JUB_TOOL_FLAGS0 + 3,       // three layer cells
    JUB_TOOL_COUNT = JUB_TOOL_LAYER0 + 3
};

// The level editor (screen 1): a scene in editor mode where touch 1 places blocks of the
// chosen palette type and style, touch 0 picks, drags and snaps them, touch 2 toggles
// markers and zooms, and the tools restyle, delete, toggle the grid and the mirror mode
// and save. With the mirror on, a new block off the centre line gets a twin at the
// mirrored grid cell, and moving, restyling and deleting keep both in step. Saving writes
// the level into the user data folder; a failed write keeps the editor open.
class CJubEditState : public CJubState, public CJubButtonListener
{
public:
    CJubEditState();
    ~CJubEditState() override;

    int Init(CJubGameHost* game) override;
    void Deinit() override;
    void Reset() override;
    int Update(f32 dt) override;
    void Render() override;
    void ReloadResources() override {}
    i32 OnKey(i32) override { return 1; }

    void OnButtonPressed(CJubButton*) override {}
    void OnButtonClicked(CJubButton*) override {}
    void OnButtonHeld(CJubButton*) override {}

    // ---- editing, also for tools and tests ----
    // A block of the current palette type and style at the world point snapped to the
    // grid (and its twin with the mirror on); it becomes the selection. Null when the set
    // refuses it (the selection is then cleared).
    CJubBlock* PlaceBlock(const CKetrelVector2& world);
    // Moves the selected block (and its twin) to the world point snapped to the grid.
    void MoveSelected(const CKetrelVector2& world);
    void DeleteSelected();
    // Applies a material (0..3), drawing group (0..2) or layer (0..2) to the current style,
    // the selection and, with the mirror on, its twin. -1 leaves a value alone.
    void ApplyStyle(i32 material, i32 flags, i32 layer);
    // Removes the marker at the world point or adds one there.
    void ToggleMarker(const CKetrelVector2& world);
    // Writes the level into fileName's user data path: KE_OK ends the screen; a failure
    // is printed and the editor stays open.
    int Save();
    void SetMirror(i32 on) { m_mirror = on ? 1 : 0; }
    void SetPaletteType(i32 type) { m_paletteType = type; }

    CJubScene* GetScene() const { return m_scene; }
    CJubBlock* GetSelected() const;
    i32 IsMirror() const { return m_mirror; }
    i32 IsGrid() const { return m_grid; }
    i32 IsTestView() const { return m_testView; }
    i32 IsHideTexts() const { return m_hideTexts; }
    i32 IsPaletteDrag() const { return m_paletteDrag; }
    i32 IsPanning() const { return m_pan; }
    i32 GetPaletteType() const { return m_paletteType; }
    i32 GetMaterial() const { return m_material; }
    i32 GetFlags() const { return m_flags; }
    i32 GetLayer() const { return m_layer; }
    const CKetrelRectF& GetTool(i32 tool) const { return m_tools[tool]; }
    const CKetrelRectF& GetPaletteCell(i32 i) const { return m_palette[i]; }
    CKetrelString GetSavePath() const;
    // Colour of the block counter for a count of blocks.
    static u32 CounterColour(i32 blocks);
    // The pan factor at zoom z.
    static f32 PanFactor(f32 zoom);

private:
    void LayOut();
    void SpringBack();
    void HandleInput();
    // Scales the zoom (and its goal), kept within 0.05..10.
    void Zoom(f32 factor);
    i32 HandleTool(const CKetrelVector2& point);
    void ScreenToWorld(const CKetrelVector2& screen, CKetrelVector2& world) const;
    void Snap(const CKetrelVector2& world, CKetrelVector2& snapped) const;
    void Mirrored(const CKetrelVector2& snapped, CKetrelVector2& out, i32* onAxis) const;
    void ClearSelection();
    void DrawGuides();

    CJubScene* m_scene;                 // owned
    i32 m_mirror;
    i32 m_modified;
    i32 m_testView;
    i32 m_selectedMarker;
    CKetrelString m_fileName;
    i32 m_hideTexts;
    f32 m_elapsed;
    i32 m_pan;
    i32 m_paletteDrag;
    i32 m_grid;
    i32 m_paletteType;
    i32 m_material;
    i32 m_flags;                        // the block's drawing group ("second style value")
    i32 m_layer;                        // the block's layer ("size")
    i32 m_paletteCell;
    i32 m_paletteChosen;
    i32 m_blockSelected;
    CKetrelVector2 m_grab;
    i32 m_pinchHeld;                    // touch 0 outlasted a pinch and is ignored till it lifts
    CKetrelRectF m_palette[JUB_EDIT_PALETTE_CELLS];
    CKetrelRectF m_tools[JUB_TOOL_COUNT];
};
