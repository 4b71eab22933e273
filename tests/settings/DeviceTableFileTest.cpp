#include "applet/AppletApp.h"
#include "platform/AnsiText.h"
#include "platform/SaveTurn.h"
#include "settings/DeviceTableFile.h"
#include "tests/support/ProfileOracle.h"
#include "tests/support/SettingsFolderGuard.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

class DeviceTableFile : public ::testing::Test {
protected:
    DeviceTableFile() { app.SetProfileName(file.c_str()); }

    void WriteRaw(const char* section, int entry, const char* value)
    {
        WritePrivateProfileStringA(section, std::to_string(entry).c_str(), value, file.c_str());
    }

    TempFolder folder;
    std::string file = folder.File("orvexd.ini");
    CAppletApp app;
};

// The file a save writes, as text: the five sections in order, entries ascending.
std::string ExpectedFileText(const CAppletApp& app)
{
    std::string text;
    auto section = [&](const char* name, auto value) {
        text += std::string("[") + name + "]\r\n";
        for (int i = 0; i < kDeviceCount; ++i)
            text += std::to_string(i) + "=" + value(i) + "\r\n";
    };
    section("Device Name", [&](int i) { return std::string(app.m_strDeviceName[i]); });
    section("IP Address", [&](int i) { return std::to_string(static_cast<int>(app.m_dwIPAddress[i])); });
    section("Protect No", [&](int i) { return std::string(app.m_strProtectNo[i]); });
    section("Device ID", [&](int i) { return std::to_string(app.m_byDeviceID[i]); });
    section("Tcp", [&](int i) { return std::to_string(app.m_byTcp[i]); });
    return text;
}

// A file's owner or access rules, as text.
std::string Security(const std::string& file, SECURITY_INFORMATION what)
{
    char descriptor[4096];
    DWORD size = 0;
    LPSTR text = nullptr;
    if (GetFileSecurityA(file.c_str(), what, descriptor, sizeof descriptor, &size))
        ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, what, &text, nullptr);
    const std::string sddl = text ? text : "<unreadable>";
    LocalFree(text);
    return sddl;
}

// Slot i of the table that saver tag saves in round: "A3 slot 17", 10.tag.3.17.
void FillTagged(CAppletApp& app, char tag, int round)
{
    for (int i = 0; i < kDeviceCount; ++i) {
        app.m_strDeviceName[i].Format("%c%d slot %d", tag, round, i);
        app.m_dwIPAddress[i] = 0x0A000000u | static_cast<DWORD>(tag) << 16 | static_cast<DWORD>(round) << 8 | i;
    }
}

constexpr int kSaverRounds = 5;

// The file holds one saver's table whole, names and addresses: its first name.
CString ExpectOneWholeTable(const std::string& file)
{
    CAppletApp seen, whole;
    seen.SetProfileName(file.c_str());
    seen.LoadDeviceTable();
    const CString& first = seen.m_strDeviceName[0];
    FillTagged(whole, first.GetAt(0), std::atoi(static_cast<LPCSTR>(first) + 1));
    int others = 0;
    for (int i = 0; i < kDeviceCount; ++i)
        others += !(seen.m_strDeviceName[i] == whole.m_strDeviceName[i]) || seen.m_dwIPAddress[i] != whole.m_dwIPAddress[i];
    EXPECT_EQ(others, 0) << "slots not of the table of " << first;
    return first;
}

std::string WithoutCarriageReturns(std::string text)
{
    std::erase(text, '\r');
    return text;
}

} // namespace

TEST_F(DeviceTableFile, NoFileGivesDefaultsAndMakesNoFile)
{
    app.LoadDeviceTable();
    for (int i = 0; i < kDeviceCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(app.m_strDeviceName[i], ("ZONE" + std::to_string(i + 1)).c_str());
        EXPECT_EQ(app.m_dwIPAddress[i], 0u);
        EXPECT_EQ(app.m_strProtectNo[i], "00");
        EXPECT_EQ(app.m_byDeviceID[i], 0);
        EXPECT_EQ(app.m_byTcp[i], kTransportTcpKeepAlive);
    }
    EXPECT_FALSE(PathExists(file));
}

