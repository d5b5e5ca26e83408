#include "engine/KetrelInput.h"
#include "engine/KetrelPtrArray.h"

#include <gtest/gtest.h>

#include <string>

static std::string Narrow(const CKetrelString& text)
{
    std::string out;
    for (i32 i = 0; i < text.GetLength(); i++)
        out += (char)text.GetAt(i);
    return out;
}

TEST(KetrelKeyCodes, KeysymsMapToTheirCodes)
{
    struct Case { const char* name; u32 keysym; u32 code; };
    const Case cases[] = {
        {"Left", 0xFF51, 0}, {"Down", 0xFF54, 3},
        {"Return", 0xFF0D, 4}, {"KP_Enter", 0xFF8D, 4},
        {"a", 'a', 15}, {"z", 'z', 40},
        {"upper-case A has no code", 'A', 255}, {"upper-case Z", 'Z', 255},
        {"1", '1', 41}, {"9", '9', 49}, {"0", '0', 50},
        {"F1", 0xFFBE, 51}, {"F15", 0xFFCC, 65}, {"F16", 0xFFCD, 66}, {"F24", 0xFFD5, 74},
        {"F25 is past the table", 0xFFD6, 255},
        {"Escape", 0xFF1B, 75}, {"space", 0x20, 76},
        {"Control_L", 0xFFE3, 78}, {"Control_R", 0xFFE4, 79},
        {"Shift_L", 0xFFE1, 80}, {"Shift_R", 0xFFE2, 81}, {"Caps_Lock", 0xFFE5, 82},
        {"comma", 0x2C, 83}, {"period", 0x2E, 84}, {"Tab", 0xFF09, 85},
        {"Home", 0xFF50, 86}, {"End", 0xFF57, 87}, {"Prior", 0xFF55, 88}, {"Next", 0xFF56, 89},
        {"minus", 0x2D, 90}, {"equal has no code", 0x3D, 255},
        {"Num_Lock", 0xFF7F, 96}, {"Scroll_Lock", 0xFF14, 97},
        {"KP_1", 0xFFB1, 98}, {"KP_9", 0xFFB9, 106}, {"KP_0", 0xFFB0, 107},
        {"KP_End", 0xFF9C, 98}, {"KP_Down", 0xFF99, 99}, {"KP_Next", 0xFF9B, 100},
        {"KP_Left", 0xFF96, 101}, {"KP_Begin", 0xFF9D, 102}, {"KP_Right", 0xFF98, 103},
        {"KP_Home", 0xFF95, 104}, {"KP_Up", 0xFF97, 105}, {"KP_Prior", 0xFF9A, 106},
        {"KP_Insert", 0xFF9E, 107},
        {"Alt_L", 0xFFE9, 108}, {"Alt_R", 0xFFEA, 109},
        {"Insert", 0xFF63, 110}, {"Delete", 0xFFFF, 111}, {"Hyper_R", 0xFFEE, 112},
        {"KP_Delete", 0xFF9F, 120}, {"KP_Separator", 0xFFAC, 120}, {"KP_Decimal", 0xFFAE, 120},
        {"KP_Divide", 0xFFAF, 121}, {"KP_Multiply", 0xFFAA, 122},
        {"KP_Add", 0xFFAB, 123}, {"KP_Subtract", 0xFFAD, 124},
        {"KP_Equal", 0xFFBD, 125}, {"Pause", 0xFF13, 126}, {"BackSpace", 0xFF08, 130},
        {"zero keysym", 0, 255}, {"a Unicode keysym", 0x10020AC, 255},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.code, CKetrelInput::KeysymToKeyCode(c.keysym)) << c.name;
}

TEST(KetrelKeyCodes, NamesOfCodes)
{
    struct Case { u32 code; const char* name; };
    const Case cases[] = {
        {0, "ARROW LEFT"}, {4, "ENTER"}, {5, "DEVICE0"}, {14, "DEVICE9"},
        {15, "A"}, {40, "Z"}, {41, "1"}, {49, "9"}, {50, "0"},
        {51, "F1"}, {65, "F15"}, {66, "Unknown key"}, {70, "Unknown key"}, {74, "Unknown key"},
        {75, "Esc"}, {76, "SPACE"}, {77, "Back"}, {82, "CAPS LOCK"}, {85, "Tab"},
        {91, "="}, {93, "]"}, {94, "\\"}, {95, "\\"}, {97, "SCROLL LOCK"},
        {98, "NUMPAD 1"}, {106, "NUMPAD 9"}, {107, "NUMPAD 0"}, {112, "APPS KEY"},
        {115, "'"}, {117, "NO"}, {118, "*"}, {119, "#"}, {120, "NUMPAD ."},
        {124, "NUMPAD -"}, {125, "NUMPAD ENTER"}, {126, "PAUSE/BREAK"},
        {127, "Menu"}, {129, "Camera"}, {130, "Backspace"},
        {131, "Unknown key"}, {200, "Unknown key"}, {255, "Unknown key"},
        {0xFFFFFFFF, "Unknown key"},
    };
    for (const Case& c : cases)
    {
        CKetrelString name("stale");
        CKetrelInput::GetKeyName(c.code, name);
        EXPECT_EQ(c.name, Narrow(name)) << "code " << c.code;
    }
}

// Every mapped keysym lands on a code with a name of its own (or in the unnamed
// F16-F24 run), so the key-state table and the names agree.
TEST(KetrelKeyCodes, EveryMappedKeysymHasACodeInRange)
{
    for (u32 keysym = 0; keysym <= 0xFFFF; keysym++)
    {
        u32 code = CKetrelInput::KeysymToKeyCode(keysym);
        if (code == 255)
            continue;
        ASSERT_LE(code, 130u) << std::hex << keysym;
        CKetrelString name;
        CKetrelInput::GetKeyName(code, name);
        if (code < 66 || code > 74)
        {
            EXPECT_NE("Unknown key", Narrow(name)) << std::hex << keysym;
        }
    }
}

TEST(KetrelInputDevices, EnumeratorsAppendOneDescribedRecordEach)
{
    CKetrelInput input;
    CKetrelPtrArray list;
    input.EnumerateKeyboards(&list);
    input.EnumeratePointers(&list);
    input.EnumerateKeyboards(nullptr);
    ASSERT_EQ(2, list.GetCount());
    const CKetrelInputDevice* keyboard = (const CKetrelInputDevice*)list.GetAt(0);
    const CKetrelInputDevice* pointer = (const CKetrelInputDevice*)list.GetAt(1);
    EXPECT_EQ("KetrelInput keyboard device.", Narrow(keyboard->description));
    EXPECT_EQ("KetrelInput mouse/stylus device.", Narrow(pointer->description));
    for (u32 word : pointer->reserved)
        EXPECT_EQ(0u, word);
    CKetrelInput::FreeDevices(&list);
    EXPECT_EQ(0, list.GetCount());
}
