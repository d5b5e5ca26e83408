#include "engine/graphics/Ketrel3DProgram.h"
#include "engine/KetrelResult.h"
#include <GLES2/gl2.h>
#include <new>

namespace
{

// Narrows a text to 8-bit characters (the low byte of each unit) in a buffer the
// caller frees with delete[]; null without memory.
char* NarrowCopy(const CKetrelString& text)
{
    char* buffer = new (std::nothrow) char[(size_t)text.GetLength() + 1];
    if (buffer)
        text.ToNarrow(buffer);
    return buffer;
}

// GL's log of a shader or program, widened; empty when it has none.
void ReadLog(u32 object, bool isProgram, CKetrelString* out)
{
    if (!out)
        return;
    out->Clear();
    GLint length = 0;
    if (isProgram)
        glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
    else
        glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    if (length <= 1)
        return;
    char* text = new (std::nothrow) char[(size_t)length + 1];
    if (!text)
        return;
    GLsizei written = 0;
    if (isProgram)
        glGetProgramInfoLog(object, length, &written, text);
    else
        glGetShaderInfoLog(object, length, &written, text);
    if (written < 0)
        written = 0;
    if (written > length)
        written = length;
    text[written] = 0;
    out->Assign(text);
    delete[] text;
}

int CompileShader(GLenum kind, const CKetrelString& source, u32* name, CKetrelString* log)
{
    if (log)
        log->Clear();
    *name = glCreateShader(kind);
    if (*name == 0)
        return KE_ERR_ARGUMENT;
    char* text = NarrowCopy(source);
    if (!text)
    {
        glDeleteShader(*name);
        *name = 0;
        return KE_ERR_ARGUMENT;
    }
    const GLchar* texts[1] = {text};
    glShaderSource(*name, 1, texts, nullptr);
    delete[] text;
    glCompileShader(*name);
    GLint status = GL_FALSE;
    glGetShaderiv(*name, GL_COMPILE_STATUS, &status);
    ReadLog(*name, false, log);
    if (status == GL_TRUE)
        return KE_OK;
    glDeleteShader(*name);
    *name = 0;
    return KE_ERR_ARGUMENT;
}

i32 LookUp(CKetrelMap<CKetrelString, i32>& cache, const CKetrelString& name, u32 program,
           bool attribute)
{
    i32 index = cache.Find(name);
    if (index >= 0)
        return cache.ElementAt(index)->value;
    char* text = NarrowCopy(name);
    if (!text)
        return -1;
    i32 location = attribute ? glGetAttribLocation(program, text)
                             : glGetUniformLocation(program, text);
    delete[] text;
    if (location >= 0)
    {
        CKetrelPair<CKetrelString, i32> pair{name, location};
        cache.AddPair(pair);
    }
    return location;
}

} // namespace

CKetrel3DProgram::CKetrel3DProgram()
    : m_owner(nullptr), m_vertexShader(0), m_fragmentShader(0), m_program(0)
{
}

CKetrel3DProgram::~CKetrel3DProgram() = default;

void CKetrel3DProgram::ClearCaches()
{
    m_uniforms.RemoveAll();
    m_attributes.RemoveAll();
}

int CKetrel3DProgram::Build()
{
    ClearCaches();
    return CompileAndLink(m_vertexSource, m_fragmentSource, &m_vertexShader, &m_fragmentShader,
                          &m_program, &m_vertexLog, &m_fragmentLog, &m_programLog);
}

int CKetrel3DProgram::Create(IKetrelGraphicsExt* owner, const CKetrelString& vertexSource,
                             const CKetrelString& fragmentSource)
{
    m_owner = owner;
    m_vertexSource = vertexSource;
    m_fragmentSource = fragmentSource;
    return Build();
}

int CKetrel3DProgram::Rebuild()
{
    return Build();
}

void CKetrel3DProgram::Release()
{
    if (m_vertexShader)
        glDeleteShader(m_vertexShader);
    if (m_fragmentShader)
        glDeleteShader(m_fragmentShader);
    if (m_program)
        glDeleteProgram(m_program);
    m_vertexShader = m_fragmentShader = m_program = 0;
    ClearCaches();
    m_owner = nullptr;
}

i32 CKetrel3DProgram::GetAttributeLocation(const CKetrelString& name)
{
    return LookUp(m_attributes, name, m_program, true);
}

i32 CKetrel3DProgram::GetUniformLocation(const CKetrelString& name)
{
    return LookUp(m_uniforms, name, m_program, false);
}

void CKetrel3DProgram::GetInfoLog(CKetrelString& out) const
{
    out.Clear();
    out.Append(CKetrelString("VERTEX SHADER:\n"));
    out.Append(m_vertexLog);
    out.Append(CKetrelString("\nFRAGMENT SHADER:\n"));
    out.Append(m_fragmentLog);
    out.Append(CKetrelString("\nPROGRAM:\n"));
    out.Append(m_programLog);
}

int CKetrel3DProgram::CompileAndLink(const CKetrelString& vertexSource,
                                     const CKetrelString& fragmentSource, u32* vertexShader,
                                     u32* fragmentShader, u32* program)
{
    return CompileAndLink(vertexSource, fragmentSource, vertexShader, fragmentShader, program,
                          nullptr, nullptr, nullptr);
}

int CKetrel3DProgram::CompileAndLink(const CKetrelString& vertexSource,
                                     const CKetrelString& fragmentSource, u32* vertexShader,
                                     u32* fragmentShader, u32* program,
                                     CKetrelString* vertexLog, CKetrelString* fragmentLog,
                                     CKetrelString* programLog)
{
    if (!vertexShader || !fragmentShader || !program)
        return KE_ERR_ARGUMENT;
    *vertexShader = *fragmentShader = *program = 0;
    if (fragmentLog)
        fragmentLog->Clear();
    if (programLog)
        programLog->Clear();

    int rc = CompileShader(GL_VERTEX_SHADER, vertexSource, vertexShader, vertexLog);
    if (rc != KE_OK)
        return rc;
    rc = CompileShader(GL_FRAGMENT_SHADER, fragmentSource, fragmentShader, fragmentLog);
    if (rc != KE_OK)
    {
        glDeleteShader(*vertexShader);
        *vertexShader = 0;
        return rc;
    }

    *program = glCreateProgram();
    GLint status = GL_FALSE;
    if (*program)
    {
        glAttachShader(*program, *fragmentShader);
        glAttachShader(*program, *vertexShader);
        glLinkProgram(*program);
        glGetProgramiv(*program, GL_LINK_STATUS, &status);
        ReadLog(*program, true, programLog);
    }
    if (status == GL_TRUE)
        return KE_OK;
    if (*program)
        glDeleteProgram(*program);
    glDeleteShader(*vertexShader);
    glDeleteShader(*fragmentShader);
    *vertexShader = *fragmentShader = *program = 0;
    return KE_ERR_ARGUMENT;
}
