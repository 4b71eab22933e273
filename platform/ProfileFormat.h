#pragma once
// How the private-profile functions read a profile (INI) file, as plain
// functions on its text: what GetPrivateProfileStringA and
// GetPrivateProfileIntA give for an entry, taken from the lines that one
// GetPrivateProfileSectionA call returns (platform/ProfileView.h), so that a
// section is read once instead of once per entry.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The bytes the profile functions trim around names and values: 0x09-0x0D,
// ^Z (0x1A) and the blank.
bool IsProfileBlank(char c);
std::string_view TrimProfileBlanks(std::string_view text);

// Section and entry names compare without regard to case: equal names have
// the same key.
bool SameProfileName(std::string_view a, std::string_view b);
std::string ProfileNameKey(std::string_view name);

// One section's lines as GetPrivateProfileSectionA returns them: "entry=value"
// with quotes kept, or a bare "entry" for a line without '='. Comments and
// blank lines are not among them. Wine's reader trims both parts; they are
// trimmed here again, as a reader of one entry does.
using ProfileSectionLines = std::vector<std::string>;

// The entry name of one section line, trimmed.
std::string_view ProfileEntryName(std::string_view line);

// The first entry of each name in a section's lines, found by name.
class ProfileEntryIndex {
public:
    explicit ProfileEntryIndex(const ProfileSectionLines& lines);
    // The entry's stored text; nullopt where there is none, or where its
    // line has no '=' (the reader then gives the default).
    std::optional<std::string_view> Find(std::string_view entry) const;

private:
    std::unordered_map<std::string, std::optional<std::string_view>> m_first;
};

// What the string reader gives for stored text into a buffer of bufferSize
// characters: one pair of matching quotes stripped, at most bufferSize - 1
// characters. The largest buffer that an entry of the table is read with.
inline constexpr int kProfileTextBuffer = 4096;
std::string ProfileReaderText(std::string_view stored, int bufferSize = kProfileTextBuffer);

// What the integer reader gives for stored text: an empty text gives
// fallback; then an optional sign, a 0x, 0o or 0b prefix, and the digits up
// to the first that is not one, wrapping modulo 2^32.
UINT ProfileReaderNumber(std::string_view stored, UINT fallback);
