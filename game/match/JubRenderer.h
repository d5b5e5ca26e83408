#pragma once
#include "engine/KetrelColor.h"
#include "engine/KetrelRect.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "engine/KetrelVector.h"
#include "engine/graphics/KetrelMatrix4.h"
#include "game/match/JubCamera.h"

class CJubAssetCache;
class CJubShader;
class CKetrelBitmapFont;
class CKetrelSurface;
class IKetrelApplication;
class IKetrelGraphicsContext;

// The renderer's shaders, in the order they are made.
enum
{
    JUB_SHADER_WATER = 0,
    JUB_SHADER_BLOCK,
    JUB_SHADER_GLOOB,
    JUB_SHADER_SCREEN,
    JUB_SHADER_SCREEN_OVERLAY,
    JUB_SHADER_WORLD,
    JUB_SHADER_BACKGROUND,
    JUB_SHADER_COUNT
};

enum
{
    JUB_IMAGE_WATER_BASE = 44,     // the water body, repeated across
    JUB_IMAGE_WAVES      = 45,     // the two wave strips; no water is drawn without it
    JUB_BATCH_MAX_QUADS  = 255,    // quads per glDrawElements of a block batch
    JUB_FONT_SLOTS       = 1       // fonts of the game's font table
};

// Text flags of DrawText beyond the bitmap font's own.
enum : u32
{
    JUB_TEXT_SCALE_3_4  = 0x4000,  // drawn at 0.75 of the font's scale
    JUB_TEXT_SCALE_HALF = 0x8000   // drawn at 0.5 of the font's scale
};

// One quad of a block batch, in world units. shade multiplies the colour (1 = as painted).
struct CJubBlockQuad
{
    CKetrelVector2 centre;
    CKetrelVector2 halfSize;
    f32 shade;
};

// Where DrawText takes its fonts: the resource manager of the running application, or a
// fake in tests. A font handed out is given back with ReleaseFont.
class CJubFontSource
{
public:
    virtual ~CJubFontSource() {}
    // Null when no font of that file name can be had.
    virtual CKetrelBitmapFont* GetFont(const CKetrelString& name) = 0;
    virtual void ReleaseFont(CKetrelBitmapFont** font) = 0;
};

// Draws the match with OpenGL ES 2.0: it owns the seven game shaders, the camera, a clock
// that drives the water waves and the client-side buffers of the block batches; every
// game screen draws through its immediate routines (one textured quad per call).
//
// Every draw routine leaves GL as it found it in the ways the engine's own drawing relies
// on: blending off (equation add), depth test on with depth writes, no texture bound on
// units 0 and 1 (unit 0 active), the routine's vertex attribute arrays disabled, and no
// buffer object bound. A routine without its texture, or whose shader failed to build,
// draws nothing. Images come from the asset cache given with SetAssets (the game object's
// handle caches). Main thread only.
class CJubRenderer
{
public:
    CJubRenderer();
    ~CJubRenderer();               // shaders, buffers and cached fonts released
    CJubRenderer(const CJubRenderer&) = delete;
    CJubRenderer& operator=(const CJubRenderer&) = delete;

    // Keeps the application, gives the camera the drawing target's size (view offset
    // (0, 0.5), zoom 1), makes the shaders and the batch buffers. KE_OK, or KE_ERR_MEMORY.
    int Init(IKetrelApplication* app);
    // Deletes the shaders and makes all seven again; run after the GL context was made
    // again. Failures end up in each shader's log.
    void CreateShaders();
    void ReleaseShaders();

    // clock += dt; then the camera's update.
    void Update(f32 dt);

    void SetAssets(CJubAssetCache* assets) { m_assets = assets; }
    CJubAssetCache* GetAssets() const { return m_assets; }
    // Fonts of DrawText; fonts already taken from an earlier source are given back.
    void SetFontSource(CJubFontSource* fonts);

