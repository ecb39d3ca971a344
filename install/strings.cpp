#include "install/strings.h"

namespace installer {

pf::DWORD CopyString(char* target, const char* source) {
    pf::DWORD count = 0;
    do {
        target[count] = source[count];
    } while (source[count++] != 0);
    return count;
}

pf::DWORD StringSize(const char* text) {
    pf::DWORD count = 0;
    while (text[count] != 0) ++count;
    return count + 1;
}

bool StringsEqual(const char* a, const char* b) {
    pf::DWORD i = 0;
    for (; a[i] != 0; ++i)
        if (a[i] != b[i]) return false;
    return b[i] == 0;
}

}  // namespace installer
