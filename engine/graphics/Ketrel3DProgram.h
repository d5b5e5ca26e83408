#pragma once
#include "engine/KetrelID.h"
#include "engine/KetrelMap.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

class IKetrelGraphicsExt;

// One GLSL ES program: its two source texts, the GL names of its shaders and
// program, and caches of the attribute and uniform locations looked up by name.
// It can be built again from the kept texts after the GL context was re-created.
// Only the thread that owns the GL context may use it.
//
// The compile and link logs are kept when they are read, so that GetInfoLog
// can still report why a build failed after GL deleted the failed objects.
class CKetrel3DProgram : public CKetrelID
{
public:
    CKetrel3DProgram();
    ~CKetrel3DProgram() override;            // does not delete GL objects: Release does

    // Keeps the owner and copies of both texts, then compiles and links them.
    // 1 on success; 2 when a shader does not compile or the program does not
    // link (every name is then 0 and no GL object is left).
    int Create(IKetrelGraphicsExt* owner, const CKetrelString& vertexSource,
               const CKetrelString& fragmentSource);
    // Builds again from the kept texts (after the GL context was re-created; the
    // old names belonged to the lost context and are not deleted). Reload is
    // the same.
    int Rebuild();
    int Reload() { return Rebuild(); }
    // Deletes the GL objects, empties the caches and forgets the owner.
    // Destroy is the same.
    void Release();
    void Destroy() { Release(); }

    u32 GetProgram() const { return m_program; }
    u32 GetVertexShader() const { return m_vertexShader; }
    u32 GetFragmentShader() const { return m_fragmentShader; }
    IKetrelGraphicsExt* GetOwner() const { return m_owner; }

    // The location, or -1 when the program has none of that name. Found
    // locations are cached; misses are asked of GL again every time.
    i32 GetAttributeLocation(const CKetrelString& name);
    i32 GetUniformLocation(const CKetrelString& name);

    // "VERTEX SHADER:\n", the vertex log, "\nFRAGMENT SHADER:\n", the fragment
    // log, "\nPROGRAM:\n" and the program log.
    void GetInfoLog(CKetrelString& out) const;

    // Compiles both texts and links them. 1 with all three names set; 2 with all
    // three 0. The logs, when wanted, receive what GL reported for each object
    // (empty when it reported nothing or the object was never made).
    static int CompileAndLink(const CKetrelString& vertexSource,
                              const CKetrelString& fragmentSource, u32* vertexShader,
                              u32* fragmentShader, u32* program);
    static int CompileAndLink(const CKetrelString& vertexSource,
                              const CKetrelString& fragmentSource, u32* vertexShader,
                              u32* fragmentShader, u32* program, CKetrelString* vertexLog,
                              CKetrelString* fragmentLog, CKetrelString* programLog);

private:
    CKetrel3DProgram(const CKetrel3DProgram&) = delete;
    CKetrel3DProgram& operator=(const CKetrel3DProgram&) = delete;

    void ClearCaches();
    int Build();

    IKetrelGraphicsExt* m_owner;
    CKetrelString m_vertexSource;
    CKetrelString m_fragmentSource;
    u32 m_vertexShader;
    u32 m_fragmentShader;
    u32 m_program;
    CKetrelMap<CKetrelString, i32> m_uniforms;     // found locations only
    CKetrelMap<CKetrelString, i32> m_attributes;   // found locations only
    CKetrelString m_vertexLog;
    CKetrelString m_fragmentLog;
    CKetrelString m_programLog;
};
