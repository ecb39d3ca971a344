// The balls: one frame of motion with the walls, the ceiling, the blocks and
// the ship; the hit a block takes; the score a broken block earns.
//
// Positions and directions are 32-bit floats and every sum and product on
// them is done in float; a float becomes an integer by truncation toward
// zero, and sizes of sprites divide as integers.
#include "game/play/layout.h"
#include "game/play/play.h"
#include "pf/random.h"

namespace {

// Reverses one direction component of slot a and copies it into slot b.
void ReverseDx(Ball& a, Ball& b) {
    a.dx = -a.dx;
    b.dx = a.dx;
}

void ReverseDy(Ball& a, Ball& b) {
    a.dy = -a.dy;
    b.dy = a.dy;
}

bool IsFireBall() { return CurrentBallSprite == &BallFSprite; }

// The grid cell index of a coordinate inside the grid, computed in float as
// trunc((v - origin) / size), kept below count against float rounding at the
// far edge.
int CellIndex(float v, int origin, int size, int count) {
    const int index = static_cast<int>((v - static_cast<float>(origin)) / static_cast<float>(size));
    return index < count ? index : count - 1;
}

// The cell a previous coordinate lay in; -1 when it lay before the grid.
int PreviousCellIndex(float v, int origin, int size) {
    if (v < static_cast<float>(origin)) return -1;
    return static_cast<int>((v - static_cast<float>(origin)) / static_cast<float>(size));
}

// The block test of a ball whose new top-left corner (nx, ny) lies in the
// grid: bounce off the side the ball came from (unless it is a fire ball) and
// hit the block.
void HitLayout(Ball& a, Ball& b, float& nx, float& ny, int w, int h) {
    const int column = CellIndex(nx, LayoutX, CellWidth, LayoutColumns);
    const int row = CellIndex(ny, LayoutY, CellHeight, LayoutRows);
    const int previousColumn = PreviousCellIndex(a.x, LayoutX, CellWidth);
    const int previousRow = PreviousCellIndex(a.y, LayoutY, CellHeight);

    if (!play::CellOccupied(row, column)) return;

    const bool fire = IsFireBall();
    if (!fire) {
        if (previousColumn < column) {  // from the left
            ReverseDx(a, b);
            nx = static_cast<float>(LayoutX + column * CellWidth - w);
        } else if (previousColumn > column) {  // from the right
            ReverseDx(a, b);
            nx = static_cast<float>(LayoutX + (column + 1) * CellWidth);
        }
        if (previousRow < row) {  // from above
            ReverseDy(a, b);
            ny = static_cast<float>(LayoutY + row * CellHeight - h);
        } else if (previousRow > row) {  // from below
            ReverseDy(a, b);
            ny = static_cast<float>(LayoutY + (row + 1) * CellHeight);
        }
    }
    // A fire ball keeps its direction and passes through.
    DamageBlock(row, column, fire);
}

// The ship test of a ball whose bottom edge has reached the ship's top edge.
void HitShip(int n, Ball& a, Ball& b, float& ny, int w, int h) {
    const int bx = static_cast<int>(a.x);
    const int px = ShipX[ShownIndex];
    const int sw = CurrentShipSprite->width;
    const int halfShip = sw / 2 > 0 ? sw / 2 : 1;  // a ship sprite is never that narrow
    if (bx + w > px && bx < px + sw) {
        // The offset from the ship's centre, taken from the previous position,
        // sets the new direction: straight up at the centre, 0.8 sideways at
        // the ends.
        const float centreOffset = (a.x + static_cast<float>(w / 2)) - static_cast<float>(px + sw / 2);
        a.dx = 0.8f * centreOffset / static_cast<float>(halfShip);
        b.dx = a.dx;
        a.dy = -(1.0f - (a.dx < 0.0f ? -a.dx : a.dx));
        b.dy = a.dy;
        ny = static_cast<float>(ShipY[ShownIndex] - h);
        BallMissed[n] = 0;
    } else {
        // Past the ship's edge: this ball can no longer be returned.
        BallMissed[n] = 1;
    }
}

}  // namespace

bool UpdateBall(int n) {
    if (n < 0 || n >= MaxBalls) return false;
    Ball& a = Balls[n][ShownIndex];
    Ball& b = Balls[n][DrawIndex];
    const int w = CurrentBallSprite->width;
    const int h = CurrentBallSprite->height;

    float nx = a.x + a.dx * a.speed;
    float ny = a.y + a.dy * a.speed;

    if (nx < 0.0f) {
        ReverseDx(a, b);
        nx = 0.0f;
    } else if (nx > static_cast<float>(PlayFieldRight - w)) {
        ReverseDx(a, b);
        nx = static_cast<float>(PlayFieldRight - w);
    }
    if (ny < 0.0f) {
        ReverseDy(a, b);
        ny = 0.0f;
    }

    // Only the ball's top-left corner is tested against the grid; inside it
    // there is no ship test and no loss.
    const bool inLayout = nx >= static_cast<float>(LayoutX) &&
                          nx < static_cast<float>(play::LayoutRight()) &&
                          ny >= static_cast<float>(LayoutY) &&
                          ny < static_cast<float>(play::LayoutBottom());
    if (inLayout) {
        HitLayout(a, b, nx, ny, w, h);
    } else {
        if (ny > static_cast<float>(ScreenHeight - h)) return false;  // lost
        if (ny + static_cast<float>(h) >= static_cast<float>(ShipY[ShownIndex]) && BallMissed[n] == 0)
            HitShip(n, a, b, ny, w, h);
    }

    b.x = nx;
    b.y = ny;
    return true;
}

void DamageBlock(int row, int column, bool fire) {
    uint16_t* cell = play::CellAt(row, column);
    if (cell == nullptr) return;
    const int t = play::CellBlockType(*cell);
    if (t < 0) return;  // an empty cell takes no hit

    const int hitsToBreak = BlockTypes[t].hitsToBreak;
    const bool unbreakable = hitsToBreak == 255;
    int hits = *cell >> 8;
    if (!unbreakable) hits += 1;

    // An unbreakable block stays under every ordinary hit, whatever hit count
    // its cell was given.
    if ((unbreakable || hitsToBreak > hits) && !fire) {
        // The block stays; its hit count has 8 bits (256 is stored as 0).
        *cell = static_cast<uint16_t>(((hits & 0xFF) << 8) | (t + 1));
        return;
    }

    *cell = 0;
    AddBlockScore();
    if (!unbreakable) BlocksBroken += 1;
    if (BlocksBroken == BlocksToClear) LevelDone = 1;
    if (pf::rand() % 100 > 90) ReleaseCapsule(column, row);
}

void AddBlockScore() {
    // 250 points: cell 9 is the units, 8 the tens, 7 the hundreds.
    ScoreDigits[7] += 2;
    ScoreDigits[8] += 5;
    for (int i = 9; i >= 1; --i) {
        if (ScoreDigits[i] >= 10) {
            ScoreDigits[i - 1] += 1;
            ScoreDigits[i] -= 10;
        }
    }
    // A carry out of the ninth digit is dropped: the score wraps.
    ScoreDigits[0] = 0;
}
