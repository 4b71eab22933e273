#include "platform/ProfileView.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace {

// The profile functions say "too small" by returning two less than the
// buffer's size. A full table of 4,095-character names is about 1 MB.
template <typename Read> std::vector<char> ReadGrowing(Read&& read, DWORD& length)
{
    std::vector<char> buffer(1 << 16);
    while ((length = read(buffer.data(), static_cast<DWORD>(buffer.size()))) >= buffer.size() - 2
           && buffer.size() < (1u << 28))
        buffer.resize(buffer.size() * 2);
    return buffer;
}

// The zero-ended strings of a returned buffer.
std::vector<std::string> Strings(const std::vector<char>& buffer, DWORD length)
{
    std::vector<std::string> strings;
    for (size_t at = 0; at < length && buffer[at];) {
        const size_t size = std::strlen(buffer.data() + at);
        strings.emplace_back(buffer.data() + at, size);
        at += size + 1;
    }
    return strings;
}

} // namespace

ProfileSectionLines ReadProfileSection(LPCSTR file, LPCSTR section, const FileCalls& calls)
{
    DWORD length = 0;
    const std::vector<char> buffer = ReadGrowing(
        [&](LPSTR data, DWORD size) { return calls.getProfileSection(section, data, size, file); }, length);
    return Strings(buffer, length);
}

ProfileView ReadProfileView(LPCSTR path, const FileCalls& calls)
{
    DWORD length = 0;
    const std::vector<char> names = ReadGrowing(
        [&](LPSTR data, DWORD size) { return calls.getProfileSectionNames(data, size, path); }, length);
    ProfileView view{{std::string(), ReadProfileSection(path, "", calls)}};
    for (const std::string& name : Strings(names, length)) {
        const bool seen = std::any_of(view.begin(), view.end(), [&](const auto& s) { return SameProfileName(s.first, name); });
        if (!seen)
            view.emplace_back(name, ReadProfileSection(path, name.c_str(), calls));
    }
    return view;
}

std::vector<std::string> ForeignPart(const ProfileView& view, const std::vector<ProfileValue>& values)
{
    std::unordered_set<std::string> ours, ourSections;
    for (const ProfileValue& value : values) {
        ourSections.insert(ProfileNameKey(value.section));
        ours.insert(ProfileNameKey(value.section) + '\n' + ProfileNameKey(value.entry));
    }
    std::vector<std::string> foreign;
    for (const auto& [section, lines] : view) {
        const std::string key = ProfileNameKey(section);
        const bool shared = ourSections.contains(key);
        for (const std::string& line : lines)
            if (!shared || !ours.contains(key + '\n' + ProfileNameKey(ProfileEntryName(line))))
                foreign.push_back(section + '\n' + line);
    }
    return foreign;
}

bool HoldsValues(const ProfileView& view, const std::vector<ProfileValue>& values)
{
    std::vector<std::pair<std::string, ProfileEntryIndex>> sections;
    for (const auto& [section, lines] : view)
        sections.emplace_back(ProfileNameKey(section), ProfileEntryIndex(lines));
    for (const ProfileValue& value : values) {
        const std::string key = ProfileNameKey(value.section);
        const auto section = std::find_if(sections.begin(), sections.end(), [&](const auto& s) { return s.first == key; });
        const auto stored = section == sections.end() ? std::nullopt : section->second.Find(value.entry);
        if (!stored || *stored != TrimProfileBlanks(value.value))
            return false;
    }
    return true;
}
