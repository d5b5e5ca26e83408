// framework/BrixPackName.cpp
#include "framework/BrixPackName.h"

#include <cstdio>
#include <string>

namespace
{
const int kMaxLength = 64;
}

bool BrixIsSafePackName(const CKetrelString& name)
{
    const i32 n = name.GetLength();
    if (n < 1 || n > kMaxLength || name.GetAt(0) == '.')
        return false;
    for (i32 i = 0; i < n; ++i)
    {
        const u16 ch = name.GetAt(i);
        const bool ok = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') ||
                        (ch >= '0' && ch <= '9') || ch == '_' || ch == '.' || ch == '-';
        if (!ok)
            return false;
    }
    return true;
}

bool BrixCheckPackName(const CKetrelString& name, const char* what)
{
    if (BrixIsSafePackName(name))
        return true;
    // Printable ASCII only, cut short: the name itself is untrusted.
    std::string shown;
    for (i32 i = 0; i < name.GetLength() && i < kMaxLength; ++i)
    {
        const u16 ch = name.GetAt(i);
        shown.push_back(ch >= 0x20 && ch < 0x7F ? (char)ch : '?');
    }
    fprintf(stderr, "refused %s name \"%s\"\n", what, shown.c_str());
    return false;
}
