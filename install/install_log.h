// The install log "install.log": NUL-terminated strings, written one at a
// time by the installer and read back by the uninstaller.
//
// Order: for each archive entry the file name, or "CREATED_DIRECTORY" and the
// directory's full path; then "CREATED_REG_KEYS" and three root-and-subkey
// pairs; then "INSTALLATION_COMPLETE". A failed installation leaves a log
// cut short.
#pragma once

#include "pf/types.h"

namespace installer {

constexpr const char* kLogFileName = "install.log";
constexpr const char* kCreatedDirectory = "CREATED_DIRECTORY";
constexpr const char* kCreatedRegKeys = "CREATED_REG_KEYS";
constexpr const char* kInstallationComplete = "INSTALLATION_COMPLETE";
constexpr const char* kRootCurrentUser = "HKEY_CURRENT_USER";
constexpr const char* kRootLocalMachine = "HKEY_LOCAL_MACHINE";

// True when the name is one of the log's marker or root strings.
bool IsLogMarker(const char* name);

// At most this many directories are logged: the uninstaller keeps ten.
constexpr int kMaxLoggedDirectories = 10;

// Appends one string with its NUL to the open log file; false unless it was
// written whole (a full disk).
bool WriteLogString(pf::HANDLE log, const char* text);

struct LogReader {
    const pf::BYTE* data;
    pf::DWORD size;
    pf::DWORD position;
};

void OpenLog(LogReader& reader, const void* data, pf::DWORD size);
// Copies the next string (at most size bytes with its NUL) and advances past
// it. False at the end of the image, for a last string cut before its NUL, and
// for a string too long for the buffer; the reader then stays at the end.
bool NextLogString(LogReader& reader, char* out, pf::DWORD size);

}  // namespace installer
