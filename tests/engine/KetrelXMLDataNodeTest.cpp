// tests/engine/KetrelXMLDataNodeTest.cpp
#include "engine/KetrelFile.h"
#include "engine/KetrelResult.h"
#include "engine/KetrelXMLDataNode.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
// A compact picture of a tree: name, "=value" for value nodes, "(children)".
std::string Dump(const CKetrelXMLDataNode* node)
{
    std::string s = node->GetName() ? node->GetName() : "?";
    if (node->IsValueNode())
    {
        if (node->GetValue())
            s += "=" + std::string(node->GetValue());
        return s;
    }
    if (node->GetFirstChild())
    {
        s += "(";
        for (const CKetrelXMLDataNode* c = node->GetFirstChild(); c; c = c->GetNextSibling())
            s += (c == node->GetFirstChild() ? "" : ",") + Dump(c);
        s += ")";
    }
    return s;
}

std::string DumpChildren(const CKetrelXMLDataNode& root)
{
    std::string s;
    for (const CKetrelXMLDataNode* c = root.GetFirstChild(); c; c = c->GetNextSibling())
        s += (c == root.GetFirstChild() ? "" : ",") + Dump(c);
    return s;
}

// Parses a copy of text held in a buffer of exactly its length (no terminator), so that
// a read past the end shows up under AddressSanitizer.
void ParseExact(CKetrelXMLDataNode& root, const std::string& text)
{
    std::unique_ptr<char[]> buffer(new char[text.size() ? text.size() : 1]);
    std::memcpy(buffer.get(), text.data(), text.size());
    EXPECT_EQ(KE_OK, root.Parse(buffer.get(), (u32)text.size()));
}

std::string ParseAndDump(const std::string& text)
{
    CKetrelXMLDataNode root;
    ParseExact(root, text);
    return DumpChildren(root);
}

// Saves a node into memory and returns the bytes written.
std::string SaveToString(const CKetrelXMLDataNode* node, i32 top, int* rc = nullptr)
{
    std::vector<char> buffer(1 << 20);
    CKetrelFile file;
    file.OpenMemory(buffer.data(), (u32)buffer.size(), KE_FILE_WRITE);
    int result = node->Save(&file, top, 0);
    if (rc)
        *rc = result;
    return std::string(buffer.data(), (size_t)file.GetPosition());
}
}

