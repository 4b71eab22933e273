#include "controls/HexFieldRules.h"

HexFieldLayout LayOutHexFields(int clientWidth, int clientHeight, int separatorWidth, int edgeHeight)
{
    HexFieldLayout layout{};
    const int w = (clientWidth - (kHexFieldCount - 1) * separatorWidth) / kHexFieldCount;
    const int step = w + separatorWidth;
    for (int i = 0; i < kHexFieldCount; ++i)
        layout.fields[i] = {i * step, edgeHeight, i * step + w, clientHeight};
    for (int i = 0; i < kHexFieldCount - 1; ++i)
        layout.separators[i] = {i * step + w, 0, (i + 1) * step, clientHeight};
    return layout;
}

CString FormatByte(BYTE value)
{
    CString text;
    text.Format("%02X", value);
    return text;
}

FieldChar ClassifyFieldChar(UINT nChar)
{
    switch (nChar) {
    case '\t':
    case '\r':
    case ' ':
    case '.':
        return FieldChar::Navigation;
    default:
        break;
    }
    if ((nChar >= '0' && nChar <= '9') || (nChar >= 'A' && nChar <= 'F') || (nChar >= 'a' && nChar <= 'f'))
        return FieldChar::Edit;
    if (nChar < 32 || nChar == 127)
        return FieldChar::Edit;
    return FieldChar::Refused;
}
