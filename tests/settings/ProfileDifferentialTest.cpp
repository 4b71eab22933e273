// The applet's own reading and writing of the settings file against one
// private-profile call per value, on files made from a fixed seed: the same
// table loaded, the same values read after a save, and, on a file in the
// profile writer's own form, the same bytes.

#include "platform/ProfileView.h"
#include "settings/DeviceTableFile.h"
#include "tests/support/ProfileOracle.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

class Corpus {
public:
    explicit Corpus(unsigned seed) : m_rng(seed) {}

    // One file's text: the table's sections, some missing, duplicated or in
    // another case, among foreign sections, comments and blank lines. Values
    // of 4,093 characters and more are in longPercent of the entries.
    std::string File(int longPercent)
    {
        m_longPercent = longPercent;
        const char* const eols[] = {"\r\n", "\r\n", "\n", "\r"};
        m_eol = eols[Pick(4)];
        if (Chance(3))
            return Chance(50) ? "" : Line("; nothing but a comment");
        std::string text;
        const char* const sections[] = {"Device Name", "IP Address", "Protect No", "Device ID", "Tcp"};
        if (Chance(40))
            text += Foreign();
        for (int s = 0; s < 5; ++s) {
            if (Chance(10))
                continue;
            text += Header(sections[s]) + Entries(s);
            if (Chance(25))
                text += Foreign();
            if (Chance(8))
                text += Header(sections[s]) + Entries(s);   // a second section of the name: never read
        }
        if (Chance(30))
            text += Foreign();
        if (Chance(20) && !text.empty())
            text.resize(text.size() - std::string(m_eol).size());   // no final line break
        return text;
    }

    // A value from the kinds a user's, or a program's, edit leaves.
    std::string Value(int section, int longPercent)
    {
        static const char* const numbers[] = {"0", "17", "-1", "-1062731775", "300", "4294967297", "12abc", "0x1F", "0X1F",
                                              "0b101", "0o17", "+7", " 42 ", "\"42\"", "'9'", "abc", "", "99999999999999999999",
                                              "\"00000000000000000000000000042\"", "\"0000000000000000000000000042\""};
        static const char* const texts[] = {"Stage Left", "  spaced  ", "\"Quoted\"", "'Single'", "\"half", "'Mixed\"",
                                            "Caf\xE9 \xDC" "ber", "tab\tinside", "\"\"", "a=b", "[x]", "0a1b2c3d4e5f", ""};
        if (section == 1 || section >= 3)
            return Chance(85) ? std::to_string(static_cast<int>(m_rng() % 600) - 100) : numbers[Pick(std::size(numbers))];
        if (Chance(longPercent)) {
            const size_t lengths[] = {4093, 4094, 4095, 4096, 4097, 5000};
            std::string value(lengths[Pick(6)], static_cast<char>('a' + Pick(26)));
            if (Chance(50))
                value.front() = value.back() = '"';
            return value;
        }
        std::string value = texts[Pick(std::size(texts))];
        if (Chance(10))
            value = std::string(1, "\t\v\f\x1A "[Pick(5)]) + value + std::string(1, "\t\v\f\x1A "[Pick(5)]);
        return value;
    }

    bool Chance(int percent) { return static_cast<int>(m_rng() % 100) < percent; }
    size_t Pick(size_t count) { return m_rng() % count; }

private:
    std::string Line(const std::string& text) { return text + m_eol; }

    std::string Header(std::string name)
    {
        if (Chance(15))
            for (char& c : name)
                c = static_cast<char>(Chance(50) ? toupper(c) : tolower(c));
        return Line((Chance(10) ? "  [" : "[") + name + "]");
    }

    std::string Entries(int section)
    {
        std::string text;
        for (int i = 0; i < kDeviceCount; ++i) {
            if (Chance(30))
                continue;
            const std::string entry = std::to_string(i);
            if (Chance(3))
                text += Line(entry);   // no '=': the reader gives the default
            const char* const around[] = {"=", "=", "=", " = ", "\t=", "= "};
            text += Line((Chance(5) ? " " : "") + entry + around[Pick(6)] + Value(section, m_longPercent));
            if (Chance(2))
                text += Line(entry + "=" + Value(section, m_longPercent));   // a second entry of the name: never read
            if (Chance(2))
                text += Foreign();
        }
        return text;
    }

