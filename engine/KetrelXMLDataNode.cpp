// engine/KetrelXMLDataNode.cpp
#include "engine/KetrelXMLDataNode.h"
#include "engine/KetrelFile.h"
#include "engine/KetrelResult.h"
#include "engine/KetrelString.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace
{
inline bool IsSpace(char c)
{
    return c == ' ' || c == '\r' || c == '\n' || c == '\t';
}

// A 0-terminated copy of n bytes, with a leading '$' when asked. Null when out of memory.
char* CopyText(const char* s, i32 n, bool dollar)
{
    const i32 extra = dollar ? 1 : 0;
    char* out = new (std::nothrow) char[(size_t)n + (size_t)extra + 1];
    if (!out)
        return nullptr;
    if (dollar)
        out[0] = '$';
    if (n > 0)
        std::memcpy(out + extra, s, (size_t)n);
    out[n + extra] = 0;
    return out;
}

char* CopyString(const char* s)
{
    return s ? CopyText(s, (i32)std::strlen(s), false) : nullptr;
}

// Decodes the five named entities of in[0..n) into out (room for max characters and a
// 0). Any other '&' is dropped and what follows it stays. With numericRefs, "&#N;" and
// "&#xH;" for 1..255 give that byte too. Returns the decoded length.
i32 DecodeEntities(const char* in, i32 n, char* out, i32 max, bool numericRefs)
{
    static const struct { const char* text; i32 length; char ch; } kEntities[] = {
        {"&amp;", 5, '&'}, {"&lt;", 4, '<'}, {"&gt;", 4, '>'}, {"&quot;", 6, '"'}, {"&apos;", 6, '\''},
    };
    i32 o = 0;
    i32 i = 0;
    while (i < n && o < max)
    {
        const char c = in[i];
        if (c != '&')
        {
            out[o++] = c;
            ++i;
            continue;
        }
        bool done = false;
        for (const auto& e : kEntities)
            if (n - i >= e.length && std::memcmp(in + i, e.text, (size_t)e.length) == 0)
            {
                out[o++] = e.ch;
                i += e.length;
                done = true;
                break;
            }
        if (!done && numericRefs && i + 1 < n && in[i + 1] == '#')
        {
            i32 j = i + 2;
            const bool hex = j < n && (in[j] == 'x' || in[j] == 'X');
            if (hex)
                ++j;
            u32 v = 0;
            i32 digits = 0;
            for (; j < n && digits < 4; ++j, ++digits)
            {
                const char d = in[j];
                i32 dv = (d >= '0' && d <= '9') ? d - '0'
                         : (hex && d >= 'a' && d <= 'f') ? d - 'a' + 10
                         : (hex && d >= 'A' && d <= 'F') ? d - 'A' + 10 : -1;
                if (dv < 0)
                    break;
                v = v * (hex ? 16u : 10u) + (u32)dv;
            }
            if (digits > 0 && j < n && in[j] == ';' && v >= 1 && v <= 255)
            {
                out[o++] = (char)v;
                i = j + 1;
                done = true;
            }
        }
        if (!done)
            ++i;                      // an unknown '&' is dropped
    }
    out[o] = 0;
    return o;
}

bool HasNonSpace(const char* s, i32 n)
{
    for (i32 i = 0; i < n; ++i)
        if (!IsSpace(s[i]))
            return true;
    return false;
}

bool HasDigit(const char* s)
{
    for (; *s; ++s)
        if (*s >= '0' && *s <= '9')
            return true;
    return false;
}

// The n bytes at s, each widened to one unit.
CKetrelString WidenBytes(const char* s, i32 n)
{
    CKetrelString text;
    u16* units = text.AllocBuffer(n + 1);
    for (i32 i = 0; units && i < n; ++i)
        units[i] = (u8)s[i];
    return text;
}

i32 ScanInt(const char* s, i32 n)
{
    i32 v = 0;
    WidenBytes(s, n).Scan(L"%d", &v);
    return v;
}

f32 ScanFloat(const char* s, i32 n)
{
    f32 v = 0.0f;
    WidenBytes(s, n).Scan(L"%f", &v);
    return v;
}

bool HasDigitIn(const char* s, i32 n)
{
    for (i32 i = 0; i < n; ++i)
        if (s[i] >= '0' && s[i] <= '9')
            return true;
    return false;
}

// Finds item index of text: items are separated by runs of ',' and white space.
bool FindItem(const char* text, i32 index, const char*& start, i32& length)
{
    if (!text || index < 0)
        return false;
    const char* p = text;
    for (i32 item = 0;; ++item)
    {
        while (*p == ',' || IsSpace(*p))
            ++p;
        if (!*p)
            return false;
        const char* s = p;
        while (*p && *p != ',' && !IsSpace(*p))
            ++p;
        if (item == index)
        {
            start = s;
            length = (i32)(p - s);
            return true;
        }
    }
}
}

