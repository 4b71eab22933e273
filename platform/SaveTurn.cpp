#include "platform/SaveTurn.h"

#include "framework/CStringW.h"

#include <sddl.h>

#include <cstdio>

namespace {

// A save of 1,280 values takes milliseconds: this covers any queue of saves
// ahead. A saver that died let go at once (an abandoned mutex), so the wait
// runs out only behind one that hangs.
constexpr DWORD kTurnWait = 20000;

HANDLE OpenTurn(LPCSTR fullPath, DWORD& error)
{
    PSECURITY_DESCRIPTOR everyone = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;0x00100001;;;WD)",   // SYNCHRONIZE | MUTEX_MODIFY_STATE
                                                         SDDL_REVISION_1, &everyone, nullptr);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, everyone, FALSE};
    const HANDLE handle = CreateMutexExA(everyone ? &attributes : nullptr, ReplaceLockName(fullPath).c_str(), 0,
                                         SYNCHRONIZE | MUTEX_MODIFY_STATE);
    error = GetLastError();
    LocalFree(everyone);
    return handle;
}

} // namespace

SaveTurn::SaveTurn(LPCSTR fullPath, const FileCalls& calls)
    : m_mutex(OpenTurn(fullPath, m_error), false)
{
    if (!m_mutex.Handle())
        return;
    // Abandoned: its holder ended during a save, whose copy is now stale.
    switch (calls.waitForTurn(m_mutex.Handle(), kTurnWait)) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:
        m_mutex.TakeOwnership();
        break;
    case WAIT_TIMEOUT:
        m_error = ERROR_TIMEOUT;
        break;
    default:
        m_error = GetLastError();
    }
}

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
