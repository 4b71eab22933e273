#pragma once
// A fresh folder under the user's temporary folder, removed with its contents.

#include <windows.h>

#include <string>
#include <vector>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return m_path; }   // ends in a backslash
    std::string File(const char* name) const { return m_path + name; }

private:
    std::string m_path;
};

bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);
std::string ReadFileText(const std::string& path);
void WriteFileText(const std::string& path, const std::string& text);
// The names of the files in a folder.
std::vector<std::string> FilesIn(const std::string& folder);
// Removes a file or a folder with everything in it.
void RemoveTree(const std::string& path);

// This test program again, in a process of its own, running the (disabled)
// tests that gtestFilter names; null if it could not start.
HANDLE StartThisProgram(const char* gtestFilter);
// Its exit code once it ended; one still running after wait is ended.
DWORD ExitCodeOf(HANDLE process, DWORD wait);
