#include "framework/CStringW.h"

#include "framework/ModuleState.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

CStringW::CStringW(LPCSTR pszAnsi)
{
    if (!pszAnsi || !*pszAnsi)
        return;
    const int length = MultiByteToWideChar(CP_ACP, 0, pszAnsi, -1, nullptr, 0);
    if (length <= 1)
        return;
    m_str.resize(static_cast<size_t>(length));
    MultiByteToWideChar(CP_ACP, 0, pszAnsi, -1, m_str.data(), length);
    m_str.resize(static_cast<size_t>(length - 1));
}

void CStringW::Format(LPCWSTR pszFormat, ...)
{
    // msvcrt's own functions: the runtime's standard ones would read %s as a
    // narrow string.
    va_list args;
    va_start(args, pszFormat);
    va_list measure;
    va_copy(measure, args);
    const int n = _vscwprintf(pszFormat, measure);
    va_end(measure);
    if (n < 0) {
        m_str.clear();
    } else {
        m_str.assign(static_cast<size_t>(n) + 1, L'\0');
        _vsnwprintf(m_str.data(), m_str.size(), pszFormat, args);
        m_str.resize(static_cast<size_t>(n));
    }
    va_end(args);
}

BOOL CStringW::LoadString(UINT nID)
{
    // Asked for no copy, the loader answers where the text is and its length,
    // so no text is cut at a buffer's end.
    LPCWSTR text = nullptr;
    const int length = LoadStringW(AfxGetResourceHandle(), nID, reinterpret_cast<LPWSTR>(&text), 0);
    m_str.clear();
    if (length <= 0 || !text)
        return FALSE;
    m_str.assign(text, static_cast<size_t>(length));
    return TRUE;
}

LPWSTR CStringW::GetBuffer(int nMinLength)
{
    if (nMinLength > GetLength())
        m_str.resize(static_cast<size_t>(nMinLength));
    return m_str.data();
}

void CStringW::ReleaseBuffer(int nNewLength)
{
    if (nNewLength < 0)
        nNewLength = static_cast<int>(std::char_traits<wchar_t>::length(m_str.c_str()));
    m_str.resize(static_cast<size_t>(std::min(nNewLength, GetLength())));
}

BSTR CStringW::AllocSysString() const
{
    return SysAllocStringLen(m_str.data(), static_cast<UINT>(m_str.size()));
}
