#include "platform/ProfileCompose.h"

#include "platform/ProfileFormat.h"

#include <map>

namespace {

// A line ends at CR, LF or CR LF, as the profile functions split a file.
struct Line {
    std::string_view text, end;
};

std::vector<Line> SplitLines(std::string_view text)
{
    std::vector<Line> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t stop = text.find_first_of("\r\n", at);
        if (stop == std::string_view::npos) {
            lines.push_back({text.substr(at), {}});
            break;
        }
        const size_t endSize = text.compare(stop, 2, "\r\n") == 0 ? 2 : 1;
        lines.push_back({text.substr(at, stop - at), text.substr(stop, endSize)});
        at = stop + endSize;
    }
    return lines;
}

// The section a header line opens, as the reader names it: from its '[' to
// its last ']'. A '[' line without ']' is an entry line.
bool HeaderName(std::string_view line, std::string_view& name)
{
    line = TrimProfileBlanks(line);
    const size_t close = line.rfind(']');
    if (line.empty() || line[0] != '[' || close == std::string_view::npos)
        return false;
    name = line.substr(1, close - 1);
    return true;
}

// One of the sections the values go to: its first header in the text, the
// last line of that section that is not blank, and the line of each entry's
// first occurrence there.
struct Target {
    std::string_view name;
    int header = -1;
    int last = -1;
    std::map<std::string, int> entries;   // by ProfileNameKey
    std::vector<const ProfileValue*> missing;
};

// What the writer stores: the value without the blanks before it.
std::string EntryLine(std::string_view entry, std::string_view value)
{
    while (!value.empty() && IsProfileBlank(value.front()))
        value.remove_prefix(1);
    std::string line(entry);
    line += '=';
    line += value;
    return line;
}

} // namespace

ComposeRefusal ComposeRefusalOf(std::string_view text)
{
    if (text.starts_with("\xEF\xBB\xBF") || text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF"))
        return ComposeRefusal::ByteOrderMark;
    if (text.find('\0') != std::string_view::npos)
        return ComposeRefusal::NulByte;
    for (const Line& line : SplitLines(text))
        if (line.text.size() > kComposeLongestLine)
            return ComposeRefusal::LongLine;
    return ComposeRefusal::None;
}

std::string ComposeProfileText(std::string_view text, const std::vector<ProfileValue>& values)
{
    const std::vector<Line> lines = SplitLines(text);

    std::vector<Target> targets;
    auto targetOf = [&](std::string_view name) -> Target* {
        for (Target& target : targets)
            if (SameProfileName(target.name, name))
                return &target;
        return nullptr;
    };
    for (const ProfileValue& value : values)
        if (!targetOf(value.section))
            targets.emplace_back().name = value.section;

    Target* open = nullptr;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        const std::string_view line = TrimProfileBlanks(lines[i].text);
        std::string_view name;
        if (line.empty())
            continue;
        if (HeaderName(line, name)) {
            // Only the first section of a name is read and written.
            open = targetOf(name);
            if (open && open->header >= 0)
                open = nullptr;
            if (open)
                open->header = open->last = i;
        } else if (open) {
            open->last = i;
            open->entries.emplace(ProfileNameKey(ProfileEntryName(line)), i);
        }
    }

    std::map<int, std::string> replaced;
    for (const ProfileValue& value : values) {
        Target& target = *targetOf(value.section);
        const auto found = target.entries.find(ProfileNameKey(value.entry));
        if (found != target.entries.end() && found->second < 0)
            continue;   // given twice while missing: the first stands
        if (found != target.entries.end()) {
            const std::string_view spelled = ProfileEntryName(TrimProfileBlanks(lines[found->second].text));
            replaced[found->second] = EntryLine(spelled, value.value);
        } else {
            target.missing.push_back(&value);
            target.entries.emplace(ProfileNameKey(value.entry), -1);
        }
    }

    const std::string_view eol = lines.empty() || lines[0].end.empty() ? std::string_view("\r\n") : lines[0].end;
    std::string out;
    out.reserve(text.size() + values.size() * 16);
    auto endLine = [&] {
        if (!out.empty() && out.back() != '\n' && out.back() != '\r')
            out += eol;
    };
    auto addMissing = [&](const Target& target) {
        endLine();
        for (const ProfileValue* value : target.missing)
            (out += EntryLine(value->entry, value->value)) += eol;
    };
    std::map<int, const Target*> insertAfter;
    for (const Target& target : targets)
        if (target.header >= 0 && !target.missing.empty())
            insertAfter[target.last] = &target;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        const auto line = replaced.find(i);
        out += line != replaced.end() ? std::string_view(line->second) : lines[i].text;
        out += lines[i].end;
        if (const auto insert = insertAfter.find(i); insert != insertAfter.end())
            addMissing(*insert->second);
    }
    for (const Target& target : targets) {
        if (target.header >= 0)
            continue;
        endLine();
        ((out += '[') += target.name) += ']';
        out += eol;
        addMissing(target);
    }
    return out;
}