// The parser behind Parse and ParseElement. One instance per parse holds the text and the
// two fixed scratch buffers, so that the recursion over nested elements stays small.
struct KetrelXMLParser
{
    const char* text;
    i32 length;
    char name[CKetrelXMLDataNode::MaxAttributeName + 2];   // "$" + name + 0
    char value[CKetrelXMLDataNode::MaxAttributeValue + 1];

    i32 Find(char c, i32 from) const
    {
        if (from >= length)
            return -1;
        const void* hit = std::memchr(text + from, c, (size_t)(length - from));
        return hit ? (i32)(static_cast<const char*>(hit) - text) : -1;
    }

    static CKetrelXMLDataNode* NewNode(const char* s, i32 n, bool dollar)
    {
        CKetrelXMLDataNode* node = new (std::nothrow) CKetrelXMLDataNode();
        if (!node)
            return nullptr;
        node->m_name = CopyText(s, n, dollar);
        if (!node->m_name)
        {
            delete node;
            return nullptr;
        }
        return node;
    }

    static void Append(CKetrelXMLDataNode* parent, CKetrelXMLDataNode*& tail, CKetrelXMLDataNode* child)
    {
        if (tail)
            tail->m_next = child;
        else
            parent->m_firstChild = child;
        tail = child;
    }

    // Skips the content of an element whose start tag ended just before pos, up to and
    // including its closing tag (or to the end). Returns true when it held an element.
    bool SkipContent(i32& pos) const
    {
        i32 level = 1;
        bool sawElement = false;
        while (level > 0)
        {
            const i32 lt = Find('<', pos);
            if (lt < 0)
            {
                pos = length;
                break;
            }
            i32 p = lt + 1;
            while (p < length && IsSpace(text[p]))
                ++p;
            if (p >= length)
            {
                pos = length;
                break;
            }
            if (text[p] == '!' || text[p] == '?' || text[p] == '/')
            {
                const i32 gt = Find('>', p);
                if (gt < 0)
                {
                    pos = length;
                    break;
                }
                if (text[p] == '/')
                    --level;
                pos = gt + 1;
                continue;
            }
            // A start tag: its '>' outside quotes.
            char quote = 0;
            for (; p < length; ++p)
            {
                const char c = text[p];
                if (quote)
                {
                    if (c == quote)
                        quote = 0;
                }
                else if (c == '"' || c == '\'')
                    quote = c;
                else if (c == '>')
                    break;
            }
            if (p >= length)
            {
                pos = length;
                break;
            }
            sawElement = true;
            if (text[p - 1] != '/')
                ++level;
            pos = p + 1;
        }
        return sawElement;
    }

    // Adds the value node "$" + name with the decoded value (null when empty).
    void AddAttribute(CKetrelXMLDataNode* node, CKetrelXMLDataNode*& tail, i32 nameStart, i32 nameLength,
                      i32 valueStart, i32 valueLength)
    {
        if (node->IsValueNode())
            return;                   // a value node takes no attributes
        if (nameLength > CKetrelXMLDataNode::MaxAttributeName)
            nameLength = CKetrelXMLDataNode::MaxAttributeName;
        CKetrelXMLDataNode* attr = NewNode(text + nameStart, nameLength, true);
        if (!attr)
            return;
        if (valueLength > 0)
        {
            const i32 n = DecodeEntities(text + valueStart, valueLength, value,
                                         CKetrelXMLDataNode::MaxAttributeValue, false);
            attr->m_value = CopyText(value, n, false);
        }
        Append(node, tail, attr);
    }

