// fuzz/xml_node.cpp: parses a document, walks the tree with FindPath and every getter,
// clones it and saves it.
#include "engine/KetrelFile.h"
#include "engine/KetrelResult.h"
#include "engine/KetrelXMLDataNode.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
void Walk(const CKetrelXMLDataNode* root, const CKetrelXMLDataNode* node, const std::string& path, int depth)
{
    for (const CKetrelXMLDataNode* c = node->GetFirstChild(); c; c = c->GetNextSibling())
    {
        if (!c->GetName())
            abort();
        const std::string p = path.empty() ? c->GetName() : path + "/" + c->GetName();
        const char* at = p.c_str();
        // The first child of each name along the path, which need not lead to c.
        root->FindPath(at);
        root->GetInt(at, 7);
        root->GetFloat(at, 7.0f);
        const char* s = root->GetString(at, nullptr);
        if (s)
            (void)std::strlen(s);
        root->GetIntAt(at, depth & 3, 7);
        root->GetFloatAt(at, 1, 7.0f);
        i32 values[4];
        const i32 defaults[4] = {1, 2, 3, 4};
        root->GetIntArray(at, values, 4, defaults);
        node->FindChild(c->GetName(), true);
        if (!c->IsValueNode() && depth < CKetrelXMLDataNode::MaxDepth + 2)
            Walk(root, c, p, depth + 1);
    }
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exactly sized copy: the parser must never need a terminator.
    char* text = new char[size ? size : 1];
    if (size)
        std::memcpy(text, data, size);
    CKetrelXMLDataNode root;
    root.Parse(text, (u32)size);
    delete[] text;

    Walk(&root, &root, std::string(), 0);
    root.GetChildCount();

    CKetrelXMLDataNode* first = root.GetFirstChild();
    if (first)
    {
        CKetrelXMLDataNode* copy = first->Clone();
        static char out[1 << 16];
        CKetrelFile file;
        file.OpenMemory(out, sizeof(out), KE_FILE_WRITE);
        if (copy)
            copy->Save(&file, 1, 0);
        delete copy;
        // Load what was saved (as far as it fitted).
        CKetrelFile back;
        if (file.GetPosition() > 0 && back.OpenMemory(out, (u32)file.GetPosition(), KE_FILE_OWN_BUFFER) == KE_OK)
        {
            CKetrelXMLDataNode again;
            again.Load(&back, 0);
        }
    }
    return 0;
}
