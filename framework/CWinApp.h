#pragma once
// The application object: one per module, registered when it is constructed.
// The library entry gives it its names and calls its instance initialisation
// at attach and its exit step at detach. It holds the path of its profile, a
// private INI file, for whoever reads and writes it.

#include "framework/CString.h"
#include "framework/MessageMap.h"
#include "framework/ModuleState.h"

class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(LPCSTR pszAppName = nullptr);
    ~CWinApp() override;

    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }
    static const MessageMap* GetThisMessageMap();

    virtual BOOL InitInstance();
    virtual int ExitInstance();

    // Replaces the profile file name with a heap copy of pszPath (null frees it).
    void SetProfileName(LPCSTR pszPath);

    // Names derived from the module file when the library is attached.
    void SetDefaultNames(HINSTANCE hInstance);

    HINSTANCE m_hInstance = nullptr;
    LPCSTR m_pszAppName = nullptr;      // owned heap string
    LPCSTR m_pszExeName = nullptr;      // owned heap string: the module's base name
    LPCSTR m_pszProfileName = nullptr;  // owned heap string: the profile file's path
};

CWinApp* AfxGetApp();
