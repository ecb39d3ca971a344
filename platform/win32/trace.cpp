// The backend's trace file (see trace.h). The file is opened for every line
// and closed again, so a test reading it sees each line at once and the
// program may end at any moment.
#include "trace.h"

#include <cstdarg>

#include "win32.h"

namespace pf::win32 {
namespace {

// 0: not looked up yet; 1: tracing; 2: not tracing.
int TraceState = 0;
char TracePath[MAX_PATH] = {};

}  // namespace

bool Tracing() {
    if (TraceState == 0) {
        const ::DWORD length = ::GetEnvironmentVariableA("VX_TRACE", TracePath, MAX_PATH);
        TraceState = length > 0 && length < MAX_PATH ? 1 : 2;
    }
    return TraceState == 1;
}

void Trace(const char* format, ...) {
    if (!Tracing()) return;
    char line[272];
    va_list arguments;
    va_start(arguments, format);
    int length = ::wvsprintfA(line, format, arguments);
    va_end(arguments);
    if (length < 0) length = 0;
    if (length > 255) length = 255;
    line[length++] = '\n';
    const ::HANDLE file = ::CreateFileA(TracePath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    ::DWORD written = 0;
    ::WriteFile(file, line, static_cast<::DWORD>(length), &written, nullptr);
    ::CloseHandle(file);
}

namespace {
char UnsavedNote[1024] = {};
}  // namespace

void NoteUnsavedFile(const char* name, unsigned long error) {
    char path[MAX_PATH] = {};
    if (::GetFullPathNameA(name, MAX_PATH, path, nullptr) == 0) ::lstrcpynA(path, name, MAX_PATH);
    char reason[256] = {};
    if (::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                         0, reason, sizeof reason, nullptr) == 0)
        ::wsprintfA(reason, "error %lu", error);
    // The system's text ends with a line break.
    for (int i = ::lstrlenA(reason) - 1; i >= 0 && (reason[i] == '\r' || reason[i] == '\n'); --i)
        reason[i] = 0;
    const bool denied = error == ERROR_ACCESS_DENIED;
    ::wsprintfA(UnsavedNote, "\n\n\"%s\" could not be saved: %s%s", path, reason,
                denied ? "\nThe game's folder cannot be written by this user (a folder under "
                         "\"Program Files\" usually cannot): the hall of fame and screenshots are "
                         "kept only when the game is installed into a folder the user may write to."
                       : "");
    Trace("unsaved: %s (%lu)", path, error);
}

const char* TakeUnsavedFileNote() {
    static char taken[sizeof UnsavedNote];
    ::lstrcpynA(taken, UnsavedNote, sizeof taken);
    UnsavedNote[0] = 0;
    return taken;
}

}  // namespace pf::win32