TEST_F(DeviceTableFile, LoadKeepsWhatTheFileHoldsAndDefaultsEmptyTexts)
{
    WriteRaw("Device Name", 17, "");
    WriteRaw("Device Name", 3, "Stage Left");
    WriteRaw("Protect No", 5, "");
    WriteRaw("Protect No", 6, "0A1B2C3D4E5F");
    WriteRaw("Protect No", 7, "xyz");
    WriteRaw("Device ID", 8, "300");
    WriteRaw("Device ID", 9, "255");
    WriteRaw("Tcp", 10, "9");
    WriteRaw("Tcp", 11, "2");
    WriteRaw("Tcp", 12, "0");
    app.LoadDeviceTable();

    EXPECT_EQ(app.m_strDeviceName[17], "ZONE18");
    EXPECT_EQ(app.m_strDeviceName[3], "Stage Left");
    EXPECT_EQ(app.m_strProtectNo[5], "00");
    EXPECT_EQ(app.m_strProtectNo[6], "0A1B2C3D4E5F") << "letter case is kept";
    EXPECT_EQ(app.m_strProtectNo[7], "xyz") << "nothing is validated";
    EXPECT_EQ(app.m_byDeviceID[8], 44) << "the low 8 bits of 300";
    EXPECT_EQ(app.m_byDeviceID[9], 255);
    EXPECT_EQ(app.m_byTcp[10], 9) << "a transport out of range is held as read";
    EXPECT_EQ(app.m_byTcp[11], kTransportUdp);
    EXPECT_EQ(app.m_byTcp[12], kTransportTcp);
    EXPECT_EQ(app.m_byTcp[13], kTransportTcpKeepAlive);
}

TEST_F(DeviceTableFile, AddressesGoThroughSignedDecimal)
{
    app.LoadDeviceTable();
    app.m_dwIPAddress[0] = 0xC0A80001;   // 192.168.0.1
    app.m_dwIPAddress[1] = 0xFFFFFFFF;   // 255.255.255.255
    app.m_dwIPAddress[2] = 0x0A000001;   // 10.0.0.1
    app.m_byDeviceID[3] = 255;
    ASSERT_TRUE(app.SaveDeviceTable());

    char text[32];
    GetPrivateProfileStringA("IP Address", "0", "", text, sizeof text, file.c_str());
    EXPECT_STREQ(text, "-1062731775");
    GetPrivateProfileStringA("IP Address", "1", "", text, sizeof text, file.c_str());
    EXPECT_STREQ(text, "-1");
    GetPrivateProfileStringA("IP Address", "2", "", text, sizeof text, file.c_str());
    EXPECT_STREQ(text, "167772161");
    GetPrivateProfileStringA("Device ID", "3", "", text, sizeof text, file.c_str());
    EXPECT_STREQ(text, "255") << "the byte is widened without sign";

    CAppletApp reloaded;
    reloaded.SetProfileName(file.c_str());
    reloaded.LoadDeviceTable();
    EXPECT_EQ(reloaded.m_dwIPAddress[0], 0xC0A80001u);
    EXPECT_EQ(reloaded.m_dwIPAddress[1], 0xFFFFFFFFu);
    EXPECT_EQ(reloaded.m_dwIPAddress[2], 0x0A000001u);
    EXPECT_EQ(reloaded.m_byDeviceID[3], 255);
}

TEST_F(DeviceTableFile, SaveIntoEmptyFolderWritesExactly1280EntriesInOrder)
{
    app.LoadDeviceTable();
    app.m_strDeviceName[4] = "Rack 5";
    app.m_dwIPAddress[4] = 0xC0A80005;
    app.m_strProtectNo[4] = "0a1b2c3d4e5f";
    app.m_byDeviceID[4] = 7;
    app.m_byTcp[4] = kTransportTcp;
    ASSERT_TRUE(app.SaveDeviceTable());

    EXPECT_EQ(WithoutCarriageReturns(ReadFileText(file)), WithoutCarriageReturns(ExpectedFileText(app)));
}

