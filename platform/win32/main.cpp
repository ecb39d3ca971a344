// velnorix.exe: the game on the Win32 backend (placeholder).
#include "pf/window.h"

int main() { return 0; }
