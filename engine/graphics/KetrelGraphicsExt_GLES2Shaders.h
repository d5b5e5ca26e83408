#pragma once
// GLSL ES texts of the renderer's built-in programs (mediump throughout).
namespace KetrelGLES2Shaders
{
// Sprite sheet: position x size + pos through projectionMatrix (row vector);
// frame picks a cell of an x_frames by y_frames sheet; texel x color.
extern const char* const kSpriteVertex;
extern const char* const kSpriteFragment;
// Textured: position passed through; the texel.
extern const char* const kTexturedVertex;
extern const char* const kTexturedFragment;
// Colour: position passed through; the interpolated colour.
extern const char* const kColorVertex;
extern const char* const kColorFragment;
// Vertex-colour textured (2D position, uv, colour): texel x colour.
extern const char* const kVertexColorVertex;
extern const char* const kVertexColorFragment;
// Tint: rgb = mix(colour.rgb x texel.a, texel.rgb, colour.a), alpha = texel.a.
extern const char* const kTintFragment;
// Font: position x scale + offset; color x texel alpha.
extern const char* const kFontVertex;
extern const char* const kFontFragment;
}
