// Fatal-error reporting: the last reported text is shown when the game ends.
#include "game/shell/shell.h"

#include <algorithm>
#include <cstring>

int ReportError(const char* text) {
    // The text is the format string, as every report is built; it is formatted
    // into a buffer as large as the formatter writes, then kept to ErrorText's
    // size so that no report can run past it.
    char formatted[1024];
    pf::wsprintfA(formatted, text);
    const size_t length = std::min(std::strlen(formatted), sizeof ErrorText - 1);
    std::memcpy(ErrorText, formatted, length);
    ErrorText[length] = 0;
    FatalError = 1;
    return 0;
}

void ShowFatalError() {
    pf::MessageBoxA(nullptr, ErrorText, "Velnorix [Win32] - Fatal Error", pf::MB_OK);
}
