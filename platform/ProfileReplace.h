#pragma once
// Rewrites a profile (INI) file as a whole. Its new text, composed from its
// current one (or, for a file the applet does not compose, the values through
// the private-profile writer), goes into a copy beside the file, is checked
// and put on disk, and the copy, given the file's owner and access rules,
// takes the file's place in one rename: a reader, or a save cut short, sees
// the whole old file or the whole new one.

#include "platform/ProfileCompose.h"

#include <windows.h>

#include <string>
#include <vector>

// A step of a save: the one that failed, or the one that sent the save into
// the file itself.
enum class ReplaceStep {
    None,
    Lock,          // another save of the file kept its turn past the wait
    Copy,          // making the copy beside the file
    Write,         // the write, or a file that cannot be written at all
    Check,         // what is read back differs from what was written, or
                   // an entry that is not among the values reads otherwise
    Flush,         // taking the data to disk
    Owner,         // giving the copy the file's owner
    AccessRules,   // giving the copy the file's access rules
    Rename,        // putting the copy in the file's place
};

struct ReplaceResult {
    ReplaceStep failed = ReplaceStep::None;
    DWORD error = ERROR_SUCCESS;                     // the system's code for the failure
    ReplaceStep inPlaceBecause = ReplaceStep::None;  // None: the copy took the file's place

    explicit operator bool() const { return failed == ReplaceStep::None; }
};

// Writes values into file, and reads every one back; entries of the file
// that are not among them read as before, or the save fails. Saves of one
// file take turns, across processes and sessions; a save that cannot get its
// turn in 20 s fails. The values go into the file itself only where the
// folder takes no new file, where the file cannot be renamed over (held
// open, or the user may write it but not replace it), or where the copy
// cannot be given the file's owner or access rules; there a failed save
// writes the old bytes back. A full disk, a failed write or a failed check
// leave the file untouched.
ReplaceResult ReplaceProfileFile(LPCSTR file, const std::vector<ProfileValue>& values);

// The copy's name: the file's, a part of its own, and this.
inline constexpr char kReplaceCopySuffix[] = ".saving";

// The machine-wide kernel object that saves of the file at fullPath take
// turns on, whichever the case of the path's letters.
std::string ReplaceLockName(LPCSTR fullPath);