    IKetrelApplication* GetApplication() const { return m_app; }
    IKetrelGraphicsContext* GetGraphics() const;
    CJubCamera& GetCamera() { return m_camera; }
    const CJubCamera& GetCamera() const { return m_camera; }
    f32 GetClock() const { return m_clock; }
    void SetClock(f32 seconds) { m_clock = seconds; }
    // The water level of the level editor's view: the editor sets it on every step;
    // nothing draws with it.
    void SetEditorWater(f32 level) { m_editorWater = level; }
    f32 GetEditorWater() const { return m_editorWater; }
    // Null for an index outside 0..6 or before Init.
    CJubShader* GetShader(i32 index) const;
    f32 GetScreenWidth() const { return m_camera.GetScreenWidth(); }
    f32 GetScreenHeight() const { return m_camera.GetScreenHeight(); }

    // ---- immediate quads in screen pixels (centre and half size) ----
    // Premultiplied blending (ONE, ONE_MINUS_SRC_ALPHA) when the colour is opaque, else
    // (SRC_ALPHA, ONE_MINUS_SRC_ALPHA).
    void DrawSprite(const CKetrelVector2& centre, const CKetrelVector2& halfSize,
                    CKetrelSurface* texture, const CKetrelColor& colour);
    // One cell of a sheet of columns x rows; the column is taken modulo columns.
    void DrawSpriteFrame(const CKetrelVector2& centre, const CKetrelVector2& halfSize,
                         CKetrelSurface* texture, i32 column, i32 row, i32 columns, i32 rows,
                         const CKetrelColor& colour);
    // A sheet cell turned by angle radians (counter-clockwise on screen) about its centre.
    void DrawSpriteFrameRotated(const CKetrelVector2& centre, const CKetrelVector2& halfSize,
                                CKetrelSurface* texture, i32 column, i32 row, i32 columns,
                                i32 rows, f32 angle, const CKetrelColor& colour);
    // A sheet cell through the overlay shader; multiply != 0 blends (DST_COLOR, SRC_COLOR).
    void DrawOverlaySprite(const CKetrelVector2& centre, const CKetrelVector2& halfSize,
                           CKetrelSurface* texture, i32 column, i32 row, i32 columns, i32 rows,
                           const CKetrelColor& colour, i32 multiply);
    // The whole texture, corners turned by -pi/2 - angle about the centre, added to the
    // target (SRC_ALPHA, ONE).
    void DrawParticle(const CKetrelVector2& centre, const CKetrelVector2& halfSize,
                      CKetrelSurface* texture, f32 angle, const CKetrelColor& colour);

    // ---- world-space quads through the camera (premultiplied blending) ----
    // shader: JUB_SHADER_GLOOB or JUB_SHADER_WORLD. uv: the texture rectangle (null: all),
    // top at the quad's upper edge.
    void DrawWorldSprite(i32 shader, const CKetrelVector2& centre, const CKetrelVector2& halfSize,
                         CKetrelSurface* texture, const CKetrelColor& colour,
                         const CKetrelRectF* uv = nullptr);
    // A Gloob-shader quad with free corners in fan order: upper left, upper right, lower
    // right, lower left (as the texture is painted).
    void DrawCreatureQuad(const CKetrelVector2* corners, CKetrelSurface* texture,
                          const CKetrelColor& colour, const CKetrelRectF* uv = nullptr);
    // A background layer. opaque != 0 replaces colour and alpha (ONE, ZERO); otherwise it
    // blends premultiplied. projection null: the camera's view.
    void DrawBackground(const CKetrelVector2& centre, const CKetrelVector2& halfSize,
                        CKetrelSurface* texture, const CKetrelColor& colour, i32 opaque,
                        const CKetrelMatrix4* projection = nullptr);
    // Two wave strips and the water body, waving with the clock. Images 44 and 45 of the
    // asset cache; nothing without 45. editor != 0 blends (ONE, ONE_MINUS_SRC_COLOR).
    void DrawWater(i32 editor);