    std::string Foreign()
    {
        switch (Pick(6)) {
        case 0:
            return Line("; a comment = not an entry");
        case 1:
            return Line("") + Line("   ");
        case 2:
            return Line("legacy = keep me") + Line("Port=5004");
        case 3:
            return Line("[broken") + Line("after broken=1");
        case 4:
            return Line("[Driver]") + Line("Port=5004") + Line("Name = \"Main hall\"");
        default:
            return Line("[Vendor Extra]") + Line("key") + Line("017=not slot 17");
        }
    }

    std::mt19937 m_rng;
    int m_longPercent = 0;
    const char* m_eol = "\r\n";
};

// A random table: every value new, names of the kinds the dialog takes.
void FillRandom(Corpus& corpus, OwnedTable& table)
{
    for (int i = 0; i < kDeviceCount; ++i) {
        const std::string name = corpus.Value(0, 1);
        table.names[i] = name.empty() ? "ZONE" : name.c_str();
        table.ips[i] = static_cast<DWORD>(corpus.Pick(1u << 31)) * (corpus.Chance(50) ? 2 : 1);
        table.protects[i].Format("%012x", static_cast<unsigned>(corpus.Pick(1u << 30)));
        table.ids[i] = static_cast<BYTE>(corpus.Pick(256));
        table.transports[i] = static_cast<BYTE>(corpus.Pick(3));
    }
}

// The files of this share: every process makes the whole corpus, so that its
// files and tables are the same whatever the share.
void CheckShare(int share, int shares)
{
    constexpr int kFiles = 200, kSavedEvery = 8;
    TempFolder folder;
    const std::string file = folder.File("orvexd.ini"), oracle = folder.File("oracle.ini");
    Corpus corpus(20261210);
    static OwnedTable loaded, expected, saved;
    for (int n = 0; n < kFiles; ++n) {
        SCOPED_TRACE("file " + std::to_string(n));
        // The writes one call each rewrite the whole file: the files saved
        // carry fewer long values.
        const bool save = n % kSavedEvery == 0;
        const std::string text = corpus.File(save ? 1 : 6);
        if (save)
            FillRandom(corpus, saved);
        if ((n + n / kSavedEvery) % shares != share)
            continue;
        WriteFileText(file, text);
        DateBack(file);
        ReadDeviceTable(file.c_str(), loaded.Arrays());
        ReadTablePerEntry(file.c_str(), expected);
        ASSERT_TRUE(loaded == expected) << text.substr(0, 400);
        if (!save)
            continue;

        // Every other saved file first goes through one profile write: the
        // writer's own form, where the bytes must be the writer's.
        const bool writerForm = n % (2 * kSavedEvery) == 0;
        if (writerForm) {
            WritePrivateProfileStringA("Driver", "Touched", "1", file.c_str());
            DateBack(file);
        }
        WriteFileText(oracle, ReadFileText(file));
        DateBack(oracle);
        ASSERT_TRUE(WriteDeviceTable(file.c_str(), saved.Arrays()));
        WriteValuesPerEntry(oracle.c_str(), DeviceTableValues(saved.Arrays()));
        EXPECT_EQ(ReadProfileView(file.c_str(), SystemFileCalls()), ReadProfileView(oracle.c_str(), SystemFileCalls()));
        if (writerForm) {
            EXPECT_EQ(ReadFileText(file), ReadFileText(oracle));
        }
    }
}

} // namespace

// The profile functions take one call at a time in a process: half the files
// go to a second one.
TEST(ProfileDifferential, LoadAndSaveAsThePerEntryCallsDo)
{
    constexpr int kShares = 2;
    HANDLE others[kShares - 1];
    for (int share = 1; share < kShares; ++share) {
        SetEnvironmentVariableA("KESTRUNE_SHARE", std::to_string(share).c_str());
        ASSERT_NE(others[share - 1] = StartThisProgram("ProfileDifferential.DISABLED_Share"), nullptr);
    }
    CheckShare(0, kShares);
    for (const HANDLE other : others)
        EXPECT_EQ(ExitCodeOf(other, 240000), 0u) << "another share failed (its output is above)";
}

TEST(ProfileDifferential, DISABLED_Share)
{
    char share[4] = {};
    GetEnvironmentVariableA("KESTRUNE_SHARE", share, sizeof share);
    CheckShare(std::atoi(share), 2);
}
