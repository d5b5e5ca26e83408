// FindByPath with arbitrary paths on a fixed tree: never crashes, finds only widgets
// of the tree, and agrees with FindChild where the grammar reduces to it.
#include "ui/Widget.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{
struct Tree
{
    std::vector<CWidget*> all;
    CWidget* root = nullptr;

    CWidget* Add(CWidget* parent, const char* name)
    {
        CWidget* w = new CWidget();
        w->Init(nullptr, nullptr, CKetrelRect(0, 0, 10, 10));
        w->SetName(CKetrelString(name));
        if (parent)
            parent->AddChild(w);
        all.push_back(w);
        return w;
    }

    Tree()
    {
        // Names reuse separators' characters on purpose: "a/", ".", "<x", "".
        root = Add(nullptr, "root");
        CWidget* a = Add(root, "a");
        CWidget* b = Add(a, "b");
        Add(b, "c");
        Add(b, "a");
        CWidget* pr = Add(root, "page_root");
        CWidget* d = Add(pr, "deep");
        Add(d, "leaf");
        Add(d, "a/");
        Add(pr, ".");
        Add(pr, "<x");
        Add(root, "");
    }

    bool Contains(const CWidget* w) const
    {
        for (const CWidget* x : all)
            if (x == w)
                return true;
        return false;
    }
};

bool HasSeparatorChars(const CKetrelString& s)
{
    for (i32 i = 0; i < s.GetLength(); ++i)
        if (s.GetAt(i) == '/' || s.GetAt(i) == '<')
            return true;
    return false;
}

bool IsDots(const CKetrelString& s)
{
    return (s.GetLength() == 1 && s.GetAt(0) == '.') ||
           (s.GetLength() == 2 && s.GetAt(0) == '.' && s.GetAt(1) == '.');
}

void Check(bool ok, const char* what)
{
    if (!ok)
    {
        fprintf(stderr, "FindByPath: %s\n", what);
        abort();
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Tree tree;
    if (size == 0)
        return 0;
    CWidget* from = tree.all[data[0] % tree.all.size()];
    CKetrelString path;
    for (size_t i = 1; i < size && i < 512; ++i)
        path.Append((u16)data[i]);

    CWidget* found = from->FindByPath(path);
    Check(!found || tree.Contains(found), "a widget outside the tree");
    Check(found == from->FindByPath(path), "two answers");
    if (path.IsEmpty())
        Check(found == from, "empty path");
    if (!path.IsEmpty() && !HasSeparatorChars(path) && !IsDots(path))
        Check(found == from->FindChild(path, 1), "a bare name is a near search");
    CKetrelString deep("//");
    deep.Append(path);
    if (!path.IsEmpty() && !HasSeparatorChars(path) && !IsDots(path))
        Check(from->FindByPath(deep) == from->FindChild(path, -1), "// is a deep search");
    return 0;
}
