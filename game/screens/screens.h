// Front-end screens: intro, main menu, game over, hall of fame.
#pragma once

#include "game/shell/record.h"

int ShowIntro();

void MenuFrame();
int32_t MenuInput();
int32_t StartNewGame();
void GameOverStep();

int AddHallOfFameEntry();
void DrawHallOfFame();
void EnterHallOfFameName(HallOfFameRecord& record);

// --- The pieces of the hall-of-fame insertion (hall_of_fame.cpp) -----------

// The number a record's score text spells (0 for an empty record).
int64_t HallOfFameValue(const HallOfFameRecord& record);
// Where a result of this score goes: the first record whose value it reaches
// (ties go to the new result), or -1 when it reaches none.
int HallOfFamePlace(int64_t score);
// Moves records place..8 down one row (the last row is dropped) through a
// temporary buffer; false, with the table unchanged, when no buffer can be had.
bool MakeHallOfFameRoom(int place);
// Score text from the ten score cells (cell 0 is not stored) and level text.
void WriteScoreText(HallOfFameRecord& record, const int32_t digits[10]);
void WriteLevelText(HallOfFameRecord& record, int32_t level);

// --- The character wheel of the name entry (name_entry.cpp) -----------------

constexpr int32_t WheelPositions = 35;
constexpr int32_t WheelStart = 20;   // "U"
constexpr int32_t WheelSpace = 32;   // the last position that adds a character
constexpr int32_t WheelEnd = 33;     // finish the name
constexpr int32_t WheelDelete = 34;  // remove the last character
constexpr int32_t MaxNameLength = 3;

struct NameEntryState {
    int32_t selection;
    int32_t length;
    bool returnHeld;  // RETURN was down in the previous pass
};

// Empties the record's name and puts the wheel on its start position.
void StartNameEntry(NameEntryState& state, HallOfFameRecord& record);
// One pass of the wheel on the current KeyState: true when RETURN is down on
// the end position (the name is finished), otherwise moves, adds or deletes.
bool NameEntryPass(NameEntryState& state, HallOfFameRecord& record);
// The glyph shown for a wheel position (any integer, taken modulo 35).
int WheelGlyph(int32_t position);
