// Falling capsules: drawn, moved three pixels a frame, caught by the ship of
// slot DrawIndex with no lower bound, gone past y 600.
#include "game/play/play.h"
#include "play/play_bench.h"

namespace {

class CapsuleFall : public playtest::PlayBench {
protected:
    void SetUp() override {
        PlayBench::SetUp();
        ShipX[DrawIndex] = 300;
        ShipX[ShownIndex] = 100;
    }
};

TEST_F(CapsuleFall, FallsThreePixelsAndIsDrawnWhereItWas) {
    Capsules[0] = {50, 100, CK_NORMAL};
    UpdateCapsules();
    EXPECT_EQ(Capsules[0].y, 103);
    EXPECT_EQ(BackPixel(50, 100), playtest::CapsuleColour);
    EXPECT_EQ(BackPixel(50, 116), 0);
}

TEST_F(CapsuleFall, CaughtByTheShipOfSlotDrawIndex) {
    // Over the DrawIndex ship (300): caught; over the shown one (100): not.
    Capsules[0] = {300, 540, CK_LONG_SHIP};
    Capsules[1] = {100, 540, CK_CANNON_SHIP};
    UpdateCapsules();
    EXPECT_EQ(Capsules[0].kind, -1);
    EXPECT_EQ(Capsules[1].kind, CK_CANNON_SHIP);
    EXPECT_EQ(CurrentShipSprite, &ShipLSprite);
}

TEST_F(CapsuleFall, TheCatchReachesFromTheShipsLeftEdgeToItsRightEdge) {
    // x + w >= shipX and x <= shipX + sw.
    Capsules[0] = {300 - playtest::CapsuleWidth, 540, CK_NORMAL};
    Capsules[1] = {300 + playtest::ShipWidth, 540, CK_NORMAL};
    Capsules[2] = {300 + playtest::ShipWidth + 1, 540, CK_NORMAL};
    Capsules[3] = {300 - playtest::CapsuleWidth - 1, 540, CK_NORMAL};
    UpdateCapsules();
    EXPECT_EQ(Capsules[0].kind, -1);
    EXPECT_EQ(Capsules[1].kind, -1);
    EXPECT_EQ(Capsules[2].kind, CK_NORMAL);
    EXPECT_EQ(Capsules[3].kind, CK_NORMAL);
}

TEST_F(CapsuleFall, NoLowerBoundABelowTheShipCapsuleIsStillCaught) {
    Capsules[0] = {450, 590, CK_FIRE_BALL};  // beside the ship, below its top edge
    UpdateCapsules();
    EXPECT_EQ(Capsules[0].kind, CK_FIRE_BALL);
    EXPECT_EQ(BackPixel(450, 595), 0);  // reaches below the screen: not drawn
    ShipX[DrawIndex] = 430;
    UpdateCapsules();
    EXPECT_EQ(Capsules[0].kind, -1);
    EXPECT_EQ(CurrentBallSprite, &BallFSprite);
}

TEST_F(CapsuleFall, PastSixHundredItIsGoneWithoutACatch) {
    Capsules[0] = {300, 599, CK_LONG_SHIP};  // right over the ship
    Capsules[1] = {300, 597, CK_CANNON_SHIP};
    UpdateCapsules();
    EXPECT_EQ(Capsules[0].kind, -1);
    EXPECT_EQ(CurrentShipSprite, &ShipCSprite);  // 600 is still caught
    EXPECT_EQ(Capsules[1].kind, -1);
}

TEST_F(CapsuleFall, TwoCaughtInOneFrameApplyInTableOrder) {
    Capsules[3] = {300, 540, CK_FIRE_BALL};
    Capsules[1] = {310, 540, CK_LONG_SHIP};
    UpdateCapsules();
    // Long ship first, then the fire ball, which restores the normal ship.
    EXPECT_EQ(CurrentShipSprite, &ShipSprite);
    EXPECT_EQ(CurrentBallSprite, &BallFSprite);
}

TEST_F(CapsuleFall, AnEntryOfNoKnownKindIsDropped) {
    Capsules[0] = {300, 540, 8};
    UpdateCapsules();
    EXPECT_EQ(Capsules[0].kind, -1);
    EXPECT_EQ(CurrentShipSprite, &ShipSprite);
}

}  // namespace
