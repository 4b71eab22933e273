#include "framework/Accessible.h"

#include "framework/CWnd.h"
#include "framework/SystemLibrary.h"

#include <oleacc.h>

#include <climits>
#include <new>
#include <utility>

namespace {

LONG g_liveObjects = 0;

// The window's object, kept with the window until WM_NCDESTROY.
constexpr char kObjectProperty[] = "Kestrune.AccessibleObject";

// oleacc.dll is loaded when first needed, from the system folder only. It is
// never unloaded: COM may still use its proxies and stubs after we are gone.
struct OleAcc {
    decltype(&CreateStdAccessibleObject) createStdAccessibleObject = nullptr;
    decltype(&LresultFromObject) lresultFromObject = nullptr;
};

const OleAcc& GetOleAcc()
{
    static const OleAcc api = [] {
        OleAcc found;
        HMODULE module = LoadSystemLibrary("oleacc.dll");
        if (!module || !FindExport(module, "CreateStdAccessibleObject", found.createStdAccessibleObject)
            || !FindExport(module, "LresultFromObject", found.lresultFromObject))
            return OleAcc{};
        return found;
    }();
    return api;
}

bool InSingleThreadedApartment()
{
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    return SUCCEEDED(CoGetApartmentType(&type, &qualifier)) && (type == APTTYPE_STA || type == APTTYPE_MAINSTA);
}

VARIANT Self()
{
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return self;
}

// The name of a wrapped window, asked when a client asks: labels and layout
// may change while the window lives.
CStringW OwnName(HWND hWnd)
{
    const CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    return pWnd ? pWnd->GetAccessibleName() : CStringW();
}

// The platform's object for a window's client area with the name replaced.
// Every other question goes to the platform's object, so role, states, value,
// children and navigation stay the standard ones. After Disconnect the object
// answers as a disconnected proxy does.
class CNamedAccessible final : public IAccessible, public IEnumVARIANT, public IOleWindow {
public:
    CNamedAccessible(HWND hWnd, IAccessible* pStandard) : m_hWnd(hWnd), m_pStandard(pStandard)
    {
        InterlockedIncrement(&g_liveObjects);
    }
    CNamedAccessible(const CNamedAccessible&) = delete;
    CNamedAccessible& operator=(const CNamedAccessible&) = delete;

