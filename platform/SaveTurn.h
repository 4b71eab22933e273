#pragma once
// The turn that saves of one file take, across processes and sessions: a
// mutex in the machine-wide namespace, so that users of other sessions (fast
// user switching, remote desktop) wait too. Creating one there needs no
// privilege (file mappings do), and every user may open it to wait and
// release. Saves from other machines, to a file on a network share, are not
// covered.

#include "platform/FileCalls.h"
#include "platform/NamedMutex.h"

#include <string>

class SaveTurn {
public:
    // Waits up to 20 s for the file's turn.
    SaveTurn(LPCSTR fullPath, const FileCalls& calls);

    // ERROR_SUCCESS once the turn is this save's.
    DWORD Error() const { return m_mutex.Owned() ? ERROR_SUCCESS : m_error; }

private:
    DWORD m_error = ERROR_SUCCESS;   // before the mutex: its making sets it
    NamedMutex m_mutex;
};

// The machine-wide kernel object that saves of the file at fullPath take
// turns on, whichever the case of the path's letters.
std::string ReplaceLockName(LPCSTR fullPath);
