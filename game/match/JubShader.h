#pragma once
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

class IKetrelApplication;

// One of the game's GLSL ES programs: its GL names, the locations its subclass looked up
// and a log of what went wrong while it was made. A shader that failed keeps program 0,
// and the renderer draws nothing with it. The GL objects are deleted by the destructor,
// but only while the context that made them is current: after a context loss the names
// would belong to objects of the new context. Main thread only.
class CJubShader
{
public:
    // Compiles and links the two texts through the application's OpenGL ES 2.0 renderer.
    // Without one the log reads "NULL Extension \n" and nothing is compiled; a build that
    // fails appends "Failed to create shader program \n".
    CJubShader(const char* vertexText, const char* fragmentText, IKetrelApplication* app);
    virtual ~CJubShader();
    CJubShader(const CJubShader&) = delete;
    CJubShader& operator=(const CJubShader&) = delete;

    // Makes the program current.
    virtual void Use();

    u32 GetProgram() const { return m_program; }
    u32 GetVertexShader() const { return m_vertexShader; }
    u32 GetFragmentShader() const { return m_fragmentShader; }
    const CKetrelString& GetErrorLog() const { return m_log; }

    // Locations looked up by the subclass; -1 where the program has none.
    i32 position = -1;
    i32 uv0 = -1;
    i32 uv1 = -1;
    i32 shade = -1;
    i32 projectionMatrix = -1;
    i32 color0 = -1;
    i32 texture0 = -1;
    i32 texture1 = -1;

protected:
    i32 Attribute(const char* name) const;
    i32 Uniform(const char* name) const;
    // Looks the sampler up and points it at the texture unit, or appends message to the
    // log when the program has no such sampler. Returns the location.
    i32 BindSampler(const char* name, i32 unit, const char* message);

    u32 m_program;
    u32 m_vertexShader;
    u32 m_fragmentShader;
    IKetrelApplication* m_app;
    CKetrelString m_log;
    void* m_context;      // the EGL context current when the objects were made
};

// The subclasses. Each takes the built-in texts unless others are given (tests feed
// broken ones to see the log).

// World-space quad; colour = texture.
class CJubWaterShader : public CJubShader
{
public:
    explicit CJubWaterShader(IKetrelApplication* app, const char* vertex = nullptr,
                             const char* fragment = nullptr);
};

// World-space quad; rgb = texture0.rgb x texture1.rgb x shade, alpha = texture0.a.
class CJubBlockShader : public CJubShader
{
public:
    explicit CJubBlockShader(IKetrelApplication* app, const char* vertex = nullptr,
                             const char* fragment = nullptr);
};

// World-space quad; colour = texture x color0. The world and background shaders run the
// same program text.
class CJubGloobShader : public CJubShader
{
public:
    explicit CJubGloobShader(IKetrelApplication* app, const char* vertex = nullptr,
                             const char* fragment = nullptr);
};

class CJubWorldShader : public CJubShader
{
public:
    explicit CJubWorldShader(IKetrelApplication* app, const char* vertex = nullptr,
                             const char* fragment = nullptr);
};

class CJubBackgroundShader : public CJubShader
{
public:
    explicit CJubBackgroundShader(IKetrelApplication* app, const char* vertex = nullptr,
                                  const char* fragment = nullptr);
};

// Positions already in clip space; colour = texture x color0.
class CJubScreenShader : public CJubShader
{
public:
    explicit CJubScreenShader(IKetrelApplication* app, const char* vertex = nullptr,
                              const char* fragment = nullptr);
};

// As the screen shader, the product written color0 x texture.
class CJubScreenOverlayShader : public CJubShader
{
public:
    explicit CJubScreenOverlayShader(IKetrelApplication* app, const char* vertex = nullptr,
                                     const char* fragment = nullptr);
};

// The built-in program texts, for tests that build variants of them.
struct CJubShaderTexts
{
    static const char* const kWaterVertex;
    static const char* const kWaterFragment;
    static const char* const kBlockVertex;
    static const char* const kBlockFragment;
    static const char* const kGloobVertex;
    static const char* const kGloobFragment;
    static const char* const kScreenVertex;
    static const char* const kScreenFragment;
    static const char* const kScreenOverlayFragment;
};
