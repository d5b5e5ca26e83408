// The game's seven shader programs: their GLSL ES 1.00 texts and the classes that build
// them and look up their inputs.
#include "game/match/JubShader.h"

#include "engine/KetrelApplication.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/Ketrel3DProgram.h"
#include "engine/graphics/KetrelGraphicsExt_GLES2.h"

#include <EGL/egl.h>
#include <GLES2/gl2.h>

// Positions are multiplied as a row vector by the projection matrix: the camera keeps its
// view matrix row by row (translation in elements 3 and 7) and uploads it as it is.
const char* const CJubShaderTexts::kWaterVertex =
    "precision mediump float;\n"
    "attribute vec3 position;\n"
    "attribute vec2 uv0;\n"
    "uniform mat4 projectionMatrix;\n"
    "varying vec2 vUv0;\n"
    "void main()\n"
    "{\n"
    "    gl_Position = vec4(position, 1.0) * projectionMatrix;\n"
    "    vUv0 = uv0;\n"
    "}\n";

const char* const CJubShaderTexts::kWaterFragment =
    "precision mediump float;\n"
    "uniform sampler2D texture0;\n"
    "varying vec2 vUv0;\n"
    "void main()\n"
    "{\n"
    "    gl_FragColor = texture2D(texture0, vUv0);\n"
    "}\n";

const char* const CJubShaderTexts::kBlockVertex =
    "precision mediump float;\n"
    "attribute vec3 position;\n"
    "attribute vec2 uv0;\n"
    "attribute vec2 uv1;\n"
    "attribute float shadevs;\n"
    "uniform mat4 projectionMatrix;\n"
    "varying vec2 vUv0;\n"
    "varying vec2 vUv1;\n"
    "varying float vShade;\n"
    "void main()\n"
    "{\n"
    "    gl_Position = vec4(position, 1.0) * projectionMatrix;\n"
    "    vUv0 = uv0;\n"
    "    vUv1 = uv1;\n"
    "    vShade = shadevs;\n"
    "}\n";

const char* const CJubShaderTexts::kBlockFragment =
    "precision mediump float;\n"
    "uniform sampler2D texture0;\n"
    "uniform sampler2D texture1;\n"
    "varying vec2 vUv0;\n"
    "varying vec2 vUv1;\n"
    "varying float vShade;\n"
    "void main()\n"
    "{\n"
    "    vec4 shape = texture2D(texture0, vUv0);\n"
    "    vec4 surface = texture2D(texture1, vUv1);\n"
    "    gl_FragColor = vec4(shape.rgb * surface.rgb * vShade, shape.a);\n"
    "}\n";

const char* const CJubShaderTexts::kGloobVertex =
    "precision mediump float;\n"
    "attribute vec3 position;\n"
    "attribute vec2 uv0;\n"
    "uniform mat4 projectionMatrix;\n"
    "varying vec2 vUv0;\n"
    "void main()\n"
    "{\n"
    "    gl_Position = vec4(position, 1.0) * projectionMatrix;\n"
    "    vUv0 = uv0;\n"
    "}\n";

const char* const CJubShaderTexts::kGloobFragment =
    "precision mediump float;\n"
    "uniform sampler2D texture0;\n"
    "uniform vec4 color0;\n"
    "varying vec2 vUv0;\n"
    "void main()\n"
    "{\n"
    "    gl_FragColor = texture2D(texture0, vUv0) * color0;\n"
    "}\n";

const char* const CJubShaderTexts::kScreenVertex =
    "precision mediump float;\n"
    "attribute vec3 position;\n"
    "attribute vec2 uv0;\n"
    "varying vec2 vUv0;\n"
    "void main()\n"
    "{\n"
    "    gl_Position = vec4(position, 1.0);\n"
    "    vUv0 = uv0;\n"
    "}\n";

const char* const CJubShaderTexts::kScreenFragment = CJubShaderTexts::kGloobFragment;

const char* const CJubShaderTexts::kScreenOverlayFragment =
    "precision mediump float;\n"
    "uniform sampler2D texture0;\n"
    "uniform vec4 color0;\n"
    "varying vec2 vUv0;\n"
    "void main()\n"
    "{\n"
    "    gl_FragColor = color0 * texture2D(texture0, vUv0);\n"
    "}\n";

// ---- CJubShader ----

CJubShader::CJubShader(const char* vertexText, const char* fragmentText, IKetrelApplication* app)
    : m_program(0), m_vertexShader(0), m_fragmentShader(0), m_app(app), m_context(nullptr)
{
    CKetrelGraphicsExt_GLES2* gl =
        app ? CKetrelGraphicsExt_GLES2::FromContext(app->GetGraphicsContext()) : nullptr;
    if (!gl)
    {
        m_log = "NULL Extension \n";
        return;
    }
    m_context = (void*)eglGetCurrentContext();
    int rc = CKetrel3DProgram::CompileAndLink(CKetrelString(vertexText), CKetrelString(fragmentText),
                                              &m_vertexShader, &m_fragmentShader, &m_program);
    if (rc != KE_OK)
        m_log.Append(CKetrelString("Failed to create shader program \n"));
}

