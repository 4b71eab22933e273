#pragma once
// A profile (INI) file's new text, made from its current text in memory as
// the private-profile writer would make it with one call per value: each
// value's line rewritten where the reader finds it, a missing entry after
// the last line of its section, a missing section at the end; every other
// line kept as it was, byte for byte.

#include <string>
#include <string_view>
#include <vector>

// One value of a profile file: what one WritePrivateProfileStringA call writes.
struct ProfileValue {
    const char* section;
    std::string entry;
    std::string value;
};

// Why a text is left to the profile writer instead.
enum class ComposeRefusal {
    None,
    ByteOrderMark,   // a UTF-8 or UTF-16 file: the writer keeps its encoding
    NulByte,         // not text of the ANSI code page (UTF-16 without a mark, say)
    LongLine,        // a line of more than kComposeLongestLine bytes
};
inline constexpr size_t kComposeLongestLine = 1 << 16;

ComposeRefusal ComposeRefusalOf(std::string_view text);

// The new text, for a text that ComposeProfileText does not refuse. Lines end
// as the text's first line does (CR LF in a text without one).
std::string ComposeProfileText(std::string_view text, const std::vector<ProfileValue>& values);
