// Power-up capsules: release from a broken block, the fall and the catch, and
// the effect of each kind.
#include "game/display/display.h"
#include "game/play/play.h"
#include "pf/random.h"

namespace {

constexpr int32_t Free = -1;
constexpr int32_t CapsuleFall = 3;  // pixels down per frame
constexpr int KindCount = 8;

// The kind a draw r (0 to 99) grants.
int32_t CapsuleKindOf(int r) {
    if (r <= 25) return CK_BONUS;
    if (r <= 50) return CK_NORMAL;
    if (r <= 63) return CK_LONG_SHIP;
    if (r <= 73) return CK_CANNON_SHIP;
    if (r <= 83) return CK_FIRE_BALL;
    if (r <= 90) return CK_MULTI_BALL;
    if (r <= 96) return CK_FIRE_MULTI_BALL;
    return CK_WARP;
}

void SetKinds(const Sprite& ship, const Sprite& ball, int32_t ballCount) {
    CurrentShipSprite = &ship;
    CurrentBallSprite = &ball;
    BallCount = ballCount;
}

// Balls 1 to 5 start where ball 0's slot 0 is, each upwards in a direction
// of two draws: f = r × 0.01 sideways (right for a second draw of 50 or
// less), 1 - f up.
void CreateExtraBalls() {
    const Ball& origin = Balls[0][0];
    for (int i = 1; i < MaxBalls; ++i) {
        const float f = static_cast<float>(pf::rand() % 100) * 0.01f;
        const int r = pf::rand() % 100;
        Ball ball;
        ball.x = origin.x;
        ball.y = origin.y;
        ball.speed = origin.speed;
        ball.dx = r <= 50 ? f : -f;
        ball.dy = -(1.0f - f);
        Balls[i][0] = ball;
        Balls[i][1] = ball;
        BallMissed[i] = 0;
    }
}

}  // namespace

void ReleaseCapsule(int column, int row) {
    for (Capsule& capsule : Capsules) {
        if (capsule.kind != Free) continue;
        capsule.x = LayoutX + column * CellWidth + 3;
        capsule.y = LayoutY + row * CellHeight + 2;
        capsule.kind = CapsuleKindOf(pf::rand() % 100);
        return;
    }
    // Five capsules already fall: none is released and no kind is drawn.
}

void UpdateCapsules() {
    const int32_t shipX = ShipX[DrawIndex];
    const int32_t shipY = ShipY[DrawIndex];
    for (Capsule& capsule : Capsules) {
        if (capsule.kind == Free) continue;
        if (capsule.kind < 0 || capsule.kind >= KindCount) {
            capsule.kind = Free;  // no such kind: dropped rather than drawn
            continue;
        }
        const Sprite& sprite = PowerUpSprites[capsule.kind];
        DrawSprite(capsule.x, capsule.y, sprite, true);
        capsule.y += CapsuleFall;
        if (capsule.y > ScreenHeight) {
            capsule.kind = Free;
            continue;
        }
        // The ship position of slot DrawIndex before PlayInput writes it in
        // this frame. No lower bound: a capsule beside and below the ship's
        // top edge is caught if the ship moves under it in time.
        const int sw = CurrentShipSprite->width;
        if (capsule.y + sprite.height >= shipY && capsule.x + sprite.width >= shipX &&
            capsule.x <= shipX + sw) {
            ApplyCapsule(capsule.kind);
            capsule.kind = Free;
        }
    }
}

void ApplyCapsule(int kind) {
    switch (kind) {
        case CK_LONG_SHIP:
            SetKinds(ShipLSprite, BallSprite, 1);
            break;
        case CK_NORMAL:
            SetKinds(ShipSprite, BallSprite, 1);
            break;
        case CK_BONUS:
            for (int i = 0; i < 4; ++i) AddBlockScore();  // 1000 points
            SetKinds(ShipSprite, BallSprite, 1);
            break;
        case CK_CANNON_SHIP:
            SetKinds(ShipCSprite, BallSprite, 1);
            break;
        case CK_FIRE_BALL:
            SetKinds(ShipSprite, BallFSprite, 1);
            break;
        case CK_FIRE_MULTI_BALL:
            SetKinds(ShipSprite, BallFSprite, MaxBalls);
            CreateExtraBalls();
            break;
        case CK_MULTI_BALL:
            SetKinds(ShipSprite, BallSprite, MaxBalls);
            CreateExtraBalls();
            break;
        case CK_WARP:
            LevelDone = 1;  // the level ends at the end of this frame
            break;
        default:
            break;  // no such kind
    }
}
