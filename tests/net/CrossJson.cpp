#include "CrossJson.h"

#include <cstdlib>

std::string JValue::Dump() const
{
    switch (kind)
    {
    case Null: return "null";
    case Int: return std::to_string(integer);
    case Str: return "\"" + text + "\"";
    case Arr:
    {
        std::string out = "[";
        for (size_t i = 0; i < items.size(); ++i)
            out += (i ? "," : "") + items[i].Dump();
        return out + "]";
    }
    case Obj:
    {
        std::string out = "{";
        bool first = true;
        for (const auto& m : members)
        {
            out += (first ? "\"" : ",\"") + m.first + "\":" + m.second.Dump();
            first = false;
        }
        return out + "}";
    }
    }
    return "null";
}

namespace
{
struct Parser
{
    const std::string& s;
    size_t at = 0;

    void Space()
    {
        while (at < s.size() && (s[at] == ' ' || s[at] == '\n' || s[at] == '\r' || s[at] == '\t'))
            ++at;
    }
    bool Text(std::string* out)
    {
        if (at >= s.size() || s[at] != '"')
            return false;
        ++at;
        while (at < s.size() && s[at] != '"')
        {
            if (s[at] == '\\' && at + 1 < s.size())
                ++at;   // escapes only occur in error texts, which are not compared
            out->push_back(s[at++]);
        }
        if (at >= s.size())
            return false;
        ++at;
        return true;
    }
    bool Value(JValue* v)
    {
        Space();
        if (at >= s.size())
            return false;
        const char c = s[at];
        if (c == 'n')
        {
            if (s.compare(at, 4, "null") != 0)
                return false;
            at += 4;
            v->kind = JValue::Null;
            return true;
        }
        if (c == '"')
        {
            v->kind = JValue::Str;
            return Text(&v->text);
        }
        if (c == '-' || (c >= '0' && c <= '9'))
        {
            char* end = nullptr;
            v->kind = JValue::Int;
            v->integer = std::strtoll(s.c_str() + at, &end, 10);
            at = (size_t)(end - s.c_str());
            return true;
        }
        if (c == '[')
        {
            ++at;
            v->kind = JValue::Arr;
            Space();
            if (at < s.size() && s[at] == ']')
            {
                ++at;
                return true;
            }
            for (;;)
            {
                JValue item;
                if (!Value(&item))
                    return false;
                v->items.push_back(item);
                Space();
                if (at < s.size() && s[at] == ',')
                {
                    ++at;
                    continue;
                }
                if (at < s.size() && s[at] == ']')
                {
                    ++at;
                    return true;
                }
                return false;
            }
        }
        if (c == '{')
        {
            ++at;
            v->kind = JValue::Obj;
            for (;;)
            {
                Space();
                if (at < s.size() && s[at] == '}')
                {
                    ++at;
                    return true;
                }
                std::string key;
                if (!Text(&key))
                    return false;
                Space();
                if (at >= s.size() || s[at] != ':')
                    return false;
                ++at;
                JValue member;
                if (!Value(&member))
                    return false;
                v->members[key] = member;
                Space();
                if (at < s.size() && s[at] == ',')
                    ++at;
            }
        }
        return false;
    }
};
}

bool JValue::Parse(const std::string& text, JValue* out)
{
    Parser p{text};
    *out = JValue();
    return p.Value(out);
}
