#include "tests/support/SettingsFolderGuard.h"

#include "tests/support/TempFolder.h"

#include <windows.h>
#include <shlobj.h>

#include <string>

std::string SettingsFolderGuard::CommonAppData()
{
    char folder[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder);
    return folder;
}

std::string SettingsFolderGuard::VendorFolder() { return CommonAppData() + "\\VORMEL"; }
std::string SettingsFolderGuard::SettingsFolder() { return VendorFolder() + "\\ORVEXDRIVER"; }
std::string SettingsFolderGuard::SettingsFile() { return SettingsFolder() + "\\orvexd.ini"; }

SettingsFolderGuard::SettingsFolderGuard()
{
    const std::string vendor = VendorFolder();
    if (PathExists(vendor)) {
        m_backup = vendor + ".kestrune-test-backup-" + std::to_string(GetCurrentProcessId());
        if (!MoveFileA(vendor.c_str(), m_backup.c_str())) {
            m_backup.clear();
            return;   // in use: the test must not run over a user's settings
        }
    }
    m_ready = true;
}

SettingsFolderGuard::~SettingsFolderGuard()
{
    if (!m_ready)
        return;
    RemoveTree(VendorFolder());
    if (!m_backup.empty())
        MoveFileA(m_backup.c_str(), VendorFolder().c_str());
}

std::string Stored(const char* section, int slot, const std::string& file)
{
    char value[4096] = {};
    GetPrivateProfileStringA(section, std::to_string(slot).c_str(), "<absent>", value, sizeof value, file.c_str());
    return value;
}
