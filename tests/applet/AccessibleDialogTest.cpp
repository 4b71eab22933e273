// What a screen reader gets from the built applet's dialog: names read by a
// client on another thread, what is left of them after the dialog and the
// applet are gone, and the host thread's COM state around the dialog.

#include "controls/HexAddress.h"
#include "resources/resource.h"
#include "tests/support/AccessibleClient.h"
#include "tests/support/AppletLibrary.h"
#include "tests/support/ScriptedHost.h"
#include "tests/support/SettingsFolderGuard.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <cpl.h>
#include <objbase.h>
#include <oleacc.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

const std::string kStored = "[Protect No]\r\n0=0A1b2C3d4E5f\r\n";

HWND HexField(HWND dlg, int n)
{
    return GetDlgItem(GetDlgItem(dlg, IDC_PROTECT_NO), n);
}

// A disconnected object's error, not the fault of a call that reached the
// server's code (COM hands back the exception of such a call).
bool AnswersGone(HRESULT hr)
{
    return FAILED(hr) && hr != RPC_E_SERVERFAULT && (static_cast<DWORD>(hr) & 0xF0000000u) != 0xC0000000u;
}

class AccessibleDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(guard.Ready()) << "the settings folder is in use";
        host.emplace();
        applet.emplace();
        ASSERT_TRUE(applet->Loaded());
        WriteFileText(SettingsFolderGuard::SettingsFile(), kStored);
        ASSERT_EQ(applet->Call(CPL_INIT), 1);
    }

    void DoubleClick()
    {
        EXPECT_EQ(applet->Call(CPL_DBLCLK, 0, 0, host->Window()), 0);
        EXPECT_EQ(host->PendingSteps(), 0u);
        EXPECT_EQ(host->Problem(), "");
    }

    SettingsFolderGuard guard;
    std::optional<LoadedApplet> applet;
    std::optional<ScriptedHost> host;
};

} // namespace

TEST_F(AccessibleDialog, EachInputAndEachProtectFieldIsNamedForAClientOnAnotherThread)
{
    ASSERT_EQ(ApartmentType(), -1) << "the test's thread starts without COM";
    std::map<int, ClientView> inputs;
    std::vector<ClientView> fields;
    host->Then([&](HWND dlg) {
        std::vector<HWND> fieldWindows;
        for (int n = 1; n <= kHexFieldCount; ++n)
            fieldWindows.push_back(HexField(dlg, n));
        ClientThread client([&] {
            for (int id : {IDC_DEVICE_NO, IDC_DEVICE_NAME, IDC_IP_ADDRESS, IDC_PROTECT_NO, IDC_DEVICE_ID})
                inputs[id] = ReadClient(GetDlgItem(dlg, id));
            for (HWND field : fieldWindows)
                fields.push_back(ReadClient(field));
        });
        EXPECT_TRUE(client.Join()) << "the client did not finish";
        PostCommand(dlg, IDCANCEL);
    });
    DoubleClick();

    const std::map<int, std::string> labels = {
        {IDC_DEVICE_NO, "Device No."}, {IDC_DEVICE_NAME, "Device Name"}, {IDC_IP_ADDRESS, "IP Address"},
        {IDC_PROTECT_NO, "Protect No."}, {IDC_DEVICE_ID, "Device ID"}};
    for (const auto& [id, label] : labels) {
        EXPECT_EQ(inputs[id].hr, S_OK) << id;
        EXPECT_EQ(inputs[id].name, label) << id;
    }
    EXPECT_EQ(inputs[IDC_DEVICE_NAME].value, "ZONE1") << "the value stays the platform's";
    EXPECT_EQ(inputs[IDC_PROTECT_NO].role, ROLE_SYSTEM_CLIENT);

    const char* const texts[] = {"0A", "1B", "2C", "3D", "4E", "5F"};
    ASSERT_EQ(fields.size(), size_t{kHexFieldCount});
    for (int n = 1; n <= kHexFieldCount; ++n) {
        const ClientView& field = fields[n - 1];
        EXPECT_EQ(field.name, "Protect No. byte " + std::to_string(n) + " of 6");
        EXPECT_EQ(field.value, texts[n - 1]) << n;
        EXPECT_EQ(field.role, ROLE_SYSTEM_TEXT) << n;
    }
    // The platform's input method keeps the thread's COM while it has windows.
    host.reset();
    EXPECT_EQ(ApartmentType(), -1) << "the host's thread had no COM and has none again";
}