    CKetrelXMLDataNode* ParseElement(i32& pos, i32 depth)
    {
        for (;;)
        {
            const i32 lt = Find('<', pos);
            if (lt < 0)
            {
                pos = length;
                return nullptr;
            }
            i32 p = lt + 1;
            while (p < length && IsSpace(text[p]))
                ++p;
            if (p >= length)
            {
                pos = length;
                return nullptr;
            }
            const char first = text[p];
            if (first == '!' || first == '?' || first == '/')
            {
                // Declarations and processing instructions are skipped; a closing tag
                // ends the caller's children (its name is not compared).
                const i32 gt = Find('>', p);
                if (gt < 0)
                {
                    pos = length;
                    return nullptr;
                }
                pos = gt + 1;
                if (first == '/')
                    return nullptr;
                continue;
            }
            return ParseStartTag(p, pos, depth);
        }
    }

    // p is at the first character of an element's name.
    CKetrelXMLDataNode* ParseStartTag(i32 p, i32& pos, i32 depth)
    {
        const i32 nameStart = p;
        while (p < length && !IsSpace(text[p]) && text[p] != '/' && text[p] != '>')
            ++p;
        if (p >= length)
        {
            pos = length;
            return nullptr;
        }
        CKetrelXMLDataNode* node = NewNode(text + nameStart, p - nameStart, false);
        if (!node)
        {
            pos = length;
            return nullptr;
        }
        CKetrelXMLDataNode* tail = nullptr;
        bool hadAttributes = false;

        // Attributes, up to the '>' or "/>" that ends the start tag.
        bool selfClosing = false;
        for (;;)
        {
            while (p < length && IsSpace(text[p]))
                ++p;
            if (p >= length)
                break;
            if (text[p] == '>')
                break;
            if (text[p] == '/')
            {
                if (p + 1 < length && text[p + 1] == '>')
                {
                    selfClosing = true;
                    break;
                }
                ++p;
                continue;
            }
            const i32 attrStart = p;
            while (p < length && !IsSpace(text[p]) && text[p] != '=' && text[p] != '>' && text[p] != '/')
                ++p;
            const i32 attrLength = p - attrStart;
            bool sawEquals = false;
            while (p < length && (IsSpace(text[p]) || text[p] == '='))
            {
                sawEquals = sawEquals || text[p] == '=';
                ++p;
            }
            if (p >= length)
                break;
            i32 valueStart = p, valueLength = 0;
            if (sawEquals)
            {
                const char q = text[p];
                if (q == '"' || q == '\'')
                {
                    const i32 close = Find(q, p + 1);
                    if (close < 0)
                    {
                        p = length;   // an unterminated value: the element is incomplete
                        break;
                    }
                    valueStart = p + 1;
                    valueLength = close - valueStart;
                    p = close + 1;
                }
                else
                {
                    while (p < length && !IsSpace(text[p]) && text[p] != '>' &&
                           !(text[p] == '/' && p + 1 < length && text[p + 1] == '>'))
                        ++p;
                    valueLength = p - valueStart;
                }
            }
            if (attrLength > 0)
            {
                AddAttribute(node, tail, attrStart, attrLength, valueStart, valueLength);
                hadAttributes = true;
            }
            else if (!sawEquals)
                ++p;                  // a stray character: step over it
        }
        if (p >= length)
        {
            // The start tag never ends: nothing of this element is complete.
            delete node;
            pos = length;
            return nullptr;
        }
        pos = p + (selfClosing ? 2 : 1);
        if (selfClosing)
            return node;

        const i32 contentStart = pos;
        bool hadChildren = false;
        if (node->IsValueNode() || depth >= CKetrelXMLDataNode::MaxDepth)
        {
            // A value node takes no children, and nesting has a limit: the content is
            // passed over up to the element's closing tag.
            hadChildren = SkipContent(pos) && !node->IsValueNode();
        }
        else
        {
            for (;;)
            {
                CKetrelXMLDataNode* child = ParseElement(pos, depth + 1);
                if (!child)
                    break;
                Append(node, tail, child);
                hadChildren = true;
            }
        }
        if (hadChildren)
            return node;

        // No child elements: the text up to the next '<'.
        i32 textEnd = Find('<', contentStart);
        if (textEnd < 0)
            textEnd = length;
        const i32 textLength = textEnd - contentStart;
        if (textLength <= 0)
            return node;
        const char* raw = text + contentStart;
        if (node->IsValueNode())
        {
            SetDecodedValue(node, raw, textLength);
        }
        else if (hadAttributes)
        {
            CKetrelXMLDataNode* orig = NewNode("$ORIG_DATA", 10, false);
            if (orig)
            {
                orig->m_value = CopyText(raw, textLength, false);
                Append(node, tail, orig);
            }
        }
        else if (HasNonSpace(raw, textLength))
        {
            // Text only: the element is read as the value node "$" + name.
            char* renamed = CopyText(node->m_name, (i32)std::strlen(node->m_name), true);
            if (renamed)
            {
                delete[] node->m_name;
                node->m_name = renamed;
                SetDecodedValue(node, raw, textLength);
            }
        }
        return node;
    }

