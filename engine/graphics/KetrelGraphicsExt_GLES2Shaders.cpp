#include "engine/graphics/KetrelGraphicsExt_GLES2Shaders.h"

namespace KetrelGLES2Shaders
{

// The sheet's cells are 1 / x_frames wide and 1 / y_frames high, numbered row
// by row; uv spans one cell.
const char* const kSpriteVertex =
    "precision mediump float; precision mediump int;"
    "attribute vec3 position; attribute vec2 uv;"
    "uniform int frame; uniform int x_frames; uniform int y_frames; uniform float size;"
    "uniform vec4 color; uniform vec3 pos; uniform mat4 projectionMatrix;"
    "varying vec2 v_uv; varying vec4 v_color;"
    "void main() {"
    " int columns = x_frames > 0 ? x_frames : 1; int rows = y_frames > 0 ? y_frames : 1;"
    " int fy = frame / columns; int fx = frame - fy * columns;"
    " v_uv = uv + vec2(float(fx) / float(columns), float(fy) / float(rows));"
    " v_color = color;"
    " gl_Position = vec4(position * size + pos, 1.0) * projectionMatrix; }";

const char* const kSpriteFragment =
    "precision mediump float;"
    "uniform sampler2D texture01; varying vec2 v_uv; varying vec4 v_color;"
    "void main() { gl_FragColor = texture2D(texture01, v_uv) * v_color; }";

const char* const kTexturedVertex =
    "precision mediump float;"
    "attribute vec3 position; attribute vec2 uv; varying vec2 v_uv;"
    "void main() { v_uv = uv; gl_Position = vec4(position, 1.0); }";

const char* const kTexturedFragment =
    "precision mediump float;"
    "uniform sampler2D texture01; varying vec2 v_uv;"
    "void main() { gl_FragColor = texture2D(texture01, v_uv); }";

const char* const kColorVertex =
    "precision mediump float;"
    "attribute vec3 position; attribute vec4 color; varying vec4 v_color;"
    "void main() { v_color = color; gl_Position = vec4(position, 1.0); }";

const char* const kColorFragment =
    "precision mediump float;"
    "varying vec4 v_color;"
    "void main() { gl_FragColor = v_color; }";

const char* const kVertexColorVertex =
    "precision mediump float;"
    "attribute vec2 position; attribute vec2 uv; attribute vec4 color;"
    "varying vec2 v_uv; varying vec4 v_color;"
    "void main() { v_uv = uv; v_color = color; gl_Position = vec4(position, 0.0, 1.0); }";

const char* const kVertexColorFragment = kSpriteFragment;

const char* const kTintFragment =
    "precision mediump float;"
    "uniform sampler2D texture01; varying vec2 v_uv; varying vec4 v_color;"
    "void main() { vec4 t = texture2D(texture01, v_uv);"
    " gl_FragColor = vec4(mix(v_color.rgb * t.a, t.rgb, v_color.a), t.a); }";

const char* const kFontVertex =
    "precision mediump float;"
    "attribute vec2 position; attribute vec2 uv; attribute vec2 offset;"
    "uniform vec2 scale; varying vec2 v_uv;"
    "void main() { v_uv = uv;"
    " gl_Position = vec4(position.x * scale.x + offset.x, position.y * scale.y + offset.y,"
    " 0.0, 1.0); }";

const char* const kFontFragment =
    "precision mediump float;"
    "uniform sampler2D texture01; uniform vec4 color; varying vec2 v_uv;"
    "void main() { gl_FragColor = color * texture2D(texture01, v_uv).a; }";

} // namespace KetrelGLES2Shaders
