// Front-end screens: intro, main menu, game over, hall of fame.
#pragma once

#include "game/shell/record.h"

int ShowIntro();

void MenuFrame();
int32_t MenuInput();
int32_t StartNewGame();
void GameOverStep();

int AddHallOfFameEntry();
void DrawHallOfFame();
void EnterHallOfFameName(HallOfFameRecord& record);
