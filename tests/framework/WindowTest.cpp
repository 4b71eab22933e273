// Message maps and window binding, on real windows.

#include "framework/CDialog.h"
#include "framework/CWnd.h"
#include "tests/support/ScriptedHost.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT kPing = WM_APP + 1;
constexpr UINT kBaseOnly = WM_APP + 2;

class CBaseProbe : public CWnd {
public:
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }
    static const MessageMap* GetThisMessageMap()
    {
        static constexpr MessageEntry entries[] = {
            OnMessage<&CBaseProbe::OnPing>(kPing),
            OnMessage<&CBaseProbe::OnBaseOnly>(kBaseOnly),
        };
        static constexpr MessageMap map{&CWnd::GetThisMessageMap, entries};
        return &map;
    }
    LRESULT OnPing(WPARAM, LPARAM) { return 1; }
    LRESULT OnBaseOnly(WPARAM wParam, LPARAM) { return static_cast<LRESULT>(wParam) * 2; }
};

class CProbe : public CBaseProbe {
public:
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }
    static const MessageMap* GetThisMessageMap()
    {
        static constexpr MessageEntry entries[] = {
            OnMessage<&CProbe::OnPing>(kPing),
            OnCommand<&CProbe::OnApply>(BN_CLICKED, 42),
            OnMessage<&CProbe::OnSetText>(WM_SETTEXT),
        };
        static constexpr MessageMap map{&CBaseProbe::GetThisMessageMap, entries};
        return &map;
    }
    LRESULT OnPing(WPARAM, LPARAM) { return 2; }
    void OnApply() { ++applied; }
    LRESULT OnSetText(WPARAM, LPARAM) { ++textsSet; return Default(); }
    void PostNcDestroy() override { *ended = true; }

    int applied = 0;
    int textsSet = 0;
    bool* ended = nullptr;
};

class CUnicodeProbe : public CProbe {
public:
    CUnicodeProbe() { m_bUnicode = true; }
};

HWND MakeStatic()
{
    return CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

} // namespace

TEST(MessageMap, DerivedEntriesComeFirstAndBasesAreChained)
{
    bool ended = false;
    CProbe probe;
    probe.ended = &ended;
    HWND hWnd = MakeStatic();
    ASSERT_TRUE(probe.SubclassWindow(hWnd));
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), &probe);

    EXPECT_EQ(SendMessageA(hWnd, kPing, 0, 0), 2);
    EXPECT_EQ(SendMessageA(hWnd, kBaseOnly, 21, 0), 42);

    SendMessageA(hWnd, WM_COMMAND, MAKEWPARAM(42, BN_CLICKED), 0);
    SendMessageA(hWnd, WM_COMMAND, MAKEWPARAM(43, BN_CLICKED), 0);
    SendMessageA(hWnd, WM_COMMAND, MAKEWPARAM(42, EN_CHANGE), 0);
    EXPECT_EQ(probe.applied, 1) << "a command entry matches its id and its code";

    SetWindowTextA(hWnd, "seen");
    char text[16] = {};
    GetWindowTextA(hWnd, text, sizeof text);
    EXPECT_EQ(probe.textsSet, 1);
    EXPECT_STREQ(text, "seen") << "Default() reaches the window's own procedure";

    DestroyWindow(hWnd);
    EXPECT_TRUE(ended);
    EXPECT_EQ(probe.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
}

TEST(CWnd, FromHandleWrapsWindowsWithoutAnObject)
{
    HWND hWnd = MakeStatic();
    CWnd* wrapper = CWnd::FromHandle(hWnd);
    ASSERT_NE(wrapper, nullptr);
    EXPECT_EQ(wrapper->m_hWnd, hWnd);
    EXPECT_EQ(CWnd::FromHandle(hWnd), wrapper);
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
    EXPECT_EQ(CWnd::FromHandle(nullptr), nullptr);
    DestroyWindow(hWnd);
}

TEST(CWnd, WrappersOfAHostsWindowsGoWithThem)
{
    // A host that opens the dialog from a fresh window each time.
    size_t afterFirst = 0;
    for (int open = 1; open <= 100; ++open) {
        ScriptedHost host;
        host.Then([](HWND dlg) { PostCommand(dlg, IDCANCEL); });
        CDialog dialog(1, CWnd::FromHandle(host.Window()));
        ASSERT_EQ(dialog.DoModal(), IDCANCEL);
        if (open == 1)
            afterFirst = CWnd::GetHandleMapSize();
    }
    EXPECT_LE(CWnd::GetHandleMapSize(), afterFirst);
}

TEST(CWnd, DestroyingTheObjectFirstGivesTheWindowItsProcedureBack)
{
    HWND hWnd = MakeStatic();
    const LONG_PTR original = GetWindowLongPtrA(hWnd, GWLP_WNDPROC);
    {
        CProbe probe;
        bool ended = false;
        probe.ended = &ended;
        ASSERT_TRUE(probe.SubclassWindow(hWnd));
        EXPECT_NE(GetWindowLongPtrA(hWnd, GWLP_WNDPROC), original);
    }
    EXPECT_EQ(GetWindowLongPtrA(hWnd, GWLP_WNDPROC), original);
    EXPECT_EQ(SendMessageA(hWnd, kPing, 0, 0), 0);
    DestroyWindow(hWnd);
}

// Under a Unicode subclass, text that the ANSI code page lacks passes
// through the object whole, and the window gets its procedure back.
TEST(CWnd, UnicodeSubclassKeepsEveryCharacter)
{
    HWND hWnd = MakeStatic();
    const LONG_PTR original = GetWindowLongPtrW(hWnd, GWLP_WNDPROC);
    {
        CUnicodeProbe probe;
        bool ended = false;
        probe.ended = &ended;
        ASSERT_TRUE(probe.SubclassWindow(hWnd));
        SetWindowTextW(hWnd, L"表示 Zoë ✓");
        EXPECT_EQ(probe.textsSet, 1);
        EXPECT_EQ(WindowTextW(hWnd), L"表示 Zoë ✓");
    }
    EXPECT_EQ(GetWindowLongPtrW(hWnd, GWLP_WNDPROC), original);
    DestroyWindow(hWnd);
}

TEST(CenteredRect, CentresAndKeepsOnScreen)
{
    const RECT work{0, 0, 1000, 800};
    const RECT centred = CenteredRect({200, 100}, RECT{100, 100, 500, 300}, work);
    EXPECT_EQ(centred.left, 200);
    EXPECT_EQ(centred.top, 150);

    const RECT nearCorner = CenteredRect({400, 400}, RECT{900, 700, 1000, 800}, work);
    EXPECT_EQ(nearCorner.right, 1000);
    EXPECT_EQ(nearCorner.bottom, 800);

    const RECT tooLarge = CenteredRect({1200, 900}, work, work);
    EXPECT_EQ(tooLarge.left, 0);
    EXPECT_EQ(tooLarge.top, 0);
}
