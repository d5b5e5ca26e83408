#include "engine/KetrelKeyCodes.h"

static const char* const kNames[KE_KEY_LAST + 1] = {
    "ARROW LEFT", "ARROW UP", "ARROW RIGHT", "ARROW DOWN", "ENTER",
    "DEVICE0", "DEVICE1", "DEVICE2", "DEVICE3", "DEVICE4",
    "DEVICE5", "DEVICE6", "DEVICE7", "DEVICE8", "DEVICE9",
    "A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M",
    "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z",
    "1", "2", "3", "4", "5", "6", "7", "8", "9", "0",
    "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10",
    "F11", "F12", "F13", "F14", "F15",
    0, 0, 0, 0, 0, 0, 0, 0, 0,           // F16 to F24 have no name
    "Esc", "SPACE", "Back", "L CONTROL", "R CONTROL", "L SHIFT", "R SHIFT",
    "CAPS LOCK", ",", ".", "Tab", "HOME", "END", "PAGEUP", "PAGEDOWN",
    "-", "=", "[", "]", "\\", "\\", "NUMLOCK", "SCROLL LOCK",
    "NUMPAD 1", "NUMPAD 2", "NUMPAD 3", "NUMPAD 4", "NUMPAD 5",
    "NUMPAD 6", "NUMPAD 7", "NUMPAD 8", "NUMPAD 9", "NUMPAD 0",
    "L ALT", "R ALT", "INSERT", "DELETE", "APPS KEY", "L FUNC", "R FUNC",
    "'", "YES", "NO", "*", "#", "NUMPAD .",
    "NUMPAD /", "NUMPAD *", "NUMPAD +", "NUMPAD -", "NUMPAD ENTER",
    "PAUSE/BREAK", "Menu", "Search", "Camera", "Backspace",
};

// Key symbols that map one to one, outside the contiguous runs handled below.
struct KeysymCode { u32 keysym; u8 code; };
static const KeysymCode kSingles[] = {
    {0xFF0D, KE_KEY_ENTER}, {0xFF8D, KE_KEY_ENTER},
    {0xFF1B, KE_KEY_ESC}, {0x20, KE_KEY_SPACE},
    {0xFFE3, KE_KEY_LCONTROL}, {0xFFE4, KE_KEY_RCONTROL},
    {0xFFE1, KE_KEY_LSHIFT}, {0xFFE2, KE_KEY_RSHIFT}, {0xFFE5, KE_KEY_CAPSLOCK},
    {0x2C, KE_KEY_COMMA}, {0x2E, KE_KEY_PERIOD}, {0xFF09, KE_KEY_TAB},
    {0xFF50, KE_KEY_HOME}, {0xFF57, KE_KEY_END}, {0xFF55, KE_KEY_PAGEUP}, {0xFF56, KE_KEY_PAGEDOWN},
    {0x2D, KE_KEY_MINUS}, {0xFF7F, KE_KEY_NUMLOCK}, {0xFF14, KE_KEY_SCROLLLOCK},
    // The keypad's cursor symbols, in the order of the digits 1 to 9.
    {0xFF9C, KE_KEY_NUMPAD1}, {0xFF99, KE_KEY_NUMPAD1 + 1}, {0xFF9B, KE_KEY_NUMPAD1 + 2},
    {0xFF96, KE_KEY_NUMPAD1 + 3}, {0xFF9D, KE_KEY_NUMPAD1 + 4}, {0xFF98, KE_KEY_NUMPAD1 + 5},
    {0xFF95, KE_KEY_NUMPAD1 + 6}, {0xFF97, KE_KEY_NUMPAD1 + 7}, {0xFF9A, KE_KEY_NUMPAD1 + 8},
    {0xFFB0, KE_KEY_NUMPAD0}, {0xFF9E, KE_KEY_NUMPAD0},
    {0xFFE9, KE_KEY_LALT}, {0xFFEA, KE_KEY_RALT},
    {0xFF63, KE_KEY_INSERT}, {0xFFFF, KE_KEY_DELETE}, {0xFFEE, KE_KEY_APPS},
    {0xFF9F, KE_KEY_NUMPAD_DECIMAL}, {0xFFAC, KE_KEY_NUMPAD_DECIMAL}, {0xFFAE, KE_KEY_NUMPAD_DECIMAL},
    {0xFFAF, KE_KEY_NUMPAD_DIVIDE}, {0xFFAA, KE_KEY_NUMPAD_MULTIPLY},
    {0xFFAB, KE_KEY_NUMPAD_ADD}, {0xFFAD, KE_KEY_NUMPAD_SUBTRACT},
    {0xFFBD, KE_KEY_NUMPAD_ENTER}, {0xFF13, KE_KEY_PAUSE}, {0xFF08, KE_KEY_BACKSPACE},
};

u32 KetrelKeysymToKeyCode(u32 keysym)
{
    if (keysym >= 0xFF51 && keysym <= 0xFF54)
        return KE_KEY_ARROW_LEFT + (keysym - 0xFF51);
    if (keysym >= 'a' && keysym <= 'z')
        return KE_KEY_A + (keysym - 'a');
    if (keysym >= '1' && keysym <= '9')
        return KE_KEY_1 + (keysym - '1');
    if (keysym == '0')
        return KE_KEY_0;
    if (keysym >= 0xFFBE && keysym <= 0xFFD5)      // F1 to F24
        return KE_KEY_F1 + (keysym - 0xFFBE);
    if (keysym >= 0xFFB1 && keysym <= 0xFFB9)      // KP_1 to KP_9
        return KE_KEY_NUMPAD1 + (keysym - 0xFFB1);
    for (const KeysymCode& k : kSingles)
        if (k.keysym == keysym)
            return k.code;
    return KE_KEY_NONE;
}

const char* KetrelKeyCodeName(u32 code)
{
    if (code > KE_KEY_LAST || !kNames[code])
        return "Unknown key";
    return kNames[code];
}
