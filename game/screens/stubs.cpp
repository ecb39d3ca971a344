// Placeholder bodies until the front end lands.
#include "game/screens/screens.h"

int ShowIntro() { return 0; }
void MenuFrame() { GameState = GS_QUIT; }
int32_t MenuInput() { return GS_QUIT; }
int32_t StartNewGame() { return GS_QUIT; }
void GameOverStep() { GameState = GS_QUIT; }
int AddHallOfFameEntry() { return 0; }
void DrawHallOfFame() {}
void EnterHallOfFameName(HallOfFameRecord&) {}