    // ---- block batches ----
    // The quads with the block shader: shape (texture0, stretched over each quad) times
    // surface (texture1, repeated in world space) times shade. Drawn in runs of at most
    // 255 quads. Nothing without both textures.
    void DrawBlockBatch(const CJubBlockQuad* quads, i32 count, CKetrelSurface* shape,
                        CKetrelSurface* surface);
    // The outline pass: each quad grown by margin on every side, drawn with the world
    // shader in reverse-subtract blending, so the colour x texture is taken off the
    // target where the target is opaque.
    void DrawBlockOutlines(const CJubBlockQuad* quads, i32 count, CKetrelSurface* texture,
                           const CKetrelColor& colour, f32 margin);

    // ---- text ----
    // Text in the box through the font of that index of the game's font table, taken on
    // first use. JUB_TEXT_SCALE_3_4 and JUB_TEXT_SCALE_HALF scale the font for this call;
    // the other flags are the bitmap font's. Lines wrap at 0.6 of the screen width.
    void DrawText(const CKetrelString& text, const CKetrelRectF& box, u32 colour, u32 flags,
                  i32 font);
    // The text in black (the colour's alpha) in the box moved down by trunc(4 x the font's
    // scale) pixels, then in its colour in the box.
    void DrawShadowedText(const CKetrelString& text, const CKetrelRectF& box, u32 colour,
                          u32 flags, i32 font);
    // The font of that index (taken on first use), or null.
    CKetrelBitmapFont* GetFont(i32 font);

    // The texture rectangle of a sheet cell: u from column / columns to (column + 1) /
    // columns with the column taken modulo columns, v from row / rows to (row + 1) / rows,
    // both moved down by 0.005.
    static CKetrelRectF SheetCell(i32 column, i32 row, i32 columns, i32 rows);

    // Bytes of the batch buffers, for tests.
    i32 GetBatchVertexBytes() const { return m_batchVertexBytes; }
    i32 GetBatchIndexBytes() const { return m_batchIndexBytes; }
    // glDrawElements calls of the block batches since the last reset, for tests.
    i32 GetBatchDrawCount() const { return m_batchDraws; }
    void ResetBatchDrawCount() { m_batchDraws = 0; }

private:
    struct Vertex
    {
        f32 x, y, z, u, v;
    };
    // A fan of four: program, uniforms, texture on unit 0 with the given wrap, blending,
    // the draw, and the restore.
    void DrawFan(CJubShader* shader, const Vertex* fan, CKetrelSurface* texture,
                 const CKetrelColor* colour, const CKetrelMatrix4* projection, u32 blendSource,
                 u32 blendDest, u32 wrapS, u32 wrapT);
    void ScreenFan(f32 cx, f32 cy, f32 hx, f32 hy, f32 angle, f32 z, const CKetrelRectF& uv,
                   Vertex* fan) const;
    void ScreenQuad(i32 shader, const CKetrelVector2& centre, const CKetrelVector2& halfSize,
                    CKetrelSurface* texture, const CKetrelRectF& uv, f32 angle, f32 z,
                    const CKetrelColor& colour, u32 blendSource, u32 blendDest);
    // Writes quads into the batch buffers and draws them with the bound program.
    void DrawBatchRuns(CJubShader* shader, const CJubBlockQuad* quads, i32 count, f32 grow);
    void ReleaseFonts();

    CJubShader* m_shaders[JUB_SHADER_COUNT];   // owned
    CJubCamera m_camera;
    f32 m_clock;
    IKetrelApplication* m_app;                 // not owned
    CJubAssetCache* m_assets;                  // not owned
    CJubFontSource* m_fontSource;              // not owned
    CKetrelBitmapFont* m_fonts[JUB_FONT_SLOTS];   // from m_fontSource
    u8* m_batchVertices;                       // owned; JUB_BATCH_MAX_QUADS quads of 32 bytes x 4
    u16* m_batchIndices;                       // owned; 6 per quad, filled once
    i32 m_batchVertexBytes;
    i32 m_batchIndexBytes;
    i32 m_batchDraws;
    f32 m_editorWater = 0.0f;
};
