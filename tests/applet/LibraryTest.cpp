// The built applet, loaded as a Control Panel host loads it.

#include "tests/support/AppletLibrary.h"
#include "tests/support/SettingsFolderGuard.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>
#include <cpl.h>

class AppletLibrary : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(guard.Ready()) << "the settings folder is in use"; }
    SettingsFolderGuard guard;
};

TEST_F(AppletLibrary, ExportsOnlyCPlApplet)
{
    LoadedApplet applet;
    ASSERT_TRUE(applet.Loaded());
    EXPECT_NE(GetProcAddress(applet.Module(), "CPlApplet"), nullptr);
    EXPECT_EQ(GetProcAddress(applet.Module(), "CPlApplet@16"), nullptr);
    EXPECT_EQ(GetProcAddress(applet.Module(), "_CPlApplet@16"), nullptr);
    EXPECT_EQ(ReadImageHeaders(applet.Module()).exports, std::vector<std::string>{"CPlApplet"});
}

TEST_F(AppletLibrary, AttachMakesTheSettingsFolderAndInitCreatesNoFile)
{
    LoadedApplet applet;
    ASSERT_TRUE(applet.Loaded());
    EXPECT_TRUE(IsDirectory(SettingsFolderGuard::SettingsFolder()));
    EXPECT_EQ(applet.Call(CPL_INIT), 1);
    EXPECT_FALSE(PathExists(SettingsFolderGuard::SettingsFile()));
}

TEST_F(AppletLibrary, LoadsWhenTheSettingsFolderCannotBeMade)
{
    WriteFileText(SettingsFolderGuard::VendorFolder(), "a plain file");
    LoadedApplet applet;
    ASSERT_TRUE(applet.Loaded()) << "the load never fails";
    EXPECT_EQ(applet.Call(CPL_INIT), 1);
    EXPECT_FALSE(IsDirectory(SettingsFolderGuard::VendorFolder()));
}

TEST_F(AppletLibrary, AnnouncesOneApplet)
{
    LoadedApplet applet;
    ASSERT_TRUE(applet.Loaded());
    ASSERT_EQ(applet.Call(CPL_INIT), 1);
    EXPECT_EQ(applet.Call(CPL_GETCOUNT), 1);

    CPLINFO info;
    FillMemory(&info, sizeof info, 0xAB);
    EXPECT_EQ(applet.Call(CPL_INQUIRE, 0, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_EQ(info.idIcon, 128);
    EXPECT_EQ(info.idName, 1);
    EXPECT_EQ(info.idInfo, 1);
    EXPECT_EQ(info.lData, 0);

    NEWCPLINFOA newInfo;
    FillMemory(&newInfo, sizeof newInfo, 0xCD);
    EXPECT_EQ(applet.Call(CPL_NEWINQUIRE, 0, reinterpret_cast<LPARAM>(&newInfo)), 0);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&newInfo);
    for (size_t i = 0; i < sizeof newInfo; ++i)
        ASSERT_EQ(bytes[i], 0xCD) << "CPL_NEWINQUIRE leaves its structure alone";

    for (UINT message : {0u, 4u, 6u, 7u, 9u, 10u, 11u, 0x1000u, 0xFFFFFFFFu})
        EXPECT_EQ(applet.Call(message), 0) << message;
}
