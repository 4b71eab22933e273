// Typing into the control inside real dialogs, as a user's keys arrive: each
// key goes to the focused window through the dialog's own message loop.

#include "controls/HexAddress.h"
#include "tests/support/ScriptedHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr WORD kBefore = 100;
constexpr WORD kAfter = 101;
constexpr WORD kControl = 1015;

// The settings dialog's font and the control's rectangle, between two edits
// in tab order, with OK as the default button.
DialogTemplate ControlDialog(DWORD controlStyle = 0, bool withCancel = true)
{
    DialogTemplate t("Fields", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME, 200, 80);
    t.Add("EDIT", "", WS_VISIBLE | WS_BORDER | WS_TABSTOP, 10, 10, 60, 12, kBefore);
    t.Add("MACAddr", "", WS_VISIBLE | WS_BORDER | WS_TABSTOP | controlStyle, 10, 28, 80, 12, kControl);
    t.Add("EDIT", "", WS_VISIBLE | WS_BORDER | WS_TABSTOP, 10, 46, 60, 12, kAfter);
    t.Add("BUTTON", "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 140, 10, 50, 14, IDOK);
    if (withCancel)
        t.Add("BUTTON", "Cancel", WS_VISIBLE | WS_TABSTOP, 140, 28, 50, 14, IDCANCEL);
    return t;
}

HWND Control(HWND hDlg) { return GetDlgItem(hDlg, kControl); }
HWND Field(HWND hDlg, int n) { return GetDlgItem(Control(hDlg), n); }

// The number of the field that has the focus, 0 when none has it.
int FocusedField(HWND hDlg)
{
    HWND hFocus = GetFocus();
    return GetParent(hFocus) == Control(hDlg) ? GetDlgCtrlID(hFocus) : 0;
}

std::pair<DWORD, DWORD> Selection(HWND hEdit)
{
    DWORD start = 0;
    DWORD end = 0;
    SendMessageA(hEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
}

void SetBytes(HWND hDlg, std::initializer_list<BYTE> bytes)
{
    HexAddressValue value{};
    std::copy(bytes.begin(), bytes.end(), value.bytes);
    SendMessageA(Control(hDlg), HFM_SETADDRESS, 0, reinterpret_cast<LPARAM>(&value));
}

// Focuses field n with the caret at the given place (-1: everything selected).
ScriptedHost::Step FocusField(int n, int caret)
{
    return [n, caret](HWND hDlg) {
        SetFocus(Field(hDlg, n));
        SendMessageA(Field(hDlg, n), EM_SETSEL, caret < 0 ? 0 : caret, caret);
    };
}

// The commands with the given id, or those one dialog received.
std::vector<ScriptedHost::Command> CommandsOf(const ScriptedHost& host, WORD id, HWND dialog = nullptr)
{
    std::vector<ScriptedHost::Command> found;
    std::copy_if(host.Commands().begin(), host.Commands().end(), std::back_inserter(found),
                 [=](const ScriptedHost::Command& c) { return dialog ? c.dialog == dialog : LOWORD(c.wParam) == id; });
    return found;
}

ScriptedHost::Step ExpectFocus(int n, const char* why)
{
    return [n, why](HWND hDlg) { EXPECT_EQ(FocusedField(hDlg), n) << why; };
}

} // namespace

TEST(FieldEditing, AFullFieldMovesOnToTheNextWithItsTextSelected)
{
    ScriptedHost host;
    host.OnInit([](HWND hDlg) { SetBytes(hDlg, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66}); })
        .Then([](HWND hDlg) { SetFocus(Control(hDlg)); })
        .Then([](HWND hDlg) {
            EXPECT_EQ(FocusedField(hDlg), 1) << "the control passes its focus to field 1";
            EXPECT_EQ(Selection(Field(hDlg, 1)), std::make_pair(0ul, 2ul));
        })
        .Type("1")
        .Then([](HWND hDlg) {
            EXPECT_EQ(WindowText(Field(hDlg, 1)), "1");
            EXPECT_EQ(FocusedField(hDlg), 1);
        })
        .Type("2")
        .Then([](HWND hDlg) {
            EXPECT_EQ(WindowText(Field(hDlg, 1)), "12");
            EXPECT_EQ(FocusedField(hDlg), 2);
            EXPECT_EQ(Selection(Field(hDlg, 2)), std::make_pair(0ul, 2ul));
        })
        .Type("aB")
        .Then([](HWND hDlg) {
            EXPECT_EQ(WindowText(Field(hDlg, 2)), "aB") << "letters keep their case";
            EXPECT_EQ(FocusedField(hDlg), 3);
        })
        // A third digit into a full field whose text is not selected is lost.
        .Then(FocusField(3, 2))
        .Type("4")
        .Then([](HWND hDlg) {
            EXPECT_EQ(WindowText(Field(hDlg, 3)), "33");
            EXPECT_EQ(WindowText(Field(hDlg, 4)), "44");
            EXPECT_EQ(FocusedField(hDlg), 4);
        })
        // So is a Backspace at the start of a full field: it moves on.
        .Then(FocusField(4, 0))
        .Key(VK_BACK, '\b')
        .Then([](HWND hDlg) {
            EXPECT_EQ(WindowText(Field(hDlg, 4)), "44");
            EXPECT_EQ(FocusedField(hDlg), 5);
        })
        // The last field keeps the focus when it fills.
        .Then(FocusField(6, -1))
        .Type("7e")
        .Then([](HWND hDlg) {
            EXPECT_EQ(WindowText(Field(hDlg, 6)), "7e");
            EXPECT_EQ(FocusedField(hDlg), 6);
            HexAddressValue read{};
            SendMessageA(Control(hDlg), HFM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&read));
            const BYTE expected[] = {0x12, 0xAB, 0x33, 0x44, 0x55, 0x7E};
            EXPECT_EQ(std::memcmp(read.bytes, expected, sizeof expected), 0);
        });
    EXPECT_EQ(host.Run(ControlDialog()), ScriptedHost::kScriptEnded);
}