// The host's thread is already a single-threaded apartment, so it outlives
// the dialog: only disconnecting the objects keeps a client that holds one
// from calling into the unloaded applet.
TEST_F(AccessibleDialog, HeldObjectAnswersAnErrorAfterTheDialogAndTheAppletAreGone)
{
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    const int apartment = ApartmentType();
    Event taken;
    Event gone;
    std::string nameBefore;
    HRESULT control = S_OK;
    HRESULT field = S_OK;
    std::optional<ClientThread> client;
    host->Then([&](HWND dlg) {
        HWND hControl = GetDlgItem(dlg, IDC_PROTECT_NO);
        HWND hField = HexField(dlg, 3);
        client.emplace([&, hControl, hField] {
            IAccessible* held[2] = {HoldClient(hControl), HoldClient(hField)};
            if (held[1])
                ReadName(held[1], &nameBefore);
            taken.Set();
            WaitForSingleObject(gone.Get(), 20000);
            HRESULT* results[2] = {&control, &field};
            for (int i = 0; i < 2; ++i) {
                if (held[i]) {
                    *results[i] = ReadName(held[i]);
                    held[i]->Release();
                }
            }
        });
        EXPECT_TRUE(PumpUntil(taken.Get())) << "the client did not get the objects";
        PostCommand(dlg, IDCANCEL);
    });
    DoubleClick();
    applet.reset();

    gone.Set();
    ASSERT_TRUE(client->Join()) << "the client did not finish";
    EXPECT_EQ(nameBefore, "Protect No. byte 3 of 6");
    EXPECT_TRUE(AnswersGone(control)) << std::hex << control;
    EXPECT_TRUE(AnswersGone(field)) << std::hex << field;
    EXPECT_EQ(ApartmentType(), apartment) << "the host's apartment is as it was";
    CoUninitialize();
}

TEST_F(AccessibleDialog, OpensAndSavesWhenTheHostThreadIsMultiThreaded)
{
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    host->Then([&](HWND dlg) {
        SetDlgItemTextA(dlg, IDC_DEVICE_NAME, "Stage Left");
        PostCommand(dlg, IDOK);
    });
    DoubleClick();
    EXPECT_EQ(Stored("Device Name", 0), "Stage Left");
    EXPECT_EQ(ApartmentType(), APTTYPE_MTA);
    CoUninitialize();
}

// oleacc.dll is not a Known DLL: the applet loads it from the system folder
// itself, so that one planted beside the applet is never used.
TEST_F(AccessibleDialog, ImportsOnlyWindowsOwnLibraries)
{
    const std::vector<std::string> allowed = {"advapi32.dll", "comctl32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll",
                                              "shell32.dll", "user32.dll", "ole32.dll", "oleaut32.dll"};
    const auto* base = reinterpret_cast<const BYTE*>(applet->Module());
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    ASSERT_NE(dir.VirtualAddress, 0u);
    std::vector<std::string> imported;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); entry->Name; ++entry) {
        std::string name = reinterpret_cast<const char*>(base + entry->Name);
        CharLowerBuffA(name.data(), static_cast<DWORD>(name.size()));
        imported.push_back(name);
        EXPECT_NE(std::find(allowed.begin(), allowed.end(), name), allowed.end()) << name;
    }
    EXPECT_EQ(std::find(imported.begin(), imported.end(), "oleacc.dll"), imported.end());
}
