// The built applet in the display language that Wine takes from the locale
// (CTest runs this program once per language, each in a prefix of its own,
// and twice with a display language apart from the ANSI code page): the
// dialog's texts and their fit, the failed-save message, the fields' names
// for a screen reader, and a name in the code page. Every text is compared
// as UTF-16, so a character that passed through the code page shows.

#include "controls/HexAddress.h"
#include "resources/resource.h"
#include "tests/support/AccessibleClient.h"
#include "tests/support/HostedApplet.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WindowText.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <cpl.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Language {
    LANGID uiLanguage;
    const wchar_t* caption;
    const wchar_t* cancel;
    const wchar_t* statics[8];   // in template order; the product line is nullptr
    const wchar_t* saveFailed;   // the message's first line
    const wchar_t* firstField;   // the first field of "Protect No."
};

const Language kEnglish{0x0409, L"Orvex Network Driver", L"Cancel",
    {L"Device No.", L"Device Name", L"IP Address", L"Protect No.", L"Device ID", nullptr,
     L"OK saves all 256 slots.", L"The driver reads orvexd.ini on restart."},
    L"The settings could not be saved.", L"Protect No. byte 1 of 6"};
const Language kGerman{0x0407, L"Orvex-Netzwerktreiber", L"Abbrechen",
    {L"Gerätenummer", L"Gerätename", L"IP-Adresse", L"Schutznummer", L"Geräte-ID", nullptr,
     L"OK speichert alle 256 Plätze.", L"Der Treiber liest orvexd.ini beim Neustart."},
    L"Die Einstellungen konnten nicht gespeichert werden.", L"Schutznummer Byte 1 von 6"};
const Language kFrench{0x040C, L"Pilote réseau Orvex", L"Annuler",
    {L"N° d'appareil", L"Nom de l'appareil", L"Adresse IP", L"N° de protection", L"ID de l'appareil",
     nullptr, L"OK enregistre les 256 emplacements.", L"Le pilote lit orvexd.ini au redémarrage."},
    L"Les paramètres n'ont pas pu être enregistrés.", L"N° de protection octet 1 sur 6"};
const Language kJapanese{0x0411, L"Orvex ネットワーク ドライバー", L"キャンセル",
    {L"デバイス番号", L"デバイス名", L"IP アドレス", L"プロテクト番号", L"デバイス ID", nullptr,
     L"OK で全 256 件を保存します", L"ドライバーは再起動で orvexd.ini を読みます"},
    L"設定を保存できませんでした。", L"プロテクト番号 バイト 1/6"};

struct Case {
    const char* display;         // the locale of the display language: KESTRUNE_WINE_UI_LANG
    const char* codePageLocale;  // KESTRUNE_WINE_LANG
    const Language& lang;
    UINT codePage;
    const wchar_t* name;         // a device name in the code page
    const wchar_t* refused;      // characters the code page lacks
};

// The Japanese name's 表 and ソ end in byte 0x5C, a backslash on its own.
const Case kCases[] = {
    {"en_US.UTF-8", "en_US.UTF-8", kEnglish, 1252, L"Studio Rack", L"表"},
    {"de_DE.UTF-8", "de_DE.UTF-8", kGerman, 1252, L"Bühne Süd", L"表"},
    {"fr_FR.UTF-8", "fr_FR.UTF-8", kFrench, 1252, L"Régie façade", L"表"},
    {"ja_JP.UTF-8", "ja_JP.UTF-8", kJapanese, 932, L"表示ソース", L"é"},
    {"ja_JP.UTF-8", "en_US.UTF-8", kJapanese, 1252, L"Bühne Süd", L"表示"},
    {"fr_FR.UTF-8", "ja_JP.UTF-8", kFrench, 932, L"表示ソース", L"éç"},
};

std::wstring Widen(const std::string& text)
{
    std::wstring wide(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), static_cast<int>(wide.size()));
    return wide;
}

std::string InCodePage(const std::wstring& text, UINT codePage)
{
    std::string narrow(static_cast<size_t>(WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), narrow.data(), static_cast<int>(narrow.size()), nullptr, nullptr);
    return narrow;
}

