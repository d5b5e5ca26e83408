#pragma once
// The engine's key codes (0 to 130) with their English names, and the mapping
// from X key symbols. Codes of handset keys that a desktop keyboard lacks
// (DEVICE0-9, Back, Menu, ...) have names but no key symbol.
#include "engine/KetrelTypes.h"

enum
{
    KE_KEY_ARROW_LEFT = 0, KE_KEY_ARROW_UP = 1, KE_KEY_ARROW_RIGHT = 2, KE_KEY_ARROW_DOWN = 3,
    KE_KEY_ENTER = 4,
    KE_KEY_DEVICE0 = 5,                  // to DEVICE9 = 14
    KE_KEY_A = 15,                       // to Z = 40
    KE_KEY_1 = 41,                       // to 9 = 49
    KE_KEY_0 = 50,
    KE_KEY_F1 = 51,                      // to F15 = 65; 66-74 are unnamed (F16-F24)
    KE_KEY_ESC = 75, KE_KEY_SPACE = 76, KE_KEY_BACK = 77,
    KE_KEY_LCONTROL = 78, KE_KEY_RCONTROL = 79, KE_KEY_LSHIFT = 80, KE_KEY_RSHIFT = 81,
    KE_KEY_CAPSLOCK = 82, KE_KEY_COMMA = 83, KE_KEY_PERIOD = 84, KE_KEY_TAB = 85,
    KE_KEY_HOME = 86, KE_KEY_END = 87, KE_KEY_PAGEUP = 88, KE_KEY_PAGEDOWN = 89,
    KE_KEY_MINUS = 90, KE_KEY_EQUALS = 91, KE_KEY_LBRACKET = 92, KE_KEY_RBRACKET = 93,
    KE_KEY_BACKSLASH = 94, KE_KEY_BACKSLASH2 = 95, KE_KEY_NUMLOCK = 96, KE_KEY_SCROLLLOCK = 97,
    KE_KEY_NUMPAD1 = 98,                 // to NUMPAD 9 = 106
    KE_KEY_NUMPAD0 = 107, KE_KEY_LALT = 108, KE_KEY_RALT = 109,
    KE_KEY_INSERT = 110, KE_KEY_DELETE = 111, KE_KEY_APPS = 112,
    KE_KEY_LFUNC = 113, KE_KEY_RFUNC = 114, KE_KEY_QUOTE = 115, KE_KEY_YES = 116, KE_KEY_NO = 117,
    KE_KEY_STAR = 118, KE_KEY_HASH = 119, KE_KEY_NUMPAD_DECIMAL = 120,
    KE_KEY_NUMPAD_DIVIDE = 121, KE_KEY_NUMPAD_MULTIPLY = 122, KE_KEY_NUMPAD_ADD = 123,
    KE_KEY_NUMPAD_SUBTRACT = 124, KE_KEY_NUMPAD_ENTER = 125, KE_KEY_PAUSE = 126,
    KE_KEY_MENU = 127, KE_KEY_SEARCH = 128, KE_KEY_CAMERA = 129, KE_KEY_BACKSPACE = 130,
    KE_KEY_LAST = 130,
    KE_KEY_NONE = 255                    // a key symbol without a code
};

// The code of an X key symbol; KE_KEY_NONE when it has none. Only the
// lower-case letter symbols map to the letter codes.
u32 KetrelKeysymToKeyCode(u32 keysym);

// The English name of a code (8-bit text, static storage); "Unknown key" for
// 66 to 74 and for every code outside 0 to 130.
const char* KetrelKeyCodeName(u32 code);
