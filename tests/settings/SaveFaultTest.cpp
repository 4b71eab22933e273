// Every call a save makes, failed in turn, as SQLite's tests fail every I/O
// call of an operation: the real calls go through a layer that counts them
// and makes the chosen one fail (or, as a full disk does to some writers,
// report a write or a flush it did not do). After each save the file holds
// the whole old text or the whole new one, no copy is left, and the result
// says failure exactly when the file is not the new one, naming the step.

#include "platform/ProfileReplace.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

enum class Mode { Fail, FailFromThereOn, Pretend };

struct Injection {
    int at = -1;   // the call to fault; -1: none
    Mode mode = Mode::Fail;
    std::vector<std::string> log;
} g_injection;

enum class Outcome { Real, Refused, Pretended };

// What call `name` does now; logs it.
Outcome Next(const char* name, bool writes = false)
{
    const int n = static_cast<int>(g_injection.log.size());
    g_injection.log.push_back(name);
    const bool hit = n == g_injection.at || (g_injection.mode == Mode::FailFromThereOn && g_injection.at >= 0 && n > g_injection.at);
    if (!hit || (g_injection.mode == Mode::Pretend && !writes))
        return Outcome::Real;
    return g_injection.mode == Mode::Pretend ? Outcome::Pretended : Outcome::Refused;
}

template <typename Value> Value Refuse(Value value, DWORD error)
{
    SetLastError(error);
    return value;
}

const FileCalls& Real()
{
    return SystemFileCalls();
}

// Writes fail as on a full disk; a rename with an error it does not retry;
// everything else as refused access.
const FileCalls kCounted{
    [](LPCSTR p, DWORD a, DWORD s, DWORD d) {
        return Next("createFile") == Outcome::Refused ? Refuse(INVALID_HANDLE_VALUE, DWORD{ERROR_ACCESS_DENIED}) : Real().createFile(p, a, s, d);
    },
    [](HANDLE f, LPVOID b, DWORD n, LPDWORD r) {
        return Next("readFile") == Outcome::Refused ? Refuse(FALSE, DWORD{ERROR_ACCESS_DENIED}) : Real().readFile(f, b, n, r);
    },
    [](HANDLE f, LPCVOID b, DWORD n, LPDWORD w) {
        switch (Next("writeFile", true)) {
        case Outcome::Refused: return Refuse(FALSE, DWORD{ERROR_DISK_FULL});
        case Outcome::Pretended: return *w = n, TRUE;
        default: return Real().writeFile(f, b, n, w);
        }
    },
    [](HANDLE f) { return Next("setEndOfFile") == Outcome::Refused ? Refuse(FALSE, DWORD{ERROR_DISK_FULL}) : Real().setEndOfFile(f); },
    [](HANDLE f) {
        const Outcome outcome = Next("flushFileBuffers", true);
        return outcome == Outcome::Refused ? Refuse(FALSE, DWORD{ERROR_DISK_FULL}) : outcome == Outcome::Pretended ? TRUE : Real().flushFileBuffers(f);
    },
    [](LPCSTR from, LPCSTR to, BOOL once) {
        return Next("copyFile") == Outcome::Refused ? Refuse(FALSE, DWORD{ERROR_DISK_FULL}) : Real().copyFile(from, to, once);
    },
    [](LPCSTR from, LPCSTR to, DWORD flags) {
        return Next("moveFileEx") == Outcome::Refused ? Refuse(FALSE, DWORD{ERROR_WRITE_PROTECT}) : Real().moveFileEx(from, to, flags);
    },
    [](LPCSTR p) { return Next("deleteFile") == Outcome::Refused ? Refuse(FALSE, DWORD{ERROR_ACCESS_DENIED}) : Real().deleteFile(p); },
    [](LPCSTR p, SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR d, DWORD size, LPDWORD needed) {
        return Next("getFileSecurity") == Outcome::Refused ? Refuse(FALSE, DWORD{ERROR_ACCESS_DENIED})
                                                           : Real().getFileSecurity(p, what, d, size, needed);
    },
    [](LPCSTR p, SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR d) {
        return Next("setFileSecurity") == Outcome::Refused ? Refuse(FALSE, DWORD{ERROR_ACCESS_DENIED}) : Real().setFileSecurity(p, what, d);
    },
    [](HANDLE m, DWORD ms) { return Next("waitForTurn") == Outcome::Refused ? Refuse(WAIT_FAILED, DWORD{ERROR_ACCESS_DENIED}) : Real().waitForTurn(m, ms); },
    [](LPSTR b, DWORD n, LPCSTR p) {
        return Next("getProfileSectionNames") == Outcome::Refused ? Refuse(DWORD{0}, DWORD{ERROR_ACCESS_DENIED}) : Real().getProfileSectionNames(b, n, p);
    },
    [](LPCSTR s, LPSTR b, DWORD n, LPCSTR p) {
        return Next("getProfileSection") == Outcome::Refused ? Refuse(DWORD{0}, DWORD{ERROR_ACCESS_DENIED}) : Real().getProfileSection(s, b, n, p);
    },
    [](LPCSTR s, LPCSTR e, LPCSTR v, LPCSTR p) {
        switch (Next("writeProfileString", true)) {
        case Outcome::Refused: return Refuse(FALSE, DWORD{ERROR_DISK_FULL});
        case Outcome::Pretended: return TRUE;
        default: return Real().writeProfileString(s, e, v, p);
        }
    },
};