    static void SetDecodedValue(CKetrelXMLDataNode* node, const char* raw, i32 n)
    {
        char* decoded = new (std::nothrow) char[(size_t)n + 1];
        if (!decoded)
            return;
        DecodeEntities(raw, n, decoded, n, true);
        delete[] node->m_value;
        node->m_value = decoded;
    }
};

namespace
{
// Comments are blanked before parsing: every "<!--" and "-->" becomes spaces, and so
// does everything between while more comments have opened than closed (they nest; an
// unterminated one blanks the rest).
void BlankComments(char* t, i32 n)
{
    i32 level = 0;
    i32 i = 0;
    while (i < n)
    {
        if (level == 0)
        {
            const void* hit = std::memchr(t + i, '-', (size_t)(n - i));
            if (!hit)
                return;
            const i32 j = (i32)(static_cast<const char*>(hit) - t);
            if (j >= 2 && t[j - 2] == '<' && t[j - 1] == '!' && j + 1 < n && t[j + 1] == '-')
            {
                std::memset(t + j - 2, ' ', 4);
                level = 1;
                i = j + 2;
            }
            else if (j + 2 < n && t[j + 1] == '-' && t[j + 2] == '>')
            {
                std::memset(t + j, ' ', 3);
                i = j + 3;
            }
            else
                i = j + 1;
            continue;
        }
        if (i + 3 < n && t[i] == '<' && t[i + 1] == '!' && t[i + 2] == '-' && t[i + 3] == '-')
        {
            std::memset(t + i, ' ', 4);
            ++level;
            i += 4;
        }
        else if (i + 2 < n && t[i] == '-' && t[i + 1] == '-' && t[i + 2] == '>')
        {
            std::memset(t + i, ' ', 3);
            --level;
            i += 3;
        }
        else
            t[i++] = ' ';
    }
}
}

CKetrelXMLDataNode::CKetrelXMLDataNode() : m_name(nullptr), m_firstChild(nullptr), m_value(nullptr), m_next(nullptr)
{
}

CKetrelXMLDataNode::~CKetrelXMLDataNode()
{
    DeleteChildren();
    delete[] m_name;
}

