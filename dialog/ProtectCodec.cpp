#include "dialog/ProtectCodec.h"

namespace {

constexpr int kTextLength = 2 * static_cast<int>(sizeof(ProtectBytes));

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The C locale's white space, spelled out: the runtime's isspace would depend
// on the locale and is undefined for the code page's upper half.
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

void ProtectTextToBytes(ProtectBytes& bytes, CString text)
{
    while (text.GetLength() < kTextLength)
        text += '0';
    for (BYTE& byte : bytes) {
        HexPairToByte(byte, text);
        text.Delete(0, 2);
    }
}

void HexPairToByte(BYTE& byte, CString text)
{
    const CString pair = text.Left(2);
    const char* p = pair;

    while (IsBlank(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    // A prefix only counts when a digit follows it; otherwise the "0" is the number.
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexDigitValue(p[2]) >= 0)
        p += 2;

    unsigned value = 0;
    for (int digit; (digit = HexDigitValue(*p)) >= 0; ++p)
        value = value * 16 + static_cast<unsigned>(digit);
    if (negative)
        value = 0u - value;
    byte = static_cast<BYTE>(value & 0xFF);
}

void ProtectBytesToText(const ProtectBytes& bytes, CString& text)
{
    text.Format("%02x%02x%02x%02x%02x%02x",
                bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5]);
}
