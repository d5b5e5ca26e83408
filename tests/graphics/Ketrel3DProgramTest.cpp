#include "engine/graphics/Ketrel3DProgram.h"
#include "GLTestContext.h"
#include <GLES2/gl2.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <string>

// Counts the location look-ups that reach GL: this definition takes the place of
// the library's for the whole test program and forwards to it.
static int g_attribLookups = 0;
extern "C" GLint glGetAttribLocation(GLuint program, const GLchar* name)
{
    typedef GLint (*Fn)(GLuint, const GLchar*);
    static Fn real = (Fn)dlsym(RTLD_NEXT, "glGetAttribLocation");
    ++g_attribLookups;
    return real ? real(program, name) : -1;
}

namespace
{
const char* kVertex =
    "attribute vec3 position; attribute vec2 uv; varying mediump vec2 v_uv;"
    "void main() { v_uv = uv; gl_Position = vec4(position, 1.0); }";
const char* kFragment =
    "precision mediump float; varying vec2 v_uv; uniform sampler2D texture01;"
    "uniform vec4 color; void main() { gl_FragColor = texture2D(texture01, v_uv) * color; }";
const char* kBrokenFragment = "precision mediump float; void main() { gl_FragColor = nope; }";
const char* kBrokenVertex = "void main() { gl_Position = 1; }";
// Compiles alone but does not link: v_other is read by the fragment shader and
// never written by the vertex shader's declaration list.
const char* kUnlinkedFragment =
    "precision mediump float; varying vec4 v_other; void main() { gl_FragColor = v_other; }";

std::string Narrow(const CKetrelString& s)
{
    std::string out;
    for (int i = 0; i < s.GetLength(); ++i)
        out += (char)(s.GetAt(i) & 0xFF);
    return out;
}

class Ketrel3DProgramTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!m_gl.Make())
            GTEST_SKIP() << "no off-screen OpenGL ES 2.0 context";
    }
    GLTestContext m_gl;
};
} // namespace

TEST_F(Ketrel3DProgramTest, BuildsAndReportsEveryHeading)
{
    CKetrel3DProgram program;
    ASSERT_EQ(1, program.Create(nullptr, CKetrelString(kVertex), CKetrelString(kFragment)));
    EXPECT_NE(0u, program.GetProgram());
    EXPECT_NE(0u, program.GetVertexShader());
    EXPECT_NE(0u, program.GetFragmentShader());
    CKetrelString log;
    program.GetInfoLog(log);
    std::string text = Narrow(log);
    size_t v = text.find("VERTEX SHADER:\n");
    size_t f = text.find("\nFRAGMENT SHADER:\n");
    size_t p = text.find("\nPROGRAM:\n");
    EXPECT_EQ(0u, v);
    ASSERT_NE(std::string::npos, f);
    ASSERT_NE(std::string::npos, p);
    EXPECT_LT(f, p);
    program.Release();
}

TEST_F(Ketrel3DProgramTest, FailuresLeaveNoNamesAndKeepTheirLog)
{
    struct Case { const char* name; const char* vertex; const char* fragment; const char* logHeading; };
    const Case cases[] = {
        {"vertex does not compile", kBrokenVertex, kFragment, "VERTEX SHADER:\n"},
        {"fragment does not compile", kVertex, kBrokenFragment, "\nFRAGMENT SHADER:\n"},
        {"program does not link", kVertex, kUnlinkedFragment, "\nPROGRAM:\n"},
    };
    for (const Case& c : cases)
    {
        CKetrel3DProgram program;
        EXPECT_EQ(2, program.Create(nullptr, CKetrelString(c.vertex), CKetrelString(c.fragment)))
            << c.name;
        EXPECT_EQ(0u, program.GetProgram()) << c.name;
        EXPECT_EQ(0u, program.GetVertexShader()) << c.name;
        EXPECT_EQ(0u, program.GetFragmentShader()) << c.name;
        CKetrelString log;
        program.GetInfoLog(log);
        std::string text = Narrow(log);
        size_t heading = text.find(c.logHeading);
        ASSERT_NE(std::string::npos, heading) << c.name;
        // GL's complaint follows the heading of the object that failed.
        size_t after = heading + std::string(c.logHeading).size();
        ASSERT_LT(after, text.size()) << c.name;
        EXPECT_NE('\n', text[after]) << c.name << ": " << text;

        u32 vs = 7, fs = 7, prog = 7;
        EXPECT_EQ(2, CKetrel3DProgram::CompileAndLink(CKetrelString(c.vertex),
                                                      CKetrelString(c.fragment), &vs, &fs, &prog))
            << c.name;
        EXPECT_EQ(0u, vs + fs + prog) << c.name;
    }
}

TEST_F(Ketrel3DProgramTest, LocationsAreCachedOnlyWhenFound)
{
    CKetrel3DProgram program;
    ASSERT_EQ(1, program.Create(nullptr, CKetrelString(kVertex), CKetrelString(kFragment)));

    struct Case { const char* name; bool exists; int lookupsForTwoAsks; };
    const Case cases[] = {
        {"position", true, 1},
        {"uv", true, 1},
        {"normal", false, 2},
    };
    for (const Case& c : cases)
    {
        g_attribLookups = 0;
        i32 first = program.GetAttributeLocation(CKetrelString(c.name));
        i32 second = program.GetAttributeLocation(CKetrelString(c.name));
        EXPECT_EQ(first, second) << c.name;
        EXPECT_EQ(c.exists, first >= 0) << c.name;
        EXPECT_EQ(c.lookupsForTwoAsks, g_attribLookups) << c.name;
    }
    EXPECT_GE(program.GetUniformLocation(CKetrelString("color")), 0);
    EXPECT_EQ(-1, program.GetUniformLocation(CKetrelString("missing")));

    // A rebuild empties the cache: the next look-up asks GL again.
    ASSERT_EQ(1, program.Rebuild());
    g_attribLookups = 0;
    EXPECT_GE(program.GetAttributeLocation(CKetrelString("position")), 0);
    EXPECT_EQ(1, g_attribLookups);
    program.Release();
}

TEST_F(Ketrel3DProgramTest, RebuildAfterReleaseMakesNewNames)
{
    CKetrel3DProgram program;
    ASSERT_EQ(1, program.Create(nullptr, CKetrelString(kVertex), CKetrelString(kFragment)));
    // Keep an unrelated object alive so that GL cannot hand the same names back.
    CKetrel3DProgram other;
    ASSERT_EQ(1, other.Create(nullptr, CKetrelString(kVertex), CKetrelString(kFragment)));
    u32 before = program.GetProgram();
    program.Release();
    EXPECT_EQ(0u, program.GetProgram());
    EXPECT_FALSE(glIsProgram(before));
    ASSERT_EQ(1, program.Rebuild());
    EXPECT_NE(0u, program.GetProgram());
    EXPECT_TRUE(glIsProgram(program.GetProgram()));
    program.Release();
    other.Release();
}
