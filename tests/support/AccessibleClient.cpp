#include "tests/support/AccessibleClient.h"

#include <objbase.h>
#include <oleacc.h>

namespace {

// In UTF-8, which keeps every character, whatever the code page.
std::string Narrow(BSTR text)
{
    if (!text)
        return {};
    const int wide = static_cast<int>(SysStringLen(text));
    std::string result(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text, wide, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, wide, result.data(), static_cast<int>(result.size()), nullptr, nullptr);
    SysFreeString(text);
    return result;
}

VARIANT Self()
{
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return self;
}

HRESULT ClientObject(HWND hWnd, IAccessible** ppAcc)
{
    *ppAcc = nullptr;
    // MinGW's IID_IAccessible is not the GUID on x86_64.
    return AccessibleObjectFromWindow(hWnd, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                      reinterpret_cast<void**>(ppAcc));
}

} // namespace

IAccessible* HoldClient(HWND hWnd)
{
    IAccessible* pAcc = nullptr;
    return SUCCEEDED(ClientObject(hWnd, &pAcc)) ? pAcc : nullptr;
}

HRESULT ReadName(IAccessible* pAcc, std::string* name)
{
    BSTR text = nullptr;
    const HRESULT hr = pAcc->get_accName(Self(), &text);
    std::string narrow = Narrow(text);   // frees the text
    if (name && SUCCEEDED(hr))
        *name = std::move(narrow);
    return hr;
}

ClientView ReadClient(HWND hWnd)
{
    ClientView view;
    IAccessible* pAcc = nullptr;
    view.hr = ClientObject(hWnd, &pAcc);
    if (FAILED(view.hr) || !pAcc)
        return view;
    const VARIANT self = Self();
    ReadName(pAcc, &view.name);
    BSTR text = nullptr;
    if (SUCCEEDED(pAcc->get_accValue(self, &text)))
        view.value = Narrow(text);
    VARIANT role;
    VariantInit(&role);
    if (SUCCEEDED(pAcc->get_accRole(self, &role)) && role.vt == VT_I4)
        view.role = role.lVal;
    VariantClear(&role);
    pAcc->Release();
    return view;
}

bool PumpUntil(HANDLE handle, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return false;
        const DWORD wait = MsgWaitForMultipleObjects(1, &handle, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0)
            return true;
        if (wait != WAIT_OBJECT_0 + 1)
            return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

ClientThread::ClientThread(std::function<void()> work) : m_work(std::move(work))
{
    m_thread = CreateThread(nullptr, 0, &ClientThread::Run, this, 0, nullptr);
}

ClientThread::~ClientThread()
{
    if (m_thread) {
        Join();
        CloseHandle(m_thread);
    }
}

bool ClientThread::Join(DWORD timeoutMs)
{
    return m_thread && PumpUntil(m_thread, timeoutMs);
}

DWORD WINAPI ClientThread::Run(LPVOID self)
{
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    static_cast<ClientThread*>(self)->m_work();
    if (SUCCEEDED(hr))
        CoUninitialize();
    return 0;
}

int ApartmentType()
{
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    return SUCCEEDED(CoGetApartmentType(&type, &qualifier)) ? static_cast<int>(type) : -1;
}
