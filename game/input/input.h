// The keyboard and the mouse.
#pragma once

#include "game/shell/record.h"

int InitDInput();
// Fills KeyState; a failed poll leaves it unchanged. Returns the device result
// so that the key-release waits can end when the keyboard stops answering.
pf::HRESULT PollKeyboard();
void PollMouse();
// Polls until the key reads up. A keyboard that stops answering (focus lost,
// window closed) ends the wait too, and the key then counts as released: its
// byte is cleared, so that the last state read cannot act again on a key
// nobody can be seen holding.
void WaitForKeyRelease(int key);
