#include "framework/CWinApp.h"

#include <cstdlib>
#include <cstring>

namespace {

CWinApp* g_pApp = nullptr;

LPCSTR DuplicateString(LPCSTR psz)
{
    return psz ? _strdup(psz) : nullptr;
}

void FreeString(LPCSTR& psz)
{
    std::free(const_cast<LPSTR>(psz));
    psz = nullptr;
}

} // namespace

CWinApp* AfxGetApp()
{
    return g_pApp;
}

CWinApp::CWinApp(LPCSTR pszAppName)
    : m_pszAppName(DuplicateString(pszAppName))
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    FreeString(m_pszAppName);
    FreeString(m_pszExeName);
    FreeString(m_pszProfileName);
    if (g_pApp == this)
        g_pApp = nullptr;
}

const MessageMap* CWinApp::GetThisMessageMap()
{
    static constexpr MessageMap map{&CCmdTarget::GetThisMessageMap, {}};
    return &map;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return 0;
}

void CWinApp::SetDefaultNames(HINSTANCE hInstance)
{
    m_hInstance = hInstance;

    char path[MAX_PATH] = {};
    GetModuleFileNameA(hInstance, path, MAX_PATH);
    const char* base = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':')
            base = p + 1;
    CString exeName(base);
    const int dot = exeName.Find('.');
    if (dot >= 0)
        exeName = exeName.Left(dot);

    FreeString(m_pszExeName);
    m_pszExeName = DuplicateString(exeName);
    if (!m_pszAppName)
        m_pszAppName = DuplicateString(exeName);
    SetProfileName(exeName + ".INI");
}

void CWinApp::SetProfileName(LPCSTR pszPath)
{
    FreeString(m_pszProfileName);
    m_pszProfileName = DuplicateString(pszPath);
}