TEST_F(DeviceTableFile, SaveLeavesForeignSectionsAndEntriesAlone)
{
    WriteFileText(file,
        "[Driver]\r\nPort=5004\r\n"
        "[Device Name]\r\nlegacy=keep me\r\n0=Old\r\n"
        "[Tcp]\r\n300=1\r\n");
    app.LoadDeviceTable();
    EXPECT_EQ(app.m_strDeviceName[0], "Old");
    app.m_strDeviceName[0] = "New";
    ASSERT_TRUE(app.SaveDeviceTable());

    char text[64];
    GetPrivateProfileStringA("Driver", "Port", "", text, sizeof text, file.c_str());
    EXPECT_STREQ(text, "5004");
    GetPrivateProfileStringA("Device Name", "legacy", "", text, sizeof text, file.c_str());
    EXPECT_STREQ(text, "keep me");
    GetPrivateProfileStringA("Tcp", "300", "", text, sizeof text, file.c_str());
    EXPECT_STREQ(text, "1");
    GetPrivateProfileStringA("Device Name", "0", "", text, sizeof text, file.c_str());
    EXPECT_STREQ(text, "New");
}

TEST_F(DeviceTableFile, LongValueReadsAsItsFirst4095Characters)
{
    const std::string longName(5000, 'n');
    WriteFileText(file, "[Device Name]\r\n0=" + longName + "\r\n");
    app.LoadDeviceTable();
    EXPECT_EQ(app.m_strDeviceName[0].GetLength(), 4095);
    EXPECT_EQ(app.m_strDeviceName[0], longName.substr(0, 4095).c_str());
}

TEST_F(DeviceTableFile, SaveReportsAFileThatCannotBeWritten)
{
    ASSERT_TRUE(CreateDirectoryA(file.c_str(), nullptr)) << "a folder stands where the file should be";
    app.LoadDeviceTable();
    EXPECT_FALSE(app.SaveDeviceTable());
}

// A load and a save cost a small part of the 1,280 profile calls they
// replaced, each timed against those calls on a file of its own. The best of
// three alternating rounds counts, so that a busy machine slows both sides
// alike; each round writes new values, as an unchanged value may not be
// written at all. Both files are dated minutes back before the reads.
// save_benchmark measures the same more closely.
TEST_F(DeviceTableFile, CostsAFractionOfTheCallsPerValue)
{
    using Clock = std::chrono::steady_clock;
    auto timed = [](auto&& run) {
        const auto start = Clock::now();
        run();
        return std::chrono::duration<double>(Clock::now() - start).count();
    };
    app.LoadDeviceTable();
    const std::string raw = folder.File("raw.ini");
    static OwnedTable read;
    const DeviceTableArrays table{app.m_strDeviceName, app.m_dwIPAddress, app.m_strProtectNo, app.m_byDeviceID, app.m_byTcp};

    double rawWrites = 1e9, save = 1e9, rawReads = 1e9, load = 1e9;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < kDeviceCount; ++i) {
            app.m_strDeviceName[i].Format("ZONE%d rack %d", i + 1, round);
            app.m_dwIPAddress[i] = 0xC0A80000u + static_cast<DWORD>(i + round);
            app.m_strProtectNo[i] = "0a1b2c3d4e5f";
        }
        rawWrites = std::min(rawWrites, timed([&] { WriteValuesPerEntry(raw.c_str(), DeviceTableValues(table)); }));
        save = std::min(save, timed([&] { EXPECT_TRUE(app.SaveDeviceTable()); }));
        ASSERT_EQ(ReadFileText(file), ReadFileText(raw));
        DateBack(raw);
        DateBack(file);
        rawReads = std::min(rawReads, timed([&] { ReadTablePerEntry(raw.c_str(), read); }));
        load = std::min(load, timed([&] { app.LoadDeviceTable(); }));
    }

    std::printf("[ timing ] load %.4f s against 1,280 reads %.3f s; "
                "save %.4f s against 1,280 writes %.3f s\n", load, rawReads, save, rawWrites);
    // Generous: measured here, each is below a fiftieth.
    EXPECT_LT(load, rawReads / 10);
    EXPECT_LT(save, rawWrites / 10);
}

