#pragma once
// The small JSON subset spoken with the lobby server's codec tool: null, integers, strings
// (hex text), arrays and flat objects.
#include "engine/KetrelTypes.h"

#include <map>
#include <string>
#include <vector>

struct JValue
{
    enum Kind { Null, Int, Str, Arr, Obj };
    Kind kind = Null;
    i64 integer = 0;
    std::string text;
    std::vector<JValue> items;
    std::map<std::string, JValue> members;

    static JValue MakeInt(i64 v) { JValue j; j.kind = Int; j.integer = v; return j; }
    static JValue MakeStr(const std::string& s) { JValue j; j.kind = Str; j.text = s; return j; }
    static JValue MakeArr(std::vector<JValue> v = {}) { JValue j; j.kind = Arr; j.items = std::move(v); return j; }

    bool IsNull() const { return kind == Null; }
    bool operator==(const JValue& o) const
    {
        return kind == o.kind && integer == o.integer && text == o.text && items == o.items && members == o.members;
    }
    bool operator!=(const JValue& o) const { return !(*this == o); }

    std::string Dump() const;
    // False on anything outside the subset.
    static bool Parse(const std::string& text, JValue* out);
};
