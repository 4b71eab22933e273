#include "platform/ProfileReplace.h"

#include "framework/CStringW.h"
#include "platform/ProfileCompose.h"
#include "platform/ProfileFormat.h"

#include <sddl.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <unordered_set>
#include <string_view>

namespace {

// A save of 1,280 values takes about 1.5 s under Wine: this covers a dozen
// saves queued before this one. A saver that died let go at once (an abandoned
// mutex), so the wait runs out only behind one that hangs.
constexpr DWORD kLockWait = 20000;

// The saves of one file take turns on a mutex in the machine-wide namespace,
// so that users of other sessions (fast user switching, remote desktop) wait
// too. Creating one there needs no privilege (file mappings do), and every
// user may open it to wait and release. Saves from other machines, to a file
// on a network share, are not covered.
class SaveLock {
public:
    explicit SaveLock(LPCSTR fullPath)
    {
        PSECURITY_DESCRIPTOR everyone = nullptr;
        ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;0x00100001;;;WD)",   // SYNCHRONIZE | MUTEX_MODIFY_STATE
                                                             SDDL_REVISION_1, &everyone, nullptr);
        SECURITY_ATTRIBUTES attributes{sizeof attributes, everyone, FALSE};
        m_handle = CreateMutexExA(everyone ? &attributes : nullptr, ReplaceLockName(fullPath).c_str(), 0,
                                  SYNCHRONIZE | MUTEX_MODIFY_STATE);
        m_error = GetLastError();
        LocalFree(everyone);
        if (!m_handle)
            return;
        // Abandoned: its holder ended during a save, whose copy is now stale.
        switch (WaitForSingleObject(m_handle, kLockWait)) {
        case WAIT_OBJECT_0:
        case WAIT_ABANDONED:
            m_held = true;
            break;
        case WAIT_TIMEOUT:
            m_error = ERROR_TIMEOUT;
            break;
        default:
            m_error = GetLastError();
        }
    }
    ~SaveLock()
    {
        if (m_held)
            ReleaseMutex(m_handle);
        if (m_handle)
            CloseHandle(m_handle);
    }
    SaveLock(const SaveLock&) = delete;
    SaveLock& operator=(const SaveLock&) = delete;

    DWORD Error() const { return m_held ? ERROR_SUCCESS : m_error; }

private:
    HANDLE m_handle = nullptr;
    DWORD m_error = ERROR_SUCCESS;
    bool m_held = false;
};

ReplaceResult Failed(ReplaceStep step, DWORD error)
{
    return {step, error ? error : ERROR_WRITE_FAULT};
}

std::string FolderOf(const std::string& path)
{
    return path.substr(0, path.find_last_of('\\') + 1);
}

bool EndsWithNoCase(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && _stricmp(text.c_str() + text.size() - end.size(), end.c_str()) == 0;
}

void RemoveFile(const std::string& path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);   // a read-only copy too
    DeleteFileA(path.c_str());
}

// Every save of the file holds the lock while its copy exists, so a copy
// found now was left by one cut short (or by the last release, under its one
// fixed name). One that cannot be removed stays: the next save's copy has a
// name of its own.
void RemoveStaleCopies(const std::string& file)
{
    RemoveFile(file + kReplaceCopySuffix);
    const std::string folder = FolderOf(file);
    const std::string start = file.substr(folder.size()) + ".";
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((file + ".*" + kReplaceCopySuffix).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        // The pattern also meets short (8.3) names: the long one decides.
        const std::string name = found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name.size() > start.size() + std::strlen(kReplaceCopySuffix)
            && _strnicmp(name.c_str(), start.c_str(), start.size()) == 0 && EndsWithNoCase(name, kReplaceCopySuffix))
            RemoveFile(folder + name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// Makes the copy under a name no other save uses: the file's contents and
// attributes, or an empty file where there is no file yet.
DWORD MakeCopy(const std::string& file, bool fileExists, std::string& copy)
{
    static std::atomic<unsigned> count{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char unique[32];
        std::snprintf(unique, sizeof unique, ".%lX-%X", GetCurrentProcessId(), count++);
        copy = file + unique + kReplaceCopySuffix;
        bool made;
        if (fileExists) {
            made = CopyFileA(file.c_str(), copy.c_str(), TRUE);
        } else {
            const HANDLE handle = CreateFileA(copy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            made = handle != INVALID_HANDLE_VALUE;
            if (made)
                CloseHandle(handle);
        }
        if (made)
            return ERROR_SUCCESS;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            DeleteFileA(copy.c_str());   // one cut short by a full disk
            return error;
        }
    }
    return ERROR_FILE_EXISTS;
}

// Drops the profile functions' cached view of path, writing out what it holds:
// the next call reads the file from disk, and no write is left pending for a
// copy about to be removed.
void ReleaseProfileCache(LPCSTR path)
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path);
}

