#pragma once
// Text string in UTF-16: what a person reads or a screen reader speaks. It
// keeps every character whatever the display language and the ANSI code
// page; text in the code page is converted once, where it comes in.

#include <windows.h>
#include <oleauto.h>

#include <string>

class CStringW {
public:
    CStringW() = default;
    CStringW(LPCWSTR psz) : m_str(psz ? psz : L"") {}
    CStringW(LPCWSTR pch, int nLength) : m_str(pch, nLength > 0 ? nLength : 0) {}
    // Text in the ANSI code page (null: empty).
    explicit CStringW(LPCSTR pszAnsi);

    CStringW& operator+=(wchar_t ch) { m_str += ch; return *this; }
    CStringW& operator+=(LPCWSTR psz) { m_str += psz ? psz : L""; return *this; }
    friend bool operator==(const CStringW& a, LPCWSTR b) { return a.m_str == (b ? b : L""); }

    int GetLength() const { return static_cast<int>(m_str.size()); }
    BOOL IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    wchar_t GetAt(int nIndex) const { return m_str.at(static_cast<size_t>(nIndex)); }

    // Formats as Windows' C runtime does: %s takes a wide string, as the
    // string resources' formats expect.
    void Format(LPCWSTR pszFormat, ...);
    // The string resource nID of the module's resources in the language
    // Windows picks for the user; FALSE if there is none.
    BOOL LoadString(UINT nID);

    // Writable buffer of at least nMinLength characters plus the terminator;
    // ReleaseBuffer(-1) takes the length from the terminator.
    LPWSTR GetBuffer(int nMinLength);
    void ReleaseBuffer(int nNewLength = -1);
    // A copy for a COM caller, who frees it; null without memory.
    BSTR AllocSysString() const;

    operator LPCWSTR() const { return m_str.c_str(); }
    LPCWSTR GetString() const { return m_str.c_str(); }

private:
    std::wstring m_str;
};