void CKetrelXMLDataNode::DeleteChildren()
{
    // Without recursion, however deep the tree was built: each node's children are
    // moved to the front of the list still to delete before the node itself goes.
    CKetrelXMLDataNode* pending = m_firstChild;
    m_firstChild = nullptr;
    while (pending)
    {
        CKetrelXMLDataNode* node = pending;
        pending = node->m_next;
        if (node->m_firstChild)
        {
            CKetrelXMLDataNode* last = node->m_firstChild;
            while (last->m_next)
                last = last->m_next;
            last->m_next = pending;
            pending = node->m_firstChild;
            node->m_firstChild = nullptr;
        }
        node->m_next = nullptr;
        delete node;
    }
    delete[] m_value;
    m_value = nullptr;
}

void CKetrelXMLDataNode::Clear()
{
    DeleteChildren();
}

int CKetrelXMLDataNode::Load(CKetrelFile* file, u32 size)
{
    if (!file)
        return KE_ERR_ARGUMENT;
    if (size == 0)
    {
        if (file->GetSize() <= 0)
            return KE_ERR_NOT_READY;
        size = (u32)file->GetSize();
    }
    char* buffer = new (std::nothrow) char[size];
    if (!buffer)
        return KE_ERR_MEMORY;
    const u32 got = file->Read(buffer, size);
    const int rc = Parse(buffer, got);
    delete[] buffer;
    return rc;
}

int CKetrelXMLDataNode::Parse(char* text, u32 length)
{
    if (!text || length == 0 || IsValueNode())
        return KE_OK;
    if (length > 0x7FFFFFFFu)
        length = 0x7FFFFFFFu;
    BlankComments(text, (i32)length);

    KetrelXMLParser* parser = new (std::nothrow) KetrelXMLParser();
    if (!parser)
        return KE_ERR_MEMORY;
    parser->text = text;
    parser->length = (i32)length;
    CKetrelXMLDataNode* tail = m_firstChild;
    while (tail && tail->m_next)
        tail = tail->m_next;
    i32 pos = 0;
    while (CKetrelXMLDataNode* node = parser->ParseElement(pos, 1))
        KetrelXMLParser::Append(this, tail, node);
    delete parser;
    return KE_OK;
}

CKetrelXMLDataNode* CKetrelXMLDataNode::ParseElement(const char* text, i32 length, i32& position)
{
    if (!text || length <= 0 || position < 0 || position >= length)
        return nullptr;
    KetrelXMLParser* parser = new (std::nothrow) KetrelXMLParser();
    if (!parser)
        return nullptr;
    parser->text = text;
    parser->length = length;
    CKetrelXMLDataNode* node = parser->ParseElement(position, 1);
    delete parser;
    return node;
}

CKetrelXMLDataNode* CKetrelXMLDataNode::AddChild(const char* name, const char* value)
{
    if (!name || !*name || IsValueNode())
        return nullptr;
    CKetrelXMLDataNode* child = KetrelXMLParser::NewNode(name, (i32)std::strlen(name), false);
    if (!child)
        return nullptr;
    if (value && child->IsValueNode())
    {
        child->m_value = CopyString(value);
        if (!child->m_value)
        {
            delete child;
            return nullptr;
        }
    }
    CKetrelXMLDataNode** link = &m_firstChild;
    while (*link)
        link = &(*link)->m_next;
    *link = child;
    return child;
}

CKetrelXMLDataNode* CKetrelXMLDataNode::FindChild(const char* name, bool recursive) const
{
    if (!name || !*name || IsValueNode())
        return nullptr;
    for (CKetrelXMLDataNode* c = m_firstChild; c; c = c->m_next)
    {
        if (c->m_name && std::strcmp(c->m_name, name) == 0)
            return c;
        if (recursive && !c->IsValueNode())
        {
            CKetrelXMLDataNode* found = c->FindChild(name, true);
            if (found)
                return found;
        }
    }
    return nullptr;
}

i32 CKetrelXMLDataNode::GetChildCount() const
{
    if (IsValueNode())
        return 0;
    i32 n = 0;
    for (const CKetrelXMLDataNode* c = m_firstChild; c; c = c->m_next)
        ++n;
    return n;
}

