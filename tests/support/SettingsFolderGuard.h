#pragma once
// Gives a test the machine-wide settings folder to itself: an existing VORMEL
// folder (with any orvexd.ini of a real user) is moved aside for the test and
// put back afterwards, whatever the test left there.

#include <string>

class SettingsFolderGuard {
public:
    SettingsFolderGuard();
    ~SettingsFolderGuard();
    SettingsFolderGuard(const SettingsFolderGuard&) = delete;
    SettingsFolderGuard& operator=(const SettingsFolderGuard&) = delete;

    bool Ready() const { return m_ready; }
    static std::string CommonAppData();            // no trailing backslash
    static std::string VendorFolder();             // ...\VORMEL
    static std::string SettingsFolder();           // ...\VORMEL\ORVEXDRIVER
    static std::string SettingsFile();             // ...\VORMEL\ORVEXDRIVER\orvexd.ini

private:
    std::string m_backup;
    bool m_ready = false;
};

// A slot's value in the settings file (or in file) as the platform's reader
// sees it, or "<absent>".
std::string Stored(const char* section, int slot, const std::string& file = SettingsFolderGuard::SettingsFile());