// Every section of a file as the profile reader sees it: the first of each
// name, the nameless one before the first header too.
using ProfileView = std::vector<std::pair<std::string, ProfileSectionLines>>;

ProfileView ReadProfileView(LPCSTR path)
{
    std::vector<char> names(1 << 12);
    DWORD length;
    while ((length = GetPrivateProfileSectionNamesA(names.data(), static_cast<DWORD>(names.size()), path)) >= names.size() - 2
           && names.size() < (1u << 24))
        names.resize(names.size() * 2);
    ProfileView view{{std::string(), ReadProfileSection(path, "")}};
    for (size_t at = 0; at < length && names[at]; at += std::strlen(names.data() + at) + 1) {
        const std::string name = names.data() + at;
        bool seen = false;
        for (const auto& section : view)
            seen = seen || SameProfileName(section.first, name);
        if (!seen)
            view.emplace_back(name, ReadProfileSection(path, name.c_str()));
    }
    return view;
}

// The lines of a file that are not the values', section by section: what
// the driver and every other reader of the file get from it.
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

// Every value reads back as written: the writer drops the blanks before a
// value, the reader the blanks around it.
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

// Some profile writers report success on a full disk and leave the file cut
// short (Wine's does): a failed check where needed bytes could not fit names
// the full disk.
DWORD CheckError(LPCSTR path, ULONGLONG needed)
{
    WIN32_FILE_ATTRIBUTE_DATA file{};
    GetFileAttributesExA(path, GetFileExInfoStandard, &file);
    const ULONGLONG size = (ULONGLONG{file.nFileSizeHigh} << 32) | file.nFileSizeLow;
    ULARGE_INTEGER available{};
    if (GetDiskFreeSpaceExA(FolderOf(path).c_str(), &available, nullptr, nullptr) && available.QuadPart + size < needed)
        return ERROR_DISK_FULL;
    return ERROR_WRITE_FAULT;
}

DWORD ReadWholeFile(LPCSTR path, std::string& text)
{
    text.clear();
    const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD error = ERROR_SUCCESS;
    char chunk[1 << 16];
    for (DWORD read = 1; read && !error;) {
        if (!ReadFile(file, chunk, sizeof chunk, &read, nullptr))
            error = GetLastError();
        else
            text.append(chunk, read);
    }
    CloseHandle(file);
    return error;
}

