#pragma once
// Byte helpers shared by the network tests: hex text to bytes and back.
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

#include <string>
#include <vector>

typedef std::vector<u8> Bytes;

// "A9 03 80 01 05" or "a9038001" to bytes; spaces are ignored.
inline Bytes Hex(const std::string& text)
{
    Bytes out;
    int high = -1;
    for (char c : text)
    {
        int v = -1;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        if (v < 0)
            continue;
        if (high < 0)
            high = v;
        else
        {
            out.push_back((u8)(high * 16 + v));
            high = -1;
        }
    }
    return out;
}

inline std::string ToHex(const u8* data, int size)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (int i = 0; i < size; ++i)
    {
        if (i)
            out += ' ';
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

inline std::string ToHex(const Bytes& b) { return ToHex(b.data(), (int)b.size()); }

// A string of the given 16-bit units.
inline CKetrelString Units(std::initializer_list<u16> units)
{
    CKetrelString s;
    for (u16 u : units)
        s.Append(u);
    return s;
}

inline std::vector<u16> UnitsOf(const CKetrelString& s)
{
    std::vector<u16> out;
    for (int i = 0; i < s.GetLength(); ++i)
        out.push_back(s.GetAt(i));
    return out;
}

// Encodes with the size query first and checks that the query told the truth.
template <class F>
Bytes EncodeWith(F&& encode)
{
    const int need = encode(nullptr, 0);
    Bytes out((size_t)(need > 0 ? need : 0));
    if (need > 0)
    {
        if (need > 1 && encode(out.data(), need - 1) != 0)
            return Bytes();   // a short buffer must be refused
        if (encode(out.data(), need) != need)
            out.clear();
    }
    return out;
}
