// The game shell: start-up, the state machine, pause, the window procedure,
// suspension, fatal-error reporting and shutdown.
#pragma once

#include "game/shell/record.h"

int InitGame(pf::HINSTANCE instance, int showCommand);
int GameStep();
void PauseStep();

// Stores text as the fatal error (shown when the game ends) and returns 0.
int ReportError(const char* text);
void ShowFatalError();

pf::LRESULT MainWndProc(pf::HWND window, pf::UINT message, pf::WPARAM wParam, pf::LPARAM lParam);
void SuspendGame();
bool IsAltTabDown();
void PumpMessages();

void ShutDownGame();
void ReleaseDInput();
void ReleaseDDraw();
void CloseGameWindow();
