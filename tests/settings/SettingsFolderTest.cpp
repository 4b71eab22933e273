#include "applet/AppletApp.h"
#include "platform/ModulePath.h"
#include "settings/SettingsFolder.h"
#include "tests/support/SettingsFolderGuard.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>
#include <shlobj.h>

TEST(DriveAndDirectory, SplitsAtTheLastSeparator)
{
    EXPECT_EQ(DriveAndDirectory("C:\\Windows\\System32\\Kestrune.cpl"), "C:\\Windows\\System32\\");
    EXPECT_EQ(DriveAndDirectory("C:/apps/Kestrune.cpl"), "C:/apps/");
    EXPECT_EQ(DriveAndDirectory("\\\\server\\share\\Kestrune.cpl"), "\\\\server\\share\\");
    EXPECT_EQ(DriveAndDirectory("C:Kestrune.cpl"), "C:");
    EXPECT_EQ(DriveAndDirectory("Kestrune.cpl"), "");
    EXPECT_EQ(DriveAndDirectory(""), "");

    const std::string deep = "C:\\" + std::string(300, 'd') + "\\Kestrune.cpl";
    EXPECT_EQ(DriveAndDirectory(deep.c_str()).GetLength(), 2 + 255) << "the directory is cut to 255";
}

class ResolveSettingsFolderTest : public ::testing::Test {
protected:
    void TearDown() override { RemoveTree(root); }
    std::string name = "KestruneTest-" + std::to_string(GetCurrentProcessId());
    std::string root = SettingsFolderGuard::CommonAppData() + "\\" + name;
};

TEST_F(ResolveSettingsFolderTest, MakesEveryLevelAndEndsInABackslash)
{
    CString path;
    ASSERT_TRUE(ResolveSettingsFolder(path, CSIDL_COMMON_APPDATA, (name + "\\Inner").c_str()));
    EXPECT_EQ(path, (root + "\\Inner\\").c_str());
    EXPECT_TRUE(IsDirectory(root + "\\Inner"));

    ASSERT_TRUE(ResolveSettingsFolder(path, CSIDL_COMMON_APPDATA, (name + "\\\\Inner").c_str()))
        << "existing levels and an empty level count as made";
    EXPECT_EQ(path, (root + "\\\\Inner\\").c_str());
}

TEST_F(ResolveSettingsFolderTest, FailsOnAnEmptySubPathOrALevelThatIsAFile)
{
    CString path;
    EXPECT_FALSE(ResolveSettingsFolder(path, CSIDL_COMMON_APPDATA, ""));

    ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr));
    WriteFileText(root + "\\Blocker", "not a folder");
    EXPECT_FALSE(ResolveSettingsFolder(path, CSIDL_COMMON_APPDATA, (name + "\\Blocker\\Inner").c_str()));
}

// The instance initialisation of the application object, run on an object of
// the test's own: the module is then the test program.
class SettingsPath : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(guard.Ready()) << "the settings folder is in use"; }
    SettingsFolderGuard guard;
    CAppletApp app;
};

TEST_F(SettingsPath, MakesOnlyTheMissingLevelAndCreatesNoFile)
{
    ASSERT_TRUE(CreateDirectoryA(SettingsFolderGuard::VendorFolder().c_str(), nullptr));
    WriteFileText(SettingsFolderGuard::VendorFolder() + "\\other.txt", "left alone");
    app.SetDefaultNames(AfxGetInstanceHandle());

    EXPECT_TRUE(app.InitInstance());
    EXPECT_STREQ(app.m_pszProfileName, SettingsFolderGuard::SettingsFile().c_str());
    EXPECT_TRUE(IsDirectory(SettingsFolderGuard::SettingsFolder()));
    EXPECT_FALSE(PathExists(SettingsFolderGuard::SettingsFile()));
    EXPECT_EQ(ReadFileText(SettingsFolderGuard::VendorFolder() + "\\other.txt"), "left alone");
}

TEST_F(SettingsPath, FallsBackToTheModuleFolderWhenTheFolderCannotBeMade)
{
    WriteFileText(SettingsFolderGuard::VendorFolder(), "a plain file");
    app.SetDefaultNames(AfxGetInstanceHandle());

    EXPECT_TRUE(app.InitInstance());
    const CString expected = DriveAndDirectory(GetModuleFilePath(nullptr)) + "orvexd.ini";
    EXPECT_STREQ(app.m_pszProfileName, expected);
    EXPECT_FALSE(IsDirectory(SettingsFolderGuard::VendorFolder()));
}
