#pragma once
// The copy a save writes beside the file before it takes the file's place.

#include "platform/FileCalls.h"

#include <string>

// The copy's name: the file's, a part of its own, and this.
inline constexpr char kReplaceCopySuffix[] = ".saving";

// Makes the copy under a name no other save uses: the file's contents and
// attributes, or an empty file where there is no file yet.
DWORD MakeCopy(const std::string& file, bool fileExists, const FileCalls& calls, std::string& copy);

// Removes a copy, read-only or not. A reader that holds it a moment (a virus
// scanner) makes the delete fail: a few tries. One that stays is removed by
// the next save.
void RemoveFile(const std::string& path, const FileCalls& calls);

// Every save of the file holds the turn while its copy exists, so a copy
// found now was left by one cut short (or by an older release, under its one
// fixed name). One that cannot be removed stays: the next copy has a name of
// its own.
void RemoveStaleCopies(const std::string& file, const FileCalls& calls);
