// Not a test: what a load and a save cost against the 1,280 private-profile
// calls they replaced, in one run. Each round writes a new table both ways,
// into two files that hold the same old table and are of the same age
// (minutes old: the profile functions reread a file on every call while its
// last write is a moment old); they take turns going first, as a burst of
// writes slows whatever follows it. The applet's file is read right after
// its save; then both are read, the applet's way and call by call.
// Usage: save_benchmark [folder [rounds]]

#include "settings/DeviceTableFile.h"
#include "tests/support/ProfileOracle.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// 40-character names, as a user's table might have; every value new each round.
void Fill(OwnedTable& table, int round)
{
    for (int i = 0; i < kDeviceCount; ++i) {
        table.names[i].Format("Studio %03d rack %02d round %03d padding..", i + 1, i % 16, round);
        table.ips[i] = 0xC0A80000u + static_cast<DWORD>(i * 7 + round);
        table.protects[i].Format("0A1B2C3D%04X", (i + round) & 0xFFFF);
        table.ids[i] = static_cast<BYTE>(i + round);
        table.transports[i] = static_cast<BYTE>(round % 3);
    }
}

template <typename Run> double Seconds(Run&& run)
{
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = argc > 1 ? argv[1] : std::string(temp) + "kestrune-benchmark";
    CreateDirectoryA(folder.c_str(), nullptr);
    if (folder.back() != '\\')
        folder += '\\';
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 8;
    const std::string raw = folder + "raw.ini", file = folder + "orvexd.ini";

    static OwnedTable table, read;
    Fill(table, 0);
    DeleteFileA(raw.c_str());
    WriteValuesPerEntry(raw.c_str(), DeviceTableValues(table.Arrays()));
    CopyFileA(raw.c_str(), file.c_str(), FALSE);

    std::vector<double> rawWrites, saves, rawReads, loads, loadsAfterSave;
    for (int round = 1; round <= rounds; ++round) {
        Fill(table, round);
        const std::vector<ProfileValue> values = DeviceTableValues(table.Arrays());
        for (int turn = 0; turn < 2; ++turn) {
            DateBack(raw);
            DateBack(file);
            if ((turn == 0) == (round % 2 == 1))
                rawWrites.push_back(Seconds([&] { WriteValuesPerEntry(raw.c_str(), values); }));
            else {
                saves.push_back(Seconds([&] {
                    if (!WriteDeviceTable(file.c_str(), table.Arrays()))
                        std::printf("the save failed\n");
                }));
                // Right after it, as a Control Panel started then would load.
                loadsAfterSave.push_back(Seconds([&] { ReadDeviceTable(file.c_str(), read.Arrays()); }));
            }
        }
        DateBack(raw);
        DateBack(file);
        rawReads.push_back(Seconds([&] { ReadTablePerEntry(raw.c_str(), read); }));
        loads.push_back(Seconds([&] { ReadDeviceTable(file.c_str(), read.Arrays()); }));
        std::printf("round %d: save %.4f s, 1,280 writes %.3f s; load %.4f s (%.4f s just after the save), "
                    "1,280 reads %.3f s\n",
                    round, saves.back(), rawWrites.back(), loads.back(), loadsAfterSave.back(), rawReads.back());
    }
    std::printf("medians of %d rounds, files dated minutes back:\n"
                "  save %.4f s against 1,280 writes %.3f s: 1/%.0f\n"
                "  load %.4f s against 1,280 reads %.3f s: 1/%.0f\n"
                "  load just after a save %.4f s: %.2f times a load of an older file\n",
                rounds, Median(saves), Median(rawWrites), Median(rawWrites) / Median(saves), Median(loads),
                Median(rawReads), Median(rawReads) / Median(loads), Median(loadsAfterSave),
                Median(loadsAfterSave) / Median(loads));
    return 0;
}
