#pragma once
// Activates, for the length of a scope, the activation context of a manifest
// that a module carries as a resource. A library that a host loads without
// the manifest it needs (common controls 6, for visual styles) gets it this
// way for the windows it creates on the calling thread; the thread's previous
// context is back when the scope ends.

#include <windows.h>

class ManifestActivation {
public:
    ManifestActivation(HMODULE hModule, WORD resourceId);
    ~ManifestActivation();
    ManifestActivation(const ManifestActivation&) = delete;
    ManifestActivation& operator=(const ManifestActivation&) = delete;

    // False when the context could not be made or activated: the caller's own
    // context then stays in effect.
    bool Active() const { return m_bActive; }

private:
    HANDLE m_hContext = INVALID_HANDLE_VALUE;
    ULONG_PTR m_cookie = 0;
    bool m_bActive = false;
};
