#include "platform/ProfileFormat.h"

#include <algorithm>

namespace {

// The readers work in UTF-16: their limits count characters, not bytes.
std::wstring Widen(std::string_view text)
{
    const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(std::max(units, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
    return wide;
}

// Into a buffer of limit bytes, as the "A" readers convert their result: a
// double-byte character that does not fit whole is left out.
std::string Narrow(std::wstring_view text, size_t limit)
{
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(std::max(bytes, 0)), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(), bytes, nullptr, nullptr);
    size_t fits = 0;
    while (fits < narrow.size()) {
        const size_t step = IsDBCSLeadByte(static_cast<BYTE>(narrow[fits])) ? 2 : 1;
        if (fits + step > limit)
            break;
        fits += step;
    }
    narrow.resize(std::min(fits, narrow.size()));
    return narrow;
}

// The reader's copy of a stored value into a buffer of bufferSize
// characters. A value enclosed in one kind of quote loses them, but only
// where the buffer is at least as long as the value after its first quote:
// at exactly that length the copy ends inside the value, and its last
// character goes in place of the closing quote.
std::wstring ReaderCopy(std::wstring_view value, size_t bufferSize)
{
    const bool quoted = value.size() >= 2 && (value[0] == L'"' || value[0] == L'\'') && value.back() == value[0];
    if (quoted)
        value.remove_prefix(1);
    std::wstring copy(value.substr(0, std::min(value.size(), bufferSize - 1)));
    if (quoted && bufferSize >= value.size() && !copy.empty())
        copy.pop_back();
    return copy;
}

int DigitOf(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'A' && c <= L'Z')
        return c - L'A' + 10;
    if (c >= L'a' && c <= L'z')
        return c - L'a' + 10;
    return 99;
}

} // namespace

bool IsProfileBlank(char c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == ' ';
}

std::string_view TrimProfileBlanks(std::string_view text)
{
    while (!text.empty() && IsProfileBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsProfileBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool SameProfileName(std::string_view a, std::string_view b)
{
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

std::string_view ProfileEntryName(std::string_view line)
{
    return TrimProfileBlanks(line.substr(0, line.find('=')));
}

std::string ProfileNameKey(std::string_view name)
{
    std::string key(name);
    for (char& c : key)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return key;
}

ProfileEntryIndex::ProfileEntryIndex(const ProfileSectionLines& lines)
{
    for (const std::string& line : lines) {
        const size_t equals = line.find('=');
        std::optional<std::string_view> value;
        if (equals != std::string::npos)
            value = TrimProfileBlanks(std::string_view(line).substr(equals + 1));
        m_first.emplace(ProfileNameKey(ProfileEntryName(line)), value);
    }
}

std::optional<std::string_view> ProfileEntryIndex::Find(std::string_view entry) const
{
    const auto found = m_first.find(ProfileNameKey(entry));
    return found == m_first.end() ? std::nullopt : found->second;
}

std::string ProfileReaderText(std::string_view stored, int bufferSize)
{
    return Narrow(ReaderCopy(Widen(stored), static_cast<size_t>(bufferSize)), static_cast<size_t>(bufferSize - 1));
}

UINT ProfileReaderNumber(std::string_view stored, UINT fallback)
{
    // The integer reader reads the text into 30 characters first.
    const std::wstring text = ReaderCopy(Widen(stored), 30);
    if (text.empty())
        return fallback;
    size_t i = 0;
    while (i < text.size() && text[i] <= L' ')
        ++i;
    const bool minus = i < text.size() && text[i] == L'-';
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+'))
        ++i;
    int base = 10;
    if (text.size() - i >= 2 && text[i] == L'0') {
        const wchar_t prefix = text[i + 1];
        base = prefix == L'x' ? 16 : prefix == L'o' ? 8 : prefix == L'b' ? 2 : 10;
        if (base != 10)
            i += 2;
    }
    UINT total = 0;
    for (; i < text.size() && DigitOf(text[i]) < base; ++i)
        total = total * static_cast<UINT>(base) + static_cast<UINT>(DigitOf(text[i]));
    return minus ? 0u - total : total;
}
