#pragma once
// A named mutex's handle and whether this holder owns it: let go and closed
// at the end of the holder's life. Each user keeps its own policy for a
// mutex it cannot make or get.

#include <windows.h>

#include <utility>

class NamedMutex {
public:
    // owned: made with initial ownership and new, or already waited for.
    NamedMutex(HANDLE handle, bool owned) : m_handle(handle), m_owned(handle && owned) {}
    ~NamedMutex() { Close(); }

    // Owned by this holder where this holder made it; another's is only opened.
    static NamedMutex CreateOwned(LPCSTR name)
    {
        const HANDLE handle = CreateMutexA(nullptr, TRUE, name);
        return NamedMutex(handle, GetLastError() != ERROR_ALREADY_EXISTS);
    }

    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    HANDLE Handle() const { return m_handle; }
    bool Owned() const { return m_owned; }
    // After a wait that returned it (abandoned by a holder that ended, too).
    void TakeOwnership() { m_owned = m_handle != nullptr; }
    void Close()
    {
        if (m_owned)
            ReleaseMutex(m_handle);
        if (m_handle)
            CloseHandle(std::exchange(m_handle, nullptr));
        m_owned = false;
    }

private:
    HANDLE m_handle;
    bool m_owned;
};