CJubShader::~CJubShader()
{
    // Names made in a context that is gone may now name another client's objects.
    if (m_context && (void*)eglGetCurrentContext() == m_context)
    {
        if (m_program)
            glDeleteProgram(m_program);
        if (m_vertexShader)
            glDeleteShader(m_vertexShader);
        if (m_fragmentShader)
            glDeleteShader(m_fragmentShader);
    }
    m_program = m_vertexShader = m_fragmentShader = 0;
}

void CJubShader::Use()
{
    glUseProgram(m_program);
}

i32 CJubShader::Attribute(const char* name) const
{
    return m_program ? (i32)glGetAttribLocation(m_program, name) : -1;
}

i32 CJubShader::Uniform(const char* name) const
{
    return m_program ? (i32)glGetUniformLocation(m_program, name) : -1;
}

i32 CJubShader::BindSampler(const char* name, i32 unit, const char* message)
{
    i32 location = Uniform(name);
    if (location < 0)
    {
        m_log.Append(CKetrelString(message));
        return location;
    }
    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    glUseProgram(m_program);
    glUniform1i(location, unit);
    glUseProgram((GLuint)current);
    return location;
}

// ---- the seven programs ----

namespace
{
const char* Or(const char* given, const char* builtIn)
{
    return given ? given : builtIn;
}
} // namespace

CJubWaterShader::CJubWaterShader(IKetrelApplication* app, const char* vertex, const char* fragment)
    : CJubShader(Or(vertex, CJubShaderTexts::kWaterVertex),
                 Or(fragment, CJubShaderTexts::kWaterFragment), app)
{
    position = Attribute("position");
    uv0 = Attribute("uv0");
    projectionMatrix = Uniform("projectionMatrix");
    texture0 = BindSampler("texture0", 0, "WATER SHADER : Failed to get uniform location texture0 \n");
}

CJubBlockShader::CJubBlockShader(IKetrelApplication* app, const char* vertex, const char* fragment)
    : CJubShader(Or(vertex, CJubShaderTexts::kBlockVertex),
                 Or(fragment, CJubShaderTexts::kBlockFragment), app)
{
    position = Attribute("position");
    uv0 = Attribute("uv0");
    uv1 = Attribute("uv1");
    shade = Attribute("shadevs");
    projectionMatrix = Uniform("projectionMatrix");
    texture0 = BindSampler("texture0", 0, "BLOCK SHADER 0: Failed to get uniform location texture0 \n");
    texture1 = BindSampler("texture1", 1, "BLOCK SHADER 1: Failed to get uniform location texture1 \n");
}

CJubGloobShader::CJubGloobShader(IKetrelApplication* app, const char* vertex, const char* fragment)
    : CJubShader(Or(vertex, CJubShaderTexts::kGloobVertex),
                 Or(fragment, CJubShaderTexts::kGloobFragment), app)
{
    position = Attribute("position");
    uv0 = Attribute("uv0");
    projectionMatrix = Uniform("projectionMatrix");
    color0 = Uniform("color0");
    texture0 = BindSampler("texture0", 0, "GLOOB SHADER : Failed to get uniform location texture0 \n");
}

CJubWorldShader::CJubWorldShader(IKetrelApplication* app, const char* vertex, const char* fragment)
    : CJubShader(Or(vertex, CJubShaderTexts::kGloobVertex),
                 Or(fragment, CJubShaderTexts::kGloobFragment), app)
{
    position = Attribute("position");
    uv0 = Attribute("uv0");
    projectionMatrix = Uniform("projectionMatrix");
    color0 = Uniform("color0");
    texture0 = BindSampler("texture0", 0, "WORLD SHADER : Failed to get uniform location texture0 \n");
}

CJubBackgroundShader::CJubBackgroundShader(IKetrelApplication* app, const char* vertex,
                                           const char* fragment)
    : CJubShader(Or(vertex, CJubShaderTexts::kGloobVertex),
                 Or(fragment, CJubShaderTexts::kGloobFragment), app)
{
    position = Attribute("position");
    uv0 = Attribute("uv0");
    projectionMatrix = Uniform("projectionMatrix");
    color0 = Uniform("color0");
    texture0 =
        BindSampler("texture0", 0, "BACKGROUND SHADER : Failed to get uniform location texture0 \n");
}

CJubScreenShader::CJubScreenShader(IKetrelApplication* app, const char* vertex, const char* fragment)
    : CJubShader(Or(vertex, CJubShaderTexts::kScreenVertex),
                 Or(fragment, CJubShaderTexts::kScreenFragment), app)
{
    position = Attribute("position");
    uv0 = Attribute("uv0");
    color0 = Uniform("color0");
    texture0 = BindSampler("texture0", 0, "SCREEN SHADER : Failed to get uniform location texture0 \n");
}

CJubScreenOverlayShader::CJubScreenOverlayShader(IKetrelApplication* app, const char* vertex,
                                                 const char* fragment)
    : CJubShader(Or(vertex, CJubShaderTexts::kScreenVertex),
                 Or(fragment, CJubShaderTexts::kScreenOverlayFragment), app)
{
    position = Attribute("position");
    uv0 = Attribute("uv0");
    color0 = Uniform("color0");
    texture0 = BindSampler("texture0", 0,
                           "SCREEN OVERLAY SHADER : Failed to get uniform location texture0 \n");
}
