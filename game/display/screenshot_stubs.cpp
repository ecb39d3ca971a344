// Placeholder bodies until the screenshot lands.
#include "game/display/display.h"

void SaveScreenshot() {}
pf::HRESULT LockBackBuffer() { return pf::E_FAIL; }