// The whole text in one write; a write that reports success and writes less
// fails too.
DWORD WriteWholeFile(LPCSTR path, const std::string& text)
{
    const HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD written = 0, error = ERROR_SUCCESS;
    if (!WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
        error = GetLastError();
    else if (written != text.size())
        error = ERROR_DISK_FULL;
    else if (!SetEndOfFile(file))
        error = GetLastError();
    CloseHandle(file);
    return error;
}

DWORD FlushToDisk(LPCSTR path)
{
    const HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    const DWORD error = FlushFileBuffers(file) ? ERROR_SUCCESS : GetLastError();
    CloseHandle(file);
    return error;
}

// What a save writes, worked out before anything is: the file's bytes now,
// what its other readers get from it, and its new text where the applet
// composes it (else the values go in through the profile writer).
struct SavePlan {
    std::string current;
    std::vector<std::string> foreign;
    bool composed = false;
    std::string text;
};

ReplaceResult WriteValues(LPCSTR path, const std::vector<ProfileValue>& values)
{
    for (const ProfileValue& value : values)
        if (!WritePrivateProfileStringA(value.section, value.entry.c_str(), value.value.c_str(), path))
            return Failed(ReplaceStep::Write, GetLastError());
    return {};
}

// The writes, the checks and the flush, into the copy or into the file
// itself. The checks: the bytes are the composed text, every value reads as
// written, and every other entry reads as before.
ReplaceResult WriteAndCheck(LPCSTR path, const SavePlan& plan, const std::vector<ProfileValue>& values)
{
    ULONGLONG needed = plan.text.size();
    ReleaseProfileCache(path);
    if (plan.composed) {
        if (const DWORD error = WriteWholeFile(path, plan.text))
            return Failed(ReplaceStep::Write, error);
        std::string written;
        if (const DWORD error = ReadWholeFile(path, written))
            return Failed(ReplaceStep::Check, error);
        if (written != plan.text)
            return Failed(ReplaceStep::Check, CheckError(path, needed));
    } else {
        const ReplaceResult result = WriteValues(path, values);
        ReleaseProfileCache(path);
        if (!result)
            return result;
        needed = plan.current.size();
        for (const ProfileValue& value : values)
            needed += value.entry.size() + value.value.size() + 3;   // entry=value CR LF
    }
    ReleaseProfileCache(path);
    const ProfileView view = ReadProfileView(path);
    if (!HoldsValues(view, values) || ForeignPart(view, values) != plan.foreign)
        return Failed(ReplaceStep::Check, CheckError(path, needed));
    if (const DWORD error = FlushToDisk(path))
        return Failed(ReplaceStep::Flush, error);
    return {};
}

std::vector<BYTE> SecurityOf(LPCSTR path, SECURITY_INFORMATION what)
{
    DWORD size = 0;
    GetFileSecurityA(path, what, nullptr, 0, &size);
    std::vector<BYTE> descriptor(size);
    if (size == 0 || !GetFileSecurityA(path, what, descriptor.data(), size, &size))
        descriptor.clear();
    return descriptor;
}

PSID OwnerIn(std::vector<BYTE>& descriptor)
{
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (descriptor.empty() || !GetSecurityDescriptorOwner(descriptor.data(), &owner, &defaulted))
        return nullptr;
    return owner;
}

bool SameOwner(PSID owner, LPCSTR path)
{
    std::vector<BYTE> descriptor = SecurityOf(path, OWNER_SECURITY_INFORMATION);
    const PSID other = OwnerIn(descriptor);
    return other && EqualSid(owner, other);
}

// Gives the copy the file's owner, where the copy did not get it, and the
// file's access rules; the step that was refused, if any. An owner may
// rewrite the access rules, so a copy that keeps another owner must not take
// the file's place. The owner is read back: Wine accepts any owner and keeps
// the Unix one.
ReplaceStep TakeSecurity(LPCSTR copy, LPCSTR file)
{
    std::vector<BYTE> rules = SecurityOf(file, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION);
    if (rules.empty())
        return ReplaceStep::AccessRules;
    if (const PSID owner = OwnerIn(rules); owner && !SameOwner(owner, copy)) {
        SECURITY_DESCRIPTOR given;
        InitializeSecurityDescriptor(&given, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorOwner(&given, owner, FALSE);
        if (!SetFileSecurityA(copy, OWNER_SECURITY_INFORMATION, &given) || !SameOwner(owner, copy))
            return ReplaceStep::Owner;
    }
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!GetSecurityDescriptorControl(rules.data(), &control, &revision))
        return ReplaceStep::AccessRules;
    const SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION
        | ((control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION);
    return SetFileSecurityA(copy, what, rules.data()) ? ReplaceStep::None : ReplaceStep::AccessRules;
}

// A file held open without delete sharing, or one that the user may write but
// not replace.
bool HeldOrDenied(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// One rename puts the copy in place, so that the file is never missing: the
// platform's ReplaceFile may move the old file aside first (Wine's does). A
// reader that holds the file a moment (the driver, a virus scanner) makes it
// fail with a sharing violation: a few short tries.
DWORD PutInPlace(LPCSTR copy, LPCSTR file, bool replace)
{
    constexpr int kTries = 20;
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        if (attempt > 0)
            Sleep(attempt < 5 ? 1 : 10);
        // A file that appeared meanwhile is not replaced by one made without it.
        if (MoveFileExA(copy, file, (replace ? MOVEFILE_REPLACE_EXISTING : 0) | MOVEFILE_WRITE_THROUGH))
            return ERROR_SUCCESS;
        error = GetLastError();
        // Access is also denied to a file whose deletion is pending.
        if (!HeldOrDenied(error))
            break;
    }
    return error;
}

// In the file itself; a failed save writes the old bytes back, so that the
// file stays as it was wherever the disk allows.
ReplaceResult WriteInPlace(LPCSTR file, bool fileExists, const SavePlan& plan, const std::vector<ProfileValue>& values,
                           ReplaceStep because)
{
    ReplaceResult result = WriteAndCheck(file, plan, values);
    result.inPlaceBecause = because;
    std::string now;
    if (!result && (ReadWholeFile(file, now) != ERROR_SUCCESS || now != plan.current)) {
        if (!fileExists)
            DeleteFileA(file);
        else if (WriteWholeFile(file, plan.current) == ERROR_SUCCESS)
            FlushToDisk(file);
        ReleaseProfileCache(file);
    }
    return result;
}

} // namespace

std::string ReplaceLockName(LPCSTR fullPath)
{
    // A name takes no backslash: the path goes in as a hash (FNV-1a) of its
    // upper-case UTF-16 text.
    const CStringW path(fullPath);
    const int length = path.GetLength() + 1;   // the terminator too
    std::wstring upper(static_cast<size_t>(length), L'\0');
    LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, path, length, upper.data(), length);
    unsigned long long hash = 14695981039346656037ull;
    for (const wchar_t c : upper) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char name[48];
    std::snprintf(name, sizeof name, "Global\\Kestrune.Save.%016llX", hash);
    return name;
}

