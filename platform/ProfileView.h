#pragma once
// A profile file as its readers see it, through the profile functions, and
// the checks a save makes on it: the values read as written, and every entry
// that is not among them reads as before.

#include "platform/FileCalls.h"
#include "platform/ProfileCompose.h"
#include "platform/ProfileFormat.h"

#include <string>
#include <utility>
#include <vector>

// The lines of section in file, read with one call whatever the section's
// size; empty where the file or the section is missing.
ProfileSectionLines ReadProfileSection(LPCSTR file, LPCSTR section, const FileCalls& calls = SystemFileCalls());

// Every section of a file as the profile reader sees it: the first of each
// name, the nameless one before the first header too.
using ProfileView = std::vector<std::pair<std::string, ProfileSectionLines>>;
ProfileView ReadProfileView(LPCSTR path, const FileCalls& calls);

// The lines of the view that are not the values', section by section: what
// the driver and every other reader of the file get from it.
std::vector<std::string> ForeignPart(const ProfileView& view, const std::vector<ProfileValue>& values);

// Every value reads back as written: the writer drops the blanks before a
// value, the reader the blanks around it.
bool HoldsValues(const ProfileView& view, const std::vector<ProfileValue>& values);
