// Play: the frame, balls and blocks, the ship and its missiles, capsules.
#pragma once

#include "game/shell/record.h"

void PlayFrame();
void ResetPaddleAndBall();
void DrawBlock(int blockType, int x, int y);

bool UpdateBall(int n);
void DamageBlock(int row, int column, bool fire);
void AddBlockScore();

int32_t PlayInput();
void FireMissiles(int x, int y);
void UpdateMissiles();
// Tests the missile at (*x, *y) against the layout; sets *x to -1 when it is
// gone.
void MissileHit(int32_t* x, int32_t* y);

void ReleaseCapsule(int column, int row);
void UpdateCapsules();
void ApplyCapsule(int kind);

// One frame of play before its flip: compose the frame, move everything,
// read the keys, change level. False when the frame must end unflipped (the
// next level could not be prepared). PlayFrame is this, then FlipScreen and
// WaitFrame.
bool PlayFrameSteps();
