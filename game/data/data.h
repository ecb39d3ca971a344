// Game data files: sprites, levels, the font, the two asset sets and the
// hall-of-fame file.
#pragma once

#include "game/shell/record.h"

int ReadSPRFile(const char* fileName, Sprite* sprite);
void StoreSpritePixels(const Sprite& sprite, const uint8_t* pixels);

int ReadLevelData(uint32_t level);
bool CheckChunkID(const uint8_t* bytes, char c0, char c1, char c2, char c3);
// Frees the level's two memory blocks (layout first, then block table), each
// only if held, and marks them absent: the order of the menu set and of the
// next level. Shutdown frees the block table first: ReleaseBlockTypes, then
// ReleaseLayoutArray. The geometry keeps its last values.
void ReleaseLevel();
void ReleaseLayoutArray();
void ReleaseBlockTypes();  // also sets BlockTypeCount to 0

int ReadFont();

int ReadMenuData();
int ReadGameData();

int ReadHiscoreTable();
int SaveHiscoreTable();
// At the end of a run that never read the hall of fame: saves the table (still
// empty) only when no hall-of-fame file exists, so that the next start finds
// one. An existing file, even one that could not be read, is left untouched.
int SaveMissingHiscoreTable();
