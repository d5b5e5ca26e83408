#include <gtest/gtest.h>

#include "ScreenTestKit.h"
#include "game/screens/JubChatBubbleList.h"

namespace
{
CKetrelString S(const char* s)
{
    return CKetrelString(s);
}

TEST(JubChatBubbleList, PaddingAndEmptyTexts)
{
    const std::pair<const char*, const char*> cases[] = {
        {"a", "  a  "}, {"ok", "  ok  "}, {"yes", "yes"}, {"good game", "good game"}};
    CJubChatBubbleList list;
    for (const auto& c : cases)
    {
        CJubChatBubble* b = list.AddBubble(S(c.first), S("Me"), 0xFF112233u, CKetrelVector2(1, 2),
                                           CKetrelVector2(0, 480));
        ASSERT_NE(nullptr, b);
        EXPECT_EQ(c.second, Utf8(*b->text));
        EXPECT_EQ("Me", Utf8(*b->speaker));
        EXPECT_FLOAT_EQ(6.0f, b->life);
        EXPECT_EQ(0xFF112233u, b->colour);
    }
    EXPECT_EQ(nullptr, list.AddBubble(S(""), S("Me"), 0, CKetrelVector2(), CKetrelVector2()));
    EXPECT_EQ(4, list.GetCount());
    list.Clear();
    EXPECT_EQ(0, list.GetCount());
}

TEST(JubChatBubbleList, PeerTextIsCutAndTheListIsBounded)
{
    CJubChatBubbleList list;
    std::string longText(5000, 'x');
    CJubChatBubble* b = list.AddBubble(S(longText.c_str()), S("Opponent"), 0, CKetrelVector2(),
                                       CKetrelVector2());
    ASSERT_NE(nullptr, b);
    EXPECT_EQ((i32)CJubChatBubbleList::MaxTextLength, b->text->GetLength());
    for (int i = 0; i < 100; ++i)
        list.AddBubble(S("spam"), S("Opponent"), 0, CKetrelVector2(), CKetrelVector2());
    EXPECT_EQ((i32)CJubChatBubbleList::MaxBubbles, list.GetCount());
    EXPECT_EQ("spam", Utf8(*list.GetAt(0)->text));
}

TEST(JubChatBubbleList, BubbleLastsOneStepBeyondSixSeconds)
{
    CJubChatBubbleList list;
    list.AddBubble(S("hi there"), S("Me"), 0, CKetrelVector2(), CKetrelVector2());
    int steps = 0;
    while (list.GetCount() > 0 && steps < 1000)
    {
        list.Update(0.033f);
        ++steps;
    }
    EXPECT_EQ(183, steps);
}

struct LayoutCase
{
    const char* name;
    CKetrelVector2 anchor, corner;
    f32 textWidth, textHeight;
    int column, row;
};

TEST(JubChatBubbleList, LayoutStaysOnScreenAndPointsToItsCorner)
{
    const f32 w = 800.0f, h = 480.0f, k = 6.0f;
    const LayoutCase cases[] = {
        {"own line", {80, 396}, {0, 480}, 200, 20, 0, 2},
        {"peer line", {720, 396}, {800, 480}, 200, 20, 2, 2},
        {"tall text near the top", {80, 5}, {0, 0}, 300, 200, 0, 0},
        {"tall text near the bottom", {720, 470}, {800, 480}, 480, 300, 2, 2},
        {"corner up-right", {300, 200}, {800, 0}, 100, 20, 2, 0},
    };
    for (const LayoutCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        CJubChatBubble bubble;
        bubble.position = c.anchor;
        bubble.corner = c.corner;
        const CJubBubbleLayout l = CJubChatBubbleList::Layout(bubble, c.textWidth, c.textHeight, w, h, k);
        EXPECT_EQ(c.column, l.pointerColumn);
        EXPECT_EQ(c.row, l.pointerRow);
        EXPECT_GE(l.textBox.top, 0.0f);
        EXPECT_LE(l.textBox.bottom, 0.85f * h + 0.01f);
        EXPECT_GE(l.textBox.left, 0.0f);
        EXPECT_LE(l.textBox.right, w);
        if (c.anchor.x < w / 2)
            EXPECT_FLOAT_EQ(0.05f * w, l.textBox.left);
        else
            EXPECT_FLOAT_EQ(0.95f * w, l.textBox.right);
        EXPECT_FLOAT_EQ(l.textBox.left - k, l.frame.left);
    }
}
}
