// The character wheel of the name entry, one pass at a time on keys set by
// the test.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "game/screens/screens.h"

namespace {

class NameWheel : public ::testing::Test {
protected:
    void SetUp() override {
        Record = ProgramRecord{};
        std::memset(&row, 0x55, sizeof row);
        StartNameEntry(state, row);
    }

    // One pass with exactly these keys down.
    bool Pass(bool left, bool right, bool enter) {
        std::memset(KeyState, 0, sizeof KeyState);
        KeyState[KEY_LEFT] = left ? 0x80 : 0;
        KeyState[KEY_RIGHT] = right ? 0x80 : 0;
        KeyState[KEY_RETURN] = enter ? 0x80 : 0;
        return NameEntryPass(state, row);
    }
    void Right(int n) {
        for (int i = 0; i < n; ++i) Pass(false, true, false);
    }
    void Left(int n) {
        for (int i = 0; i < n; ++i) Pass(true, false, false);
    }
    void Press() {
        Pass(false, false, true);
        Pass(false, false, false);
    }
    std::string Name() const {
        return std::string(reinterpret_cast<const char*>(row.name), strnlen(reinterpret_cast<const char*>(row.name), 4));
    }

    HallOfFameRecord row;
    NameEntryState state;
};

TEST_F(NameWheel, StartsOnUWithAnEmptyNameAndLeavesTheRestOfTheRow) {
    EXPECT_EQ(state.selection, 20);
    EXPECT_EQ(state.length, 0);
    for (uint8_t b : row.name) EXPECT_EQ(b, 0);
    EXPECT_EQ(row.score[0], 0x55);
    EXPECT_EQ(row.level[0], 0x55);
    Press();
    EXPECT_EQ(Name(), "U");
}

TEST_F(NameWheel, WrapsBothWays) {
    Left(20);  // to "A"
    EXPECT_EQ(state.selection, 0);
    Left(1);
    EXPECT_EQ(state.selection, 34);  // delete
    Right(1);
    EXPECT_EQ(state.selection, 0);
    Pass(true, true, false);  // both keys cancel
    EXPECT_EQ(state.selection, 0);
}

TEST_F(NameWheel, PressInThePassThatWrapsTakesNothing) {
    Left(20);
    EXPECT_FALSE(Pass(true, false, true));  // 0 -> -1, pressed before the wrap
    EXPECT_EQ(state.selection, 34);
    EXPECT_EQ(Name(), "");
    Pass(false, false, false);
    EXPECT_FALSE(Pass(false, true, true));  // 34 -> 35 with a press: nothing
    EXPECT_EQ(state.selection, 0);
    EXPECT_EQ(Name(), "");
}

TEST_F(NameWheel, EveryPositionAddsItsCharacter) {
    const char* characters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ.,-_[] ";
    for (int p = 0; p <= 32; ++p) {
        StartNameEntry(state, row);
        state.selection = p;
        Press();
        ASSERT_EQ(Name(), std::string(1, characters[p])) << p;
    }
}

TEST_F(NameWheel, FourthCharacterRefusedDeleteStillWorks) {
    Press();     // U
    Right(1);
    Press();     // V
    Right(1);
    Press();     // W
    Right(1);
    Press();     // X refused
    EXPECT_EQ(Name(), "UVW");
    EXPECT_EQ(state.length, 3);
    Right(34 - 23);  // to delete
    EXPECT_EQ(state.selection, 34);
    Press();
    EXPECT_EQ(Name(), "UV");
    Press();
    Press();
    EXPECT_EQ(Name(), "");
    Press();  // deleting from an empty name does nothing
    EXPECT_EQ(Name(), "");
    EXPECT_EQ(state.length, 0);
    EXPECT_EQ(row.name[3], 0);
}

TEST_F(NameWheel, HeldReturnTakesOnlyTheFirstLetterAndFinishesOnEnd) {
    Pass(false, false, true);  // U
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(Pass(false, true, true));  // V..Z passed over
    EXPECT_EQ(Name(), "U");
    EXPECT_EQ(state.selection, 25);
    Right(7);  // to the space
    EXPECT_EQ(state.selection, 32);
    EXPECT_FALSE(Pass(false, true, true));  // onto end, a new press: nothing taken
    EXPECT_EQ(state.selection, 33);
    EXPECT_TRUE(Pass(false, true, true));  // still held on end: finished
    EXPECT_EQ(Name(), "U");
    EXPECT_EQ(state.selection, 33);  // finishing does not move the wheel
}

TEST_F(NameWheel, EndWithNothingChosenLeavesAnEmptyName) {
    Right(13);
    EXPECT_EQ(state.selection, 33);
    EXPECT_FALSE(Pass(false, false, false));
    EXPECT_TRUE(Pass(false, false, true));
    EXPECT_EQ(Name(), "");
}

TEST_F(NameWheel, GlyphsFollowThePositionsModulo35) {
    EXPECT_EQ(WheelGlyph(0), 36);   // A
    EXPECT_EQ(WheelGlyph(25), 61);  // Z
    EXPECT_EQ(WheelGlyph(26), 62);  // .
    EXPECT_EQ(WheelGlyph(31), 67);  // ]
    EXPECT_EQ(WheelGlyph(32), 68);  // space
    EXPECT_EQ(WheelGlyph(33), 69);  // end
    EXPECT_EQ(WheelGlyph(34), 70);  // delete
    EXPECT_EQ(WheelGlyph(-1), 70);
    EXPECT_EQ(WheelGlyph(-5), 66);
    EXPECT_EQ(WheelGlyph(35), 36);
    EXPECT_EQ(WheelGlyph(38), 39);
}

}  // namespace
