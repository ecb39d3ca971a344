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

}  // namespace pf::win32