// The step a failure of each call must be reported under, run by run of the
// same call, in the order of a save; None where the save goes on without it
// (into the file itself, for the security calls).
struct Expected {
    const char* call;
    ReplaceStep step;
};
using Step = ReplaceStep;
const std::vector<Expected> kBefore = {
    {"waitForTurn", Step::Lock}, {"deleteFile", Step::None}, {"createFile", Step::Read}, {"readFile", Step::Read},
    {"getProfileSectionNames", Step::Check}, {"getProfileSection", Step::Check}, {"copyFile", Step::Copy},
};
const std::vector<Expected> kComposedWrite = {
    {"createFile", Step::Write}, {"writeFile", Step::Write}, {"setEndOfFile", Step::Write},
    {"createFile", Step::Check}, {"readFile", Step::Check},
};
const std::vector<Expected> kPerEntryWrite = {{"writeProfileString", Step::Write}};
const std::vector<Expected> kCheckAndFlush = {
    {"getProfileSectionNames", Step::Check}, {"getProfileSection", Step::Check},
    {"createFile", Step::Flush}, {"flushFileBuffers", Step::Flush},
};
const std::vector<Expected> kPutInPlace = {
    {"getFileSecurity", Step::None}, {"setFileSecurity", Step::None}, {"moveFileEx", Step::Rename},
};

struct Start {
    const char* name;
    bool held;       // held open by a reader: the save goes into the file itself
    std::string old;
    std::vector<Expected> table;
};

std::vector<Expected> Join(std::initializer_list<std::vector<Expected>> parts)
{
    std::vector<Expected> joined;
    for (const auto& part : parts)
        joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

// Every section holds an entry that is not among the values, so that a read
// of any section that fails shows at the check.
const std::string kOld = "top=1\r\n; kept as it is\r\n[Driver]\r\nPort=5004\r\n[Device Name]\r\n0=Old\r\n"
                         "legacy=keep me\r\n1=Old one\r\n[Tcp]\r\n0=1\r\nmode=fast\r\n";
// The first and the last value differ from the old file, the last is new to it.
const std::vector<ProfileValue> kNew = {
    {"Device Name", "0", "New 0"}, {"Tcp", "0", "2"}, {"Device Name", "1", "New 1"}, {"Tcp", "1", "2"}, {"Device Name", "2", "New 2"},
};

// One save from the start's file, with call `at` faulted as mode says.
ReplaceResult SaveOnce(const Start& start, const std::string& file, int at, Mode mode)
{
    WriteFileText(file, start.old);
    const HANDLE holder = start.held ? CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                   OPEN_EXISTING, 0, nullptr)
                                     : nullptr;
    g_injection = {at, mode, {}};
    const ReplaceResult result = ReplaceProfileFile(file.c_str(), kNew, kCounted);
    g_injection.at = -1;
    if (holder)
        CloseHandle(holder);
    return result;
}