ReplaceResult ReplaceProfileFile(LPCSTR pszFile, const std::vector<ProfileValue>& values)
{
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(pszFile, MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return Failed(ReplaceStep::Copy, length ? ERROR_FILENAME_EXCED_RANGE : GetLastError());
    const std::string file = full;

    const SaveLock lock(full);
    if (const DWORD error = lock.Error())
        return Failed(ReplaceStep::Lock, error);
    RemoveStaleCopies(file);

    const DWORD attributes = GetFileAttributesA(full);
    const bool fileExists = attributes != INVALID_FILE_ATTRIBUTES;
    if (!fileExists && GetLastError() != ERROR_FILE_NOT_FOUND)
        return Failed(ReplaceStep::Copy, GetLastError());
    // A read-only file stays as it is; a folder is no file to write.
    if (fileExists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
        return Failed(ReplaceStep::Write, ERROR_ACCESS_DENIED);

    SavePlan plan;
    if (fileExists)
        if (const DWORD error = ReadWholeFile(full, plan.current))
            return Failed(ReplaceStep::Copy, error);
    ReleaseProfileCache(full);
    plan.foreign = ForeignPart(ReadProfileView(full), values);
    plan.composed = ComposeRefusalOf(plan.current) == ComposeRefusal::None;
    if (plan.composed)
        plan.text = ComposeProfileText(plan.current, values);

    std::string copy;
    if (const DWORD error = MakeCopy(file, fileExists, copy))
        return error == ERROR_ACCESS_DENIED ? WriteInPlace(full, fileExists, plan, values, ReplaceStep::Copy)
                                            : Failed(ReplaceStep::Copy, error);

    ReplaceResult result = WriteAndCheck(copy.c_str(), plan, values);
    ReplaceStep inPlace = ReplaceStep::None;
    if (result && fileExists)
        inPlace = TakeSecurity(copy.c_str(), full);
    if (result && inPlace == ReplaceStep::None) {
        const DWORD error = PutInPlace(copy.c_str(), full, fileExists);
        if (HeldOrDenied(error))
            inPlace = ReplaceStep::Rename;
        else if (error)
            result = Failed(ReplaceStep::Rename, error);
    }
    if (!result || inPlace != ReplaceStep::None)
        RemoveFile(copy);
    return inPlace != ReplaceStep::None ? WriteInPlace(full, fileExists, plan, values, inPlace) : result;
}
