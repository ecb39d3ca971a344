// Placeholder bodies until the data loaders land.
#include "game/data/data.h"

int ReadSPRFile(const char*, Sprite*) { return 0; }
void StoreSpritePixels(const Sprite&, const uint8_t*) {}
int ReadLevelData(uint32_t) { return 0; }
bool CheckChunkID(const uint8_t*, char, char, char, char) { return false; }
void ReleaseLevel() {}
int ReadFont() { return 0; }
int ReadMenuData() { return 0; }
int ReadGameData() { return 0; }
int ReadHiscoreTable() { return 0; }
int SaveHiscoreTable() { return 1; }