TEST(KetrelXMLParse, TreeShapes)
{
    struct Case { const char* name; std::string text; std::string tree; };
    const Case cases[] = {
        {"font descriptor", "<font><info face=\"Arial\" size=\"32\"/></font>", "font(info($face=Arial,$size=32))"},
        {"empty and self-closing siblings", "<a><b></b><c/></a>", "a(b,c)"},
        {"text between children ignored", "<a><b/>text<c/></a>", "a(b,c)"},
        {"text with attributes kept raw", "<a k=\"v\">some &amp; text</a>", "a($k=v,$ORIG_DATA=some &amp; text)"},
        {"text only is a value node", "<r><w>10</w><x y=\"1\">t</x></r>", "r($w=10,x($y=1,$ORIG_DATA=t))"},
        {"text only, entities decoded", "<a>&lt;b&gt; &amp; &#38;&#x41;</a>", "$a=<b> & &A"},
        {"white space only is no text", "<a>  \r\n\t</a>", "a"},
        {"top-level siblings", "<a/><b/>", "a,b"},
        {"closing tag name not compared", "<a></b><c/>", "a,c"},
        {"stray closing tag ends the top level", "<a/></x><b/>", "a"},
        {"space after the bracket", "< a >x</a>", "$a=x"},
        {"single quotes and unquoted values", "<a b='q' c=u d=w/>", "a($b=q,$c=u,$d=w)"},
        {"attribute without value", "<a b c=\"1\"/>", "a($b,$c=1)"},
        {"empty attribute value", "<a b=\"\"/>", "a($b)"},
        {"tabs and new lines inside the tag", "<a\tb=\"1\"\r\n c = \"2\" />", "a($b=1,$c=2)"},
        {"'>' inside a quoted value", "<a b=\"x>y\"><c/></a>", "a($b=x>y,c)"},
        {"value-named element", "<$v>x &amp; y</$v>", "$v=x & y"},
        {"value-named element drops its children", "<r><$v a=\"1\"><b/>y</$v><c/></r>", "r($v,c)"},
        {"declaration and doctype skipped", "<?xml version=\"1.0\"?><!DOCTYPE x><a/>", "a"},
        {"comment hides an element", "<!-- <x/> --><a/>", "a"},
        {"nested comments", "<!-- <!-- --> <x/> --><a/>", "a"},
        {"unterminated comment blanks the rest", "<a/><!-- <b/>", "a"},
        {"comment inside an element", "<a><!--<b/>--><c/></a>", "a(c)"},
        {"lone comment end is blanked", "<a b=\"x-->y\"/>", "a($b=x   y)"},
        {"unterminated element keeps its children", "<a><b>", "a(b)"},
        {"unterminated text", "<a>text", "$a=text"},
        {"unterminated start tag", "<a b=\"1", ""},
        {"unterminated quote", "<a b=\"1/>", ""},
        {"bracket only", "<", ""},
        {"no element", "just text", ""},
        {"empty", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.tree, ParseAndDump(c.text)) << c.name;
}

TEST(KetrelXMLParse, AttributeValuesAreDecodedAndBounded)
{
    struct Case { const char* name; std::string value; std::string want; };
    const Case cases[] = {
        {"less-than", "1 &lt; 2", "1 < 2"},
        {"all five", "&amp;&lt;&gt;&quot;&apos;", "&<>\"'"},
        {"unknown ampersand dropped", "x&y", "xy"},
        {"no character references", "&#65;", "#65;"},
        {"ampersand at the end", "x&", "x"},
        {"cut entity", "a&am", "aam"},
        {"longest value kept", std::string(1023, 'v'), std::string(1023, 'v')},
        {"longer value cut", std::string(5000, 'v'), std::string(1023, 'v')},
        {"cut after decoding", std::string(1022, 'v') + "&amp;&amp;", std::string(1022, 'v') + "&"},
    };
    for (const Case& c : cases)
    {
        CKetrelXMLDataNode root;
        ParseExact(root, "<a k=\"" + c.value + "\"/>");
        const char* got = root.GetString("a/$k", nullptr);
        ASSERT_NE(nullptr, got) << c.name;
        EXPECT_EQ(c.want, std::string(got)) << c.name;
    }

    CKetrelXMLDataNode root;
    ParseExact(root, "<a " + std::string(3000, 'n') + "=\"1\" m=\"2\"/>");
    const CKetrelXMLDataNode* attr = root.FindPath("a")->GetFirstChild();
    ASSERT_NE(nullptr, attr);
    EXPECT_EQ(1023u, std::strlen(attr->GetName())) << "'$' and 1022 characters";
    EXPECT_STREQ("2", root.GetString("a/$m", nullptr)) << "the next attribute still parses";
}

// Nesting is bounded; what lies below the limit is passed over and the siblings after
// it still parse.
TEST(KetrelXMLParse, DeepNestingIsBounded)
{
    const int levels = 20000;
    std::string deep;
    for (int i = 0; i < levels; ++i)
        deep += "<d>";
    for (int i = 0; i < levels; ++i)
        deep += "</d>";
    CKetrelXMLDataNode root;
    ParseExact(root, "<r>" + deep + "<after x=\"1\"/></r><next/>");
    int depth = 0;
    const CKetrelXMLDataNode* node = root.FindPath("r");
    while (node && node->FindChild("d"))
    {
        node = node->FindChild("d");
        ++depth;
    }
    EXPECT_EQ(CKetrelXMLDataNode::MaxDepth - 1, depth);   // "r" is the first level
    EXPECT_EQ(1, root.GetInt("r/after/$x", 0));
    EXPECT_NE(nullptr, root.FindPath("next"));

    // Unclosed, too: no stack overflow, nothing read past the end.
    CKetrelXMLDataNode open;
    std::string unclosed;
    for (int i = 0; i < levels; ++i)
        unclosed += "<d a=\"1\">";
    ParseExact(open, unclosed);
    EXPECT_NE(nullptr, open.FindPath("d/d/d/$a"));
}

// Every prefix of a document parses without reading past its end and keeps what was
// complete.
TEST(KetrelXMLParse, EveryPrefixParses)
{
    const std::string doc =
        "<?xml version=\"1.0\"?>\r\n<!-- layout -->\r\n<root a=\"1 &lt; 2\" b='x'>\r\n"
        "\t<item id=\"3\">text &amp; more</item>\r\n\t<w>10</w>\r\n\t<empty/>\r\n"
        "\t<list><i v=\"1\"/><i v=\"2\"/></list>\r\n</root>\r\n";
    for (size_t n = 0; n <= doc.size(); ++n)
    {
        CKetrelXMLDataNode root;
        ParseExact(root, doc.substr(0, n));
        if (n == doc.size())
        {
            EXPECT_EQ("root($a=1 < 2,$b=x,item($id=3,$ORIG_DATA=text &amp; more),$w=10,empty,"
                      "list(i($v=1),i($v=2)))",
                      DumpChildren(root));
        }
    }
}

TEST(KetrelXMLGetters, NumbersAndTexts)
{
    CKetrelXMLDataNode root;
    ParseExact(root, "<c n=\"42\" neg=\"-7\" abc=\"abc\" f=\"2,5\" list=\"1, 2 3\" fl=\"0.5,1.5\" "
                     "arr=\"4,5,6\" gap=\"4,x,6\" e=\"\"><el/></c>");
    struct IntCase { const char* name; const char* path; i32 def; i32 want; };
    const IntCase ints[] = {
        {"number", "c/$n", -1, 42},
        {"negative", "c/$neg", -1, -7},
        {"no digit gives the default", "c/$abc", -1, -1},
        {"missing path", "c/$none", -1, -1},
        {"element has no text", "c/el", -1, 0},
        {"empty attribute has no text", "c/$e", -1, 0},
        {"path through a value node", "c/$n/x", -1, -1},
    };
    for (const IntCase& c : ints)
        EXPECT_EQ(c.want, root.GetInt(c.path, c.def)) << c.name;

    EXPECT_FLOAT_EQ(2.5f, root.GetFloat("c/$f", -1.0f));
    EXPECT_FLOAT_EQ(0.0f, root.GetFloat("c/$abc", -1.0f)) << "present but not a number";
    EXPECT_FLOAT_EQ(-1.0f, root.GetFloat("c/$none", -1.0f));
    EXPECT_STREQ("abc", root.GetString("c/$abc", "d"));
    EXPECT_STREQ("d", root.GetString("c/$none", "d"));
    EXPECT_EQ(nullptr, root.GetString("c/el", "d")) << "an element has no text";

    struct AtCase { const char* name; const char* path; i32 index; i32 want; };
    const AtCase ats[] = {
        {"first", "c/$list", 0, 1}, {"after comma and space", "c/$list", 1, 2},
        {"after space", "c/$list", 2, 3}, {"beyond", "c/$list", 3, -1},
        {"negative index", "c/$list", -1, -1}, {"item without digit", "c/$gap", 1, -1},
        {"missing path", "c/$none", 0, -1},
    };
    for (const AtCase& c : ats)
        EXPECT_EQ(c.want, root.GetIntAt(c.path, c.index, -1)) << c.name;
    EXPECT_FLOAT_EQ(1.5f, root.GetFloatAt("c/$fl", 1, -1.0f));
    EXPECT_FLOAT_EQ(-1.0f, root.GetFloatAt("c/$fl", 2, -1.0f));

    const i32 defaults[4] = {9, 9, 9, 9};
    i32 out[4];
    EXPECT_TRUE(root.GetIntArray("c/$arr", out, 3, defaults));
    EXPECT_EQ(4, out[0]);
    EXPECT_EQ(6, out[2]);
    EXPECT_FALSE(root.GetIntArray("c/$arr", out, 4, defaults));
    EXPECT_EQ(9, out[3]);
    EXPECT_FALSE(root.GetIntArray("c/$gap", out, 3, defaults));
    EXPECT_EQ(4, out[0]);
    EXPECT_EQ(9, out[1]);
    EXPECT_FALSE(root.GetIntArray("c/$none", out, 2, defaults));
}

TEST(KetrelXMLTree, PathsChildrenAndSetters)
{
    CKetrelXMLDataNode root;
    ParseExact(root, "<a><b><c/><x k=\"deep\"/></b><x k=\"shallow\"/></a>");
    CKetrelXMLDataNode* a = root.FindPath("a");
    ASSERT_NE(nullptr, a);

    EXPECT_EQ(a, root.FindPath(nullptr, false)->FindChild("a"));
    EXPECT_EQ(&root, root.FindPath(""));
    EXPECT_EQ(nullptr, root.FindPath("a//b"));
    EXPECT_EQ(nullptr, root.FindPath("a/"));
    EXPECT_EQ(nullptr, root.FindPath("a/x/$k/more"));
    EXPECT_STREQ("deep", a->FindChild("x", true)->GetString("$k", nullptr)) << "depth first";
    EXPECT_STREQ("shallow", a->FindChild("x", false)->GetString("$k", nullptr));
    EXPECT_EQ(nullptr, a->FindChild("", true));
    EXPECT_EQ(nullptr, a->FindChild("k", true)) << "value nodes are not descended into";
    EXPECT_EQ(2, a->GetChildCount());
    EXPECT_EQ(0, a->FindPath("x/$k")->GetChildCount());

    root.SetInt("a/new/$n", -12);
    EXPECT_EQ(-12, root.GetInt("a/new/$n", 0));
    root.SetString("a/new/$s", "text");
    EXPECT_STREQ("text", root.GetString("a/new/$s", nullptr));
    root.SetInt("a/new/el", 5);                  // an element keeps no value
    EXPECT_EQ(0, root.GetInt("a/new/el", -1));
    root.SetInt("a/x/$k/below", 1);              // cannot pass a value node
    EXPECT_EQ(nullptr, root.FindPath("a/x/$k/below"));
    EXPECT_EQ(nullptr, a->FindPath("x/$k")->AddChild("child"));
    EXPECT_EQ(nullptr, a->AddChild(""));
    CKetrelXMLDataNode* v = a->AddChild("$v", "1");
    ASSERT_NE(nullptr, v);
    EXPECT_STREQ("1", v->GetValue());
    EXPECT_EQ(nullptr, a->AddChild("plain", "ignored")->GetValue());

    CKetrelXMLDataNode* copy = a->Clone();
    ASSERT_NE(nullptr, copy);
    const std::string before = Dump(a);
    EXPECT_EQ(before, Dump(copy));
    root.SetString("a/new/$s", "changed");
    EXPECT_EQ(before, Dump(copy)) << "the clone is independent";
    delete copy;

    a->Clear();
    EXPECT_EQ(0, a->GetChildCount());
    EXPECT_STREQ("a", a->GetName());
}

// A tree built deeper than any parse allows still goes away without exhausting the stack.
TEST(KetrelXMLTree, VeryDeepBuiltTreeIsDeleted)
{
    std::string path = "d";
    for (int i = 0; i < 200000; ++i)
        path += "/d";
    CKetrelXMLDataNode* root = new CKetrelXMLDataNode();
    root->SetInt((path + "/$v").c_str(), 3);
    EXPECT_EQ(3, root->GetInt((path + "/$v").c_str(), 0));
    delete root;
}

TEST(KetrelXMLSave, ExactBytes)
{
    CKetrelXMLDataNode a;
    ASSERT_EQ(KE_OK, a.Parse(nullptr, 0));
    CKetrelXMLDataNode root;
    CKetrelXMLDataNode* node = root.AddChild("a");
    node->AddChild("$b", "5");
    EXPECT_EQ("<a>\r\n\t<b>5</b>\r\n</a>\r\n", SaveToString(node, 0));
    EXPECT_EQ("<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\r\n<a>\r\n\t<b>5</b>\r\n</a>\r\n",
              SaveToString(node, 1));
    node->AddChild("$t", "a<b & c>d");
    node->AddChild("$sp", "  ");
    node->AddChild("e");
    EXPECT_EQ("<a>\r\n\t<b>5</b>\r\n\t<t>a&lt;b &amp; c&gt;d</t>\r\n\t<sp>&#32;&#32;</sp>\r\n"
              "\t<e>\r\n\t</e>\r\n</a>\r\n",
              SaveToString(node, 0));
    int rc = 0;
    SaveToString(&root, 0, &rc);
    EXPECT_EQ(KE_ERR_NOT_READY, rc) << "a node without a name";

    // A stream that fills up reports the short write.
    char small[10];
    CKetrelFile file;
    file.OpenMemory(small, sizeof(small), KE_FILE_WRITE);
    EXPECT_EQ(KE_ERR_DEVICE, node->Save(&file, 0, 0));
}

// What Save writes, Load reads back as the same tree.
TEST(KetrelXMLSave, RoundTrip)
{
    const char* docs[] = {
        "<font><info face=\"Arial\" size=\"32\"/><common lineHeight=\"40\"/></font>",
        "<a k=\"1 &lt; 2 &amp; 3\" q=\"&quot;x&quot;\">raw &amp; text</a>",
        "<a k=\"  \" t=\"tab\there\"><b><c d=\"--&gt;\"/></b><w>10</w></a>",
        "<a><w> padded </w><x>line1\r\nline2</x></a>",
    };
    for (const char* doc : docs)
    {
        CKetrelXMLDataNode first;
        ParseExact(first, doc);
        ASSERT_NE(nullptr, first.GetFirstChild()) << doc;
        const std::string saved = SaveToString(first.GetFirstChild(), 1);

        CKetrelFile file;
        ASSERT_EQ(KE_OK, file.OpenMemory(const_cast<char*>(saved.data()), (u32)saved.size(), KE_FILE_OWN_BUFFER));
        CKetrelXMLDataNode second;
        ASSERT_EQ(KE_OK, second.Load(&file, 0));
        EXPECT_EQ(DumpChildren(first), DumpChildren(second)) << doc;
        EXPECT_EQ(saved, SaveToString(second.GetFirstChild(), 1)) << doc;
    }
}

TEST(KetrelXMLLoad, EmptyFileAndPartialReads)
{
    CKetrelXMLDataNode root;
    ParseExact(root, "<keep/>");
    CKetrelFile empty;
    EXPECT_EQ(KE_ERR_NOT_READY, root.Load(&empty, 0));
    EXPECT_EQ(KE_ERR_ARGUMENT, root.Load(nullptr, 0));
    EXPECT_EQ("keep", DumpChildren(root));

    std::string doc = "<a x=\"1\"/><b/>";
    CKetrelFile file;
    ASSERT_EQ(KE_OK, file.OpenMemory(&doc[0], (u32)doc.size(), 0));
    EXPECT_EQ(KE_OK, root.Load(&file, 10));     // only "<a x=\"1\"/>"
    EXPECT_EQ("keep,a($x=1)", DumpChildren(root));
    EXPECT_EQ(KE_OK, root.Load(&file, 100));    // the rest; more was asked than is left
    EXPECT_EQ("keep,a($x=1),b", DumpChildren(root));
    EXPECT_EQ("<a x=\"1\"/><b/>", doc) << "Load works on its own copy";

    i32 position = 0;
    const char text[] = "<p/><q/>";
    CKetrelXMLDataNode* p = CKetrelXMLDataNode::ParseElement(text, 8, position);
    ASSERT_NE(nullptr, p);
    EXPECT_STREQ("p", p->GetName());
    EXPECT_EQ(4, position);
    delete p;
}
