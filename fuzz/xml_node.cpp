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
// Path lookups from the root and recursive searches cost more the wider and deeper the
// tree: a budget of nodes and a depth for them keep every run fast.
int g_budget;

void Walk(const CKetrelXMLDataNode* root, const CKetrelXMLDataNode* node, const std::string& path, int depth)
{
    for (const CKetrelXMLDataNode* c = node->GetFirstChild(); c && g_budget > 0; c = c->GetNextSibling(), --g_budget)
    {
        if (!c->GetName())
            abort();
        const std::string p = path.empty() ? c->GetName() : path + "/" + c->GetName();
        // The first child of each name along the path, which need not lead to c. Long
        // paths are walked only near the top, to keep each run fast.
        if (depth < 32)
        {
            root->FindPath(p.c_str());
            node->FindChild(c->GetName(), true);
        }
        const char* at = c->GetName();
        node->GetInt(at, 7);
        node->GetFloat(at, 7.0f);
        const char* s = node->GetString(at, nullptr);
        if (s)
            (void)std::strlen(s);
        node->GetIntAt(at, depth & 3, 7);
        node->GetFloatAt(at, 1, 7.0f);
        i32 values[4];
        const i32 defaults[4] = {1, 2, 3, 4};
        node->GetIntArray(at, values, 4, defaults);
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

    g_budget = 500;
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
