// Reading an input file (the install archive, the install log) whole into
// memory, as the installer and the uninstaller both do before walking it.
#pragma once

#include "pf/types.h"

namespace installer {

// Opens name for reading without sharing, reads it whole into fixed global
// memory and closes it. Returns the memory (free it with GlobalFree), with
// its locked address in *image and the byte count in *size; null, with
// nothing held, when any step fails or the file cannot be read to its end.
pf::HGLOBAL ReadWholeFile(const char* name, void** image, pf::DWORD* size);

}  // namespace installer