// 100 slots change from "Old n" to "New n" while another thread reads the
// section again and again, as the driver may: each read gives one whole
// table, never a mix and never a missing file.
TEST_F(DeviceTableFile, ReaderSeesTheOldOrTheNewTableWhole)
{
    app.LoadDeviceTable();
    for (int i = 0; i < 100; ++i)
        app.m_strDeviceName[i].Format("Old %d", i);
    ASSERT_TRUE(app.SaveDeviceTable());
    for (int i = 0; i < 100; ++i)
        app.m_strDeviceName[i].Format("New %d", i);

    std::atomic<bool> saving{true};
    int reads[3] = {};   // whole old, whole new, anything else
    std::thread reader([&] {
        std::vector<char> buffer(1 << 16);
        while (saving) {
            GetPrivateProfileSectionA("Device Name", buffer.data(), static_cast<DWORD>(buffer.size()), file.c_str());
            int olds = 0, news = 0;
            for (const char* p = buffer.data(); *p; p += std::strlen(p) + 1) {
                olds += std::strstr(p, "=Old ") != nullptr;
                news += std::strstr(p, "=New ") != nullptr;
            }
            ++reads[olds == 100 && news == 0 ? 0 : news == 100 && olds == 0 ? 1 : 2];
        }
    });
    EXPECT_TRUE(app.SaveDeviceTable());
    saving = false;
    reader.join();
    std::printf("[ reads  ] during the save: %d old, %d new, %d mixed or incomplete\n", reads[0], reads[1], reads[2]);
    EXPECT_GT(reads[0], 0) << "the reader ran during the save";
    EXPECT_EQ(reads[2], 0);
    EXPECT_EQ(Stored("Device Name", 99, file), "New 99");
}

// Where another program holds the file so that it cannot be renamed over,
// the save writes the file itself, foreign entries kept, and reads it back;
// where the holder lets no one write, the first write fails and the file
// stays as it was. Either way the copies of saves cut short (a read-only one,
// one of the last release's fixed name) go, and the file stays alone.
TEST_F(DeviceTableFile, HeldFileIsWrittenInPlaceOrLeftUntouched)
{
    const std::string staleCopies[] = {file + ".saving", file + ".1F4-0.saving"};
    for (const DWORD sharing : {DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}, DWORD{FILE_SHARE_READ}}) {
        SCOPED_TRACE(sharing);
        WriteFileText(file, "[Driver]\r\nPort=5004\r\n[Device Name]\r\n0=Old\r\n");
        for (const std::string& stale : staleCopies)
            WriteFileText(stale, "[Device Name]\r\n1=Half\r\n");
        SetFileAttributesA(staleCopies[1].c_str(), FILE_ATTRIBUTE_READONLY);
        const std::string before = ReadFileText(file);
        app.LoadDeviceTable();
        app.m_strDeviceName[0] = "In place";

        const HANDLE holder = CreateFileA(file.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        const ReplaceResult saved = app.SaveDeviceTable();
        CloseHandle(holder);
        EXPECT_EQ(saved.inPlaceBecause, InPlaceReason::Held);
        EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"orvexd.ini"});
        if (sharing & FILE_SHARE_WRITE) {
            EXPECT_TRUE(saved);
            EXPECT_EQ(Stored("Device Name", 0, file), "In place");
            EXPECT_EQ(Stored("Device Name", 1, file), "ZONE2");
            char port[8] = {};
            GetPrivateProfileStringA("Driver", "Port", "", port, sizeof port, file.c_str());
            EXPECT_STREQ(port, "5004");
        } else {
            EXPECT_EQ(saved.failed, ReplaceStep::Write);
            EXPECT_EQ(saved.error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
            EXPECT_EQ(ReadFileText(file), before);
        }
    }
}

// The file's owner and the access rules an administrator set on it alone
// survive a save. (Wine keeps the rules as Unix modes: leaving out read
// access for everyone shows. Its owner is always the Unix one.)
TEST_F(DeviceTableFile, SaveKeepsTheOwnerAndTheAccessRules)
{
    app.LoadDeviceTable();
    ASSERT_TRUE(app.SaveDeviceTable());
    PSECURITY_DESCRIPTOR lockedDown = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;FA;;;SY)(A;;FA;;;BU)", SDDL_REVISION_1,
                                                                     &lockedDown, nullptr));
    ASSERT_TRUE(SetFileSecurityA(file.c_str(), DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, lockedDown));
    LocalFree(lockedDown);
    const std::string before = Security(file, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION);

    app.m_strDeviceName[0] = "Locked down";
    ASSERT_TRUE(app.SaveDeviceTable());
    EXPECT_EQ(Stored("Device Name", 0, file), "Locked down");
    EXPECT_EQ(Security(file, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION), before);
}

