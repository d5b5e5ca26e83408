#include "engine/KetrelTextInput.h"

#include <gtest/gtest.h>

#include <string>

static std::string Narrow(const CKetrelString& text)
{
    std::string out;
    for (i32 i = 0; i < text.GetLength(); i++)
        out += (char)text.GetAt(i);
    return out;
}

// Feeds every byte of keys as one character; '\x01' stands for Reset.
static void Feed(CKetrelTextInput& input, const std::string& keys)
{
    for (unsigned char ch : keys)
    {
        if (ch == 1)
            input.Reset();
        else
            input.OnChar(ch);
    }
}

TEST(KetrelTextInput, EditingSequences)
{
    struct Case { const char* name; u32 maxLength; std::string keys; const char* text; u32 done; };
    const Case cases[] = {
        {"typed text", 10, "abc", "abc", 0},
        {"cut at the maximum, then Enter", 3, "abcd\r", "abc", 1},
        {"line feed also ends", 10, "ab\ncd", "ab", 1},
        {"characters after Enter ignored", 10, "a\rbc", "a", 1},
        {"Reset takes input again", 10, std::string("a\r") + "\x01" + "b", "ab", 0},
        {"backspace removes the last", 10, "abc\b", "ab", 0},
        {"backspace on empty text", 10, "\b\bx", "x", 0},
        {"backspace after the limit frees room", 2, "abc\bd", "ad", 0},
        {"Escape kept out", 10, "a\x1b" "b", "ab", 0},
        {"Delete kept out", 10, "a\x7f" "b", "ab", 0},
        {"tab and other controls kept out", 10, "\t\x0e\x1f" "a", "a", 0},
        {"Latin-1 letters kept", 10, "\xe9\xfc", "\xe9\xfc", 0},
        {"maximum 0 takes nothing", 0, "abc", "", 0},
    };
    for (const Case& c : cases)
    {
        CKetrelTextInput input;
        input.Init(nullptr, CKetrelString(""), CKetrelString("title"), c.maxLength);
        Feed(input, c.keys);
        EXPECT_EQ(c.text, Narrow(input.GetText())) << c.name;
        EXPECT_EQ(c.done, input.IsDone()) << c.name;
    }
}

// Latin-1 bytes arrive as unsigned values: 0xE9 is 'é', not a huge number.
TEST(KetrelTextInput, HighBytesStayOneCharacter)
{
    CKetrelTextInput input;
    input.Init(nullptr, CKetrelString(""), CKetrelString(""), 5);
    input.OnChar(0xE9);
    ASSERT_EQ(1, input.GetText().GetLength());
    EXPECT_EQ(0xE9, input.GetText().GetAt(0));
}

TEST(KetrelTextInput, SetTextIsCutToTheMaximum)
{
    CKetrelTextInput input;
    input.Init(nullptr, CKetrelString(""), CKetrelString(""), 4);
    input.SetText(CKetrelString("abcdef"));
    EXPECT_EQ("abcd", Narrow(input.GetText()));
    input.OnChar('x');
    EXPECT_EQ("abcd", Narrow(input.GetText()));
}

TEST(KetrelTextInput, PasswordModeMasksEveryCharacter)
{
    CKetrelTextInput input;
    input.Init(nullptr, CKetrelString("abc"), CKetrelString(""), 10);
    EXPECT_EQ("abc", Narrow(*input.GetDisplayText()));
    input.SetPasswordMode(1);
    EXPECT_EQ("***", Narrow(*input.GetDisplayText()));
    input.OnChar('\b');
    EXPECT_EQ("**", Narrow(*input.GetDisplayText()));
    input.OnChar('\b');
    input.OnChar('\b');
    EXPECT_EQ("", Narrow(*input.GetDisplayText()));
    EXPECT_EQ("", Narrow(input.GetText()));
}
