#include "controls/IPAddrCtl.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(IPAddrCtl, SetAndGetThroughMessages)
{
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr, nullptr, nullptr);
    HWND hWnd = CreateWindowExA(0, "MACAddr", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 0, 0, 120, 20, parent,
                                reinterpret_cast<HMENU>(1015), nullptr, nullptr);
    ASSERT_NE(hWnd, nullptr);
    auto* ctl = dynamic_cast<CIPAddrCtl*>(CWnd::FromHandlePermanent(hWnd));
    ASSERT_NE(ctl, nullptr);

    HexAddressValue value{{0, 1, 10, 16, 171, 255}, 0};
    EXPECT_EQ(SendMessageA(hWnd, HFM_SETADDRESS, 0, reinterpret_cast<LPARAM>(&value)), 1);
    const char* shown[] = {"00", "01", "0A", "10", "AB", "FF"};
    for (int n = 1; n <= 6; ++n) {
        char text[8] = {};
        GetWindowTextA(GetDlgItem(hWnd, n), text, sizeof text);
        EXPECT_STREQ(text, shown[n - 1]);
    }
    HexAddressValue read{};
    EXPECT_EQ(SendMessageA(hWnd, HFM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&read)), 1);
    EXPECT_EQ(std::memcmp(read.bytes, value.bytes, 6), 0);
    EXPECT_EQ(SendMessageA(hWnd, HFM_SETADDRESS, 0, 0), 0);
    DestroyWindow(parent);
}
