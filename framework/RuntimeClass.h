#pragma once
// Run-time class information: a class's name and, for classes that support
// dynamic creation, a function that makes a new object of it.

class CWnd;

struct CRuntimeClass {
    const char* m_lpszClassName;
    CWnd* (*m_pfnCreateObject)();   // null: no dynamic creation

    CWnd* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
};
