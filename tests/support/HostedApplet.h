#pragma once
// A test that opens the built applet as a Control Panel host does: the
// machine's settings folder set aside, the library loaded, and a scripted
// host window whose whole script must run in each double-click.

#include "tests/support/AppletLibrary.h"
#include "tests/support/ScriptedHost.h"
#include "tests/support/SettingsFolderGuard.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <cpl.h>

class HostedAppletTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(guard.Ready()) << "the settings folder is in use";
        ASSERT_TRUE(applet.Loaded());
    }

    // The host's double-click; every step of the script must have run.
    void DoubleClick()
    {
        EXPECT_EQ(applet.Call(CPL_DBLCLK, 0, 0, host.Window()), 0);
        EXPECT_EQ(host.PendingSteps(), 0u);
        EXPECT_EQ(host.Problem(), "");
    }

    SettingsFolderGuard guard;
    LoadedApplet applet;   // attaching makes the settings folder
    ScriptedHost host;
};