CKetrelXMLDataNode* CKetrelXMLDataNode::FindPath(const char* path, bool create)
{
    CKetrelXMLDataNode* node = this;
    if (!path)
        return node;
    const char* p = path;
    while (*p)
    {
        // Scanned here rather than with strchr, which may read the whole rest of a
        // long path on every segment.
        const char* end = p;
        while (*end && *end != '/')
            ++end;
        const size_t n = (size_t)(end - p);
        if (n == 0 || node->IsValueNode())
            return nullptr;
        CKetrelXMLDataNode* next = nullptr;
        for (CKetrelXMLDataNode* c = node->m_firstChild; c; c = c->m_next)
            if (c->m_name && std::strncmp(c->m_name, p, n) == 0 && c->m_name[n] == 0)
            {
                next = c;
                break;
            }
        if (!next)
        {
            if (!create)
                return nullptr;
            char* segment = CopyText(p, (i32)n, false);
            if (!segment)
                return nullptr;
            next = node->AddChild(segment);
            delete[] segment;
            if (!next)
                return nullptr;
        }
        node = next;
        if (!*end)
            break;
        p = end + 1;
        if (!*p)
            return nullptr;           // a trailing '/' leaves an empty last part
    }
    return node;
}

const CKetrelXMLDataNode* CKetrelXMLDataNode::FindPath(const char* path) const
{
    return const_cast<CKetrelXMLDataNode*>(this)->FindPath(path, false);
}

i32 CKetrelXMLDataNode::GetInt(const char* path, i32 def) const
{
    const CKetrelXMLDataNode* node = FindPath(path);
    if (!node)
        return def;
    if (!node->m_value)
        return 0;
    if (!HasDigit(node->m_value))
        return def;
    return ScanInt(node->m_value, (i32)std::strlen(node->m_value));
}

f32 CKetrelXMLDataNode::GetFloat(const char* path, f32 def) const
{
    const CKetrelXMLDataNode* node = FindPath(path);
    if (!node)
        return def;
    if (!node->m_value)
        return 0.0f;
    return ScanFloat(node->m_value, (i32)std::strlen(node->m_value));
}

const char* CKetrelXMLDataNode::GetString(const char* path, const char* def) const
{
    const CKetrelXMLDataNode* node = FindPath(path);
    return node ? node->m_value : def;
}

i32 CKetrelXMLDataNode::GetIntAt(const char* path, i32 index, i32 def) const
{
    const CKetrelXMLDataNode* node = FindPath(path);
    const char* start;
    i32 n;
    if (!node || !FindItem(node->m_value, index, start, n) || !HasDigitIn(start, n))
        return def;
    return ScanInt(start, n);
}

f32 CKetrelXMLDataNode::GetFloatAt(const char* path, i32 index, f32 def) const
{
    const CKetrelXMLDataNode* node = FindPath(path);
    const char* start;
    i32 n;
    if (!node || !FindItem(node->m_value, index, start, n))
        return def;
    return ScanFloat(start, n);
}

bool CKetrelXMLDataNode::GetIntArray(const char* path, i32* out, i32 count, const i32* defaults) const
{
    if (!out || count <= 0)
        return count == 0;
    if (defaults)
        for (i32 i = 0; i < count; ++i)
            out[i] = defaults[i];
    const CKetrelXMLDataNode* node = FindPath(path);
    if (!node || !node->m_value)
        return false;
    i32 read = 0;
    const char* p = node->m_value;
    while (read < count && *p)
    {
        const char* comma = std::strchr(p, ',');
        const i32 n = comma ? (i32)(comma - p) : (i32)std::strlen(p);
        if (!HasDigitIn(p, n))
            break;
        out[read++] = ScanInt(p, n);
        if (!comma)
            break;
        p = comma + 1;
    }
    return read == count;
}

void CKetrelXMLDataNode::SetValueText(const char* text)
{
    char* copy = CopyString(text);
    if (text && !copy)
        return;                       // out of memory: the old value stays
    delete[] m_value;
    m_value = copy;
}

void CKetrelXMLDataNode::SetInt(const char* path, i32 value)
{
    CKetrelXMLDataNode* node = FindPath(path, true);
    if (node && node->IsValueNode())
    {
        char text[16];
        std::snprintf(text, sizeof(text), "%d", value);
        node->SetValueText(text);
    }
}

