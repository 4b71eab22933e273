// Not a test: what a save costs against the 1,280 in-place profile writes it
// replaced, in one run. Each round writes a new table both ways, into two
// files that hold the same old table and are of the same age; they take
// turns going first, as a burst of writes slows whatever follows it.
// Usage: save_benchmark [folder [rounds]]

#include "settings/DeviceTableFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Table {
    CString names[kDeviceCount];
    DWORD ips[kDeviceCount] = {};
    CString protects[kDeviceCount];
    BYTE ids[kDeviceCount] = {};
    BYTE transports[kDeviceCount] = {};

    DeviceTableArrays Arrays() { return {names, ips, protects, ids, transports}; }
};

// 40-character names, as a user's table might have; every value new each round.
void Fill(Table& table, int round)
{
    for (int i = 0; i < kDeviceCount; ++i) {
        table.names[i].Format("Studio %03d rack %02d round %03d padding..", i + 1, i % 16, round);
        table.ips[i] = 0xC0A80000u + static_cast<DWORD>(i * 7 + round);
        table.protects[i].Format("0A1B2C3D%04X", (i + round) & 0xFFFF);
        table.ids[i] = static_cast<BYTE>(i + round);
        table.transports[i] = static_cast<BYTE>(round % 3);
    }
}

// The save as it was: the same 1,280 calls straight into the file.
void WriteInPlace(const char* file, Table& table)
{
    for (int i = 0; i < kDeviceCount; ++i) {
        const std::string entry = std::to_string(i);
        WritePrivateProfileStringA("Device Name", entry.c_str(), NameForFile(table.names[i]), file);
        WritePrivateProfileStringA("IP Address", entry.c_str(), std::to_string(static_cast<int>(table.ips[i])).c_str(), file);
        WritePrivateProfileStringA("Protect No", entry.c_str(), table.protects[i], file);
        WritePrivateProfileStringA("Device ID", entry.c_str(), std::to_string(table.ids[i]).c_str(), file);
        WritePrivateProfileStringA("Tcp", entry.c_str(), std::to_string(table.transports[i]).c_str(), file);
    }
}

// Dated minutes back, out of the profile functions' cache: the profile reader
// rereads a file on every call while its last write is a moment old.
void Settle(const char* file)
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, file);
    FILETIME minutesAgo;
    GetSystemTimeAsFileTime(&minutesAgo);
    minutesAgo.dwHighDateTime -= 1;
    const HANDLE handle = CreateFileA(file, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(handle, nullptr, nullptr, &minutesAgo);
    CloseHandle(handle);
}

template <typename Run> double Seconds(Run&& run)
{
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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

    static Table table;
    Fill(table, 0);
    DeleteFileA(raw.c_str());
    WriteInPlace(raw.c_str(), table);
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, raw.c_str());
    CopyFileA(raw.c_str(), file.c_str(), FALSE);

    std::vector<double> ratios;
    for (int round = 1; round <= rounds; ++round) {
        Fill(table, round);
        double rawTime = 0, saveTime = 0;
        for (int turn = 0; turn < 2; ++turn) {
            Settle(raw.c_str());
            Settle(file.c_str());
            if ((turn == 0) == (round % 2 == 1))
                rawTime = Seconds([&] { WriteInPlace(raw.c_str(), table); });
            else
                saveTime = Seconds([&] {
                    if (!WriteDeviceTable(file.c_str(), table.Arrays()))
                        std::printf("the save failed\n");
                });
        }
        ratios.push_back(saveTime / rawTime);
        std::printf("round %d: in place %.3f s, save %.3f s (%.3f)\n", round, rawTime, saveTime, ratios.back());
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("save against the in-place writes, median of %d rounds: %.3f\n", rounds, ratios[ratios.size() / 2]);
    return 0;
}
