// Placeholder bodies until play lands.
#include "game/play/play.h"

void PlayFrame() { GameState = GS_QUIT; }
void ResetPaddleAndBall() {}
void DrawBlock(int, int, int) {}
void LevelCompleted() {}
bool UpdateBall(int) { return true; }
void DamageBlock(int, int, bool) {}
void AddBlockScore() {}
int32_t PlayInput() { return GS_PLAYING; }
void FireMissiles(int, int) {}
void UpdateMissiles() {}
void MissileHit(int32_t*, int32_t*) {}
void ReleaseCapsule(int, int) {}
void UpdateCapsules() {}
void ApplyCapsule(int) {}
