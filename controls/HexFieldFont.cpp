#include "controls/HexFieldFont.h"

#include "controls/HexFieldEdit.h"

#include <cstdlib>

namespace {

struct PairRoom {
    int pair;   // the widest pair of digits, in pixels
    int room;   // the width of the field's formatting rectangle
    bool Fits() const { return pair <= room; }
};

// Gives the field the font and measures it there. Edit controls draw a line
// without kerning, so no pair of the digits a field takes is wider than twice
// the widest of them; the edit wraps at its formatting rectangle, which the
// font's margins narrow.
PairRoom Measure(CHexFieldEdit& field, HFONT hFont)
{
    field.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);
    RECT format{};
    field.SendMessage(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));

    constexpr char kDigits[] = "0123456789ABCDEFabcdef";
    int widest = 0;
    if (HDC hDC = GetDC(field)) {
        HGDIOBJ hOld = SelectObject(hDC, hFont ? static_cast<HGDIOBJ>(hFont) : GetStockObject(SYSTEM_FONT));
        for (const char* p = kDigits; *p; ++p) {
            SIZE size{};
            if (GetTextExtentPoint32A(hDC, p, 1, &size) && size.cx > widest)
                widest = size.cx;
        }
        SelectObject(hDC, hOld);
        ReleaseDC(field, hDC);
    }
    return {2 * widest, static_cast<int>(format.right - format.left)};
}

} // namespace

CHexFieldFont::~CHexFieldFont()
{
    if (m_hMade)
        DeleteObject(m_hMade);
}

void CHexFieldFont::Apply(HFONT hGiven, CHexFieldEdit (&fields)[kHexFieldCount], BOOL bRedraw)
{
    m_hGiven = hGiven;
    HFONT hChosen = hGiven;
    HFONT hMade = nullptr;

    // All six fields have one width; the first stands for them. A field with
    // no width shows nothing in any font.
    CHexFieldEdit& probe = fields[0];
    RECT client{};
    probe.GetClientRect(&client);
    LOGFONTA font{};
    if (client.right > 0 && !Measure(probe, hGiven).Fits()
        && GetObjectA(hGiven ? static_cast<HGDIOBJ>(hGiven) : GetStockObject(SYSTEM_FONT), sizeof font, &font)
        && font.lfHeight != 0) {
        // The largest smaller size of the same face that fits, a pixel at a
        // time: widths and margins do not scale in proportion, and raster
        // fonts come in a few sizes only. The height keeps its sign, so a
        // cell height stays one.
        const int sign = font.lfHeight < 0 ? -1 : 1;
        for (int height = std::abs(font.lfHeight) - 1; height >= 1; --height) {
            font.lfHeight = sign * height;
            HFONT hCandidate = CreateFontIndirectA(&font);
            if (!hCandidate)
                break;
            const bool fits = Measure(probe, hCandidate).Fits();
            if (hMade)
                DeleteObject(hMade);
            hMade = hCandidate;
            if (fits)
                break;
        }
        if (hMade)
            hChosen = hMade;
    }

    for (CHexFieldEdit& field : fields)
        field.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(hChosen), bRedraw);
    // Only now does no field use the font made before.
    if (m_hMade)
        DeleteObject(m_hMade);
    m_hMade = hMade;
}
