#pragma once
// A file's owner and access rules, given to the copy that takes its place.

#include "platform/FileCalls.h"

enum class SecurityRefusal {
    None,
    Owner,         // the copy could not be given the file's owner
    AccessRules,   // the file's access rules could not be read or given
};

// Gives copy the owner of file, where it did not get it, and file's access
// rules. An owner may rewrite the access rules, so a copy that keeps another
// owner must not take the file's place. The owner is read back: Wine accepts
// any owner and keeps the Unix one.
SecurityRefusal GiveSecurityOf(LPCSTR file, LPCSTR copy, const FileCalls& calls);