TEST(FieldEditing, OtherCharactersAreRefused)
{
    ScriptedHost host;
    host.OnInit([](HWND hDlg) { SetBytes(hDlg, {0, 0, 0, 0, 0, 0}); })
        .Then([](HWND hDlg) { SetWindowTextA(Field(hDlg, 2), "5"); })
        .Then(FocusField(2, 1))
        .Type("g-:G,x")
        .Then([](HWND hDlg) {
            EXPECT_EQ(WindowText(Field(hDlg, 2)), "5");
            EXPECT_EQ(FocusedField(hDlg), 2);
        });
    EXPECT_EQ(host.Run(ControlDialog()), ScriptedHost::kScriptEnded);
}

TEST(FieldEditing, BlankAndDotMoveOnButNotFromTheLastField)
{
    ScriptedHost host;
    host.OnInit([](HWND hDlg) { SetBytes(hDlg, {1, 2, 3, 4, 5, 6}); })
        .Then(FocusField(3, 1))
        .Type(" ")
        .Then([](HWND hDlg) {
            EXPECT_EQ(FocusedField(hDlg), 4);
            EXPECT_EQ(Selection(Field(hDlg, 4)), std::make_pair(0ul, 2ul));
            EXPECT_EQ(WindowText(Field(hDlg, 3)), "03");
        })
        .Type(".")
        .Then(ExpectFocus(5, "'.' moves on"))
        .Then(FocusField(6, 1))
        .Type(" .")
        .Then([](HWND hDlg) {
            EXPECT_EQ(FocusedField(hDlg), 6);
            EXPECT_EQ(WindowText(Field(hDlg, 6)), "06");
        });
    EXPECT_EQ(host.Run(ControlDialog()), ScriptedHost::kScriptEnded);
}

TEST(FieldEditing, ArrowsCrossIntoNeighboursOnlyAtTheEdges)
{
    ScriptedHost host;
    host.OnInit([](HWND hDlg) { SetBytes(hDlg, {1, 2, 3, 4, 5, 6}); })
        .Then([](HWND hDlg) { SendMessageA(Field(hDlg, 3), EM_SETSEL, 1, 1); })
        .Then(FocusField(2, 1))
        .Key(VK_RIGHT)
        .Then([](HWND hDlg) {
            EXPECT_EQ(FocusedField(hDlg), 2) << "not yet at the end";
            EXPECT_EQ(Selection(Field(hDlg, 2)), std::make_pair(2ul, 2ul));
        })
        .Key(VK_RIGHT)
        .Then([](HWND hDlg) {
            EXPECT_EQ(FocusedField(hDlg), 3);
            EXPECT_EQ(Selection(Field(hDlg, 3)), std::make_pair(1ul, 1ul)) << "its selection is left alone";
        })
        .Then(FocusField(3, 0))
        .Key(VK_LEFT)
        .Then(ExpectFocus(2, "Left at the start moves back"))
        .Then(FocusField(1, 0))
        .Key(VK_LEFT)
        .Then(ExpectFocus(1, "nothing before field 1"))
        .Then(FocusField(6, 2))
        .Key(VK_RIGHT)
        .Then(ExpectFocus(6, "nothing after field 6"));
    EXPECT_EQ(host.Run(ControlDialog()), ScriptedHost::kScriptEnded);
}