    // Cuts off every client in other apartments and lets go of the platform's
    // object; a client in this one holds an object that answers errors.
    void Disconnect()
    {
        CoDisconnectObject(static_cast<IAccessible*>(this), 0);
        if (IAccessible* pStandard = std::exchange(m_pStandard, nullptr))
            pStandard->Release();
        m_hWnd = nullptr;
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(IAccessible))
            *ppv = static_cast<IAccessible*>(this);
        else if (riid == __uuidof(IOleWindow))
            *ppv = static_cast<IOleWindow*>(this);
        else if (riid == __uuidof(IEnumVARIANT)) {
            IEnumVARIANT* pEnum = Enumerator();
            if (pEnum) {
                pEnum->Release();
                *ppv = static_cast<IEnumVARIANT*>(this);
            }
        }
        // Nothing else, IMarshal least of all: our object is the one marshalled.
        if (!*ppv)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0)
            delete this;
        return static_cast<ULONG>(refs);
    }

    // IDispatch: by the platform's type information but through our own table,
    // so that a late-bound client gets our name too.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override
    {
        return Forward<&IAccessible::GetTypeInfoCount>(pctinfo);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override
    {
        return Forward<&IAccessible::GetTypeInfo>(iTInfo, lcid, ppTInfo);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override
    {
        return Forward<&IAccessible::GetIDsOfNames>(riid, names, count, lcid, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argError) override
    {
        if (!m_pStandard)
            return RPC_E_DISCONNECTED;
        ITypeInfo* pInfo = nullptr;
        if (SUCCEEDED(m_pStandard->GetTypeInfo(0, lcid, &pInfo)) && pInfo) {
            const HRESULT hr = pInfo->Invoke(static_cast<IAccessible*>(this), id, flags, params, result,
                                             exception, argError);
            pInfo->Release();
            return hr;
        }
        return m_pStandard->Invoke(id, riid, lcid, flags, params, result, exception, argError);
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT varChild, BSTR* pszName) override
    {
        if (!pszName)
            return E_POINTER;
        if (!m_pStandard)
            return RPC_E_DISCONNECTED;
        if (varChild.vt == VT_I4 && varChild.lVal == CHILDID_SELF) {
            CStringW name;
            try {
                name = OwnName(m_hWnd);
            } catch (...) {
                name.Empty();
            }
            if (!name.IsEmpty()) {
                *pszName = name.AllocSysString();
                return *pszName ? S_OK : E_OUTOFMEMORY;
            }
        }
        return m_pStandard->get_accName(varChild, pszName);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** ppdispParent) override
    {
        return Forward<&IAccessible::get_accParent>(ppdispParent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* pcountChildren) override
    {
        return Forward<&IAccessible::get_accChildCount>(pcountChildren);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT varChild, IDispatch** ppdispChild) override
    {
        return Forward<&IAccessible::get_accChild>(varChild, ppdispChild);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT varChild, BSTR* pszValue) override
    {
        return Forward<&IAccessible::get_accValue>(varChild, pszValue);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT varChild, BSTR* pszDescription) override
    {
        return Forward<&IAccessible::get_accDescription>(varChild, pszDescription);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT varChild, VARIANT* pvarRole) override
    {
        return Forward<&IAccessible::get_accRole>(varChild, pvarRole);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT varChild, VARIANT* pvarState) override
    {
        return Forward<&IAccessible::get_accState>(varChild, pvarState);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT varChild, BSTR* pszHelp) override
    {
        return Forward<&IAccessible::get_accHelp>(varChild, pszHelp);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* pszHelpFile, VARIANT varChild, long* pidTopic) override
    {
        return Forward<&IAccessible::get_accHelpTopic>(pszHelpFile, varChild, pidTopic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT varChild, BSTR* pszKeyboardShortcut) override
    {
        return Forward<&IAccessible::get_accKeyboardShortcut>(varChild, pszKeyboardShortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* pvarChild) override
    {
        return Forward<&IAccessible::get_accFocus>(pvarChild);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* pvarChildren) override
    {
        return Forward<&IAccessible::get_accSelection>(pvarChildren);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT varChild, BSTR* pszDefaultAction) override
    {
        return Forward<&IAccessible::get_accDefaultAction>(varChild, pszDefaultAction);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flagsSelect, VARIANT varChild) override
    {
        return Forward<&IAccessible::accSelect>(flagsSelect, varChild);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* pxLeft, long* pyTop, long* pcxWidth, long* pcyHeight,
                                          VARIANT varChild) override
    {
        return Forward<&IAccessible::accLocation>(pxLeft, pyTop, pcxWidth, pcyHeight, varChild);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long navDir, VARIANT varStart, VARIANT* pvarEndUpAt) override
    {
        return Forward<&IAccessible::accNavigate>(navDir, varStart, pvarEndUpAt);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long xLeft, long yTop, VARIANT* pvarChild) override
    {
        return Forward<&IAccessible::accHitTest>(xLeft, yTop, pvarChild);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT varChild) override
    {
        return Forward<&IAccessible::accDoDefaultAction>(varChild);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT varChild, BSTR szName) override
    {
        return Forward<&IAccessible::put_accName>(varChild, szName);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT varChild, BSTR szValue) override
    {
        return Forward<&IAccessible::put_accValue>(varChild, szValue);
    }

    // IEnumVARIANT: the platform's enumeration of the children.
    HRESULT STDMETHODCALLTYPE Next(ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched) override
    {
        return ForwardEnum<&IEnumVARIANT::Next>(celt, rgVar, pCeltFetched);
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override { return ForwardEnum<&IEnumVARIANT::Skip>(celt); }
    HRESULT STDMETHODCALLTYPE Reset() override { return ForwardEnum<&IEnumVARIANT::Reset>(); }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** ppEnum) override
    {
        return ForwardEnum<&IEnumVARIANT::Clone>(ppEnum);
    }

    // IOleWindow: how clients find the window of an object.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* phwnd) override
    {
        if (!phwnd)
            return E_POINTER;
        *phwnd = m_hWnd;
        return m_hWnd ? S_OK : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

private:
    ~CNamedAccessible()
    {
        if (m_pStandard)
            m_pStandard->Release();
        InterlockedDecrement(&g_liveObjects);
    }

    template <auto Method, class... Args>
    HRESULT Forward(Args... args)
    {
        return m_pStandard ? (m_pStandard->*Method)(args...) : RPC_E_DISCONNECTED;
    }

    template <auto Method, class... Args>
    HRESULT ForwardEnum(Args... args)
    {
        IEnumVARIANT* pEnum = Enumerator();
        if (!pEnum)
            return RPC_E_DISCONNECTED;
        const HRESULT hr = (pEnum->*Method)(args...);
        pEnum->Release();
        return hr;
    }

    // The platform's enumerator, with a reference, or null.
    IEnumVARIANT* Enumerator() const
    {
        IEnumVARIANT* pEnum = nullptr;
        if (m_pStandard && FAILED(m_pStandard->QueryInterface(__uuidof(IEnumVARIANT), reinterpret_cast<void**>(&pEnum))))
            pEnum = nullptr;
        return pEnum;
    }

    LONG m_refs = 1;
    HWND m_hWnd;
    IAccessible* m_pStandard;
};

CNamedAccessible* ObjectFor(HWND hWnd, const OleAcc& api)
{
    if (auto* pExisting = static_cast<CNamedAccessible*>(GetPropA(hWnd, kObjectProperty)))
        return pExisting;
    IAccessible* pStandard = nullptr;
    if (FAILED(api.createStdAccessibleObject(hWnd, OBJID_CLIENT, __uuidof(IAccessible),
                                             reinterpret_cast<void**>(&pStandard)))
        || !pStandard)
        return nullptr;
    auto* pObject = new (std::nothrow) CNamedAccessible(hWnd, pStandard);
    if (!pObject) {
        pStandard->Release();
        return nullptr;
    }
    if (!SetPropA(hWnd, kObjectProperty, pObject)) {
        pObject->Release();
        return nullptr;
    }
    return pObject;
}

void DisconnectObject(HWND hWnd)
{
    auto* pObject = static_cast<CNamedAccessible*>(RemovePropA(hWnd, kObjectProperty));
    if (!pObject)
        return;
    pObject->Disconnect();
    if (pObject->Release() != 0) {
        // A client in this apartment holds the object itself, not a proxy:
        // its code must stay loaded for that client as long as the process lives.
        HMODULE hSelf = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCSTR>(&DisconnectObject), &hSelf);
    }
}

bool HasClass(HWND hWnd, const char* pszClass)
{
    char className[16] = {};
    return GetClassNameA(hWnd, className, sizeof className) && lstrcmpiA(className, pszClass) == 0;
}

bool IsTextLabel(HWND hWnd)
{
    if (!HasClass(hWnd, "Static"))
        return false;
    const LONG_PTR style = GetWindowLongPtrA(hWnd, GWL_STYLE);
    switch (style & SS_TYPEMASK) {
    case SS_LEFT:
    case SS_CENTER:
    case SS_RIGHT:
    case SS_SIMPLE:
    case SS_LEFTNOWORDWRAP:
        return (style & WS_VISIBLE) && GetWindowTextLengthW(hWnd) > 0;
    default:
        return false;
    }
}

// The label's text as read aloud: "&&" shows '&', a single '&' marks the mnemonic.
CStringW LabelText(HWND hLabel)
{
    CStringW text;
    const int length = GetWindowTextLengthW(hLabel);
    GetWindowTextW(hLabel, text.GetBuffer(length), length + 1);
    text.ReleaseBuffer();
    if (GetWindowLongPtrA(hLabel, GWL_STYLE) & SS_NOPREFIX)
        return text;
    CStringW spoken;
    for (int i = 0; i < text.GetLength(); ++i) {
        if (text.GetAt(i) == L'&' && i + 1 < text.GetLength())
            ++i;
        spoken += text.GetAt(i);
    }
    return spoken;
}

// In the parent's client coordinates, where the leading edge is the left one
// also in a mirrored (right-to-left) parent.
RECT RectInParent(HWND hWnd, HWND hParent)
{
    RECT rect;
    GetWindowRect(hWnd, &rect);
    MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The text of the nearest visible text label that ends before the window's
// leading edge on its row (its middle within the window's height), mnemonic
// marks removed; empty when none stands there.
CStringW LabelOnRow(HWND hWnd)
{
    HWND hParent = GetParent(hWnd);
    if (!hParent || !(GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_CHILD))
        return CStringW();
    const RECT control = RectInParent(hWnd, hParent);
    HWND hLabel = nullptr;
    LONG nearest = LONG_MIN;
    for (HWND hSibling = GetWindow(hParent, GW_CHILD); hSibling; hSibling = GetWindow(hSibling, GW_HWNDNEXT)) {
        if (hSibling == hWnd || !IsTextLabel(hSibling))
            continue;
        const RECT label = RectInParent(hSibling, hParent);
        const LONG middle = label.top + (label.bottom - label.top) / 2;
        if (middle < control.top || middle >= control.bottom || label.right > control.left)
            continue;
        if (label.right > nearest) {
            nearest = label.right;
            hLabel = hSibling;
        }
    }
    return hLabel ? LabelText(hLabel) : CStringW();
}

} // namespace

CStringW AfxGetAccessibleName(HWND hWnd)
{
    CStringW name = OwnName(hWnd);
    if (!name.IsEmpty())
        return name;
    const OleAcc& api = GetOleAcc();
    IAccessible* pStandard = nullptr;
    if (!api.createStdAccessibleObject
        || FAILED(api.createStdAccessibleObject(hWnd, OBJID_CLIENT, __uuidof(IAccessible),
                                                reinterpret_cast<void**>(&pStandard)))
        || !pStandard)
        return name;
    BSTR platformName = nullptr;
    if (SUCCEEDED(pStandard->get_accName(Self(), &platformName)) && platformName) {
        name = CStringW(platformName, static_cast<int>(SysStringLen(platformName)));
        SysFreeString(platformName);
    }
    pStandard->Release();
    return name;
}

bool AfxAccessibleMessage(CWnd& wnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_NCDESTROY) {
        DisconnectObject(wnd.m_hWnd);
        return false;
    }
    // lParam is a sign-extended DWORD on 64-bit Windows.
    if (message != WM_GETOBJECT || static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT))
        return false;
    // Without a name of ours, or an apartment for the object, the platform answers.
    const OleAcc& api = GetOleAcc();
    if (!api.lresultFromObject || !InSingleThreadedApartment())
        return false;
    try {
        if (wnd.GetAccessibleName().IsEmpty())
            return false;
    } catch (...) {
        return false;
    }
    CNamedAccessible* pObject = ObjectFor(wnd.m_hWnd, api);
    if (!pObject)
        return false;
    const LRESULT reference = api.lresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(pObject));
    if (reference <= 0)
        return false;
    result = reference;
    return true;
}

LONG AfxLiveAccessibleObjects()
{
    return InterlockedCompareExchange(&g_liveObjects, 0, 0);
}

CStringW CWnd::GetAccessibleName() const
{
    // Buttons and labels are named by their own text.
    if (HasClass(m_hWnd, "Button") || HasClass(m_hWnd, "Static"))
        return CStringW();
    return LabelOnRow(m_hWnd);
}
