#pragma once
// A file's bytes read, written and put on disk whole, through the calls a
// save makes.

#include "platform/FileCalls.h"

#include <string>

DWORD ReadWholeFile(LPCSTR path, std::string& text, const FileCalls& calls);
// Replaces the file's bytes with text in one write, making the file where
// there is none; a write that reports success and writes less fails too.
DWORD WriteWholeFile(LPCSTR path, const std::string& text, const FileCalls& calls);
DWORD FlushToDisk(LPCSTR path, const FileCalls& calls);

// The error for text read back otherwise than written: a full disk where the
// needed bytes could not fit beside the file (some profile writers, Wine's
// among them, report success on a full disk and leave the file cut short),
// else a write fault.
DWORD ShortOfSpaceError(LPCSTR path, ULONGLONG needed);
