// Writing the install log string by string, and reading it back within the
// image in memory.
#include "install/install_log.h"

#include "install/strings.h"
#include "pf/files.h"

namespace installer {

bool IsLogMarker(const char* name) {
    return StringsEqual(name, kCreatedDirectory) || StringsEqual(name, kCreatedRegKeys) ||
           StringsEqual(name, kInstallationComplete) || StringsEqual(name, kRootCurrentUser) ||
           StringsEqual(name, kRootLocalMachine);
}

bool WriteLogString(pf::HANDLE log, const char* text) {
    const pf::DWORD size = StringSize(text);
    pf::DWORD written = 0;
    return pf::WriteFile(log, text, size, &written, nullptr) && written == size;
}

void OpenLog(LogReader& reader, const void* data, pf::DWORD size) {
    reader.data = static_cast<const pf::BYTE*>(data);
    reader.size = size;
    reader.position = 0;
}

bool NextLogString(LogReader& reader, char* out, pf::DWORD size) {
    if (size > 0) out[0] = 0;
    pf::DWORD at = reader.position;
    for (pf::DWORD n = 0; n < size && at < reader.size; ++n, ++at) {
        out[n] = static_cast<char>(reader.data[at]);
        if (out[n] == 0) {
            reader.position = at + 1;
            return true;
        }
    }
    // Cut before its NUL or too long: nothing usable follows.
    if (size > 0) out[0] = 0;
    reader.position = reader.size;
    return false;
}

}  // namespace installer
