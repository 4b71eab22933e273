#pragma once
// The font of a CIPAddrCtl's fields: the font the control was given, or, when
// the widest pair of digits would not fit a field in it, a smaller size of the
// same face, so that a field never holds two digits but shows one. The smaller
// font is made here and deleted when another replaces it and with this object.

#include "controls/HexAddress.h"

class CHexFieldEdit;

class CHexFieldFont {
public:
    CHexFieldFont() = default;
    ~CHexFieldFont();
    CHexFieldFont(const CHexFieldFont&) = delete;
    CHexFieldFont& operator=(const CHexFieldFont&) = delete;

    // Gives the fields hGiven (null: the system font), or a smaller size of it
    // that fits their present width.
    void Apply(HFONT hGiven, CHexFieldEdit (&fields)[kHexFieldCount], BOOL bRedraw);
    // The same for the font last given, after the fields' width changed.
    void Refit(CHexFieldEdit (&fields)[kHexFieldCount]) { Apply(m_hGiven, fields, TRUE); }

private:
    HFONT m_hGiven = nullptr;
    HFONT m_hMade = nullptr;
};