TEST(FieldEditing, TabAndShiftTabLeaveTheControlAndComeBackToField1)
{
    ScriptedHost host;
    host.OnInit([](HWND hDlg) { SetBytes(hDlg, {1, 2, 3, 4, 5, 6}); })
        .Then(FocusField(3, 1))
        .Key(VK_TAB, '\t')
        .Then([](HWND hDlg) {
            EXPECT_EQ(GetFocus(), GetDlgItem(hDlg, kAfter));
            EXPECT_EQ(WindowText(Field(hDlg, 3)), "03");
        })
        .Then(FocusField(5, 1))
        .HoldShift(true)
        .Key(VK_TAB, '\t')
        .HoldShift(false)
        .Then([](HWND hDlg) { EXPECT_EQ(GetFocus(), GetDlgItem(hDlg, kBefore)); })
        // The dialog's own Tab from the edit before it lands in field 1.
        .Key(VK_TAB, '\t')
        .Then([](HWND hDlg) {
            EXPECT_EQ(FocusedField(hDlg), 1);
            EXPECT_EQ(Selection(Field(hDlg, 1)), std::make_pair(0ul, 2ul));
        });
    EXPECT_EQ(host.Run(ControlDialog()), ScriptedHost::kScriptEnded);
}

TEST(FieldEditing, EnterPressesTheDefaultButton)
{
    ScriptedHost host;
    HWND hOK = nullptr;
    host.Then([&hOK](HWND hDlg) { hOK = GetDlgItem(hDlg, IDOK); })
        .Then(FocusField(4, 0))
        .Key(VK_RETURN, '\r');
    EXPECT_EQ(host.Run(ControlDialog()), IDOK);
    ASSERT_FALSE(host.Commands().empty());
    EXPECT_EQ(host.Commands().back().wParam, static_cast<WPARAM>(IDOK));
    EXPECT_EQ(host.Commands().back().lParam, reinterpret_cast<LPARAM>(hOK));
}

TEST(FieldEditing, EscapeCancelsTheDialogThatHoldsTheControl)
{
    for (bool withCancel : {true, false}) {
        ScriptedHost host;
        HWND hCancel = nullptr;
        host.Then([&hCancel](HWND hDlg) { hCancel = GetDlgItem(hDlg, IDCANCEL); })
            .Then(FocusField(2, 1))
            .Key(VK_ESCAPE, '\x1b');
        EXPECT_EQ(host.Run(ControlDialog(0, withCancel)), IDCANCEL) << "with a Cancel button: " << withCancel;
        ASSERT_FALSE(host.Commands().empty());
        EXPECT_EQ(host.Commands().back().wParam, static_cast<WPARAM>(IDCANCEL));
        EXPECT_EQ(host.Commands().back().lParam, reinterpret_cast<LPARAM>(hCancel));
        EXPECT_EQ(hCancel != nullptr, withCancel);
    }
}

TEST(FieldEditing, EscapeInADialogInsideADialogGoesToTheOuterOne)
{
    DialogTemplate outerTemplate("Outer", WS_POPUP | WS_CAPTION | WS_VISIBLE, 100, 40);
    outerTemplate.Add("BUTTON", "Cancel", WS_VISIBLE | WS_TABSTOP, 10, 10, 50, 14, IDCANCEL);
    ScriptedHost host;
    HWND hOuter = host.CreateModeless(outerTemplate);
    ASSERT_NE(hOuter, nullptr);
    HWND hOuterCancel = GetDlgItem(hOuter, IDCANCEL);

    host.Then(FocusField(2, 1))
        .Key(VK_ESCAPE, '\x1b')
        .Then([](HWND hDlg) {
            EXPECT_TRUE(IsWindow(Control(hDlg)));
            EXPECT_EQ(FocusedField(hDlg), 2);
        });
    EXPECT_EQ(host.Run(ControlDialog(), hOuter), ScriptedHost::kScriptEnded) << "the inner dialog goes on";
    EXPECT_EQ(CommandsOf(host, IDCANCEL).size(), 1u) << "none for the inner dialog";
    const std::vector<ScriptedHost::Command> outer = CommandsOf(host, 0, hOuter);
    ASSERT_EQ(outer.size(), 1u);
    EXPECT_EQ(outer[0].wParam, static_cast<WPARAM>(IDCANCEL));
    EXPECT_EQ(outer[0].lParam, reinterpret_cast<LPARAM>(hOuterCancel));
    DestroyWindow(hOuter);
}

