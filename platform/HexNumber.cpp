#include "platform/HexNumber.h"

#include <climits>

namespace {

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

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

long ParseHexNumber(LPCSTR pszText)
{
    const char* p = pszText;
    while (IsBlank(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    // A prefix only counts when a digit follows it; otherwise the "0" is the number.
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexDigitValue(p[2]) >= 0)
        p += 2;

    // One past LONG_MAX's magnitude is enough to know that the value saturates.
    constexpr unsigned long long kLimit = static_cast<unsigned long long>(LONG_MAX) + 1;
    unsigned long long magnitude = 0;
    for (int digit; (digit = HexDigitValue(*p)) >= 0; ++p)
        if (magnitude <= kLimit)
            magnitude = magnitude * 16 + static_cast<unsigned>(digit);

    if (negative)
        return magnitude >= kLimit ? LONG_MIN : -static_cast<long>(magnitude);
    return magnitude >= kLimit ? LONG_MAX : static_cast<long>(magnitude);
}
