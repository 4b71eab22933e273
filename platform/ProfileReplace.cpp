#include "platform/ProfileReplace.h"

#include "platform/FileSecurity.h"
#include "platform/ProfileView.h"
#include "platform/SaveCopy.h"
#include "platform/SaveTurn.h"
#include "platform/WholeFile.h"

namespace {

ReplaceResult Failed(ReplaceStep step, DWORD error)
{
    return {step, error ? error : ERROR_WRITE_FAULT};
}

// Drops the profile functions' cached view of path: the next call reads the
// file from disk. Not among the save's calls: nothing is pending, so it
// writes nothing.
void ReleaseProfileCache(LPCSTR path)
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path);
}

// What a save writes, worked out before anything is: the file's bytes now,
// what its other readers get from it, and its new text where the applet
// composes it (else the values go in through the profile writer).
struct SavePlan {
    bool exists = false;
    std::string current;
    std::vector<std::string> foreign;
    bool composed = false;
    std::string text;
};

DWORD ReadPlan(LPCSTR file, const std::vector<ProfileValue>& values, const FileCalls& calls, SavePlan& plan)
{
    const DWORD attributes = GetFileAttributesA(file);
    plan.exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (!plan.exists && GetLastError() != ERROR_FILE_NOT_FOUND)
        return GetLastError();
    // A read-only file stays as it is; a folder is no file to write.
    if (plan.exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
        return ERROR_ACCESS_DENIED;
    if (plan.exists)
        if (const DWORD error = ReadWholeFile(file, plan.current, calls))
            return error;
    ReleaseProfileCache(file);
    plan.foreign = ForeignPart(ReadProfileView(file, calls), values);
    plan.composed = ComposeRefusalOf(plan.current) == ComposeRefusal::None;
    if (plan.composed)
        plan.text = ComposeProfileText(plan.current, values);
    return ERROR_SUCCESS;
}

// The writes, the checks and the flush, into the copy or into the file
// itself. The checks: the bytes are the composed text, every value reads as
// written, and every other entry reads as before.
ReplaceResult WriteAndCheck(LPCSTR path, const SavePlan& plan, const std::vector<ProfileValue>& values,
                            const FileCalls& calls)
{
    ULONGLONG needed = plan.text.size();
    ReleaseProfileCache(path);
    if (plan.composed) {
        if (const DWORD error = WriteWholeFile(path, plan.text, calls))
            return Failed(ReplaceStep::Write, error);
        std::string written;
        if (const DWORD error = ReadWholeFile(path, written, calls))
            return Failed(ReplaceStep::Check, error);
        if (written != plan.text)
            return Failed(ReplaceStep::Check, ShortOfSpaceError(path, needed));
    } else {
        for (const ProfileValue& value : values)
            if (!calls.writeProfileString(value.section, value.entry.c_str(), value.value.c_str(), path))
                return Failed(ReplaceStep::Write, GetLastError());
        needed = plan.current.size();
        for (const ProfileValue& value : values)
            needed += value.entry.size() + value.value.size() + 3;   // entry=value CR LF
    }
    ReleaseProfileCache(path);
    const ProfileView view = ReadProfileView(path, calls);
    if (!HoldsValues(view, values) || ForeignPart(view, values) != plan.foreign)
        return Failed(ReplaceStep::Check, ShortOfSpaceError(path, needed));
    if (const DWORD error = FlushToDisk(path, calls))
        return Failed(ReplaceStep::Flush, error);
    return {};
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
DWORD PutInPlace(LPCSTR copy, LPCSTR file, bool replace, const FileCalls& calls)
{
    constexpr int kTries = 20;
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        if (attempt > 0)
            Sleep(attempt < 5 ? 1 : 10);
        // A file that appeared meanwhile is not replaced by one made without it.
        if (calls.moveFileEx(copy, file, (replace ? MOVEFILE_REPLACE_EXISTING : 0) | MOVEFILE_WRITE_THROUGH))
            return ERROR_SUCCESS;
        error = GetLastError();
        // Access is also denied to a file whose deletion is pending.
        if (!HeldOrDenied(error))
            break;
    }
    return error;
}

// The fallback: the file itself written and checked. Where that fails, the
// old bytes go back, so that the file stays as it was wherever the disk
// allows.
ReplaceResult SaveInPlace(LPCSTR file, const SavePlan& plan, const std::vector<ProfileValue>& values,
                          const FileCalls& calls, InPlaceReason why)
{
    ReplaceResult result = WriteAndCheck(file, plan, values, calls);
    result.inPlaceBecause = why;
    std::string now;
    if (!result && (ReadWholeFile(file, now, calls) != ERROR_SUCCESS || now != plan.current)) {
        if (!plan.exists)
            calls.deleteFile(file);
        else if (WriteWholeFile(file, plan.current, calls) == ERROR_SUCCESS)
            FlushToDisk(file, calls);
        ReleaseProfileCache(file);
    }
    return result;
}

} // namespace

ReplaceResult ReplaceProfileFile(LPCSTR pszFile, const std::vector<ProfileValue>& values, const FileCalls& calls)
{
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(pszFile, MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return Failed(ReplaceStep::Path, length ? ERROR_FILENAME_EXCED_RANGE : GetLastError());
    const std::string file = full;

    const SaveTurn turn(full, calls);
    if (const DWORD error = turn.Error())
        return Failed(ReplaceStep::Lock, error);
    RemoveStaleCopies(file, calls);

    SavePlan plan;
    if (const DWORD error = ReadPlan(full, values, calls, plan))
        return Failed(ReplaceStep::Read, error);

    std::string copy;
    if (const DWORD error = MakeCopy(file, plan.exists, calls, copy))
        return error == ERROR_ACCESS_DENIED ? SaveInPlace(full, plan, values, calls, InPlaceReason::NoNewFile)
                                            : Failed(ReplaceStep::Copy, error);

    if (const ReplaceResult result = WriteAndCheck(copy.c_str(), plan, values, calls); !result) {
        RemoveFile(copy, calls);
        return result;
    }

    const SecurityRefusal refused = plan.exists ? GiveSecurityOf(full, copy.c_str(), calls) : SecurityRefusal::None;
    if (refused != SecurityRefusal::None) {
        RemoveFile(copy, calls);
        return SaveInPlace(full, plan, values, calls,
                           refused == SecurityRefusal::Owner ? InPlaceReason::OtherOwner : InPlaceReason::AccessRules);
    }

    if (const DWORD error = PutInPlace(copy.c_str(), full, plan.exists, calls)) {
        RemoveFile(copy, calls);
        return HeldOrDenied(error) ? SaveInPlace(full, plan, values, calls, InPlaceReason::Held)
                                   : Failed(ReplaceStep::Rename, error);
    }
    return {};
}