TEST(FieldEditing, EscapeOutsideADialogLeavesTheControlAlive)
{
    // The control sits in a plain child window of the dialog: Escape gets the
    // edit's own handling, which asks the control to close.
    DialogTemplate t("Nested", WS_POPUP | WS_CAPTION | WS_VISIBLE, 160, 60);
    t.Add("STATIC", "", WS_VISIBLE, 5, 5, 150, 30, 200);
    ScriptedHost host;
    HWND hCtl = nullptr;
    host.OnInit([&hCtl](HWND hDlg) {
        hCtl = CreateWindowExA(0, "MACAddr", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 5, 5, 120, 20,
                               GetDlgItem(hDlg, 200), nullptr, nullptr, nullptr);
    });
    host.Then([&hCtl](HWND) { SetFocus(GetDlgItem(hCtl, 3)); })
        .Key(VK_ESCAPE, '\x1b')
        .Then([&hCtl](HWND) {
            EXPECT_TRUE(IsWindow(hCtl));
            EXPECT_EQ(GetFocus(), GetDlgItem(hCtl, 3));
        });
    EXPECT_EQ(host.Run(t), ScriptedHost::kScriptEnded);
    EXPECT_TRUE(CommandsOf(host, IDCANCEL).empty());
}

TEST(FieldEditing, AFullFieldOutOfRangeIsResetAndKeepsTheFocus)
{
    // A pasted minus sign passes the filter as Ctrl+V does; a digit then fills the field.
    for (bool noCheck : {false, true}) {
        ScriptedHost host;
        host.OnInit([](HWND hDlg) { SetBytes(hDlg, {1, 2, 3, 4, 5, 6}); })
            .Then([](HWND hDlg) { SetWindowTextA(Field(hDlg, 2), "-"); })
            .Then(FocusField(2, 1))
            .Type("1")
            .Then([noCheck](HWND hDlg) {
                if (noCheck) {
                    EXPECT_EQ(WindowText(Field(hDlg, 2)), "-1");
                    EXPECT_EQ(FocusedField(hDlg), 3);
                    HexAddressValue read{};
                    SendMessageA(Control(hDlg), HFM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&read));
                    EXPECT_EQ(read.bytes[1], 0);
                    EXPECT_EQ(WindowText(Field(hDlg, 2)), "00");
                } else {
                    EXPECT_EQ(WindowText(Field(hDlg, 2)), "00");
                    EXPECT_EQ(FocusedField(hDlg), 2);
                    EXPECT_EQ(Selection(Field(hDlg, 2)), std::make_pair(0ul, 2ul));
                }
            });
        EXPECT_EQ(host.Run(ControlDialog(noCheck ? HFS_NOCHECK : 0)), ScriptedHost::kScriptEnded) << "HFS_NOCHECK: " << noCheck;
    }
}

TEST(FieldEditing, EveryFieldOfTheRealSizeTakesTwoOfTheWidestDigit)
{
    ScriptedHost host;
    char widest = '0';
    std::string typed;
    host.Then([&](HWND hDlg) {
        HWND hField = Field(hDlg, 1);
        HDC dc = GetDC(hField);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(hField, WM_GETFONT, 0, 0)));
        char face[LF_FACESIZE] = {};
        GetTextFaceA(dc, sizeof face, face);
        EXPECT_STREQ(face, "MS Sans Serif") << "the fields show the dialog's font";
        LONG widestWidth = 0;
        for (const char* c = "0123456789ABCDEFabcdef"; *c; ++c) {
            SIZE size{};
            GetTextExtentPoint32A(dc, c, 1, &size);
            if (size.cx > widestWidth) {
                widestWidth = size.cx;
                widest = *c;
            }
        }
        SelectObject(dc, old);
        ReleaseDC(hField, dc);
        SetFocus(Control(hDlg));
    });
    // Twelve keys: each full field moves on by itself.
    for (int i = 0; i < 2 * kHexFieldCount; ++i)
        host.Then([&widest](HWND) {
            const SHORT key = VkKeyScanA(widest);
            SetModifiers((HIBYTE(key) & 1) != 0, false);
            PostKey(LOBYTE(key), widest);
        });
    host.Then([&widest](HWND hDlg) {
        for (int n = 1; n <= kHexFieldCount; ++n)
            EXPECT_EQ(WindowText(Field(hDlg, n)), std::string(2, widest)) << "field " << n;
        EXPECT_EQ(FocusedField(hDlg), 6);
    });
    EXPECT_EQ(host.Run(ControlDialog()), ScriptedHost::kScriptEnded);
}