void CKetrelXMLDataNode::SetString(const char* path, const char* text)
{
    CKetrelXMLDataNode* node = FindPath(path, true);
    if (node && node->IsValueNode())
        node->SetValueText(text);
}

CKetrelXMLDataNode* CKetrelXMLDataNode::Clone() const
{
    CKetrelXMLDataNode* copy = new (std::nothrow) CKetrelXMLDataNode();
    if (!copy)
        return nullptr;
    if (m_name && !(copy->m_name = CopyString(m_name)))
    {
        delete copy;
        return nullptr;
    }
    if (m_value && !(copy->m_value = CopyString(m_value)))
    {
        delete copy;
        return nullptr;
    }
    CKetrelXMLDataNode* tail = nullptr;
    for (const CKetrelXMLDataNode* c = m_firstChild; c; c = c->m_next)
    {
        CKetrelXMLDataNode* child = c->Clone();
        if (!child)
        {
            delete copy;
            return nullptr;
        }
        KetrelXMLParser::Append(copy, tail, child);
    }
    return copy;
}

namespace
{
bool Put(CKetrelFile* file, const char* s, size_t n)
{
    return n == 0 || file->Write(s, (u32)n) == (u32)n;
}

bool PutTabs(CKetrelFile* file, i32 depth)
{
    static const char kTabs[] = "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
    while (depth > 0)
    {
        const i32 n = depth < 16 ? depth : 16;
        if (!Put(file, kTabs, (size_t)n))
            return false;
        depth -= n;
    }
    return true;
}

// A value's text, escaped so that the parser reads it back as it is. Text of white
// space only is written as character references, which keep it from reading as the
// layout of an empty element.
bool PutEscaped(CKetrelFile* file, const char* s)
{
    const size_t n = std::strlen(s);
    if (!HasNonSpace(s, (i32)n))
    {
        for (size_t i = 0; i < n; ++i)
        {
            char ref[8];
            const int len = std::snprintf(ref, sizeof(ref), "&#%d;", (int)(u8)s[i]);
            if (!Put(file, ref, (size_t)len))
                return false;
        }
        return true;
    }
    size_t run = 0;
    for (size_t i = 0; i < n; ++i)
    {
        const char* entity = s[i] == '&' ? "&amp;" : s[i] == '<' ? "&lt;" : s[i] == '>' ? "&gt;" : nullptr;
        if (!entity)
            continue;
        if (!Put(file, s + run, i - run) || !Put(file, entity, std::strlen(entity)))
            return false;
        run = i + 1;
    }
    return Put(file, s + run, n - run);
}
}

int CKetrelXMLDataNode::Save(CKetrelFile* file, i32 top, i32 depth) const
{
    if (!m_name)
        return KE_ERR_NOT_READY;
    if (!file)
        return KE_ERR_ARGUMENT;
    static const char kHeader[] = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\r\n";
    const char* tag = IsValueNode() ? m_name + 1 : m_name;
    const size_t tagLength = std::strlen(tag);
    bool ok = (top != 1 || Put(file, kHeader, sizeof(kHeader) - 1)) && PutTabs(file, depth) &&
              Put(file, "<", 1) && Put(file, tag, tagLength) && Put(file, ">", 1);
    if (ok && IsValueNode())
    {
        if (m_value)
            ok = PutEscaped(file, m_value);
    }
    else if (ok)
    {
        ok = Put(file, "\r\n", 2);
        for (const CKetrelXMLDataNode* c = m_firstChild; ok && c; c = c->m_next)
        {
            const int rc = c->Save(file, 0, depth + 1);
            if (rc != KE_OK)
                return rc;
        }
        ok = ok && PutTabs(file, depth);
    }
    ok = ok && Put(file, "</", 2) && Put(file, tag, tagLength) && Put(file, ">\r\n", 3);
    return ok ? KE_OK : KE_ERR_DEVICE;
}
