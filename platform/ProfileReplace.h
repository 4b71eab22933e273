#pragma once
// Rewrites a profile (INI) file as a whole. Its new text, composed from its
// current one (or, for a file the applet does not compose, the values through
// the private-profile writer), goes into a copy beside the file, is checked
// and put on disk, and the copy, given the file's owner and access rules,
// takes the file's place in one rename: a reader, or a save cut short, sees
// the whole old file or the whole new one.

#include "platform/FileCalls.h"
#include "platform/ProfileCompose.h"

#include <string>
#include <vector>

// The step of a save that failed.
enum class ReplaceStep {
    None,          // the save succeeded
    Path,          // the file's full path
    Lock,          // another save of the file kept its turn past the wait
    Read,          // the file now: a folder or a read-only file in its place,
                   // or bytes that cannot be read
    Copy,          // making the copy beside the file
    Write,         // the write, or a file that cannot be written at all
    Check,         // what is read back differs from what was written, or
                   // an entry that is not among the values reads otherwise
    Flush,         // taking the data to disk
    Rename,        // putting the copy in the file's place
};

// Why a save went into the file itself instead of through a copy.
enum class InPlaceReason {
    None,          // the copy took the file's place
    NoNewFile,     // the folder takes no new file
    OtherOwner,    // the copy cannot be given the file's owner
    AccessRules,   // the copy cannot be given the file's access rules
    Held,          // the file is held open, or may be written but not replaced
};

struct ReplaceResult {
    ReplaceStep failed = ReplaceStep::None;
    DWORD error = ERROR_SUCCESS;   // the system's code for the failure
    InPlaceReason inPlaceBecause = InPlaceReason::None;

    explicit operator bool() const { return failed == ReplaceStep::None; }
};

// Writes values into file, and reads every one back; entries of the file
// that are not among them read as before, or the save fails. Saves of one
// file take turns, across processes and sessions; a save that cannot get its
// turn in 20 s fails. The values go into the file itself only for the
// reasons above; there a failed save writes the old bytes back. A full disk,
// a failed write or a failed check leave the file untouched.
ReplaceResult ReplaceProfileFile(LPCSTR file, const std::vector<ProfileValue>& values,
                                 const FileCalls& calls = SystemFileCalls());
