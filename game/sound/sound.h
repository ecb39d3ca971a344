// Music through the audio library.
#pragma once

#include "game/shell/record.h"

int OpenSound();
void ShutDownSound();
void PlayMusic(const char* fileName);
void StopMusic();
