// The installer's string helpers, over NUL-terminated byte strings. Comparison
// is exact and case-sensitive.
#pragma once

#include "pf/types.h"

namespace installer {

// Copies source with its NUL into target; returns the bytes copied, NUL
// included.
pf::DWORD CopyString(char* target, const char* source);
// Length of text with its NUL.
pf::DWORD StringSize(const char* text);
// Byte-for-byte equality.
bool StringsEqual(const char* a, const char* b);

}  // namespace installer
