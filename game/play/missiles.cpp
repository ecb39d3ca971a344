// The cannon ship's missiles: starting a shot, one frame of every missile,
// and the test of one missile against the blocks.
#include "game/display/display.h"
#include "game/play/layout.h"
#include "game/play/play.h"

namespace {

constexpr int32_t Gone = -1;
constexpr int32_t MissileRise = 15;  // pixels up per frame

}  // namespace

void FireMissiles(int x, int y) {
    for (MissilePair& shot : Missiles) {
        if (shot.x1 == Gone && shot.x2 == Gone) {
            shot.x1 = x + LeftBarrelX;
            shot.x2 = x + RightBarrelX;
            // Bottom edges on the ship's top edge.
            shot.y1 = y - MissileSprite.height;
            shot.y2 = shot.y1;
            return;
        }
    }
    // A full table drops the shot.
}

void UpdateMissiles() {
    for (MissilePair& shot : Missiles) {
        if (shot.x1 == Gone && shot.x2 == Gone) continue;
        shot.y1 -= MissileRise;
        shot.y2 -= MissileRise;
        if (shot.y1 < 0) shot.x1 = Gone;
        if (shot.y2 < 0) shot.x2 = Gone;
        if (shot.x1 != Gone) DrawSprite(shot.x1, shot.y1, MissileSprite, true);
        if (shot.x2 != Gone) DrawSprite(shot.x2, shot.y2, MissileSprite, true);
        MissileHit(&shot.x1, &shot.y1);
        MissileHit(&shot.x2, &shot.y2);
    }
}

void MissileHit(int32_t* x, int32_t* y) {
    if (*x == Gone) return;
    // The missile's top-left corner is the only point tested.
    if (*x < LayoutX || *x >= play::LayoutRight() || *y < LayoutY || *y >= play::LayoutBottom())
        return;
    const int column = (*x - LayoutX) / CellWidth;
    const int row = (*y - LayoutY) / CellHeight;
    if (!play::CellOccupied(row, column)) return;
    // Every block absorbs the missile, an unbreakable one without a hit.
    DamageBlock(row, column, false);
    *x = Gone;
}
