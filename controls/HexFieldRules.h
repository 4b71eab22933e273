#pragma once
// The control's rules that need no window: the layout of the six fields and
// the five gaps, and the text and value of one field.

#include "controls/HexAddress.h"
#include "framework/CString.h"

struct HexFieldLayout {
    RECT fields[kHexFieldCount];
    RECT separators[kHexFieldCount - 1];
};

// Six equal fields side by side with a gap of separatorWidth between
// neighbours: field width w = (clientWidth - 5 * separatorWidth) / 6,
// truncated toward zero, which may leave w at or below 0 for tiny controls.
// Fields start edgeHeight below the top; gaps span the whole height.
HexFieldLayout LayOutHexFields(int clientWidth, int clientHeight, int separatorWidth, int edgeHeight);

// A byte as two upper-case hexadecimal digits: "00" to "FF".
CString FormatByte(BYTE value);

// What a field does with a typed character: Tab, Enter, blank and '.' are
// navigation for the owner; digits, the letters a to f in either case and the
// other control characters (Backspace, Ctrl+C, Ctrl+V, ...) go to the edit;
// everything else is refused with a beep.
enum class FieldChar { Navigation, Edit, Refused };
FieldChar ClassifyFieldChar(UINT nChar);

// The code a field passes to its owner when a character has just filled it;
// the filter refuses a typed '-', so the code cannot come from the keyboard.
constexpr UINT kFieldFull = '-';
