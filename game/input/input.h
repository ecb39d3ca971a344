// The keyboard and the mouse.
#pragma once

#include "game/shell/record.h"

int InitDInput();
// Fills KeyState; a failed poll leaves it unchanged. Returns the device result
// so that the key-release waits can end when the keyboard stops answering.
pf::HRESULT PollKeyboard();
void PollMouse();
