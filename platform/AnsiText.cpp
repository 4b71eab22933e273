#include "platform/AnsiText.h"

#include <cwchar>
#include <string>

bool FitsAnsiCodePage(const wchar_t* text, int length)
{
    if (!text)
        return true;
    if (length < 0)
        length = static_cast<int>(std::wcslen(text));
    if (length == 0)
        return true;

    // The round trip alone decides: a character without a place in the code
    // page comes back as the default character, one given a best fit as its
    // stand-in.
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return false;
    std::string ansi(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, length, ansi.data(), bytes, nullptr, nullptr);
    const int units = MultiByteToWideChar(CP_ACP, 0, ansi.data(), bytes, nullptr, 0);
    if (units != length)
        return false;
    std::wstring back(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), bytes, back.data(), units);
    return std::wmemcmp(back.data(), text, static_cast<size_t>(length)) == 0;
}
