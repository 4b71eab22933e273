// The "MACAddr" control's names in a dialog that is not ours, read by a
// client on another thread, and the control's accessible objects after the
// dialog is gone. The host's thread is a single-threaded apartment of its own.

#include "framework/Accessible.h"
#include "tests/support/AccessibleClient.h"
#include "tests/support/ScriptedHost.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <oleacc.h>

#include <optional>
#include <string>
#include <vector>

namespace {

constexpr WORD kLabelled = 100;
constexpr WORD kUnlabelled = 101;

// One control with its label on its row; one with a heading above its row
// and a note after it on its row, neither of which names it.
DialogTemplate MakeTemplate()
{
    DialogTemplate dialog("Hex fields", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 200, 80);
    dialog.Add("STATIC", "&Serial", WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 12, 40, 8, 0xFFFF)
        .Add("MACAddr", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 55, 10, 80, 12, kLabelled)
        .Add("STATIC", "Heading", WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 26, 40, 8, 0xFFFF)
        .Add("MACAddr", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 55, 36, 80, 12, kUnlabelled)
        .Add("STATIC", "Note", WS_CHILD | WS_VISIBLE | SS_LEFT, 140, 38, 40, 8, 0xFFFF);
    return dialog;
}

std::string Numbered(const char* before, int n)
{
    char text[64];
    wsprintfA(text, "%s%d of 6", before, n);
    return text;
}

class AccessibleControl : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK); }
    void TearDown() override { CoUninitialize(); }
};

} // namespace

TEST_F(AccessibleControl, NamedAfterItsOwnRowOnlyAndNothingOfItOutlivesTheDialog)
{
    const DialogTemplate dialogTemplate = MakeTemplate();
    ScriptedHost dialog;
    ClientView labelled, unlabelled;
    std::vector<std::string> labelledFields, unlabelledFields;
    Event taken, gone;
    HRESULT afterClose = S_OK;
    IAccessible* held = nullptr;
    std::optional<ClientThread> client;
    dialog.Then([&](HWND dlg) {
        HWND hLabelled = GetDlgItem(dlg, kLabelled);
        HWND hUnlabelled = GetDlgItem(dlg, kUnlabelled);
        client.emplace([&, hLabelled, hUnlabelled] {
            labelled = ReadClient(hLabelled);
            unlabelled = ReadClient(hUnlabelled);
            for (int n = 1; n <= 6; ++n) {
                labelledFields.push_back(ReadClient(GetDlgItem(hLabelled, n)).name);
                unlabelledFields.push_back(ReadClient(GetDlgItem(hUnlabelled, n)).name);
            }
            held = HoldClient(GetDlgItem(hLabelled, 1));
            taken.Set();
            WaitForSingleObject(gone.Get(), 20000);
            if (held) {
                afterClose = ReadName(held);
                held->Release();
            }
        });
        EXPECT_TRUE(PumpUntil(taken.Get())) << "the client did not finish";
        EXPECT_GT(AfxLiveAccessibleObjects(), 0);
    });
    EXPECT_EQ(dialog.Run(dialogTemplate), ScriptedHost::kScriptEnded);

    EXPECT_EQ(AfxLiveAccessibleObjects(), 0);
    gone.Set();
    ASSERT_TRUE(client->Join());

    EXPECT_EQ(labelled.name, "Serial");
    EXPECT_EQ(unlabelled.hr, S_OK);
    EXPECT_EQ(unlabelled.name, "") << "the platform's name: the control's empty text";
    for (int n = 1; n <= 6; ++n) {
        EXPECT_EQ(labelledFields[n - 1], Numbered("Serial byte ", n));
        EXPECT_EQ(unlabelledFields[n - 1], Numbered("Byte ", n));
    }
    EXPECT_NE(held, nullptr);
    EXPECT_TRUE(FAILED(afterClose)) << std::hex << afterClose;
}