// Two processes save different tables to one file at the same moment, round
// after round, through copies and (the file held) value by value in place:
// every save says it saved, and the file ends with one saver's last table whole.
TEST_F(DeviceTableFile, TwoSaversAtOnceNeverMix)
{
    const std::string go = "Local\\Kestrune.Test.Savers." + std::to_string(GetCurrentProcessId());
    const HANDLE start = CreateEventA(nullptr, TRUE, FALSE, go.c_str());
    SetEnvironmentVariableA("KESTRUNE_SAVER_FILE", file.c_str());
    SetEnvironmentVariableA("KESTRUNE_SAVER_GO", go.c_str());
    for (const bool held : {false, true}) {
        SCOPED_TRACE(held ? "held: in place" : "through copies");
        FillTagged(app, 'O', 0);
        ASSERT_TRUE(app.SaveDeviceTable());
        const HANDLE holder = held ? CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                 OPEN_EXISTING, 0, nullptr)
                                   : nullptr;
        ResetEvent(start);
        HANDLE savers[2] = {};
        for (const char* tag : {"A", "B"}) {
            SetEnvironmentVariableA("KESTRUNE_SAVER_TAG", tag);
            ASSERT_NE(savers[*tag - 'A'] = StartThisProgram("Saver.*"), nullptr);
        }
        SetEvent(start);
        for (const HANDLE saver : savers)
            EXPECT_EQ(ExitCodeOf(saver, 120000), 0u) << "a saver's own test failed";
        if (holder)
            CloseHandle(holder);
        const std::string last(ExpectOneWholeTable(file)), lastRound = std::to_string(kSaverRounds) + " slot 0";
        EXPECT_TRUE(last == "A" + lastRound || last == "B" + lastRound) << last;
    }
    CloseHandle(start);
}

// A saver of the test above, in a process of its own. Between its saves, in
// the savers' turn, the file holds one table whole.
TEST(Saver, DISABLED_SavesItsTableEachRound)
{
    char file[MAX_PATH] = {}, tag[2] = {}, go[64] = {};
    GetEnvironmentVariableA("KESTRUNE_SAVER_FILE", file, sizeof file);
    GetEnvironmentVariableA("KESTRUNE_SAVER_TAG", tag, sizeof tag);
    GetEnvironmentVariableA("KESTRUNE_SAVER_GO", go, sizeof go);
    const HANDLE start = OpenEventA(SYNCHRONIZE, FALSE, go);
    ASSERT_NE(start, nullptr);
    WaitForSingleObject(start, 60000);
    CloseHandle(start);
    const HANDLE turn = CreateMutexExA(nullptr, ReplaceLockName(file).c_str(), 0, SYNCHRONIZE | MUTEX_MODIFY_STATE);
    CAppletApp app;
    app.SetProfileName(file);
    for (int round = 1; round <= kSaverRounds; ++round) {
        FillTagged(app, tag[0], round);
        EXPECT_TRUE(app.SaveDeviceTable()) << "round " << round;
        ASSERT_EQ(WaitForSingleObject(turn, 60000), WAIT_OBJECT_0);
        ExpectOneWholeTable(file);
        ReleaseMutex(turn);
    }
    CloseHandle(turn);
}

