// The "MACAddr" class as the built applet registers it. A host loads the
// applet to read its name, unloads it and loads it again to open it; the class
// must follow the library. This program links none of the control's code, so
// the class it sees is the applet's.

#include "controls/HexAddress.h"
#include "tests/support/AppletLibrary.h"
#include "tests/support/ScriptedHost.h"
#include "tests/support/SettingsFolderGuard.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr WORD kControl = 1015;

bool ClassExists(WNDCLASSA& wc)
{
    return GetClassInfoA(GetModuleHandleA(nullptr), "MACAddr", &wc) != FALSE;
}

bool InModule(WNDPROC proc, HMODULE module)
{
    MEMORY_BASIC_INFORMATION info{};
    return VirtualQuery(reinterpret_cast<LPCVOID>(proc), &info, sizeof info)
        && info.AllocationBase == reinterpret_cast<PVOID>(module);
}

LRESULT CALLBACK ForeignProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

class ControlLibrary : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(guard.Ready()) << "the settings folder is in use"; }
    SettingsFolderGuard guard;
};

} // namespace

TEST_F(ControlLibrary, LoadUnloadAndLoadAgainLeavesAWorkingClass)
{
    WNDCLASSA wc{};
    ASSERT_FALSE(ClassExists(wc));
    {
        LoadedApplet first;
        ASSERT_TRUE(first.Loaded());
        ASSERT_TRUE(ClassExists(wc));
        EXPECT_TRUE(InModule(wc.lpfnWndProc, first.Module()));
    }
    EXPECT_FALSE(ClassExists(wc)) << "the class went with the library";

    LoadedApplet again;
    ASSERT_TRUE(again.Loaded());
    ASSERT_TRUE(ClassExists(wc));
    EXPECT_TRUE(InModule(wc.lpfnWndProc, again.Module()));

    DialogTemplate t("Protect No.", WS_POPUP | WS_CAPTION | WS_VISIBLE, 120, 40);
    t.Add("MACAddr", "", WS_VISIBLE | WS_BORDER | WS_TABSTOP, 10, 10, 80, 12, kControl);
    ScriptedHost host;
    host.OnInit([](HWND hDlg) {
            HexAddressValue value{{0x00, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}, 0};
            EXPECT_EQ(SendMessageA(GetDlgItem(hDlg, kControl), HFM_SETADDRESS, 0, reinterpret_cast<LPARAM>(&value)), 1);
        })
        .Then([](HWND hDlg) { SetFocus(GetDlgItem(hDlg, kControl)); })
        .Type("a7")
        .Then([](HWND hDlg) {
            HWND hCtl = GetDlgItem(hDlg, kControl);
            EXPECT_EQ(GetParent(GetFocus()), hCtl);
            EXPECT_EQ(GetDlgCtrlID(GetFocus()), 2);
            HexAddressValue read{};
            EXPECT_EQ(SendMessageA(hCtl, HFM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&read)), 1);
            const BYTE expected[] = {0xA7, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F};
            EXPECT_EQ(std::memcmp(read.bytes, expected, sizeof expected), 0);
        });
    EXPECT_EQ(host.Run(t), ScriptedHost::kScriptEnded);
}

TEST_F(ControlLibrary, AClassRegisteredByAnotherModuleIsLeftAlone)
{
    WNDCLASSA foreign{};
    foreign.style = CS_GLOBALCLASS;
    foreign.lpfnWndProc = &ForeignProc;
    foreign.hInstance = GetModuleHandleA(nullptr);
    foreign.lpszClassName = "MACAddr";
    ASSERT_NE(RegisterClassA(&foreign), 0);
    {
        LoadedApplet applet;
        ASSERT_TRUE(applet.Loaded()) << "a failed registration does not stop the library";
    }
    WNDCLASSA wc{};
    ASSERT_TRUE(ClassExists(wc));
    EXPECT_EQ(wc.lpfnWndProc, &ForeignProc);
    EXPECT_TRUE(UnregisterClassA("MACAddr", GetModuleHandleA(nullptr)));
}
