#pragma once
// engine/KetrelXMLDataNode.h
#include "engine/KetrelTypes.h"

class CKetrelFile;

// The engine's small XML tree for machine-written data files: no namespaces, DTDs or
// character sets; text is 8-bit bytes. Every node has a name. A node whose name starts
// with '$' is a value node: it holds a text and no children. Attributes become value
// nodes named "$" + the attribute name; the text of an element with attributes becomes
// a value node "$ORIG_DATA" (raw, as written); an element holding only text (no
// attributes, no child elements) is read as a value node "$" + its name. Element nodes
// hold their children in document order. A node owns its name, its text and its
// subtree; one thread at a time.
class CKetrelXMLDataNode
{
public:
    // Elements nested deeper than this are read without their child elements.
    enum { MaxDepth = 256 };
    // Attribute names are cut to this many characters, attribute values (after
    // decoding) to MaxAttributeValue.
    enum { MaxAttributeName = 1022, MaxAttributeValue = 1023 };

    CKetrelXMLDataNode();             // no name, no children
    virtual ~CKetrelXMLDataNode();    // deletes the subtree and the name

    // Deletes the children (or the text of a value node); the name stays.
    void Clear();

    // Reads size bytes from the file's position (0: the file's whole size) and appends
    // every top-level element as a child of this node. KE_OK, also when the text holds
    // no element or is malformed (whatever elements were complete are kept);
    // KE_ERR_NOT_READY for an empty file (the tree stays as it was); KE_ERR_ARGUMENT
    // for a null file; KE_ERR_MEMORY.
    int Load(CKetrelFile* file, u32 size);
    // The same on a buffer, which is changed: comments are overwritten with spaces.
    // Nothing is read at or beyond text[length]; no terminator is needed.
    int Parse(char* text, u32 length);
    // One element from text[position]; position moves past it. Null at a closing tag
    // (which is consumed) or at the end of the text. The caller owns the node.
    static CKetrelXMLDataNode* ParseElement(const char* text, i32 length, i32& position);

    // A new last child named name (copied); a value node also gets a copy of value.
    // Null for a null or empty name, on a value node (it takes no children), or when
    // out of memory. The node stays owned by this one.
    CKetrelXMLDataNode* AddChild(const char* name, const char* value = nullptr);

    // The first child named name; with recursive, each child's subtree is searched
    // before the next sibling (value nodes are not descended into). Null for a null or
    // empty name.
    CKetrelXMLDataNode* FindChild(const char* name, bool recursive = false) const;
    i32 GetChildCount() const;        // 0 for a value node

    // Follows "a/b/c", each part selecting the first child of that name. With create, a
    // missing part is added. Null when a part is missing (or empty), or when the walk
    // meets a value node before the last part. A null or empty path gives this node.
    CKetrelXMLDataNode* FindPath(const char* path, bool create = false);
    const CKetrelXMLDataNode* FindPath(const char* path) const;

    // Getters never fail; see each for what a missing path or text gives.
    // def when the path is absent or the text holds no digit; 0 when the node has no text.
    i32 GetInt(const char* path, i32 def) const;
    // def only when the path is absent; 0 when the text is missing or does not parse.
    f32 GetFloat(const char* path, f32 def) const;
    // The node's text, valid while the tree lives (null for a node without text); def
    // when the path is absent.
    const char* GetString(const char* path, const char* def) const;
    // Item index of the text, items separated by ',' or white space. def when the path
    // or the item is missing (for GetIntAt also when the item holds no digit).
    i32 GetIntAt(const char* path, i32 index, i32 def) const;
    f32 GetFloatAt(const char* path, i32 index, f32 def) const;
    // out := defaults (when given), then up to count comma-separated integers. True when
    // all count were read.
    bool GetIntArray(const char* path, i32* out, i32 count, const i32* defaults) const;

    // FindPath(path, true), then a value node reached gets the value as text; an
    // element node reached keeps no value.
    void SetInt(const char* path, i32 value);
    void SetString(const char* path, const char* text);

    // A deep copy of this node (not its siblings); null when out of memory.
    CKetrelXMLDataNode* Clone() const;

    // Writes this node and its subtree: at top 1 first the XML declaration; depth TABs
    // before each tag; attributes and texts as child elements, with '&', '<', '>' (and
    // texts of white space only) escaped so that loading gives the same tree back.
    // KE_OK; KE_ERR_NOT_READY for a node without a name; KE_ERR_DEVICE when a write
    // falls short.
    int Save(CKetrelFile* file, i32 top, i32 depth) const;

    const char* GetName() const { return m_name; }
    bool IsValueNode() const { return m_name != nullptr && m_name[0] == '$'; }
    const char* GetValue() const { return m_value; }
    CKetrelXMLDataNode* GetFirstChild() const { return m_firstChild; }
    CKetrelXMLDataNode* GetNextSibling() const { return m_next; }

private:
    CKetrelXMLDataNode(const CKetrelXMLDataNode&) = delete;
    CKetrelXMLDataNode& operator=(const CKetrelXMLDataNode&) = delete;

    friend struct KetrelXMLParser;

    void DeleteChildren();
    void SetValueText(const char* text);

    char* m_name;                     // owned, 0-terminated; null only for a bare root
    CKetrelXMLDataNode* m_firstChild; // element nodes
    char* m_value;                    // value nodes; owned, may be null
    CKetrelXMLDataNode* m_next;       // next sibling (owned by the parent's chain)
};