// The expected step of each call of a clean save: its run's, where the runs
// of the log are those of the table.
std::vector<Step> StepsOf(const std::vector<std::string>& log, const std::vector<Expected>& table)
{
    std::vector<Step> steps;
    size_t row = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        if (i > 0 && log[i] != log[i - 1])
            ++row;
        if (row >= table.size() || log[i] != table[row].call) {
            ADD_FAILURE() << "call " << i << " is " << log[i] << ", where the table has "
                          << (row < table.size() ? table[row].call : "no more calls");
            return {};
        }
        steps.push_back(table[row].step);
    }
    EXPECT_EQ(row + 1, table.size()) << "the save made fewer runs of calls than the table has";
    return steps;
}

} // namespace

TEST(SaveFaults, EveryCallFailedInTurnLeavesTheOldFileOrTheNewOne)
{
    TempFolder folder;
    const std::string file = folder.File("orvexd.ini");
    const std::vector<Expected> copyPath = Join({kBefore, kComposedWrite, kCheckAndFlush, kPutInPlace});
    const Start starts[] = {
        {"a file the applet composes", false, kOld, copyPath},
        {"a held file: into the file itself", true, kOld,
         Join({copyPath, {{"deleteFile", Step::None}}, kComposedWrite, kCheckAndFlush})},
        {"a UTF-8 file: through the profile writer", false, "\xEF\xBB\xBF" + kOld,
         Join({kBefore, kPerEntryWrite, kCheckAndFlush, kPutInPlace})},
    };
    int runs = 0;
    for (const Start& start : starts) {
        SCOPED_TRACE(start.name);
        ASSERT_TRUE(SaveOnce(start, file, -1, Mode::Fail));
        const std::vector<std::string> log = g_injection.log;
        const std::string saved = ReadFileText(file);
        const std::vector<Step> steps = StepsOf(log, start.table);
        ASSERT_EQ(steps.size(), log.size());
        std::printf("[ calls  ] %s: %zu calls\n", start.name, log.size());

        for (const Mode mode : {Mode::Fail, Mode::FailFromThereOn, Mode::Pretend}) {
            for (int at = 0; at < static_cast<int>(log.size()); ++at) {
                // A run of one call many times (the profile writer's) is faulted at its ends.
                const bool inRun = at > 0 && at + 1 < static_cast<int>(log.size()) && log[at] == log[at - 1] && log[at] == log[at + 1];
                const bool writes = log[at] == "writeFile" || log[at] == "flushFileBuffers" || log[at] == "writeProfileString";
                if (inRun || (mode == Mode::Pretend && !writes))
                    continue;
                SCOPED_TRACE(testing::Message() << "call " << at << " (" << log[at] << ")"
                                                << (mode == Mode::Fail ? " failed" : mode == Mode::Pretend ? " pretended" : " failed from there on"));
                ++runs;
                const ReplaceResult result = SaveOnce(start, file, at, mode);
                const std::string now = ReadFileText(file);
                const bool isNew = now == saved;
                EXPECT_TRUE(isNew || now == start.old) << now;
                if (mode == Mode::FailFromThereOn) {
                    // Nothing can be cleaned up on a disk that has gone: the next save does.
                    EXPECT_TRUE(!result || isNew);
                    EXPECT_TRUE(ReplaceProfileFile(file.c_str(), kNew));
                    EXPECT_EQ(ReadFileText(file), saved);
                } else {
                    EXPECT_EQ(!result, !isNew);
                    const Step expected = mode == Mode::Fail ? steps[at] : log[at] == "flushFileBuffers" ? Step::None : Step::Check;
                    EXPECT_EQ(result.failed, expected);
                }
                EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"orvexd.ini"});
            }
        }
    }
    std::printf("[ runs   ] %d saves with a fault\n", runs);
}
