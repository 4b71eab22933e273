#include "platform/ThemedEditFrame.h"

#include "framework/SystemLibrary.h"

#include <vssym32.h>

namespace {

// uxtheme.dll is not linked: it would become a load-time import of every
// program that uses the control. Loaded once, from the system folder; kept.
struct UxTheme {
    decltype(&OpenThemeData) openThemeData = nullptr;
    decltype(&CloseThemeData) closeThemeData = nullptr;
    decltype(&DrawThemeBackground) drawThemeBackground = nullptr;
    decltype(&DrawThemeParentBackground) drawThemeParentBackground = nullptr;
    decltype(&IsThemeBackgroundPartiallyTransparent) isThemeBackgroundPartiallyTransparent = nullptr;
    decltype(&IsThemePartDefined) isThemePartDefined = nullptr;
};

const UxTheme* GetUxTheme()
{
    static const UxTheme api = [] {
        UxTheme found;
        HMODULE module = LoadSystemLibrary("uxtheme.dll");
        if (!module || !FindExport(module, "OpenThemeData", found.openThemeData)
            || !FindExport(module, "CloseThemeData", found.closeThemeData)
            || !FindExport(module, "DrawThemeBackground", found.drawThemeBackground)
            || !FindExport(module, "DrawThemeParentBackground", found.drawThemeParentBackground)
            || !FindExport(module, "IsThemeBackgroundPartiallyTransparent",
                           found.isThemeBackgroundPartiallyTransparent)
            || !FindExport(module, "IsThemePartDefined", found.isThemePartDefined))
            return UxTheme{};
        return found;
    }();
    return api.openThemeData ? &api : nullptr;
}

// Common controls 6 redirect the system's "Edit" class to their own themed
// one; without them (a host and a caller with no such manifest) edits are
// classic, and so is our frame.
bool SystemEditsAreThemed()
{
    ACTCTX_SECTION_KEYED_DATA data{};
    data.cbSize = sizeof data;
    return FindActCtxSectionStringA(0, nullptr, ACTIVATION_CONTEXT_SECTION_WINDOW_CLASS_REDIRECTION, "Edit", &data)
           != FALSE;
}

} // namespace

ThemedEditFrame::~ThemedEditFrame()
{
    Close();
}

void ThemedEditFrame::Attach(HWND hWnd)
{
    m_hWnd = hWnd;
    m_bThemedContext = SystemEditsAreThemed();
    Reopen();
}

void ThemedEditFrame::Reopen()
{
    Close();
    if (const UxTheme* api = GetUxTheme(); api && m_bThemedContext)
        m_hTheme = api->openThemeData(m_hWnd, L"Edit");
}

void ThemedEditFrame::Close()
{
    if (m_hTheme)
        GetUxTheme()->closeThemeData(m_hTheme);
    m_hTheme = nullptr;
}

bool ThemedEditFrame::Paint(State state) const
{
    const UxTheme* api = GetUxTheme();
    if (!m_hTheme || !api)
        return false;

    // Windows since Vista draws an edit's frame as a part of its own, with
    // fewer states; older styles (and Wine's) only have the text part.
    int part = EP_EDITBORDER_NOSCROLL;
    int partState = 0;
    if (api->isThemePartDefined(m_hTheme, part, 0)) {
        constexpr int states[] = {EPSN_NORMAL, EPSN_FOCUSED, EPSN_NORMAL, EPSN_DISABLED};
        partState = states[static_cast<int>(state)];
    } else {
        part = EP_EDITTEXT;
        constexpr int states[] = {ETS_NORMAL, ETS_FOCUSED, ETS_READONLY, ETS_DISABLED};
        partState = states[static_cast<int>(state)];
    }

    RECT window;
    GetWindowRect(m_hWnd, &window);
    RECT client;
    GetClientRect(m_hWnd, &client);
    MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    OffsetRect(&client, -window.left, -window.top);
    OffsetRect(&window, -window.left, -window.top);

    HDC dc = GetWindowDC(m_hWnd);
    if (!dc)
        return false;
    ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    if (api->isThemeBackgroundPartiallyTransparent(m_hTheme, part, partState))
        api->drawThemeParentBackground(m_hWnd, dc, &window);
    api->drawThemeBackground(m_hTheme, dc, part, partState, &window, nullptr);
    ReleaseDC(m_hWnd, dc);
    return true;
}
