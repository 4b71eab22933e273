#include "platform/ManifestActivation.h"

ManifestActivation::ManifestActivation(HMODULE hModule, WORD resourceId)
{
    // The image is named by its handle and by its path; the path is read wide,
    // so that a folder name outside the ANSI code page still works.
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(hModule, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;

    ACTCTXW context{};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = path;
    context.hModule = hModule;
    context.lpResourceName = MAKEINTRESOURCEW(resourceId);
    m_hContext = CreateActCtxW(&context);
    if (m_hContext != INVALID_HANDLE_VALUE)
        m_bActive = ActivateActCtx(m_hContext, &m_cookie) != FALSE;
}

ManifestActivation::~ManifestActivation()
{
    if (m_bActive)
        DeactivateActCtx(0, m_cookie);
    if (m_hContext != INVALID_HANDLE_VALUE)
        ReleaseActCtx(m_hContext);
}
