#include "platform/AnsiText.h"

#include <cwchar>
#include <vector>

bool FitsAnsiCodePage(const wchar_t* text, int length)
{
    if (!text)
        return true;
    if (length < 0)
        length = static_cast<int>(std::wcslen(text));
    if (length == 0)
        return true;

    // UTF-8 and UTF-7 take neither the flag nor the default-character question.
    const UINT codePage = GetACP();
    const bool utf = codePage == CP_UTF8 || codePage == CP_UTF7;
    BOOL usedDefault = FALSE;
    const DWORD flags = utf ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL* usedDefaultOut = utf ? nullptr : &usedDefault;

    const int bytes = WideCharToMultiByte(CP_ACP, flags, text, length, nullptr, 0, nullptr, usedDefaultOut);
    if (bytes <= 0 || usedDefault)
        return false;
    std::vector<char> ansi(static_cast<size_t>(bytes));
    WideCharToMultiByte(CP_ACP, flags, text, length, ansi.data(), bytes, nullptr, usedDefaultOut);
    if (usedDefault)
        return false;

    const int units = MultiByteToWideChar(CP_ACP, 0, ansi.data(), bytes, nullptr, 0);
    if (units != length)
        return false;
    std::vector<wchar_t> back(static_cast<size_t>(units));
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), bytes, back.data(), units);
    return std::wmemcmp(back.data(), text, static_cast<size_t>(length)) == 0;
}