// What only root can set up here, tests/settings/save-conditions.sh makes in
// the Wine prefix's drive C: a 40 KB file system (a full disk), a file of
// another Unix user (to Wine, another owner), a folder that takes no new file
// (immutable). A table of 40-character names is saved there, then one of 150.
TEST(SaveConditions, FullDiskOtherOwnerNoRoomForACopy)
{
    const struct {
        const char* folder;
        ReplaceStep failed;
        InPlaceReason inPlaceBecause;
        DWORD error;
    } cases[] = {
        {"KESTRUNE_FULL_DISK", ReplaceStep::Write, InPlaceReason::None, ERROR_DISK_FULL},
        {"KESTRUNE_OTHER_OWNER", ReplaceStep::None, InPlaceReason::OtherOwner, ERROR_SUCCESS},
        {"KESTRUNE_NO_NEW_FILE", ReplaceStep::None, InPlaceReason::NoNewFile, ERROR_SUCCESS},
    };
    char folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableA(cases[0].folder, folder, MAX_PATH))
        GTEST_SKIP() << "needs the file systems that tests/settings/save-conditions.sh makes as root";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        if (!GetEnvironmentVariableA(c.folder, folder, MAX_PATH))
            continue;   // the script says which it could not make
        const std::string file = std::string(folder) + "orvexd.ini";
        CAppletApp app;
        app.SetProfileName(file.c_str());
        app.LoadDeviceTable();
        for (int i = 0; i < kDeviceCount; ++i)
            app.m_strDeviceName[i] = std::string(40, static_cast<char>('a' + i % 26)).c_str();
        ASSERT_TRUE(app.SaveDeviceTable());
        WritePrivateProfileStringA("Driver", "Port", "5004", file.c_str());   // a section not ours, last
        const std::string before = ReadFileText(file), owner = Security(file, OWNER_SECURITY_INFORMATION);

        for (int i = 0; i < kDeviceCount; ++i)
            app.m_strDeviceName[i] = std::string(150, static_cast<char>('A' + i % 26)).c_str();
        const ReplaceResult saved = app.SaveDeviceTable();
        EXPECT_EQ(saved.failed, c.failed);
        EXPECT_EQ(saved.inPlaceBecause, c.inPlaceBecause);
        EXPECT_EQ(saved.error, c.error);
        EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"orvexd.ini"});
        EXPECT_EQ(Security(file, OWNER_SECURITY_INFORMATION), owner);
        if (saved)
            EXPECT_EQ(Stored("Device Name", 255, file), std::string(150, 'A' + 255 % 26));
        else
            EXPECT_EQ(ReadFileText(file), before);
    }
}

// What the dialog shows is what a new load reads: the file's line holds the
// name as before, or in double quotes where the reader would change it.
TEST_F(DeviceTableFile, NamesReadBackAsTyped)
{
    const std::string longest(4095, 'n');
    const std::string plain = "Caf\xE9 \xDC" "ber; a=b [x]\ttab";
    const struct {
        std::string typed, line, readBack;
    } cases[] = {
        {"  Lead and trail  ", "\"  Lead and trail  \"", "  Lead and trail  "},
        {"Tab at the end\t", "\"Tab at the end\t\"", "Tab at the end\t"},
        {"\"Quoted\"", "\"\"Quoted\"\"", "\"Quoted\""},
        {"'Single'", "\"'Single'\"", "'Single'"},
        {"'Mixed\"", "'Mixed\"", "'Mixed\""},   // as before, byte for byte
        {plain, plain, plain},
        {longest, longest, longest},
        {"First line\r\nSecond", "First line", "First line"},
        {"Form feed\f", "\"Form feed\f\"", "Form feed\f"},
        {"\vVertical tab", "\"\vVertical tab\"", "\vVertical tab"},
        {"\x1A" "DOS end", "\"\x1A" "DOS end\"", "\x1A" "DOS end"},
        {" " + longest.substr(3), "\" " + longest.substr(3) + "\"", " " + longest.substr(3)},   // the quotes fit
        {" " + longest.substr(1), longest.substr(1), longest.substr(1)},   // they would not: the dialog refuses it
    };
    app.LoadDeviceTable();
    for (size_t i = 0; i < std::size(cases); ++i)
        app.m_strDeviceName[i] = cases[i].typed.c_str();
    ASSERT_TRUE(app.SaveDeviceTable());

    const std::string text = ReadFileText(file);
    CAppletApp reloaded;
    reloaded.SetProfileName(file.c_str());
    reloaded.LoadDeviceTable();
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].typed.substr(0, 24));
        EXPECT_NE(text.find("\n" + std::to_string(i) + "=" + cases[i].line + "\r\n"), std::string::npos);
        EXPECT_EQ(std::string(reloaded.m_strDeviceName[i]), cases[i].readBack);
    }
}

// Text fits when it makes the round trip through the ANSI code page unchanged.
TEST(AnsiText, FitsOnlyWhatTheCodePageHolds)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "the cases are for code page 1252";
    for (const wchar_t* fits : {L"", L"Caf\u00E9 \u00DCber \u20AC"})
        EXPECT_TRUE(FitsAnsiCodePage(fits));
    // CJK, a check mark, a-macron (best fit: 'a'), a surrogate pair, half of one
    for (const wchar_t* unfit : {L"\u65E5\u672C", L"\u2713", L"\u0101", L"\U0001F600", L"\xD83D"})
        EXPECT_FALSE(FitsAnsiCodePage(unfit)) << static_cast<unsigned>(unfit[0]);
}