// Where a control's text goes beyond its client area, drawn in the dialog's
// font with the flags the control draws with; empty when it fits.
std::string Overflow(HWND control)
{
    const std::wstring text = WindowTextW(control);
    RECT client{};
    GetClientRect(control, &client);
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    UINT flags = DT_CALCRECT;
    RECT room = client;
    if (ClassName(control) == "Static") {
        flags |= DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
    } else {
        flags |= DT_SINGLELINE;
        const LONG kind = style & BS_TYPEMASK;
        if (kind == BS_AUTORADIOBUTTON || kind == BS_RADIOBUTTON)
            room.left += GetSystemMetrics(SM_CXMENUCHECK) + GetSystemMetrics(SM_CXEDGE);
        else
            InflateRect(&room, -2 * GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
    }
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    RECT drawn = room;
    DrawTextW(dc, text.c_str(), -1, &drawn, flags);
    RECT line = room;
    DrawTextW(dc, text.c_str(), -1, &line, (flags & ~DT_WORDBREAK) | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    if (drawn.right <= room.right && drawn.bottom <= room.bottom)
        return {};
    return "\"" + InCodePage(text, CP_UTF8) + "\" needs " + std::to_string(line.right - line.left) + "x"
           + std::to_string(drawn.bottom - drawn.top) + " px, has " + std::to_string(room.right - room.left) + "x"
           + std::to_string(room.bottom - room.top);
}

class Languages : public HostedAppletTest {
protected:
    void SetUp() override
    {
        HostedAppletTest::SetUp();
        const char* codePageLocale = std::getenv("KESTRUNE_WINE_LANG");
        const char* display = std::getenv("KESTRUNE_WINE_UI_LANG");
        const std::string wanted = codePageLocale ? codePageLocale : "en_US.UTF-8";
        const std::string wantedDisplay = display ? display : wanted;
        for (const Case& c : kCases)
            if (wanted == c.codePageLocale && wantedDisplay == c.display)
                run = &c;
        ASSERT_NE(run, nullptr) << "no row for " << wantedDisplay << " on " << wanted;
        // A locale that is not generated leaves Wine in English without a word.
        ASSERT_EQ(GetUserDefaultUILanguage(), run->lang.uiLanguage) << wantedDisplay << " is not the display language";
        ASSERT_EQ(GetACP(), run->codePage);
    }

    const Case* run = nullptr;
};

} // namespace

TEST_F(Languages, DialogShowsTheLanguageAndEveryTextFitsItsControl)
{
    ASSERT_EQ(applet.Call(CPL_INIT), 1);
    host.Then([&](HWND dlg) {
        EXPECT_EQ(WindowTextW(dlg), run->lang.caption);
        EXPECT_EQ(WindowTextW(GetDlgItem(dlg, IDOK)), L"OK");
        EXPECT_EQ(WindowTextW(GetDlgItem(dlg, IDCANCEL)), run->lang.cancel);
        EXPECT_EQ(WindowTextW(GetDlgItem(dlg, IDC_TCP_KEEPALIVE)), L"TCP-KEEPALIVE");
        size_t n = 0;
        for (HWND child = GetWindow(dlg, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (!IsWindowVisible(child) || WindowTextW(child).empty()
                || (ClassName(child) != "Static" && ClassName(child) != "Button"))
                continue;
            if (ClassName(child) == "Static") {
                ASSERT_LT(n, std::size(run->lang.statics));
                if (run->lang.statics[n]) {
                    EXPECT_EQ(WindowTextW(child), run->lang.statics[n]) << "static " << n;
                }
                ++n;
            }
            EXPECT_EQ(Overflow(child), "") << "control " << GetDlgCtrlID(child) << " in " << run->display;
        }
        EXPECT_EQ(n, std::size(run->lang.statics));
        PostCommand(dlg, IDCANCEL);
    });
    DoubleClick();
}

// The message box and the names a screen reader reads come from the same
// language's string table as the dialog.
TEST_F(Languages, FailedSaveMessageAndFieldNamesAreInTheLanguage)
{
    const std::string file = SettingsFolderGuard::SettingsFile();
    ASSERT_TRUE(CreateDirectoryA(file.c_str(), nullptr)) << "a folder where the file belongs";
    ASSERT_EQ(applet.Call(CPL_INIT), 1);
    host.WatchModalsWithoutIdle();
    std::string fieldName;
    host.Then([&](HWND dlg) {
        HWND field = GetDlgItem(GetDlgItem(dlg, IDC_PROTECT_NO), 1);
        ClientThread client([&] { fieldName = ReadClient(field).name; });
        EXPECT_TRUE(client.Join()) << "the client did not finish";
        PostCommand(dlg, IDOK);
    });
    host.Then([&](HWND box) {
        EXPECT_EQ(WindowTextW(box), run->lang.caption);
        std::wstring text;
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (ClassName(child) == "Static")
                text += WindowTextW(child);
        EXPECT_EQ(text.find(run->lang.saveFailed), 0u) << InCodePage(text, CP_UTF8);
        EXPECT_NE(text.find(Widen(file)), std::wstring::npos) << InCodePage(text, CP_UTF8);
        PostCommand(box, IDOK);
    });
    DoubleClick();
    EXPECT_EQ(fieldName, InCodePage(run->lang.firstField, CP_UTF8));
    ASSERT_TRUE(RemoveDirectoryA(file.c_str()));
}

// Typed as an input method delivers it, stored in the ANSI code page as the
// profile API writes it, and shown again after a new load of the file;
// characters the code page lacks are not taken.
TEST_F(Languages, NameInTheCodePageSurvivesOkAndANewLoad)
{
    ASSERT_EQ(applet.Call(CPL_INIT), 1);
    host.Then([&](HWND dlg) {
        HWND edit = GetDlgItem(dlg, IDC_DEVICE_NAME);
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        for (const wchar_t* typed : {run->refused, run->name})
            for (const wchar_t* p = typed; *p; ++p)
                SendMessageW(edit, WM_CHAR, *p, 1);
        EXPECT_EQ(WindowTextW(edit), run->name);
        PostCommand(dlg, IDOK);
    });
    DoubleClick();
    const std::string stored = InCodePage(run->name, run->codePage);
    EXPECT_EQ(Stored("Device Name", 0), stored);
    EXPECT_NE(ReadFileText(SettingsFolderGuard::SettingsFile()).find(stored), std::string::npos) << "not in the code page";

    ASSERT_EQ(applet.Call(CPL_INIT), 1);
    host.Then([&](HWND dlg) {
        EXPECT_EQ(WindowTextW(GetDlgItem(dlg, IDC_DEVICE_NAME)), run->name);
        PostCommand(dlg, IDCANCEL);
    });
    DoubleClick();
}
